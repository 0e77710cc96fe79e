#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/text.hpp"
#include "updates/release_notes.hpp"

namespace corvane::updates {
namespace {

using Notes = std::vector<std::string>;

TEST(ReleaseNotes, ListItemsWinOverLines) {
  EXPECT_EQ(parseReleaseNotes("<h2>1.3</h2><ul>\n<li>Faster <b>key tips</b></li>\n<li>  </li><li>Fixes &amp; polish</li></ul>"),
            (Notes{"Faster key tips", "Fixes & polish"}));
  // Attributes and upper case open an item too; an unclosed item ends at the next one or the end.
  EXPECT_EQ(parseReleaseNotes("<LI class=\"x\">One<li>Two</LI><li>Three"), (Notes{"One", "Two", "Three"}));
  // "<link>" is no list item.
  EXPECT_EQ(parseReleaseNotes("<link>a\nb"), (Notes{"a", "b"}));
}

TEST(ReleaseNotes, WithoutItemsEachNonEmptyLineIsANote) {
  EXPECT_EQ(parseReleaseNotes("First line<br>Second<br/>Third<BR />\r\n\r\nFourth\rFifth\n\n"),
            (Notes{"First line", "Second", "Third", "Fourth", "Fifth"}));
  EXPECT_EQ(parseReleaseNotes(""), Notes{});
  EXPECT_EQ(parseReleaseNotes("<p></p>\n \n<br>"), Notes{});
}

TEST(ReleaseNotes, TagsAreStrippedAsThePatternMatches) {
  // <[^>]+> needs one character between the brackets; "<>" stays, an unclosed "<" stays.
  EXPECT_EQ(parseReleaseNotes("a <> b"), Notes{"a <> b"});
  EXPECT_EQ(parseReleaseNotes("x < y"), Notes{"x < y"});
  EXPECT_EQ(parseReleaseNotes("<<b>bold"), Notes{"bold"});
  EXPECT_EQ(parseReleaseNotes("1 <2> 3 <4"), Notes{"1  3 <4"});
}

TEST(ReleaseNotes, EntitiesAreDecodedOnce) {
  EXPECT_EQ(parseReleaseNotes("&lt;tag&gt; &#39;q&#39; &quot;d&quot; &amp;"), Notes{"<tag> 'q' \"d\" &"});
  // Decoded entities are text, not markup: "&lt;b&gt;" shows as <b>, and "&amp;lt;" as &lt;.
  EXPECT_EQ(parseReleaseNotes("&lt;b&gt;x"), Notes{"<b>x"});
  EXPECT_EQ(parseReleaseNotes("&amp;lt; &nbsp;"), Notes{"&lt; &nbsp;"});
}

TEST(ReleaseNotes, InvalidUtf8IsRepaired) {
  auto notes = parseReleaseNotes(std::string("<li>caf\xC3\xA9 \xFF ok</li>"));
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0], "café \xEF\xBF\xBD ok");
  // Unicode white space is trimmed too.
  EXPECT_EQ(parseReleaseNotes("\xC2\xA0 note \xE2\x80\x83"), Notes{"note"});
}

TEST(ReleaseNotes, ControlAndBidirectionalCharactersAreRemoved) {
  const std::string rlo = "\xE2\x80\xAE", lre = "\xE2\x80\xAA", pdf = "\xE2\x80\xAC", lro = "\xE2\x80\xAD";
  const std::string lri = "\xE2\x81\xA6", pdi = "\xE2\x81\xA9";
  // U+202E would show "exe.txt" for "txt.exe"; U+2066–U+2069 isolate, U+202A–U+202D embed.
  EXPECT_EQ(parseReleaseNotes("<li>Open " + rlo + "txt.exe</li>"), Notes{"Open txt.exe"});
  EXPECT_EQ(parseReleaseNotes("<li>" + lri + "a" + pdi + lre + "b" + pdf + lro + "</li>"), Notes{"ab"});
  // C0 controls but tab and newline, DEL and C1 controls go.
  const std::string c1 = "\xC2\x85\xC2\x9F";
  EXPECT_EQ(parseReleaseNotes(std::string("<li>a\x01\x1B[31m\x7F") + c1 + "b\tc\nd</li>"), Notes{"a[31mb\tc\nd"});
  // The neighbours of the ranges stay: U+00A0 (trimmed as space), U+2029, U+202F, U+2065, U+206A.
  const std::string kept = "\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA";
  EXPECT_EQ(parseReleaseNotes("<li>\xC2\xA0x" + kept + "</li>"), Notes{"x" + kept});
  // A note made only of hidden characters is empty, so it is dropped.
  EXPECT_EQ(parseReleaseNotes(rlo + "\x07\nkept"), Notes{"kept"});
}

TEST(ReleaseNotes, CountAndLengthAreCapped) {
  std::string html;
  for (int i = 0; i < 100; ++i) html += "<li>note " + std::to_string(i) + "</li>";
  auto notes = parseReleaseNotes(html);
  ASSERT_EQ(notes.size(), kMaxReleaseNotes);
  EXPECT_EQ(notes.back(), "note " + std::to_string(kMaxReleaseNotes - 1));
  std::string lines;
  for (int i = 0; i < 100; ++i) lines += "line\n";
  EXPECT_EQ(parseReleaseNotes(lines).size(), kMaxReleaseNotes);

  auto longNote = parseReleaseNotes("<li>" + std::string(5000, 'x') + "</li>");
  ASSERT_EQ(longNote.size(), 1u);
  EXPECT_LE(longNote[0].size(), kMaxReleaseNoteBytes);
  EXPECT_TRUE(longNote[0].ends_with("…"));
  // Cut at whole characters, never inside a two-byte one.
  std::string accents;
  for (int i = 0; i < 400; ++i) accents += "é";
  auto cut = parseReleaseNotes(accents);
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_LE(cut[0].size(), kMaxReleaseNoteBytes);
  EXPECT_EQ(model::text::repairUtf8(cut[0]), cut[0]);
}

TEST(ReleaseNotes, ManyUnclosedItemsStayFast) {
  std::string html;
  for (int i = 0; i < 20000; ++i) html += "<li>n";
  EXPECT_EQ(parseReleaseNotes(html).size(), kMaxReleaseNotes);
  std::string tags(200000, '<');
  EXPECT_EQ(parseReleaseNotes(tags).size(), 1u);
}

}  // namespace
}  // namespace corvane::updates

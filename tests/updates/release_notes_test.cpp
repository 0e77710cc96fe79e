#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(ReleaseNotes, ManyUnclosedItemsStayFast) {
  std::string html;
  for (int i = 0; i < 20000; ++i) html += "<li>n";
  EXPECT_EQ(parseReleaseNotes(html).size(), 20000u);
  std::string tags(200000, '<');
  EXPECT_EQ(parseReleaseNotes(tags).size(), 1u);
}

}  // namespace
}  // namespace corvane::updates

#include "updates/release_notes.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include "model/text.hpp"

namespace corvane::updates {
namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

/// `s` has `word` (lower-case ASCII) at `pos`, compared without case.
bool hasAt(std::string_view s, std::size_t pos, std::string_view word) {
  if (pos + word.size() > s.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (lowerAscii(s[pos + i]) != word[i]) return false;
  }
  return true;
}

std::size_t findNoCase(std::string_view s, std::string_view word, std::size_t from) {
  for (std::size_t i = from; i + word.size() <= s.size(); ++i) {
    if (hasAt(s, i, word)) return i;
  }
  return std::string_view::npos;
}

/// The opening tag of a list item at `pos`: "<li>" or "<li" followed by attributes.
bool isItemStart(std::string_view s, std::size_t pos) {
  if (!hasAt(s, pos, "<li")) return false;
  if (pos + 3 >= s.size()) return false;
  char c = s[pos + 3];
  return c == '>' || c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::size_t findItemStart(std::string_view s, std::size_t from) {
  for (auto pos = s.find('<', from); pos != std::string_view::npos; pos = s.find('<', pos + 1)) {
    if (isItemStart(s, pos)) return pos;
  }
  return std::string_view::npos;
}

/// Removes every match of the pattern <[^>]+> (leftmost first, as a regular expression scan does).
std::string stripTags(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    auto open = s.find('<', i);
    if (open == std::string_view::npos) break;
    auto close = s.find('>', open + 1);
    if (close == std::string_view::npos) break;  // no later '<' can close either
    if (close == open + 1) {
      // "<>" does not match; the scan goes on after the '<'.
      out.append(s.substr(i, open + 1 - i));
      i = open + 1;
      continue;
    }
    out.append(s.substr(i, open - i));
    i = close + 1;
  }
  out.append(s.substr(i));
  return out;
}

/// Decodes the five entities in one pass, so "&amp;lt;" stays "&lt;".
std::string decodeEntities(std::string_view s) {
  static constexpr std::array<std::pair<std::string_view, char>, 5> kEntities{
      {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&#39;", '\''}, {"&quot;", '"'}}};
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    bool decoded = false;
    if (s[i] == '&') {
      for (const auto& [entity, character] : kEntities) {
        if (s.substr(i, entity.size()) == entity) {
          out.push_back(character);
          i += entity.size();
          decoded = true;
          break;
        }
      }
    }
    if (!decoded) out.push_back(s[i++]);
  }
  return out;
}

/// Whether the character at `s[i]` (valid UTF-8) is one a note never shows: a C0 control other
/// than tab and newline, DEL, a C1 control, or a bidirectional embedding, override or isolate,
/// which could make a note read differently from what it says. Sets `length` to its byte count.
bool isHidden(std::string_view s, std::size_t i, std::size_t& length) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char lead = byte(i);
  if (lead < 0x80) {
    length = 1;
    return (lead < 0x20 && lead != '\t' && lead != '\n') || lead == 0x7F;
  }
  length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  if (i + length > s.size()) {
    length = s.size() - i;
    return false;
  }
  if (length == 2) return lead == 0xC2 && byte(i + 1) <= 0x9F;  // U+0080–U+009F
  if (length != 3 || lead != 0xE2) return false;
  unsigned char second = byte(i + 1), third = byte(i + 2);
  if (second == 0x80) return third >= 0xAA && third <= 0xAE;  // U+202A–U+202E
  if (second == 0x81) return third >= 0xA6 && third <= 0xA9;  // U+2066–U+2069
  return false;
}

std::string withoutHiddenCharacters(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    std::size_t length = 1;
    if (!isHidden(s, i, length)) out.append(s.substr(i, length));
    i += length;
  }
  return out;
}

/// Adds a note unless the cap is reached; false once it is.
bool addNote(std::vector<std::string>& notes, std::string_view raw) {
  if (notes.size() >= kMaxReleaseNotes) return false;
  auto note = model::text::trim(withoutHiddenCharacters(decodeEntities(stripTags(raw))));
  // The ellipsis a cut note ends with counts too.
  if (!note.empty()) notes.push_back(model::text::abbreviated(note, kMaxReleaseNoteBytes - std::string_view("…").size()));
  return notes.size() < kMaxReleaseNotes;
}

/// Splits at line breaks (\n, \r\n, \r) and at "<br>", "<br/>", "<br />" in any case.
void addLines(std::vector<std::string>& notes, std::string_view s) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t breakLength = 0;
    if (s[i] == '\n') {
      breakLength = 1;
    } else if (s[i] == '\r') {
      breakLength = (i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1;
    } else if (s[i] == '<' && hasAt(s, i, "<br")) {
      std::size_t j = i + 3;
      while (j < s.size() && (s[j] == ' ' || s[j] == '/')) ++j;
      if (j < s.size() && s[j] == '>') breakLength = j + 1 - i;
    }
    if (breakLength == 0) {
      ++i;
      continue;
    }
    if (!addNote(notes, s.substr(start, i - start))) return;
    i += breakLength;
    start = i;
  }
  addNote(notes, s.substr(start));
}

}  // namespace

std::vector<std::string> parseReleaseNotes(std::string_view html) {
  auto text = model::text::repairUtf8(html);
  std::string_view s = text;
  std::vector<std::string> notes;
  auto item = findItemStart(s, 0);
  if (item == std::string_view::npos) {
    addLines(notes, s);
    return notes;
  }
  // The next "</li>" is searched again only once passed, so many unclosed items stay linear.
  std::size_t close = 0;
  bool closeKnown = false;
  while (item != std::string_view::npos) {
    auto contentStart = s.find('>', item);
    if (contentStart == std::string_view::npos) break;
    ++contentStart;
    // An item ends at "</li>"; a missing close ends it at the next item or the end of the text.
    if (!closeKnown || (close != std::string_view::npos && close < contentStart)) {
      close = findNoCase(s, "</li>", contentStart);
      closeKnown = true;
    }
    auto nextItem = findItemStart(s, contentStart);
    auto end = std::min(close, nextItem);
    if (end == std::string_view::npos) end = s.size();
    if (!addNote(notes, s.substr(contentStart, end - contentStart))) break;
    item = nextItem;
  }
  return notes;
}

}  // namespace corvane::updates

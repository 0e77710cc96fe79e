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

void addNote(std::vector<std::string>& notes, std::string_view raw) {
  auto note = model::text::trim(decodeEntities(stripTags(raw)));
  if (!note.empty()) notes.push_back(std::move(note));
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
    addNote(notes, s.substr(start, i - start));
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
    addNote(notes, s.substr(contentStart, end - contentStart));
    item = nextItem;
  }
  return notes;
}

}  // namespace corvane::updates

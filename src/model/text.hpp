#pragma once
// Unicode-aware text helpers shared by every layer (grapheme counting, case mapping, letter and
// digit classes). Pure functions over UTF-8; invalid bytes count as one replacement character each.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::model::text {

/// Number of user-perceived characters (extended grapheme clusters).
[[nodiscard]] std::size_t graphemeCount(std::string_view s);
/// Length in UTF-16 code units, as an accessibility text range counts it.
[[nodiscard]] std::size_t utf16Length(std::string_view s);

[[nodiscard]] std::string upper(std::string_view s);
[[nodiscard]] std::string lower(std::string_view s);
/// First letter of every word upper-case, every other letter lower-case ("pagedown" → "Pagedown").
[[nodiscard]] std::string capitalized(std::string_view s);
/// The first character upper-cased, the rest unchanged.
[[nodiscard]] std::string upperFirst(std::string_view s);

/// Trims Unicode white space (spaces, tabs, line breaks) from both ends.
[[nodiscard]] std::string trim(std::string_view s);
/// The same, as a view into `s`.
[[nodiscard]] std::string_view trimmedView(std::string_view s);

/// Calls `piece` with each piece of `s` between separators (empty pieces included), without copying.
template <typename F>
void forEachPiece(std::string_view s, std::string_view separator, F&& piece) {
  std::size_t start = 0;
  while (true) {
    auto pos = separator.empty() ? std::string_view::npos : s.find(separator, start);
    if (pos == std::string_view::npos) {
      piece(s.substr(start));
      return;
    }
    piece(s.substr(start, pos - start));
    start = pos + separator.size();
  }
}
/// The text with every invalid byte sequence replaced by U+FFFD (one per invalid byte).
[[nodiscard]] std::string repairUtf8(std::string_view s);
/// Keeps only Unicode letters and digits.
[[nodiscard]] std::string lettersAndDigits(std::string_view s);

[[nodiscard]] std::vector<std::string> split(std::string_view s, std::string_view separator);
[[nodiscard]] std::string join(const std::vector<std::string>& parts, std::string_view separator);
[[nodiscard]] std::string replaceAll(std::string_view s, std::string_view from, std::string_view to);
/// `s` when it has at most `maxBytes` bytes; else as many whole characters as fit in them, then "…".
[[nodiscard]] std::string abbreviated(std::string_view s, std::size_t maxBytes);

/// The first user-perceived character of s (empty for an empty string).
[[nodiscard]] std::string firstCharacter(std::string_view s);
[[nodiscard]] bool isDigitCharacter(std::string_view character);

}  // namespace corvane::model::text

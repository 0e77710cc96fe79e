#include "model/grammar.hpp"

#include "model/text.hpp"

namespace corvane::model {

std::expected<std::vector<std::string>, LibraryError> parseKeySequence(std::string_view input, std::size_t maxKeys) {
  std::vector<std::string> keys;
  std::size_t start = 0;
  while (start <= input.size()) {
    auto space = input.find(' ', start);
    if (space == std::string_view::npos) space = input.size();
    auto piece = input.substr(start, space - start);
    start = space + 1;
    if (piece.empty()) continue;
    if (keys.size() == maxKeys) {
      return std::unexpected(LibraryError{"Key sequence longer than " + std::to_string(maxKeys) + " keys"});
    }
    auto key = text::upper(piece);
    if (text::graphemeCount(key) != 1) {
      return std::unexpected(LibraryError{"\"" + text::abbreviated(input, kQuotedKeysBytes) +
                                          "\": each key must be a single character, separated by spaces"});
    }
    keys.push_back(std::move(key));
  }
  if (keys.empty()) return std::unexpected(LibraryError{"Empty key sequence"});
  return keys;
}

std::vector<std::string> splitAlternatives(std::string_view input) {
  std::vector<std::string> labels;
  text::forEachPiece(input, "|", [&](std::string_view piece) {
    auto label = text::trimmedView(piece);
    if (!label.empty()) labels.emplace_back(label);
  });
  return labels;
}

MenuPath splitMenuPath(std::string_view input) {
  MenuPath path;
  text::forEachPiece(input, " > ", [&](std::string_view level) { path.push_back(splitAlternatives(level)); });
  return path;
}

std::string keyPathText(const std::vector<std::string>& keys) { return text::join(keys, " "); }

}  // namespace corvane::model

#include "model/grammar.hpp"

#include "model/text.hpp"

namespace corvane::model {

std::expected<std::vector<std::string>, LibraryError> parseKeySequence(std::string_view input) {
  std::vector<std::string> keys;
  text::forEachPiece(input, " ", [&](std::string_view piece) {
    if (!piece.empty()) keys.push_back(text::upper(piece));
  });
  if (keys.empty()) return std::unexpected(LibraryError{"Empty key sequence"});
  for (const auto& key : keys) {
    if (text::graphemeCount(key) != 1) {
      return std::unexpected(LibraryError{"\"" + std::string(input) +
                                          "\": each key must be a single character, separated by spaces"});
    }
  }
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

#include "model/key_combo.hpp"

#include <vector>

#include "model/key_names.hpp"
#include "model/text.hpp"

namespace corvane::model {
namespace {

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

// Trims the white space that may surround "+" (spaces and tabs, as typed by hand).
std::string trimPiece(std::string_view s) { return text::trim(s); }

}  // namespace

std::expected<KeyCombo, LibraryError> parseKeyCombo(std::string_view input) {
  auto lowered = text::lower(input);
  std::vector<std::string_view> pieces;
  text::forEachPiece(lowered, "+", [&](std::string_view piece) { pieces.push_back(text::trimmedView(piece)); });
  if (pieces.empty() || pieces.back().empty()) {
    return std::unexpected(LibraryError{"Key combo " + quoted(input) + " has no key"});
  }
  KeyCombo combo;
  for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
    const auto& m = pieces[i];
    if (m == "cmd" || m == "command" || m == "⌘") {
      combo.command = true;
    } else if (m == "shift" || m == "⇧") {
      combo.shift = true;
    } else if (m == "opt" || m == "option" || m == "alt" || m == "⌥") {
      combo.option = true;
    } else if (m == "ctrl" || m == "control" || m == "⌃") {
      combo.control = true;
    } else {
      return std::unexpected(LibraryError{"Unknown modifier " + quoted(m) + " in " + quoted(input)});
    }
  }
  auto code = keyCodeForName(pieces.back());
  if (!code) {
    return std::unexpected(LibraryError{"Unknown key " + quoted(pieces.back()) + " in " + quoted(input)});
  }
  combo.keyCode = *code;
  combo.text = std::string(input);
  return combo;
}

std::string displayText(const KeyCombo& combo) {
  std::string out;
  if (combo.control) out += "⌃";
  if (combo.option) out += "⌥";
  if (combo.shift) out += "⇧";
  if (combo.command) out += "⌘";
  std::string key;
  // Trimmed, so "ctrl + a" shows ⌃A rather than a key with a leading space.
  for (const auto& piece : text::split(combo.text, "+")) {
    auto trimmed = trimPiece(piece);
    if (!trimmed.empty()) key = trimmed;
  }
  out += text::graphemeCount(key) == 1 ? text::upper(key) : text::capitalized(key);
  return out;
}

}  // namespace corvane::model

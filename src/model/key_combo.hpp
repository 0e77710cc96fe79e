#pragma once
// One keystroke with modifiers, parsed from texts such as "cmd+shift+F5".

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "model/library_error.hpp"

namespace corvane::model {

struct KeyCombo {
  std::uint16_t keyCode = 0;
  bool command = false;
  bool shift = false;
  bool option = false;
  bool control = false;
  /// The text the combination was parsed from, exactly as written.
  std::string text;

  friend bool operator==(const KeyCombo&, const KeyCombo&) = default;
};

[[nodiscard]] std::expected<KeyCombo, LibraryError> parseKeyCombo(std::string_view text);

/// Short symbol text: modifier signs in the order ⌃ ⌥ ⇧ ⌘, then the key (⇧⌘L, ⌃⌥F12).
[[nodiscard]] std::string displayText(const KeyCombo& combo);

}  // namespace corvane::model

#pragma once
// What a key press means to the shortcut editor while it records: a key of the sequence, a
// keystroke (combination text), delete or done.

#include <optional>
#include <string>
#include <variant>

#include "platform/views/shortcut_editor_view.hpp"

namespace corvane::authoring {

namespace recording {
struct Character {
  std::string text;  ///< one upper-case letter or digit
  friend bool operator==(const Character&, const Character&) = default;
};
struct Combo {
  std::string text;  ///< "ctrl+opt+shift+cmd+f5", modifiers in that order
  friend bool operator==(const Combo&, const Combo&) = default;
};
struct Delete {
  friend bool operator==(const Delete&, const Delete&) = default;
};
struct Done {
  friend bool operator==(const Done&, const Done&) = default;
};
}  // namespace recording

using RecordingInput = std::variant<recording::Character, recording::Combo, recording::Delete, recording::Done>;

/// A key press while the key sequence is recorded: Return or Escape end recording, Delete removes
/// the last key, a letter or digit typed without ⌘, ⌃ or ⌥ is a key, any other named key is a
/// combination. None for keys without a name.
[[nodiscard]] std::optional<RecordingInput> catchSequenceKey(const platform::views::CaughtKey& key);

/// A key press while a keystroke is captured: every named key, with its modifiers, is a
/// combination (so Return, Delete and plain letters can be keystrokes); Escape alone cancels (Done).
[[nodiscard]] std::optional<RecordingInput> catchComboKey(const platform::views::CaughtKey& key);

}  // namespace corvane::authoring

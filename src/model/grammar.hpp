#pragma once
// The small text grammars of shortcut files: key sequences, label alternatives, menu paths.

#include <cstddef>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "model/library_error.hpp"
#include "model/step.hpp"

namespace corvane::model {

/// The most keys one sequence may have: eight times the longest built-in sequence, and far more than
/// anyone types. A longer one would make a trie as deep as it is long.
inline constexpr std::size_t kMaxKeySequenceLength = 32;
/// The most keys the shortcut editor records for a shortcut of the user's own.
inline constexpr std::size_t kMaxOwnShortcutKeys = 4;
/// The longest keys text a message quotes whole; a longer one is cut short (messages are shown and
/// logged at every load).
inline constexpr std::size_t kQuotedKeysBytes = 100;

/// "h  o i" → H, O, I. Each key is one user-perceived character, upper-cased. A text of more than
/// `maxKeys` keys fails as soon as the key after the last allowed one is met, whatever follows it.
[[nodiscard]] std::expected<std::vector<std::string>, LibraryError> parseKeySequence(
    std::string_view text, std::size_t maxKeys = kMaxKeySequenceLength);

/// "A | B" → A, B; empty pieces dropped.
[[nodiscard]] std::vector<std::string> splitAlternatives(std::string_view text);

/// "Format > Column > AutoFit" → three levels; levels are kept even when empty.
[[nodiscard]] MenuPath splitMenuPath(std::string_view text);

/// Keys joined with single spaces (the key-path text, "H O").
[[nodiscard]] std::string keyPathText(const std::vector<std::string>& keys);

}  // namespace corvane::model

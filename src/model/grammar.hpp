#pragma once
// The small text grammars of shortcut files: key sequences, label alternatives, menu paths.

#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "model/library_error.hpp"
#include "model/step.hpp"

namespace corvane::model {

/// "h  o i" → H, O, I. Each key is one user-perceived character, upper-cased.
[[nodiscard]] std::expected<std::vector<std::string>, LibraryError> parseKeySequence(std::string_view text);

/// "A | B" → A, B; empty pieces dropped.
[[nodiscard]] std::vector<std::string> splitAlternatives(std::string_view text);

/// "Format > Column > AutoFit" → three levels; levels are kept even when empty.
[[nodiscard]] MenuPath splitMenuPath(std::string_view text);

/// Keys joined with single spaces (the key-path text, "H O").
[[nodiscard]] std::string keyPathText(const std::vector<std::string>& keys);

}  // namespace corvane::model

#pragma once
// A menu item's key equivalent as a fixture writes it. Pure; callable from any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace corvane::platform::sim {

/// Reads a key equivalent written as modifier signs and one character ("⇧⌘S", "⌃⇧=") into the
/// menu item's character and modifier bits; none when it is not of that form.
[[nodiscard]] std::optional<std::pair<std::string, std::int64_t>> parseKeyEquivalent(std::string_view text);

}  // namespace corvane::platform::sim

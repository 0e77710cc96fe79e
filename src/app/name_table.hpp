#pragma once
// Two-way lookup in a fixed table of (enumeration case, name) pairs, for the commands and actions
// that views send back by name. Pure, header-only.

#include <optional>
#include <string_view>
#include <utility>

namespace corvane::app {

template <typename Enum, typename Table>
[[nodiscard]] constexpr std::string_view nameIn(const Table& table, Enum value) {
  for (const auto& [v, name] : table)
    if (v == value) return name;
  return {};
}

template <typename Enum, typename Table>
[[nodiscard]] constexpr std::optional<Enum> valueIn(const Table& table, std::string_view name) {
  for (const auto& [v, n] : table)
    if (n == name) return v;
  return std::nullopt;
}

}  // namespace corvane::app

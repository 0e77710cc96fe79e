#pragma once
// The fixed table from lower-case key names to macOS virtual key codes.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace corvane::model {

struct KeyName {
  std::string_view name;
  std::uint16_t code;
};

/// All 81 names, in table order (letters, digits, punctuation, spelled punctuation, named keys,
/// function keys, navigation keys).
[[nodiscard]] std::span<const KeyName> keyNameTable();
[[nodiscard]] std::optional<std::uint16_t> keyCodeForName(std::string_view lowerCaseName);
/// The one-character name of a key code, upper-cased (the US-layout fallback of key classification).
[[nodiscard]] std::optional<std::string> oneCharacterNameForCode(std::uint16_t code);
/// The shortest name of a key code (esc rather than escape; the earlier name on a tie).
[[nodiscard]] std::optional<std::string_view> shortestNameForCode(std::uint16_t code);

namespace keycode {
inline constexpr std::uint16_t kReturn = 36;
inline constexpr std::uint16_t kTab = 48;
inline constexpr std::uint16_t kSpace = 49;
inline constexpr std::uint16_t kDelete = 51;
inline constexpr std::uint16_t kEscape = 53;
inline constexpr std::uint16_t kEnter = 76;
inline constexpr std::uint16_t kLeft = 123;
inline constexpr std::uint16_t kRight = 124;
inline constexpr std::uint16_t kDown = 125;
inline constexpr std::uint16_t kUp = 126;
}  // namespace keycode

}  // namespace corvane::model

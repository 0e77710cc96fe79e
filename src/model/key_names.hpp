#pragma once
// The fixed table from lower-case key names to macOS virtual key codes.

#include <array>
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
// macOS virtual key codes (the same on every layout). The one place the project names them.
inline constexpr std::uint16_t kReturn = 36;
inline constexpr std::uint16_t kTab = 48;
inline constexpr std::uint16_t kSpace = 49;
inline constexpr std::uint16_t kDelete = 51;
inline constexpr std::uint16_t kEscape = 53;
inline constexpr std::uint16_t kEnter = 76;
inline constexpr std::uint16_t kHelp = 114;
inline constexpr std::uint16_t kHome = 115;
inline constexpr std::uint16_t kPageUp = 116;
inline constexpr std::uint16_t kForwardDelete = 117;
inline constexpr std::uint16_t kEnd = 119;
inline constexpr std::uint16_t kPageDown = 121;
inline constexpr std::uint16_t kLeft = 123;
inline constexpr std::uint16_t kRight = 124;
inline constexpr std::uint16_t kDown = 125;
inline constexpr std::uint16_t kUp = 126;
/// F1 to F20, in order: kFunctionKeys[0] is F1.
inline constexpr std::array<std::uint16_t, 20> kFunctionKeys{122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                                                             103, 111, 105, 107, 113, 106, 64, 79,  80,  90};

[[nodiscard]] constexpr bool isFunctionKey(std::uint16_t code) {
  for (auto f : kFunctionKeys) {
    if (f == code) return true;
  }
  return false;
}
[[nodiscard]] constexpr bool isArrowKey(std::uint16_t code) { return code >= kLeft && code <= kUp; }
/// The keys above the arrows and the arrows: with the function keys, the ones macOS marks with
/// the fn flag, and the ones that never type a character.
[[nodiscard]] constexpr bool isNavigationKey(std::uint16_t code) {
  return code == kHelp || code == kHome || code == kPageUp || code == kForwardDelete || code == kEnd ||
         code == kPageDown || isArrowKey(code);
}
}  // namespace keycode

}  // namespace corvane::model

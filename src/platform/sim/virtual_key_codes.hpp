#pragma once
// The macOS virtual key codes the simulated desktop reacts to, by name: they name a key's place on
// the keyboard, not what it types (the layout decides that). The values are the Mac's own.

#include <array>
#include <cstdint>

namespace corvane::platform::sim::vk {

inline constexpr std::uint16_t kReturn = 36;
inline constexpr std::uint16_t kTab = 48;
inline constexpr std::uint16_t kSpace = 49;
inline constexpr std::uint16_t kDelete = 51;  ///< the backspace key
inline constexpr std::uint16_t kEscape = 53;
inline constexpr std::uint16_t kKeypadClear = 71;
inline constexpr std::uint16_t kKeypadEnter = 76;
inline constexpr std::uint16_t kHome = 115;
inline constexpr std::uint16_t kPageUp = 116;
inline constexpr std::uint16_t kForwardDelete = 117;
inline constexpr std::uint16_t kEnd = 119;
inline constexpr std::uint16_t kPageDown = 121;
inline constexpr std::uint16_t kLeftArrow = 123;
inline constexpr std::uint16_t kRightArrow = 124;
inline constexpr std::uint16_t kDownArrow = 125;
inline constexpr std::uint16_t kUpArrow = 126;

inline constexpr std::uint16_t kF1 = 122;
inline constexpr std::uint16_t kF2 = 120;
inline constexpr std::uint16_t kF3 = 99;
inline constexpr std::uint16_t kF4 = 118;
inline constexpr std::uint16_t kF5 = 96;
inline constexpr std::uint16_t kF6 = 97;
inline constexpr std::uint16_t kF7 = 98;
inline constexpr std::uint16_t kF8 = 100;
inline constexpr std::uint16_t kF9 = 101;
inline constexpr std::uint16_t kF10 = 109;
inline constexpr std::uint16_t kF11 = 103;
inline constexpr std::uint16_t kF12 = 111;
inline constexpr std::uint16_t kF13 = 105;
inline constexpr std::uint16_t kF14 = 107;
inline constexpr std::uint16_t kF15 = 113;
inline constexpr std::uint16_t kF16 = 106;
inline constexpr std::uint16_t kF17 = 64;
inline constexpr std::uint16_t kF18 = 79;
inline constexpr std::uint16_t kF19 = 80;
inline constexpr std::uint16_t kF20 = 90;

/// F1 to F20, in order.
inline constexpr std::array<std::uint16_t, 20> kFunctionKeys{kF1,  kF2,  kF3,  kF4,  kF5,  kF6,  kF7,
                                                            kF8,  kF9,  kF10, kF11, kF12, kF13, kF14,
                                                            kF15, kF16, kF17, kF18, kF19, kF20};

[[nodiscard]] constexpr bool isFunctionKey(std::uint16_t code) {
  for (auto key : kFunctionKeys) {
    if (key == code) return true;
  }
  return false;
}

}  // namespace corvane::platform::sim::vk

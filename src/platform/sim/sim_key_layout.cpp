#include "platform/sim/sim_key_layout.hpp"

#include <array>

#include "platform/sim/virtual_key_codes.hpp"

namespace corvane::platform::sim {
namespace {

struct Typed {
  std::uint16_t code;
  const char* text;
};

// What each key types with no modifiers on the U.S. (and the Latin "ABC") layout, as a layout
// translation reports it: printable characters, and control characters for the editing keys.
constexpr std::array kUsLayout{
    // The character keys, by their place on an ANSI keyboard.
    Typed{0, "a"}, Typed{1, "s"}, Typed{2, "d"}, Typed{3, "f"}, Typed{4, "h"}, Typed{5, "g"},
    Typed{6, "z"}, Typed{7, "x"}, Typed{8, "c"}, Typed{9, "v"}, Typed{10, "§"}, Typed{11, "b"},
    Typed{12, "q"}, Typed{13, "w"}, Typed{14, "e"}, Typed{15, "r"}, Typed{16, "y"}, Typed{17, "t"},
    Typed{18, "1"}, Typed{19, "2"}, Typed{20, "3"}, Typed{21, "4"}, Typed{22, "6"}, Typed{23, "5"},
    Typed{24, "="}, Typed{25, "9"}, Typed{26, "7"}, Typed{27, "-"}, Typed{28, "8"}, Typed{29, "0"},
    Typed{30, "]"}, Typed{31, "o"}, Typed{32, "u"}, Typed{33, "["}, Typed{34, "i"}, Typed{35, "p"},
    Typed{37, "l"}, Typed{38, "j"}, Typed{39, "'"}, Typed{40, "k"}, Typed{41, ";"}, Typed{42, "\\"},
    Typed{43, ","}, Typed{44, "/"}, Typed{45, "n"}, Typed{46, "m"}, Typed{47, "."}, Typed{50, "`"},
    Typed{65, "."}, Typed{67, "*"}, Typed{69, "+"}, Typed{75, "/"}, Typed{78, "-"}, Typed{81, "="},
    Typed{82, "0"}, Typed{83, "1"}, Typed{84, "2"}, Typed{85, "3"}, Typed{86, "4"}, Typed{87, "5"},
    Typed{88, "6"}, Typed{89, "7"}, Typed{91, "8"}, Typed{92, "9"},
    // The editing and navigation keys.
    Typed{vk::kReturn, "\r"}, Typed{vk::kTab, "\t"}, Typed{vk::kSpace, " "},
    Typed{vk::kDelete, "\x08"}, Typed{vk::kEscape, "\x1b"}, Typed{vk::kKeypadClear, "\x1b"},
    Typed{vk::kKeypadEnter, "\x03"}, Typed{vk::kHome, "\x01"}, Typed{vk::kPageUp, "\x0b"},
    Typed{vk::kForwardDelete, "\x7f"}, Typed{vk::kEnd, "\x04"}, Typed{vk::kPageDown, "\x0c"},
    Typed{vk::kLeftArrow, "\x1c"}, Typed{vk::kRightArrow, "\x1d"}, Typed{vk::kDownArrow, "\x1f"},
    Typed{vk::kUpArrow, "\x1e"},
};

}  // namespace

std::optional<std::string> usCharacter(std::uint16_t keyCode) {
  for (const auto& typed : kUsLayout) {
    if (typed.code == keyCode) return std::string(typed.text);
  }
  return std::nullopt;
}

SimKeyLayout::SimKeyLayout(Queue& mainQueue, Source source) : main_(mainQueue), source_(source) {}

std::optional<std::string> SimKeyLayout::character(std::uint16_t keyCode) {
  ++translations_;
  if (auto it = overrides_.find(keyCode); it != overrides_.end()) return it->second;
  switch (source_) {
    case Source::untranslatable: return std::nullopt;
    case Source::us:
    case Source::russian:  // the system hands over the Latin layout it falls back to
      break;
  }
  if (auto typed = usCharacter(keyCode)) return typed;
  if (vk::isFunctionKey(keyCode)) return std::string("\x10");
  return std::string();  // the key types nothing
}

void SimKeyLayout::setChangeHandler(std::function<void()> onChange) { onChange_ = std::move(onChange); }

void SimKeyLayout::select(Source source) {
  source_ = source;
  overrides_.clear();
  // The handler current at delivery time is the one told, as with a notification observer.
  std::weak_ptr<int> alive = alive_;
  main_.async([this, alive] {
    if (alive.lock() && onChange_) onChange_();
  });
}

std::string SimKeyLayout::sourceName() const {
  switch (source_) {
    case Source::us: return "U.S.";
    case Source::russian: return "Russian – PC";
    case Source::untranslatable: return "Untranslatable";
  }
  return "U.S.";
}

void SimKeyLayout::overrideCharacter(std::uint16_t keyCode, std::optional<std::string> typed) {
  overrides_[keyCode] = std::move(typed);
}

}  // namespace corvane::platform::sim

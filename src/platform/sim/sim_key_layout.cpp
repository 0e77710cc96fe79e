#include "platform/sim/sim_key_layout.hpp"

#include <array>

namespace corvane::platform::sim {
namespace {

struct Typed {
  std::uint16_t code;
  const char* text;
};

// What each key types with no modifiers on the U.S. (and the Latin "ABC") layout, as a layout
// translation reports it: printable characters, and control characters for the editing keys.
constexpr std::array kUsLayout{
    Typed{0, "a"},     Typed{1, "s"},     Typed{2, "d"},     Typed{3, "f"},     Typed{4, "h"},
    Typed{5, "g"},     Typed{6, "z"},     Typed{7, "x"},     Typed{8, "c"},     Typed{9, "v"},
    Typed{10, "§"},    Typed{11, "b"},    Typed{12, "q"},    Typed{13, "w"},    Typed{14, "e"},
    Typed{15, "r"},    Typed{16, "y"},    Typed{17, "t"},    Typed{18, "1"},    Typed{19, "2"},
    Typed{20, "3"},    Typed{21, "4"},    Typed{22, "6"},    Typed{23, "5"},    Typed{24, "="},
    Typed{25, "9"},    Typed{26, "7"},    Typed{27, "-"},    Typed{28, "8"},    Typed{29, "0"},
    Typed{30, "]"},    Typed{31, "o"},    Typed{32, "u"},    Typed{33, "["},    Typed{34, "i"},
    Typed{35, "p"},    Typed{36, "\r"},   Typed{37, "l"},    Typed{38, "j"},    Typed{39, "'"},
    Typed{40, "k"},    Typed{41, ";"},    Typed{42, "\\"},   Typed{43, ","},    Typed{44, "/"},
    Typed{45, "n"},    Typed{46, "m"},    Typed{47, "."},    Typed{48, "\t"},   Typed{49, " "},
    Typed{50, "`"},    Typed{51, "\x08"}, Typed{53, "\x1b"}, Typed{65, "."},    Typed{67, "*"},
    Typed{69, "+"},    Typed{71, "\x1b"}, Typed{75, "/"},    Typed{76, "\x03"}, Typed{78, "-"},
    Typed{81, "="},    Typed{82, "0"},    Typed{83, "1"},    Typed{84, "2"},    Typed{85, "3"},
    Typed{86, "4"},    Typed{87, "5"},    Typed{88, "6"},    Typed{89, "7"},    Typed{91, "8"},
    Typed{92, "9"},    Typed{115, "\x01"}, Typed{116, "\x0b"}, Typed{117, "\x7f"}, Typed{119, "\x04"},
    Typed{121, "\x0c"}, Typed{123, "\x1c"}, Typed{124, "\x1d"}, Typed{125, "\x1f"}, Typed{126, "\x1e"},
};

bool isFunctionKey(std::uint16_t code) {
  switch (code) {
    case 64: case 79: case 80: case 90: case 96: case 97: case 98: case 99: case 100: case 101: case 103:
    case 105: case 106: case 107: case 109: case 111: case 113: case 118: case 120: case 122:
      return true;
    default: return false;
  }
}

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
  if (isFunctionKey(keyCode)) return std::string("\x10");
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

#include "model/key_names.hpp"

#include <array>

#include "model/text.hpp"

namespace corvane::model {
namespace {

constexpr std::array<KeyName, 81> kTable{{
    {"a", 0},      {"b", 11},     {"c", 8},      {"d", 2},     {"e", 14},     {"f", 3},
    {"g", 5},      {"h", 4},      {"i", 34},     {"j", 38},    {"k", 40},     {"l", 37},
    {"m", 46},     {"n", 45},     {"o", 31},     {"p", 35},    {"q", 12},     {"r", 15},
    {"s", 1},      {"t", 17},     {"u", 32},     {"v", 9},     {"w", 13},     {"x", 7},
    {"y", 16},     {"z", 6},
    {"0", 29},     {"1", 18},     {"2", 19},     {"3", 20},    {"4", 21},     {"5", 23},
    {"6", 22},     {"7", 26},     {"8", 28},     {"9", 25},
    {"=", 24},     {"-", 27},     {"]", 30},     {"[", 33},    {"'", 39},     {";", 41},
    {"\\", 42},    {",", 43},     {"/", 44},     {".", 47},    {"`", 50},
    {"minus", 27}, {"equal", 24}, {"grave", 50}, {"period", 47}, {"comma", 43},
    {"return", keycode::kReturn}, {"tab", keycode::kTab}, {"space", keycode::kSpace},
    {"delete", keycode::kDelete}, {"backspace", keycode::kDelete}, {"escape", keycode::kEscape},
    {"esc", keycode::kEscape}, {"enter", keycode::kEnter},
    {"f1", keycode::kFunctionKeys[0]},  {"f2", keycode::kFunctionKeys[1]},   {"f3", keycode::kFunctionKeys[2]},
    {"f4", keycode::kFunctionKeys[3]},  {"f5", keycode::kFunctionKeys[4]},   {"f6", keycode::kFunctionKeys[5]},
    {"f7", keycode::kFunctionKeys[6]},  {"f8", keycode::kFunctionKeys[7]},   {"f9", keycode::kFunctionKeys[8]},
    {"f10", keycode::kFunctionKeys[9]}, {"f11", keycode::kFunctionKeys[10]}, {"f12", keycode::kFunctionKeys[11]},
    {"home", keycode::kHome}, {"pageup", keycode::kPageUp}, {"forwarddelete", keycode::kForwardDelete},
    {"end", keycode::kEnd}, {"pagedown", keycode::kPageDown},
    {"left", keycode::kLeft}, {"right", keycode::kRight}, {"down", keycode::kDown}, {"up", keycode::kUp},
}};

}  // namespace

std::span<const KeyName> keyNameTable() { return kTable; }

std::optional<std::uint16_t> keyCodeForName(std::string_view lowerCaseName) {
  for (const auto& entry : kTable) {
    if (entry.name == lowerCaseName) return entry.code;
  }
  return std::nullopt;
}

std::optional<std::string> oneCharacterNameForCode(std::uint16_t code) {
  for (const auto& entry : kTable) {
    if (entry.code == code && entry.name.size() == 1) return text::upper(entry.name);
  }
  return std::nullopt;
}

std::optional<std::string_view> shortestNameForCode(std::uint16_t code) {
  std::optional<std::string_view> best;
  for (const auto& entry : kTable) {
    if (entry.code != code) continue;
    if (!best || entry.name.size() < best->size()) best = entry.name;
  }
  return best;
}

}  // namespace corvane::model

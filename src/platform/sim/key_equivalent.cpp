#include "platform/sim/key_equivalent.hpp"

namespace corvane::platform::sim {

std::optional<std::pair<std::string, std::int64_t>> parseKeyEquivalent(std::string_view text) {
  static const std::pair<std::string_view, std::int64_t> signs[] = {
      {"⌃", 4}, {"⌥", 2}, {"⇧", 1}, {"⌘", 0}};
  std::int64_t modifiers = 0;
  bool command = false;
  bool matched = true;
  while (matched) {
    matched = false;
    for (const auto& [sign, bit] : signs) {
      if (text.starts_with(sign)) {
        if (bit == 0) command = true;
        modifiers |= bit;
        text.remove_prefix(sign.size());
        matched = true;
      }
    }
  }
  if (text.empty()) return std::nullopt;
  // Exactly one character: a lead byte and its continuation bytes.
  std::size_t length = 1;
  while (length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) ++length;
  if (length != text.size()) return std::nullopt;
  if (!command) modifiers |= 8;
  return std::pair{std::string(text), modifiers};
}

}  // namespace corvane::platform::sim

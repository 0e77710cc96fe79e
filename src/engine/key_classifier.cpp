#include "engine/key_classifier.hpp"

#include <optional>

#include "model/key_names.hpp"
#include "model/text.hpp"

namespace corvane::engine {
namespace {

/// The first code point of UTF-8 text (0xFFFD for a bad lead byte).
char32_t firstCodePoint(std::string_view s) {
  auto b = static_cast<unsigned char>(s[0]);
  if (b < 0x80) return b;
  int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
  if (extra < 0 || s.size() < static_cast<std::size_t>(extra) + 1) return 0xFFFD;
  char32_t cp = b & (0x3F >> extra);
  for (int i = 1; i <= extra; ++i) cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
  return cp;
}

bool isControl(char32_t cp) { return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F); }

}  // namespace

std::optional<EngineKey> fixedKey(std::uint16_t keyCode) {
  switch (keyCode) {
    case 36:  // Return
    case 76:  // keypad Enter
      return EngineKey::enter();
    case 49: return EngineKey::space();
    case 51: return EngineKey::backspace();
    case 53: return EngineKey::escape();
    case 48:  // Tab
    case 64: case 79: case 80: case 90:  // F17–F20
    case 96: case 97: case 98: case 99: case 100: case 101: case 103: case 105: case 106: case 107:
    case 109: case 111: case 113: case 118: case 120: case 122:  // F1–F16
    case 115: case 116: case 117: case 119: case 121:  // Home, Page Up, forward delete, End, Page Down
    case 123: case 124: case 125: case 126:  // arrows
      return EngineKey::other();
    default: return std::nullopt;
  }
}

std::optional<EngineKey> characterKey(const std::string& typed) {
  if (typed.empty()) return std::nullopt;
  auto upper = model::text::upper(typed);
  if (model::text::graphemeCount(upper) != 1) return std::nullopt;
  if (isControl(firstCodePoint(upper))) return std::nullopt;
  if (model::text::trimmedView(upper).empty()) return std::nullopt;
  return EngineKey::ofChar(std::move(upper));
}

KeyClassifier::KeyClassifier(platform::KeyLayout& layout) : layout_(layout) {}

KeyClassifier::~KeyClassifier() {
  if (observing_) layout_.setChangeHandler({});
}

EngineKey KeyClassifier::classify(std::uint16_t keyCode) {
  if (!observing_) {
    observing_ = true;
    std::weak_ptr<Cache> weak = cache_;
    layout_.setChangeHandler([weak] {
      if (auto cache = weak.lock()) cache->clear();
    });
  }
  if (auto it = cache_->find(keyCode); it != cache_->end()) return it->second;
  auto key = translate(keyCode);
  cache_->emplace(keyCode, key);
  return key;
}

EngineKey KeyClassifier::translate(std::uint16_t keyCode) {
  if (auto fixed = fixedKey(keyCode)) return *fixed;
  auto typed = layout_.character(keyCode);
  if (!typed) {
    // The layout cannot translate: the US layout's one-character key names stand in.
    if (auto name = model::oneCharacterNameForCode(keyCode)) return EngineKey::ofChar(*name);
    return EngineKey::other();
  }
  if (auto key = characterKey(*typed)) return *key;
  return EngineKey::other();
}

}  // namespace corvane::engine

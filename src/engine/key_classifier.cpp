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
  namespace keycode = model::keycode;
  switch (keyCode) {
    case keycode::kReturn:
    case keycode::kEnter: return EngineKey::enter();
    case keycode::kSpace: return EngineKey::space();
    case keycode::kDelete: return EngineKey::backspace();
    case keycode::kEscape: return EngineKey::escape();
    case keycode::kTab: return EngineKey::other();
    default:
      if (keycode::isFunctionKey(keyCode) || keycode::isNavigationKey(keyCode)) return EngineKey::other();
      return std::nullopt;
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

void KeyClassifier::observe() {
  if (observing_) return;
  observing_ = true;
  std::weak_ptr<Shared> weak = shared_;
  auto& layout = layout_;
  // The notification arrives on the main queue, where the layout may be read again.
  layout_.setChangeHandler([weak, &layout] {
    auto shared = weak.lock();
    if (!shared) return;
    {
      std::lock_guard lock(shared->mutex);
      if (!shared->prepared) {
        shared->cache.clear();
        return;
      }
    }
    // Swapped in whole, so the tap's thread reads the old layout or the new, never a gap.
    fill(*shared, layout);
  });
}

void KeyClassifier::fill(Shared& shared, platform::KeyLayout& layout) {
  Cache cache;
  for (std::uint16_t code = 0; code < kKeyboardCodes; ++code) cache.emplace(code, translateKey(layout, code));
  std::lock_guard lock(shared.mutex);
  shared.cache = std::move(cache);
  shared.prepared = true;
}

void KeyClassifier::prepare() {
  observe();
  fill(*shared_, layout_);
}

std::size_t KeyClassifier::cachedCount() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->cache.size();
}

EngineKey KeyClassifier::classify(std::uint16_t keyCode) {
  bool prepared = false;
  {
    std::lock_guard lock(shared_->mutex);
    if (auto it = shared_->cache.find(keyCode); it != shared_->cache.end()) return it->second;
    prepared = shared_->prepared;
  }
  // Once prepared the layout is never asked here (this may be the tap's thread): a code beyond
  // the table gets the US key names.
  if (prepared) return untranslatedKey(keyCode);
  observe();
  auto key = translateKey(layout_, keyCode);
  std::lock_guard lock(shared_->mutex);
  shared_->cache.emplace(keyCode, key);
  return key;
}

EngineKey untranslatedKey(std::uint16_t keyCode) {
  if (auto fixed = fixedKey(keyCode)) return *fixed;
  if (auto name = model::oneCharacterNameForCode(keyCode)) return EngineKey::ofChar(*name);
  return EngineKey::other();
}

EngineKey translateKey(platform::KeyLayout& layout, std::uint16_t keyCode) {
  if (auto fixed = fixedKey(keyCode)) return *fixed;
  auto typed = layout.character(keyCode);
  // The layout cannot translate: the US layout's one-character key names stand in.
  if (!typed) return untranslatedKey(keyCode);
  if (auto key = characterKey(*typed)) return *key;
  return EngineKey::other();
}

}  // namespace corvane::engine

#pragma once
// Key code → EngineKey: fixed codes first, then the character the key types on the current
// ASCII-capable layout, then the US fallback table. Results are cached per key code; the cache is
// cleared whenever the input source changes (observed from the first lookup on). Main thread.

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "engine/engine_key.hpp"
#include "platform/key_layout.hpp"

namespace corvane::engine {

class KeyClassifier final {
 public:
  explicit KeyClassifier(platform::KeyLayout& layout);
  ~KeyClassifier();
  KeyClassifier(const KeyClassifier&) = delete;
  KeyClassifier& operator=(const KeyClassifier&) = delete;

  [[nodiscard]] EngineKey classify(std::uint16_t keyCode);
  /// Key codes with a cached result (for tests of the cache).
  [[nodiscard]] std::size_t cachedCount() const { return cache_->size(); }

 private:
  using Cache = std::unordered_map<std::uint16_t, EngineKey>;

  [[nodiscard]] EngineKey translate(std::uint16_t keyCode);

  platform::KeyLayout& layout_;
  // Shared so a change notification that arrives after this object is gone finds nothing to clear.
  std::shared_ptr<Cache> cache_ = std::make_shared<Cache>();
  bool observing_ = false;
};

/// The key for a fixed key code (Return, Space, Tab, function and navigation keys …), or none when
/// the key's character decides.
[[nodiscard]] std::optional<EngineKey> fixedKey(std::uint16_t keyCode);

/// The `char_` key for what a layout typed: one character, upper-cased, neither a control
/// character nor white space; otherwise none.
[[nodiscard]] std::optional<EngineKey> characterKey(const std::string& typed);

}  // namespace corvane::engine

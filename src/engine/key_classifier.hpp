#pragma once
// Key code → EngineKey: fixed codes first, then the character the key types on the current
// ASCII-capable layout, then the US fallback table. Results are cached per key code; the cache is
// cleared whenever the input source changes (observed from the first lookup on).
// The layout is asked on the main thread only (macOS's input-source calls belong there): `prepare`
// fills the cache for every key of a keyboard there, and refills it after each change, so that
// `classify` may then run on the key tap's thread without asking the layout. Before `prepare`,
// `classify` asks the layout for what it lacks and must be called on the main thread.

#include <cstdint>
#include <memory>
#include <mutex>
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

  /// Key codes a keyboard has (0–127); higher codes fall back to the fixed keys and key names.
  static constexpr std::uint16_t kKeyboardCodes = 128;

  /// Main thread: reads every key of the current layout now and after each input-source change.
  void prepare();
  [[nodiscard]] EngineKey classify(std::uint16_t keyCode);
  /// Key codes with a cached result (for tests of the cache).
  [[nodiscard]] std::size_t cachedCount() const;

 private:
  using Cache = std::unordered_map<std::uint16_t, EngineKey>;
  struct Shared {
    std::mutex mutex;
    Cache cache;
    bool prepared = false;
  };

  void observe();
  /// Fills the cache from the layout (main thread).
  static void fill(Shared& shared, platform::KeyLayout& layout);

  platform::KeyLayout& layout_;
  // Shared so a change notification that arrives after this object is gone finds nothing to clear.
  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  bool observing_ = false;
};

/// The key for a code, asking `layout` what the key types (main thread).
[[nodiscard]] EngineKey translateKey(platform::KeyLayout& layout, std::uint16_t keyCode);
/// The key for a code without asking any layout: the fixed keys, else the US key names.
[[nodiscard]] EngineKey untranslatedKey(std::uint16_t keyCode);

/// The key for a fixed key code (Return, Space, Tab, function and navigation keys …), or none when
/// the key's character decides.
[[nodiscard]] std::optional<EngineKey> fixedKey(std::uint16_t keyCode);

/// The `char_` key for what a layout typed: one character, upper-cased, neither a control
/// character nor white space; otherwise none.
[[nodiscard]] std::optional<EngineKey> characterKey(const std::string& typed);

}  // namespace corvane::engine

#pragma once
// The Option-key state machine: classified key presses and modifier changes in, a swallow verdict
// and effects out. Pure: no platform calls, no waiting; time is the caller's monotonic seconds.
// Not thread-safe: the key tap calls it from the tap's thread and the shell from the main thread,
// both under the key tap's lock. Owned by the application shell for the life of the process.

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/engine_effect.hpp"
#include "engine/engine_key.hpp"
#include "model/settings.hpp"
#include "model/shortcut_library.hpp"

namespace corvane::engine {

/// One key press to swallow after a shortcut ran, until a deadline.
struct Absorb {
  EngineKey key;
  double until = 0;
  friend bool operator==(const Absorb&, const Absorb&) = default;
};

struct KeyDownResult {
  bool swallow = false;
  EngineEffects effects;
  friend bool operator==(const KeyDownResult&, const KeyDownResult&) = default;
};

class SequenceEngine final {
 public:
  static constexpr double kTapWindow = 0.8;
  static constexpr double kDoubleTapWindow = 0.45;
  static constexpr double kAbsorbWindow = 2.0;

  explicit SequenceEngine(model::LibraryPtr library);

  [[nodiscard]] KeyDownResult keyDown(const EngineKey& key, bool option, bool commandOrControl, bool isRepeat,
                                      bool allowed, double now);
  [[nodiscard]] EngineEffects flagsChanged(bool option, bool commandOrControl, bool allowed, double now);
  /// Ends any sequence (a click, Secure Input, Excel no longer frontmost).
  [[nodiscard]] EngineEffects reset();
  /// Shift is held with Option: the press is ⇧⌥, not Option alone, so its release is no tap.
  /// (Excel's own KeyTips may be on ⇧⌥; a tap of them must not start a sequence too.)
  void shiftJoinedOption() { optionCandidate_ = false; }

  // Settings, replaced in place when shortcuts reload or the preferences change.
  void setLibrary(model::LibraryPtr library);
  void setHoldToStart(bool on) { holdToStart_ = on; }
  void setSearchTrigger(model::SearchTrigger trigger) { searchTrigger_ = trigger; }
  void setTapWindow(double seconds) { tapWindow_ = seconds; }
  void setDoubleTapWindow(double seconds) { doubleTapWindow_ = seconds; }

  [[nodiscard]] const model::LibraryPtr& library() const { return library_; }
  [[nodiscard]] bool holdToStart() const { return holdToStart_; }
  [[nodiscard]] model::SearchTrigger searchTrigger() const { return searchTrigger_; }
  [[nodiscard]] double tapWindow() const { return tapWindow_; }
  [[nodiscard]] double doubleTapWindow() const { return doubleTapWindow_; }

  // State, for the shell and tests.
  /// None while idle; the keys typed so far (possibly none) during a sequence.
  [[nodiscard]] const std::optional<std::vector<std::string>>& path() const { return path_; }
  [[nodiscard]] bool inSequence() const { return path_.has_value(); }
  [[nodiscard]] bool optionDown() const { return optionDown_; }
  [[nodiscard]] bool optionCandidate() const { return optionCandidate_; }
  [[nodiscard]] double optionDownAt() const { return optionDownAt_; }
  [[nodiscard]] double enteredAt() const { return enteredAt_; }
  [[nodiscard]] const std::optional<Absorb>& absorb() const { return absorb_; }

 private:
  EngineEffects endSequence();
  EngineEffects showAt(std::vector<std::string> path);
  /// The key-list rows at a path, built once per trie node of the current library.
  const std::vector<model::HUDOption>& optionsAt(const std::vector<std::string>& path);
  EngineEffects advance(const std::string& character, double now);

  model::LibraryPtr library_;
  bool holdToStart_ = true;
  double tapWindow_ = kTapWindow;
  double doubleTapWindow_ = kDoubleTapWindow;
  model::SearchTrigger searchTrigger_ = model::SearchTrigger::doubleTapOption;
  std::optional<std::vector<std::string>> path_;
  bool optionDown_ = false;
  bool optionCandidate_ = false;
  double optionDownAt_ = 0;
  // Negative so the very first tap can never count as the second of a double tap.
  double enteredAt_ = -10;
  std::optional<Absorb> absorb_;
  // The library is immutable, so its nodes' rows never change; building them (group names, labels)
  // is most of the cost of a key press, which the tap's callback cannot afford twice.
  std::unordered_map<const model::TrieNode*, std::vector<model::HUDOption>> optionsCache_;
};

/// The key a shortcut's "absorb" text names, or none ("return"/"enter", "escape"/"esc", or exactly
/// one character).
[[nodiscard]] std::optional<EngineKey> absorbKey(const std::string& text);

}  // namespace corvane::engine

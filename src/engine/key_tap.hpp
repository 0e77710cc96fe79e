#pragma once
// Connects the session's keyboard and mouse events to the sequence engine: classifies presses,
// drops what the engine swallows (and those keys' releases), and posts effects, clicks and Secure
// Input reports to the main queue so nothing is applied inside the tap's callback. Keeps the tap
// alive from its callback and from a watchdog on a utility queue, but only while the process is
// trusted: a tap switched back on without the permission would hold the session's input.
// Threads: the tap's callback runs on the tap's own thread and never waits for the main queue;
// start, stop and the engine accessors are called on the main thread. One mutex guards the engine
// and the tap's own state between the two. Owned by the application shell; the engine and the
// platform services must outlive it.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "engine/key_classifier.hpp"
#include "engine/sequence_engine.hpp"
#include "platform/clock.hpp"
#include "platform/event_tap.hpp"
#include "platform/geometry.hpp"
#include "platform/key_layout.hpp"
#include "platform/scheduler.hpp"

namespace corvane::engine {

struct KeyTapServices {
  platform::EventTap& tap;
  platform::KeyLayout& layout;
  platform::SecureInput& secureInput;
  platform::Clock& clock;
  platform::Scheduler& scheduler;
  /// The activity log's `log`; callable from any thread (the watchdog calls it from its queue).
  std::function<void(const std::string&)> log;
  /// The accessibility trust check without prompting; callable from any thread. Empty: trusted.
  std::function<bool()> isTrusted;
};

class KeyTap final {
 public:
  static constexpr double kWatchdogInterval = 5.0;
  static constexpr double kWatchdogLeeway = 2.0;
  static constexpr double kSecureNoticeInterval = 20.0;
  /// Key down, key up, flags changed, left and right mouse down.
  static constexpr std::uint64_t kEventMask =
      platform::eventMaskBit(platform::EventType::keyDown) | platform::eventMaskBit(platform::EventType::keyUp) |
      platform::eventMaskBit(platform::EventType::flagsChanged) |
      platform::eventMaskBit(platform::EventType::leftMouseDown) |
      platform::eventMaskBit(platform::EventType::rightMouseDown);

  KeyTap(SequenceEngine& engine, KeyTapServices services);
  ~KeyTap();
  KeyTap(const KeyTap&) = delete;
  KeyTap& operator=(const KeyTap&) = delete;

  /// Installs and enables the tap and starts the watchdog. False when the tap cannot be created;
  /// true when a tap exists afterwards.
  [[nodiscard]] bool start();
  /// Removes the tap and the watchdog; forgets swallowed presses.
  void stop();

  [[nodiscard]] bool isInstalled() const { return installed_; }

  // The engine from the main thread, under the lock the tap's callback holds (so never from
  // `isAllowed`, which runs under it).
  /// Ends any sequence (Excel went to the back, settings switched it off): the engine's reset.
  [[nodiscard]] EngineEffects resetEngine();
  /// Changes the engine's settings or library.
  void updateEngine(const std::function<void(SequenceEngine&)>& change);
  /// The engine's open path (none while idle).
  [[nodiscard]] std::optional<std::vector<std::string>> enginePath() const;
  /// Installed and currently enabled (the listener runs).
  [[nodiscard]] bool isRunning() const;
  /// Keys held down whose press was dropped, so their release is dropped too.
  [[nodiscard]] const std::unordered_set<std::uint16_t>& swallowedKeyUps() const { return swallowedKeyUps_; }
  /// When the last Secure Input report was made; none before the first.
  [[nodiscard]] std::optional<double> lastSecureNotice() const { return lastSecureNotice_; }

  // Set by the shell after construction. All but `isAllowed` are called on the main queue, after
  // the callback that caused them has returned.
  /// Asked once per event, on the tap's thread: may sequences run now? It must read only state
  /// that is safe off the main thread.
  std::function<bool()> isAllowed = [] { return true; };
  /// Every non-empty effect list.
  std::function<void(const EngineEffects&)> onEffects;
  /// A mouse-down ended a sequence (its hide is not delivered as an effect).
  std::function<void()> onMouseCancel;
  /// A left mouse-down that ended no sequence while allowed, at its screen location.
  std::function<void(platform::Point)> onClick;
  /// Secure Input blocks the keyboard; the name of the application holding it, when known.
  std::function<void(const std::optional<std::string>&)> onSecureInput;
  /// Option went up after a press the program took part in: the release started or ended a
  /// sequence, or came during one, or keys typed under it were dropped. An application that shows
  /// something of its own on an Option release (Excel's KeyTips) heard that press as Option alone.
  /// Called after the release's effects.
  std::function<void()> onOptionReleased;
  /// The system switched the tap off and the process is no longer trusted; the tap stays off.
  std::function<void()> onPermissionLost;

 private:
  [[nodiscard]] platform::Verdict handle(const platform::RawEvent& event);
  [[nodiscard]] platform::Verdict handleKeyDown(const platform::RawEvent& event, bool allowed, double now);
  void handleSecureInput(double now);
  void deliver(EngineEffects effects);
  /// Runs `work` on the main queue unless this tap is gone by then.
  void post(std::function<void(KeyTap&)> work);

  [[nodiscard]] bool trusted() const { return !services_.isTrusted || services_.isTrusted(); }

  mutable std::mutex mutex_;  ///< the engine, the classifier's use and the fields below
  SequenceEngine& engine_;
  KeyTapServices services_;
  KeyClassifier classifier_;
  bool installed_ = false;
  std::unordered_set<std::uint16_t> swallowedKeyUps_;
  bool droppedUnderOption_ = false;  ///< a key press was dropped since Option last went down
  platform::WorkHandle watchdog_;
  // None until the first report, so the first one is never held back by a clock that reads under 20 s.
  std::optional<double> lastSecureNotice_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace corvane::engine

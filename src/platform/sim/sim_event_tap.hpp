#pragma once
// A scripted session event tap that keeps the Mac's rules (event_tap.hpp). Two ways in:
// - `inject` calls the handler at once on the caller's thread, as if the tap's thread were idle:
//   the unit tests' synchronous path;
// - `post` (after `runOn`) hands the event to the tap's own queue and passes it on when the handler
//   answers, or unfiltered when that queue stays busy past the time-out, as the system does.
// `enable`, `isEnabled` and `isValid` may be called from any queue; everything else from the
// thread that pumps virtual time.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

#include "platform/event_tap.hpp"
#include "platform/scheduler.hpp"

namespace corvane::platform::sim {

class SimEventTap final : public EventTap {
 public:
  using Onward = std::function<void(Verdict)>;

  SimEventTap() = default;
  ~SimEventTap() override;
  SimEventTap(const SimEventTap&) = delete;
  SimEventTap& operator=(const SimEventTap&) = delete;

  [[nodiscard]] bool create(std::uint64_t mask, Handler handler) override;
  void enable(bool on) override;
  [[nodiscard]] bool isEnabled() const override;
  [[nodiscard]] bool isValid() const override;
  void invalidate() override;

  /// The tap's callbacks run on `callback` (the tap's thread on a Mac); `system` stands for the
  /// window server, which times them. Both queues must outlive the tap.
  void runOn(Queue& callback, Queue& system);
  /// Delivers a hardware event as the system would, asynchronously: `onward` gets what reaches
  /// the applications (drop or pass), once. Needs `runOn`.
  void post(const RawEvent& event, Onward onward);

  /// Delivers an event synchronously: an installed, enabled tap whose mask holds the type sees it
  /// and decides; otherwise the event goes on unseen (pass).
  Verdict inject(const RawEvent& event);
  /// The system switches the tap off and tells it so (it delivers the tap-disabled event even
  /// though no mask asks for it). Pass when there is no tap.
  Verdict disableByTimeout();
  Verdict disableByUserInput();
  /// The tap goes off without telling anyone (only the watchdog can notice).
  void switchOffSilently();

  /// The process's accessibility permission. Withdrawing it switches an enabled tap off and tells
  /// the handler (`tapDisabledByUserInput`); later taps cannot be created until it returns. A tap
  /// switched on again while untrusted holds every keyboard event (counted by `heldCount`).
  void setTrusted(bool trusted);
  [[nodiscard]] bool trusted() const { return trusted_; }

  /// Makes the next `create` calls fail, as without the accessibility permission.
  void setCreateFails(bool fails) { createFails_ = fails; }
  [[nodiscard]] int createCount() const { return createCount_; }
  [[nodiscard]] std::uint64_t mask() const { return mask_; }
  /// Events the handler has seen.
  [[nodiscard]] std::uint64_t seenCount() const { return seen_; }
  /// Keyboard events a tap switched off by the time-out let through unfiltered.
  [[nodiscard]] std::uint64_t timedOutCount() const { return timedOut_; }
  /// Keyboard events held because the tap was on while the process was not trusted.
  [[nodiscard]] std::uint64_t heldCount() const { return held_; }

 private:
  struct Pending;
  Verdict deliverDisabled(EventType type);
  /// The system gives up on the handler: the tap goes off and everything waiting passes.
  void timeOut();
  /// Tells the handler on its own queue that the system switched the tap off.
  void noticeLater(EventType type);
  [[nodiscard]] bool sees(const RawEvent& event) const;

  Handler handler_;
  std::uint64_t mask_ = 0;
  std::atomic<bool> valid_{false};
  std::atomic<bool> enabled_{false};
  bool trusted_ = true;
  bool createFails_ = false;
  int createCount_ = 0;
  std::uint64_t seen_ = 0;
  std::uint64_t timedOut_ = 0;
  std::uint64_t held_ = 0;
  Queue* callback_ = nullptr;
  Queue* system_ = nullptr;
  std::deque<std::shared_ptr<Pending>> waiting_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

/// Shorthands for scripted events.
[[nodiscard]] RawEvent keyDownEvent(std::uint16_t keyCode, std::uint64_t flags = 0, bool autorepeat = false);
[[nodiscard]] RawEvent keyUpEvent(std::uint16_t keyCode, std::uint64_t flags = 0);
[[nodiscard]] RawEvent flagsEvent(std::uint64_t flags);
[[nodiscard]] RawEvent mouseDownEvent(bool right, Point location, std::uint64_t flags = 0);

}  // namespace corvane::platform::sim

#pragma once
// A scripted session event tap. Tests and `corvane replay` inject raw events through the same
// synchronous handler a real tap calls, and make the system switch the tap off. Injection and the
// handler run on the thread that pumps the main queue; `enable`, `isEnabled` and `isValid` may be
// called from any queue (the watchdog's).

#include <atomic>
#include <cstdint>

#include "platform/event_tap.hpp"

namespace corvane::platform::sim {

class SimEventTap final : public EventTap {
 public:
  [[nodiscard]] bool create(std::uint64_t mask, Handler handler) override;
  void enable(bool on) override;
  [[nodiscard]] bool isEnabled() const override;
  [[nodiscard]] bool isValid() const override;
  void invalidate() override;

  /// Delivers an event as the system would: an installed, enabled tap whose mask holds the type
  /// sees it and decides; otherwise the event goes on unseen (pass).
  Verdict inject(const RawEvent& event);
  /// The system switches the tap off and tells it so (it delivers the tap-disabled event even
  /// though no mask asks for it). Pass when there is no tap.
  Verdict disableByTimeout();
  Verdict disableByUserInput();
  /// The tap goes off without telling anyone (only the watchdog can notice).
  void switchOffSilently();

  /// Makes the next `create` calls fail, as without the accessibility permission.
  void setCreateFails(bool fails) { createFails_ = fails; }
  [[nodiscard]] int createCount() const { return createCount_; }
  [[nodiscard]] std::uint64_t mask() const { return mask_; }
  /// Events the handler has seen.
  [[nodiscard]] std::uint64_t seenCount() const { return seen_; }

 private:
  Verdict deliverDisabled(EventType type);

  Handler handler_;
  std::uint64_t mask_ = 0;
  std::atomic<bool> valid_{false};
  std::atomic<bool> enabled_{false};
  bool createFails_ = false;
  int createCount_ = 0;
  std::uint64_t seen_ = 0;
};

/// Shorthands for scripted events.
[[nodiscard]] RawEvent keyDownEvent(std::uint16_t keyCode, std::uint64_t flags = 0, bool autorepeat = false);
[[nodiscard]] RawEvent keyUpEvent(std::uint16_t keyCode, std::uint64_t flags = 0);
[[nodiscard]] RawEvent flagsEvent(std::uint64_t flags);
[[nodiscard]] RawEvent mouseDownEvent(bool right, Point location, std::uint64_t flags = 0);

}  // namespace corvane::platform::sim

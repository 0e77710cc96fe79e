#include "platform/sim/sim_event_tap.hpp"

namespace corvane::platform::sim {

bool SimEventTap::create(std::uint64_t mask, Handler handler) {
  ++createCount_;
  if (createFails_) return false;
  handler_ = std::move(handler);
  mask_ = mask;
  valid_ = true;
  enabled_ = false;  // a new tap waits for enable
  return true;
}

void SimEventTap::enable(bool on) {
  if (valid_) enabled_ = on;
}

bool SimEventTap::isEnabled() const { return valid_ && enabled_; }

bool SimEventTap::isValid() const { return valid_; }

void SimEventTap::invalidate() {
  valid_ = false;
  enabled_ = false;
  handler_ = nullptr;
  mask_ = 0;
}

Verdict SimEventTap::inject(const RawEvent& event) {
  if (!isEnabled() || !handler_ || (mask_ & eventMaskBit(event.type)) == 0) return Verdict::pass;
  ++seen_;
  // A copy, so a handler that removes the tap does not destroy itself mid-call.
  auto handler = handler_;
  return handler(event);
}

Verdict SimEventTap::deliverDisabled(EventType type) {
  if (!valid_ || !handler_) return Verdict::pass;
  enabled_ = false;
  ++seen_;
  auto handler = handler_;
  RawEvent event;
  event.type = type;
  return handler(event);
}

Verdict SimEventTap::disableByTimeout() { return deliverDisabled(EventType::tapDisabledByTimeout); }

Verdict SimEventTap::disableByUserInput() { return deliverDisabled(EventType::tapDisabledByUserInput); }

void SimEventTap::switchOffSilently() { enabled_ = false; }

RawEvent keyDownEvent(std::uint16_t keyCode, std::uint64_t flags, bool autorepeat) {
  RawEvent e;
  e.type = EventType::keyDown;
  e.keyCode = keyCode;
  e.flags = flags;
  e.autorepeat = autorepeat;
  return e;
}

RawEvent keyUpEvent(std::uint16_t keyCode, std::uint64_t flags) {
  RawEvent e;
  e.type = EventType::keyUp;
  e.keyCode = keyCode;
  e.flags = flags;
  return e;
}

RawEvent flagsEvent(std::uint64_t flags) {
  RawEvent e;
  e.type = EventType::flagsChanged;
  e.flags = flags;
  return e;
}

RawEvent mouseDownEvent(bool right, Point location, std::uint64_t flags) {
  RawEvent e;
  e.type = right ? EventType::rightMouseDown : EventType::leftMouseDown;
  e.location = location;
  e.flags = flags;
  return e;
}

}  // namespace corvane::platform::sim

#include "platform/sim/sim_input_poster.hpp"

namespace corvane::platform::sim {

bool SimInputPoster::deliver(const RawEvent& event) {
  Sink sink;
  {
    std::lock_guard lock(mutex_);
    posted_.push_back(event);
    sink = sink_;
  }
  // The sink runs outside the lock: a tap handler may post or read the pointer itself.
  return !sink || sink(event) == Verdict::pass;
}

void SimInputPoster::postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) {
  RawEvent event;
  event.type = down ? EventType::keyDown : EventType::keyUp;
  event.keyCode = keyCode;
  event.userData = kSyntheticEventTag;
  event.flags = flags;
  {
    std::lock_guard lock(mutex_);
    event.location = pointer_;
  }
  if (deliver(event)) excel_.key(keyCode, down, flags);
}

void SimInputPoster::postMouse(Mouse kind, Point location) {
  RawEvent event;
  event.type = kind == Mouse::leftDown ? EventType::leftMouseDown : EventType::leftMouseUp;
  event.userData = kSyntheticEventTag;
  event.location = location;
  {
    std::lock_guard lock(mutex_);
    pointer_ = location;  // a posted mouse event moves the pointer, as on a Mac
  }
  if (deliver(event)) excel_.mouse(kind, location);
}

std::uint64_t SimInputPoster::hardwareModifierFlags() {
  std::lock_guard lock(mutex_);
  return hardwareFlags_;
}

std::optional<Point> SimInputPoster::pointerLocation() {
  std::lock_guard lock(mutex_);
  return pointer_;
}

void SimInputPoster::warpPointer(Point location) {
  std::lock_guard lock(mutex_);
  pointer_ = location;
  ++warps_;
}

void SimInputPoster::setHardwareModifierFlags(std::uint64_t flags) {
  std::lock_guard lock(mutex_);
  hardwareFlags_ = flags;
}

void SimInputPoster::setSink(Sink sink) {
  std::lock_guard lock(mutex_);
  sink_ = std::move(sink);
}

std::vector<RawEvent> SimInputPoster::posted() const {
  std::lock_guard lock(mutex_);
  return posted_;
}

void SimInputPoster::clearPosted() {
  std::lock_guard lock(mutex_);
  posted_.clear();
}

void SimInputPoster::movePointer(Point location) {
  std::lock_guard lock(mutex_);
  pointer_ = location;
}

int SimInputPoster::warpCount() const {
  std::lock_guard lock(mutex_);
  return warps_;
}

}  // namespace corvane::platform::sim

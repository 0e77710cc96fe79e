#include "platform/sim/sim_event_tap.hpp"

#include <algorithm>

namespace corvane::platform::sim {

struct SimEventTap::Pending {
  RawEvent event;
  Onward onward;
  bool done = false;
};

SimEventTap::~SimEventTap() { alive_.reset(); }

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
  // What still waits for the handler goes on unfiltered, as with any tap that is gone.
  auto waiting = std::move(waiting_);
  waiting_.clear();
  for (auto& pending : waiting) {
    pending->done = true;
    pending->onward(Verdict::pass);
  }
}

void SimEventTap::runOn(Queue& callback, Queue& system) {
  callback_ = &callback;
  system_ = &system;
}

bool SimEventTap::sees(const RawEvent& event) const {
  return isEnabled() && handler_ && (mask_ & eventMaskBit(event.type)) != 0;
}

Verdict SimEventTap::inject(const RawEvent& event) {
  if (!sees(event)) return Verdict::pass;
  if (!trusted_) {
    ++held_;
    return Verdict::drop;
  }
  ++seen_;
  // A copy, so a handler that removes the tap does not destroy itself mid-call.
  auto handler = handler_;
  auto verdict = handler(event);
  return isFilteredEvent(event.type) ? verdict : Verdict::pass;
}

void SimEventTap::post(const RawEvent& event, Onward onward) {
  if (!sees(event) || callback_ == nullptr) {
    onward(Verdict::pass);
    return;
  }
  if (!trusted_) {
    ++held_;
    onward(Verdict::drop);
    return;
  }
  std::weak_ptr<int> alive = alive_;
  if (!isFilteredEvent(event.type)) {
    // Listen-only: the click goes on at once; the handler hears of it when its thread is free.
    onward(Verdict::pass);
    callback_->async([this, alive, event] {
      if (!alive.lock() || !isValid() || !handler_) return;
      ++seen_;
      auto handler = handler_;
      (void)handler(event);
    });
    return;
  }
  auto pending = std::make_shared<Pending>(Pending{event, std::move(onward)});
  waiting_.push_back(pending);
  callback_->async([this, alive, pending] {
    if (!alive.lock() || pending->done) return;
    pending->done = true;
    std::erase(waiting_, pending);
    if (!isEnabled() || !handler_) {
      pending->onward(Verdict::pass);
      return;
    }
    ++seen_;
    auto handler = handler_;
    pending->onward(handler(pending->event));
  });
  (void)system_->after(kCallbackTimeout, [this, alive, pending] {
    if (alive.lock() && !pending->done) timeOut();
  });
}

void SimEventTap::timeOut() {
  enabled_ = false;
  auto waiting = std::move(waiting_);
  waiting_.clear();
  for (auto& pending : waiting) {
    pending->done = true;
    ++timedOut_;
    pending->onward(Verdict::pass);
  }
  noticeLater(EventType::tapDisabledByTimeout);
}

void SimEventTap::noticeLater(EventType type) {
  // The handler is told once its thread is free again.
  std::weak_ptr<int> alive = alive_;
  callback_->async([this, alive, type] {
    if (!alive.lock() || !valid_ || !handler_) return;
    ++seen_;
    auto handler = handler_;
    RawEvent notice;
    notice.type = type;
    (void)handler(notice);
  });
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

void SimEventTap::setTrusted(bool trusted) {
  createFails_ = !trusted;
  if (trusted_ == trusted) return;
  trusted_ = trusted;
  if (trusted || !isEnabled()) return;
  if (callback_ == nullptr) {
    (void)disableByUserInput();
    return;
  }
  enabled_ = false;
  noticeLater(EventType::tapDisabledByUserInput);
}

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

#include "platform/macos/mac_event_tap.hpp"

#include <ApplicationServices/ApplicationServices.h>

#include <algorithm>
#include <mutex>

#include "platform/macos/cf_ref.hpp"

namespace corvane::platform::macos {

struct MacEventTap::State {
  /// Guards the port and the source against the watchdog's queue.
  mutable std::mutex mutex;
  CFRef<CFMachPortRef> port;
  CFRef<CFRunLoopSourceRef> source;
  /// Main thread only. Shared so that a handler which invalidates the tap outlives its own call.
  std::shared_ptr<const EventTap::Handler> handler;
};

namespace {

bool isKeyboardEvent(CGEventType type) {
  return type == kCGEventKeyDown || type == kCGEventKeyUp || type == kCGEventFlagsChanged;
}

RawEvent toRawEvent(CGEventType type, CGEventRef event) {
  RawEvent raw;
  raw.type = static_cast<EventType>(type);
  // The two "tap disabled" notices carry no event worth reading.
  if (type == kCGEventTapDisabledByTimeout || type == kCGEventTapDisabledByUserInput || event == nullptr) return raw;
  raw.flags = CGEventGetFlags(event);
  raw.userData = CGEventGetIntegerValueField(event, kCGEventSourceUserData);
  CGPoint location = CGEventGetLocation(event);
  raw.location = Point{location.x, location.y};
  if (isKeyboardEvent(type)) {
    auto code = CGEventGetIntegerValueField(event, kCGKeyboardEventKeycode);
    raw.keyCode = static_cast<std::uint16_t>(std::clamp<std::int64_t>(code, 0, 0xFFFF));
    raw.autorepeat = CGEventGetIntegerValueField(event, kCGKeyboardEventAutorepeat) != 0;
  }
  return raw;
}

CGEventRef tapCallback(CGEventTapProxy, CGEventType type, CGEventRef event, void* context) {
  auto* state = static_cast<MacEventTap::State*>(context);
  auto handler = state->handler;
  if (!handler || !*handler) return event;
  // Returning null drops the event.
  switch ((*handler)(toRawEvent(type, event))) {
    case Verdict::pass: return event;
    case Verdict::drop: return nullptr;
  }
  return event;
}

}  // namespace

MacEventTap::MacEventTap() : state_(std::make_unique<State>()) {}

MacEventTap::~MacEventTap() { invalidate(); }

bool MacEventTap::create(std::uint64_t mask, Handler handler) {
  invalidate();
  auto port = CFRef<CFMachPortRef>::adopt(CGEventTapCreate(kCGSessionEventTap, kCGHeadInsertEventTap,
                                                           kCGEventTapOptionDefault, static_cast<CGEventMask>(mask),
                                                           tapCallback, state_.get()));
  if (!port) return false;
  // A new tap starts enabled; it stays off until the owner is ready.
  CGEventTapEnable(port.get(), false);
  auto source = CFRef<CFRunLoopSourceRef>::adopt(CFMachPortCreateRunLoopSource(kCFAllocatorDefault, port.get(), 0));
  if (!source) {
    CFMachPortInvalidate(port.get());
    return false;
  }
  state_->handler = std::make_shared<const Handler>(std::move(handler));
  CFRunLoopAddSource(CFRunLoopGetMain(), source.get(), kCFRunLoopCommonModes);
  std::lock_guard lock(state_->mutex);
  state_->port = std::move(port);
  state_->source = std::move(source);
  return true;
}

void MacEventTap::enable(bool on) {
  std::lock_guard lock(state_->mutex);
  if (state_->port) CGEventTapEnable(state_->port.get(), on);
}

bool MacEventTap::isEnabled() const {
  std::lock_guard lock(state_->mutex);
  return state_->port && CGEventTapIsEnabled(state_->port.get());
}

bool MacEventTap::isValid() const {
  std::lock_guard lock(state_->mutex);
  return state_->port && CFMachPortIsValid(state_->port.get());
}

void MacEventTap::invalidate() {
  CFRef<CFMachPortRef> port;
  CFRef<CFRunLoopSourceRef> source;
  {
    std::lock_guard lock(state_->mutex);
    port = std::move(state_->port);
    source = std::move(state_->source);
  }
  if (port) CGEventTapEnable(port.get(), false);
  if (source) CFRunLoopRemoveSource(CFRunLoopGetMain(), source.get(), kCFRunLoopCommonModes);
  if (port) CFMachPortInvalidate(port.get());
  state_->handler.reset();
}

}  // namespace corvane::platform::macos

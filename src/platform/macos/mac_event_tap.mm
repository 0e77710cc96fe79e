#include "platform/macos/mac_event_tap.hpp"

#include <ApplicationServices/ApplicationServices.h>
#import <Foundation/Foundation.h>
#include <pthread/qos.h>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/macos/cf_ref.hpp"

namespace corvane::platform::macos {

struct MacEventTap::State {
  /// Guards the ports against the watchdog's queue and the tap's thread.
  mutable std::mutex mutex;
  /// The keyboard: filtered, at the head of the session.
  CFRef<CFMachPortRef> keys;
  /// Clicks: listen-only, so a slow callback never holds the mouse.
  CFRef<CFMachPortRef> clicks;
  /// Set before the thread starts and cleared after it ended, so the callback reads it unlocked.
  std::shared_ptr<const EventTap::Handler> handler;
  std::thread thread;
  CFRunLoopRef runLoop = nullptr;  ///< the thread's, while it runs
  std::atomic<bool> stopping{false};
};

namespace {

constexpr std::uint64_t kKeyboardMask = eventMaskBit(EventType::keyDown) | eventMaskBit(EventType::keyUp) |
                                        eventMaskBit(EventType::flagsChanged);

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

/// Runs on the tap's thread.
CGEventRef tapCallback(CGEventTapProxy, CGEventType type, CGEventRef event, void* context) {
  auto* state = static_cast<MacEventTap::State*>(context);
  const auto& handler = state->handler;
  if (!handler || !*handler) return event;
  @autoreleasepool {
    // Returning null drops the event (a listen-only tap ignores the answer).
    switch ((*handler)(toRawEvent(type, event))) {
      case Verdict::pass: return event;
      case Verdict::drop: return nullptr;
    }
  }
  return event;
}

CFRef<CFMachPortRef> makeTap(CGEventTapOptions options, std::uint64_t mask, MacEventTap::State* state) {
  if (mask == 0) return {};
  return CFRef<CFMachPortRef>::adopt(CGEventTapCreate(kCGSessionEventTap, kCGHeadInsertEventTap, options,
                                                      static_cast<CGEventMask>(mask), tapCallback, state));
}

}  // namespace

MacEventTap::MacEventTap() : state_(std::make_unique<State>()) {}

MacEventTap::~MacEventTap() { invalidate(); }

bool MacEventTap::create(std::uint64_t mask, Handler handler) {
  assert([NSThread isMainThread]);
  invalidate();
  // macOS leaves out of a tap the kinds of event the process may not see and fails only when none
  // is left, so the keyboard tap decides whether there is a tap at all.
  auto keys = makeTap(kCGEventTapOptionDefault, mask & kKeyboardMask, state_.get());
  if (!keys) return false;
  auto clicks = makeTap(kCGEventTapOptionListenOnly, mask & ~kKeyboardMask, state_.get());
  // A new tap starts enabled; it stays off until the owner is ready.
  CGEventTapEnable(keys.get(), false);
  if (clicks) CGEventTapEnable(clicks.get(), false);
  auto keySource = CFRef<CFRunLoopSourceRef>::adopt(CFMachPortCreateRunLoopSource(kCFAllocatorDefault, keys.get(), 0));
  CFRef<CFRunLoopSourceRef> clickSource;
  if (clicks) clickSource = CFRef<CFRunLoopSourceRef>::adopt(CFMachPortCreateRunLoopSource(kCFAllocatorDefault, clicks.get(), 0));
  if (!keySource || (clicks && !clickSource)) {
    CFMachPortInvalidate(keys.get());
    if (clicks) CFMachPortInvalidate(clicks.get());
    return false;
  }
  state_->handler = std::make_shared<const Handler>(std::move(handler));
  {
    std::lock_guard lock(state_->mutex);
    state_->keys = std::move(keys);
    state_->clicks = std::move(clicks);
  }

  // The tap's own thread and run loop: no stall of the main thread reaches the keyboard.
  std::mutex started;
  std::condition_variable ready;
  bool running = false;
  state_->stopping = false;
  State* state = state_.get();
  CFRunLoopSourceRef keySourceRef = keySource.get();
  CFRunLoopSourceRef clickSourceRef = clickSource.get();
  state_->thread = std::thread([state, keySourceRef, clickSourceRef, &started, &ready, &running] {
    pthread_set_qos_class_self_np(QOS_CLASS_USER_INTERACTIVE, 0);
    CFRunLoopRef loop = CFRunLoopGetCurrent();
    CFRunLoopAddSource(loop, keySourceRef, kCFRunLoopCommonModes);
    if (clickSourceRef != nullptr) CFRunLoopAddSource(loop, clickSourceRef, kCFRunLoopCommonModes);
    {
      std::lock_guard lock(started);
      state->runLoop = loop;
      running = true;
    }
    ready.notify_one();
    // Short turns, so a stop that lands between two turns is seen soon.
    while (!state->stopping) CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.25, false);
    CFRunLoopRemoveSource(loop, keySourceRef, kCFRunLoopCommonModes);
    if (clickSourceRef != nullptr) CFRunLoopRemoveSource(loop, clickSourceRef, kCFRunLoopCommonModes);
  });
  std::unique_lock lock(started);
  ready.wait(lock, [&running] { return running; });
  // From here the thread's run loop holds the sources until it ends.
  return true;
}

void MacEventTap::enable(bool on) {
  std::lock_guard lock(state_->mutex);
  if (state_->keys) CGEventTapEnable(state_->keys.get(), on);
  if (state_->clicks) CGEventTapEnable(state_->clicks.get(), on);
}

bool MacEventTap::isEnabled() const {
  std::lock_guard lock(state_->mutex);
  return state_->keys && CGEventTapIsEnabled(state_->keys.get());
}

bool MacEventTap::isValid() const {
  std::lock_guard lock(state_->mutex);
  return state_->keys && CFMachPortIsValid(state_->keys.get());
}

void MacEventTap::invalidate() {
  // Never from the tap's own thread: it waits for that thread to end.
  assert(!state_->thread.joinable() || state_->thread.get_id() != std::this_thread::get_id());
  CFRef<CFMachPortRef> keys;
  CFRef<CFMachPortRef> clicks;
  {
    std::lock_guard lock(state_->mutex);
    keys = std::move(state_->keys);
    clicks = std::move(state_->clicks);
  }
  if (keys) CGEventTapEnable(keys.get(), false);
  if (clicks) CGEventTapEnable(clicks.get(), false);
  if (state_->thread.joinable()) {
    state_->stopping = true;
    CFRunLoopStop(state_->runLoop);
    CFRunLoopWakeUp(state_->runLoop);
    // After this no callback runs: the handler may go.
    state_->thread.join();
    state_->runLoop = nullptr;
  }
  if (keys) CFMachPortInvalidate(keys.get());
  if (clicks) CFMachPortInvalidate(clicks.get());
  state_->handler.reset();
}

}  // namespace corvane::platform::macos

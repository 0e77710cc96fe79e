#include "platform/macos/mac_input_poster.hpp"

#include <CoreGraphics/CoreGraphics.h>

#include "platform/event_tap.hpp"
#include "platform/macos/cf_ref.hpp"

namespace corvane::platform::macos {

struct MacInputPoster::Source {
  Source() {
    // By default the system ignores the user's own mouse and keys for a quarter of a second after
    // each posted event; ours must never take the mouse or keyboard from the user.
    if (source) CGEventSourceSetLocalEventsSuppressionInterval(source.get(), 0);
  }
  /// A private state: the events carry only the modifiers given, never the user's held keys.
  CFRef<CGEventSourceRef> source =
      CFRef<CGEventSourceRef>::adopt(CGEventSourceCreate(kCGEventSourceStatePrivate));
};

namespace {

void tagAndPost(CFRef<CGEventRef> event) {
  if (!event) return;
  CGEventSetIntegerValueField(event.get(), kCGEventSourceUserData, kSyntheticEventTag);
  CGEventPost(kCGHIDEventTap, event.get());
}

CGEventType mouseEventType(InputPoster::Mouse kind) {
  switch (kind) {
    case InputPoster::Mouse::leftDown: return kCGEventLeftMouseDown;
    case InputPoster::Mouse::leftUp: return kCGEventLeftMouseUp;
  }
  return kCGEventLeftMouseUp;
}

}  // namespace

MacInputPoster::MacInputPoster() : source_(std::make_unique<Source>()) {}

MacInputPoster::~MacInputPoster() = default;

void MacInputPoster::postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) {
  auto event = CFRef<CGEventRef>::adopt(CGEventCreateKeyboardEvent(source_->source.get(), keyCode, down));
  if (!event) return;
  CGEventSetFlags(event.get(), static_cast<CGEventFlags>(flags));
  tagAndPost(std::move(event));
}

void MacInputPoster::postMouse(Mouse kind, Point location) {
  tagAndPost(CFRef<CGEventRef>::adopt(CGEventCreateMouseEvent(
      source_->source.get(), mouseEventType(kind), CGPointMake(location.x, location.y), kCGMouseButtonLeft)));
}

std::uint64_t MacInputPoster::hardwareModifierFlags() {
  return static_cast<std::uint64_t>(CGEventSourceFlagsState(kCGEventSourceStateHIDSystemState));
}

std::optional<Point> MacInputPoster::pointerLocation() {
  auto event = CFRef<CGEventRef>::adopt(CGEventCreate(nullptr));
  if (!event) return std::nullopt;
  CGPoint location = CGEventGetLocation(event.get());
  return Point{location.x, location.y};
}

void MacInputPoster::warpPointer(Point location) {
  // A posted move instead of CGWarpMouseCursorPosition, which would freeze the user's mouse for a
  // quarter of a second each time.
  tagAndPost(CFRef<CGEventRef>::adopt(CGEventCreateMouseEvent(
      source_->source.get(), kCGEventMouseMoved, CGPointMake(location.x, location.y), kCGMouseButtonLeft)));
}

}  // namespace corvane::platform::macos

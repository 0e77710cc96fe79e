#pragma once
// The session keyboard-and-mouse event tap. Its callback is synchronous: the handler answers pass or
// drop before the event goes on, as a CGEventTap callback must.

#include <cstdint>
#include <functional>

#include "platform/geometry.hpp"

namespace corvane::platform {

/// Every event the program posts carries "CRVN" (big-endian) in the event source user-data field.
inline constexpr std::int64_t kSyntheticEventTag = 0x4352564E;

namespace flags {
inline constexpr std::uint64_t kShift = 0x20000;
inline constexpr std::uint64_t kControl = 0x40000;
inline constexpr std::uint64_t kOption = 0x80000;
inline constexpr std::uint64_t kCommand = 0x100000;
inline constexpr std::uint64_t kNumericPad = 0x200000;
inline constexpr std::uint64_t kFunction = 0x800000;
}  // namespace flags

/// Event types by their Quartz numbers.
enum class EventType : std::uint32_t {
  leftMouseDown = 1,
  leftMouseUp = 2,
  rightMouseDown = 3,
  keyDown = 10,
  keyUp = 11,
  flagsChanged = 12,
  tapDisabledByTimeout = 0xFFFFFFFE,
  tapDisabledByUserInput = 0xFFFFFFFF,
};

struct RawEvent {
  EventType type = EventType::keyDown;
  std::uint16_t keyCode = 0;
  bool autorepeat = false;
  std::int64_t userData = 0;
  std::uint64_t flags = 0;
  Point location;
};

enum class Verdict { pass, drop };

/// Bit of an event type in a tap mask.
constexpr std::uint64_t eventMaskBit(EventType type) { return std::uint64_t{1} << static_cast<std::uint32_t>(type); }

/// The session tap, owned by the key tap. The rules every backend keeps, because macOS keeps them:
/// - The handler runs on the tap's own thread (its own run loop), never on the main thread, so no
///   stall of the main queue holds the session's keyboard. The handler must not wait for the main
///   queue; it hands work there asynchronously.
/// - Keyboard events (key down, key up, flags changed) are filtered: the handler's verdict decides.
///   When the handler's thread is busy for more than `kCallbackTimeout`, the system switches the
///   tap off, lets the waiting events through unfiltered and, once the thread is free, tells the
///   handler with a `tapDisabledByTimeout` event. Nothing is filtered until `enable(true)`.
/// - Mouse events are observed, never held: they reach the applications at once whatever the
///   handler answers (a listen-only tap).
/// - When the process loses the accessibility permission the system switches the tap off (the
///   handler hears `tapDisabledByUserInput`); a tap switched on again while the process is not
///   trusted holds the session's input, so an owner enables it only while trusted.
/// `create` and `invalidate` come from the main thread; `enable`, `isEnabled` and `isValid` from any
/// thread (the handler's, the watchdog's). After `invalidate` returns the handler is never called
/// again.
class EventTap {
 public:
  using Handler = std::function<Verdict(const RawEvent&)>;
  static constexpr double kCallbackTimeout = 1.0;
  virtual ~EventTap() = default;
  /// Installs a session tap for the types in `mask` on its own thread and keeps it disabled until
  /// `enable`. False when it cannot be created (typically no permission).
  [[nodiscard]] virtual bool create(std::uint64_t mask, Handler handler) = 0;
  virtual void enable(bool on) = 0;
  [[nodiscard]] virtual bool isEnabled() const = 0;
  /// The tap's port exists and is valid.
  [[nodiscard]] virtual bool isValid() const = 0;
  /// Stops the tap's thread, invalidates the port and drops the handler.
  virtual void invalidate() = 0;
};

/// Whether an event type is one the tap filters (the keyboard) rather than only observes.
constexpr bool isFilteredEvent(EventType type) {
  return type == EventType::keyDown || type == EventType::keyUp || type == EventType::flagsChanged;
}

}  // namespace corvane::platform

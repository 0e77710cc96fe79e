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

/// Owned by the key tap; used on the main thread, except `isEnabled`/`isValid`/`enable`, which the
/// watchdog may call from its own queue.
class EventTap {
 public:
  using Handler = std::function<Verdict(const RawEvent&)>;
  virtual ~EventTap() = default;
  /// Installs a session tap for the types in `mask`, adds its source to the main run loop and keeps
  /// it disabled until `enable`. False when it cannot be created (typically no permission).
  [[nodiscard]] virtual bool create(std::uint64_t mask, Handler handler) = 0;
  virtual void enable(bool on) = 0;
  [[nodiscard]] virtual bool isEnabled() const = 0;
  /// The tap's port exists and is valid.
  [[nodiscard]] virtual bool isValid() const = 0;
  /// Removes the source from the run loop, invalidates the port and drops the handler.
  virtual void invalidate() = 0;
};

}  // namespace corvane::platform

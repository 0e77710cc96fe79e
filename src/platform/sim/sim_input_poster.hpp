#pragma once
// Synthetic input on the simulated desktop. Every posted event is recorded, tagged, offered to an
// optional sink (the session routes it through its event tap, which may drop it) and then reaches
// Excel. The hardware modifier state is what a test or the session says is held. Thread-safe; owned
// by SimExcel.

#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/accessibility.hpp"
#include "platform/event_tap.hpp"

namespace corvane::platform::sim {

class SimInputPoster final : public InputPoster {
 public:
  using Sink = std::function<Verdict(const RawEvent&)>;
  /// Where the events that pass go: Excel's keyboard and mouse.
  struct Receiver {
    std::function<void(std::uint16_t keyCode, bool down, std::uint64_t flags)> key;
    std::function<void(Mouse kind, Point location)> mouse;
  };

  explicit SimInputPoster(Receiver excel) : excel_(std::move(excel)) {}

  void postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) override;
  void postMouse(Mouse kind, Point location) override;
  [[nodiscard]] std::uint64_t hardwareModifierFlags() override;
  [[nodiscard]] std::optional<Point> pointerLocation() override;
  void warpPointer(Point location) override;

  /// The modifiers the user holds (flags:: bits), as CGEventSourceFlagsState would report them.
  void setHardwareModifierFlags(std::uint64_t flags);
  /// Posted events go through the sink first; a dropped event never reaches Excel.
  void setSink(Sink sink);
  /// Every event posted so far, in order.
  [[nodiscard]] std::vector<RawEvent> posted() const;
  void clearPosted();
  /// The pointer as the user moves it (no event is posted).
  void movePointer(Point location);
  /// How many times the pointer was warped.
  [[nodiscard]] int warpCount() const;

 private:
  /// Records the event and offers it to the sink; true when it goes on to Excel.
  bool deliver(const RawEvent& event);

  Receiver excel_;
  mutable std::mutex mutex_;
  std::uint64_t hardwareFlags_ = 0;
  Sink sink_;
  std::vector<RawEvent> posted_;
  Point pointer_{720, 450};
  int warps_ = 0;
};

}  // namespace corvane::platform::sim

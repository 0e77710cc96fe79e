#pragma once

#include <memory>

#include "platform/accessibility.hpp"

namespace corvane::platform::macos {

/// Synthetic keyboard and mouse events from a private event source, each tagged with
/// kSyntheticEventTag so that the program's own tap lets them through unseen, posted to the HID
/// tap. Used from the actions queue; the other calls from any thread.
class MacInputPoster final : public InputPoster {
 public:
  MacInputPoster();
  ~MacInputPoster() override;
  MacInputPoster(const MacInputPoster&) = delete;
  MacInputPoster& operator=(const MacInputPoster&) = delete;

  /// `flags` replace the event's modifier flags, so a held hardware modifier never leaks in.
  void postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) override;
  void postMouse(Mouse kind, Point location) override;
  [[nodiscard]] std::uint64_t hardwareModifierFlags() override;
  [[nodiscard]] std::optional<Point> pointerLocation() override;
  void warpPointer(Point location) override;

  /// The event source; defined where Quartz is known.
  struct Source;

 private:
  std::unique_ptr<Source> source_;
};

}  // namespace corvane::platform::macos

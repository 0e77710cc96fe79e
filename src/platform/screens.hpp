#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/geometry.hpp"

namespace corvane::platform {

/// One display. Frames are in window coordinates (origin at the bottom left of the primary
/// screen, y up).
struct ScreenInfo {
  std::uint32_t id = 0;
  Rect frame;
  Rect visibleFrame;               ///< without the menu bar and the Dock
  double backingScaleFactor = 2;   ///< device pixels per point
  friend bool operator==(const ScreenInfo&, const ScreenInfo&) = default;
};

/// Main thread (and the actions queue, for reading).
class Screens {
 public:
  virtual ~Screens() = default;
  /// All screens; the first is the primary one (its frame's top converts coordinates).
  [[nodiscard]] virtual std::vector<ScreenInfo> screens() = 0;
  /// The screen with the key window or the pointer, as the system picks it.
  [[nodiscard]] virtual std::optional<ScreenInfo> mainScreen() = 0;
  /// The pointer, in window coordinates.
  [[nodiscard]] virtual Point mouseLocation() = 0;
};

}  // namespace corvane::platform

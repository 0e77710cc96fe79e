#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/geometry.hpp"

namespace corvane::feedback {

/// Where Excel's window and ribbon were last found (accessibility coordinates, origin top left).
struct HUDAnchor {
  platform::Rect window;
  std::optional<double> ribbonBottom;
  friend bool operator==(const HUDAnchor&, const HUDAnchor&) = default;
};

/// One badge on Excel's ribbon, in accessibility coordinates.
struct KeyTip {
  enum class Placement { tab, top, middle, bottom, corner, menuItem, center };

  std::string text;
  platform::Rect frame;
  bool enabled = true;
  Placement placement = Placement::bottom;
  std::vector<std::string> keys;  ///< the full key path the badge leads to
  std::string target;             ///< the target's first label; a Quick Access button's name (pictures and tests)
  friend bool operator==(const KeyTip&, const KeyTip&) = default;
};

}  // namespace corvane::feedback

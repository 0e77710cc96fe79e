#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/geometry.hpp"
#include "platform/views/view.hpp"

namespace corvane::platform::views {

/// One badge, fully laid out: the backend draws exactly this.
struct BadgeView {
  std::string text;
  Rect rect;                ///< panel coordinates (origin bottom left), snapped to device pixels
  double fontSize = 11.5;   ///< system font, medium weight
  double cornerRadius = 1.5;
  double borderWidth = 0.5; ///< one device pixel
  Color fill;
  Color border;
  Color textColor;
  /// For group-corner badges: a short round-capped line joining the badge to the group's edge.
  std::optional<std::pair<Point, Point>> connector;
  Color connectorColor;
  std::string keys;    ///< the full key path, keys joined by single spaces
  std::string target;  ///< the target's first label; a Quick Access button's name
  friend bool operator==(const BadgeView&, const BadgeView&) = default;
};

/// The content of one screen's overlay panel.
struct KeyTipOverlayView : View {
  std::vector<BadgeView> badges;
};

}  // namespace corvane::platform::views

#include "feedback/badge_geometry.hpp"

#include <algorithm>
#include <cmath>

#include "model/grammar.hpp"

namespace corvane::feedback {

using platform::views::Color;

StyleColors styleColors(model::TipStyle style) {
  const Color nearBlack{0.05, 0.05, 0.05, 1};
  const Color white{1, 1, 1, 1};
  switch (style) {
    case model::TipStyle::office:
      return {{1.0, 0.86, 0.0, 1}, {0.62, 0.5, 0.0, 1}, nearBlack};
    case model::TipStyle::darkYellow:
      return {{0.89, 0.67, 0.0, 1}, {0.55, 0.41, 0.0, 1}, nearBlack};
    case model::TipStyle::classic:
      return {{0.96, 0.96, 0.96, 1}, {0.45, 0.45, 0.45, 1}, nearBlack};
    case model::TipStyle::blue:
      return {{0.04, 0.39, 0.85, 1}, {0.02, 0.25, 0.56, 1}, white};
    case model::TipStyle::graphite:
      return {{0.17, 0.17, 0.18, 1}, {0.4, 0.4, 0.42, 1}, white};
  }
  return {{1.0, 0.86, 0.0, 1}, {0.62, 0.5, 0.0, 1}, nearBlack};
}

BadgeMetrics badgeMetrics(model::TipSize size) {
  switch (size) {
    case model::TipSize::regular:
      return {11.5, 17, 8, 15};
    case model::TipSize::large:
      return {13.5, 20, 10, 18};
  }
  return {11.5, 17, 8, 15};
}

platform::views::BadgeView layoutBadge(const KeyTip& tip, const platform::Rect& r, double textWidth,
                                       model::TipStyle style, model::TipSize size, double scale) {
  if (!(scale > 0)) scale = 2;
  auto metrics = badgeMetrics(size);
  double width = std::max(std::round(textWidth) + metrics.padding, metrics.minWidth);
  double height = metrics.height;

  double cx = r.midX();
  double cy = r.midY();
  switch (tip.placement) {
    case KeyTip::Placement::tab:
    case KeyTip::Placement::bottom:
      cy = r.minY();
      break;
    case KeyTip::Placement::top:
      cy = r.maxY();
      break;
    case KeyTip::Placement::middle:
    case KeyTip::Placement::center:
      break;
    case KeyTip::Placement::corner:
      cx = r.maxX() - width / 2;
      cy = r.minY() - height / 2 - 1;
      break;
    case KeyTip::Placement::menuItem:
      cx = r.minX() + width / 2 + 4;
      break;
  }
  // Snap the origin to device pixels, then inset half a pixel so the one-pixel border is crisp.
  double x = std::round((cx - width / 2) * scale) / scale;
  double y = std::round((cy - height / 2) * scale) / scale;
  double half = 0.5 / scale;
  platform::views::BadgeView badge;
  badge.text = tip.text;
  badge.rect = {x + half, y + half, width - 2 * half, height - 2 * half};
  badge.fontSize = metrics.fontSize;
  badge.cornerRadius = 1.5;
  badge.borderWidth = 1 / scale;
  auto colors = styleColors(style);
  badge.fill = colors.fill;
  badge.fill.alpha = tip.enabled ? 1.0 : 0.5;
  badge.border = colors.border;
  badge.border.alpha = tip.enabled ? 0.9 : 0.45;
  badge.textColor = colors.text;
  badge.textColor.alpha = tip.enabled ? 1.0 : 0.55;
  if (tip.placement == KeyTip::Placement::corner) {
    // From the badge's top edge up to the group's lower edge.
    double lineX = x + width / 2;
    badge.connector = std::pair{platform::Point{lineX, y + height}, platform::Point{lineX, r.minY()}};
    badge.connectorColor = colors.fill;
    badge.connectorColor.alpha = tip.enabled ? 0.8 : 0.4;
  }
  badge.keys = model::keyPathText(tip.keys);
  badge.target = tip.target;
  return badge;
}

}  // namespace corvane::feedback

#pragma once
// How a key-tip badge looks and where it sits: style colours, font sizes, widths, the centre by
// placement, and snapping to the device pixel grid. Also used by the key list's key badges.

#include "feedback/key_tip.hpp"
#include "model/settings.hpp"
#include "platform/views/key_tip_overlay_view.hpp"

namespace corvane::feedback {

struct StyleColors {
  platform::views::Color fill;
  platform::views::Color border;
  platform::views::Color text;
};

[[nodiscard]] StyleColors styleColors(model::TipStyle style);

struct BadgeMetrics {
  double fontSize;
  double height;
  double padding;   ///< added to the rounded text width
  double minWidth;
};

[[nodiscard]] BadgeMetrics badgeMetrics(model::TipSize size);

/// The badge for a tip whose target rectangle `target` is already in panel coordinates (origin
/// bottom left). `textWidth` is the measured width of the letters; `scale` the backing scale factor
/// (2 when unknown).
[[nodiscard]] platform::views::BadgeView layoutBadge(const KeyTip& tip, const platform::Rect& target,
                                                     double textWidth, model::TipStyle style, model::TipSize size,
                                                     double scale);

}  // namespace corvane::feedback

#include <gtest/gtest.h>

#include "feedback/badge_geometry.hpp"
#include "feedback/key_tip_overlay.hpp"
#include "platform/sim/sim_panels.hpp"
#include "platform/sim/sim_screens.hpp"
#include "platform/sim/sim_text_metrics.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::feedback {
namespace {

using platform::Rect;
using platform::sim::SimScreens;
using Placement = KeyTip::Placement;
using model::TipSize;
using model::TipStyle;

KeyTip tipAt(Placement placement, std::string text = "A", bool enabled = true) {
  return KeyTip{std::move(text), {}, enabled, placement, {"H", "A"}, "Bold"};
}

// Target (100, 200, 40, 30) in panel coordinates; a one-letter regular badge is 15 × 17.
const Rect kTarget{100, 200, 40, 30};

// At scale 1 the drawn rectangle is the badge inset by half a pixel on each side: one point less.
double badgeWidth(double textWidth, TipSize size) {
  return layoutBadge(tipAt(Placement::center), kTarget, textWidth, {}, size, 1).rect.width + 1;
}

TEST(BadgeGeometry, WidthsFollowTheRoundedTextWidthWithAMinimum) {
  EXPECT_DOUBLE_EQ(badgeWidth(6.9, TipSize::regular), 15);   // 7 + 8
  EXPECT_DOUBLE_EQ(badgeWidth(1, TipSize::regular), 15);     // the minimum
  EXPECT_DOUBLE_EQ(badgeWidth(20.7, TipSize::regular), 29);  // 21 + 8
  EXPECT_DOUBLE_EQ(badgeWidth(20.4, TipSize::regular), 28);  // 20 + 8
  EXPECT_DOUBLE_EQ(badgeWidth(8.1, TipSize::large), 18);     // 8 + 10
  EXPECT_DOUBLE_EQ(badgeWidth(2, TipSize::large), 18);
  EXPECT_DOUBLE_EQ(badgeWidth(24.3, TipSize::large), 34);
  EXPECT_DOUBLE_EQ(layoutBadge(tipAt(Placement::center), kTarget, 1, {}, TipSize::large, 1).rect.height + 1, 20);
  EXPECT_DOUBLE_EQ(layoutBadge(tipAt(Placement::center), kTarget, 1, {}, TipSize::regular, 1).rect.height + 1, 17);
  EXPECT_DOUBLE_EQ(layoutBadge(tipAt(Placement::center), kTarget, 1, {}, TipSize::regular, 1).fontSize, 11.5);
  EXPECT_DOUBLE_EQ(layoutBadge(tipAt(Placement::center), kTarget, 1, {}, TipSize::large, 1).fontSize, 13.5);
}

// With scale 1 a rectangle is the snapped origin inset by half a pixel.
platform::Point centreOf(Placement placement, double scale = 1) {
  auto badge = layoutBadge(tipAt(placement), kTarget, 6.9, {}, TipSize::regular, scale);
  return {badge.rect.midX(), badge.rect.midY()};
}

TEST(BadgeGeometry, CentreByPlacement) {
  // Origins snap: (120 − 7.5, 200 − 8.5) → (113 or 112, 192 or 191) by rounding half away from zero.
  EXPECT_EQ(centreOf(Placement::bottom), (platform::Point{120.5, 200.5}));
  EXPECT_EQ(centreOf(Placement::tab), centreOf(Placement::bottom));
  EXPECT_EQ(centreOf(Placement::top), (platform::Point{120.5, 230.5}));
  EXPECT_EQ(centreOf(Placement::middle), (platform::Point{120.5, 215.5}));
  EXPECT_EQ(centreOf(Placement::center), centreOf(Placement::middle));
  EXPECT_EQ(centreOf(Placement::corner), (platform::Point{132.5, 190.5}));    // 140 − 7.5; 200 − 8.5 − 1
  EXPECT_EQ(centreOf(Placement::menuItem), (platform::Point{111.5, 215.5}));  // 100 + 7.5 + 4
}

TEST(BadgeGeometry, SnapsToDevicePixelsAndInsetsHalfAPixel) {
  auto retina = layoutBadge(tipAt(Placement::bottom), kTarget, 6.9, {}, TipSize::regular, 2);
  EXPECT_DOUBLE_EQ(retina.rect.x, 112.5 + 0.25);
  EXPECT_DOUBLE_EQ(retina.rect.y, 191.5 + 0.25);
  EXPECT_DOUBLE_EQ(retina.rect.width, 14.5);
  EXPECT_DOUBLE_EQ(retina.borderWidth, 0.5);
  auto unknown = layoutBadge(tipAt(Placement::bottom), kTarget, 6.9, {}, TipSize::regular, 0);
  EXPECT_EQ(unknown.rect, retina.rect);
  auto plain = layoutBadge(tipAt(Placement::bottom), kTarget, 6.9, {}, TipSize::regular, 1);
  EXPECT_DOUBLE_EQ(plain.rect.x, 113.5);
  EXPECT_DOUBLE_EQ(plain.borderWidth, 1);
}

TEST(BadgeGeometry, DisabledTipsAreFaded) {
  auto on = layoutBadge(tipAt(Placement::corner), kTarget, 6.9, TipStyle::office, TipSize::regular, 2);
  auto off = layoutBadge(tipAt(Placement::corner, "A", false), kTarget, 6.9, TipStyle::office, TipSize::regular, 2);
  EXPECT_DOUBLE_EQ(on.fill.alpha, 1.0);
  EXPECT_DOUBLE_EQ(on.border.alpha, 0.9);
  EXPECT_DOUBLE_EQ(on.textColor.alpha, 1.0);
  EXPECT_DOUBLE_EQ(on.connectorColor.alpha, 0.8);
  EXPECT_DOUBLE_EQ(off.fill.alpha, 0.5);
  EXPECT_DOUBLE_EQ(off.border.alpha, 0.45);
  EXPECT_DOUBLE_EQ(off.textColor.alpha, 0.55);
  EXPECT_DOUBLE_EQ(off.connectorColor.alpha, 0.4);
  EXPECT_EQ(on.keys, "H A");
  EXPECT_EQ(on.target, "Bold");
}

TEST(BadgeGeometry, OnlyCornerBadgesHaveAConnectorReachingTheGroupEdge) {
  auto corner = layoutBadge(tipAt(Placement::corner), kTarget, 6.9, {}, TipSize::regular, 2);
  ASSERT_TRUE(corner.connector);
  EXPECT_DOUBLE_EQ(corner.connector->second.y, kTarget.minY());
  EXPECT_GE(corner.connector->first.y, corner.rect.maxY());
  EXPECT_FALSE(layoutBadge(tipAt(Placement::bottom), kTarget, 6.9, {}, TipSize::regular, 2).connector);
}

TEST(BadgeGeometry, FiveStyleColourSets) {
  using platform::views::Color;
  EXPECT_EQ(styleColors(TipStyle::office).fill, (Color{1.0, 0.86, 0.0, 1}));
  EXPECT_EQ(styleColors(TipStyle::darkYellow).border, (Color{0.55, 0.41, 0.0, 1}));
  EXPECT_EQ(styleColors(TipStyle::classic).fill, (Color{0.96, 0.96, 0.96, 1}));
  EXPECT_EQ(styleColors(TipStyle::blue).text, (Color{1, 1, 1, 1}));
  EXPECT_EQ(styleColors(TipStyle::graphite).border, (Color{0.4, 0.4, 0.42, 1}));
  EXPECT_EQ(styleColors(TipStyle::office).text, (Color{0.05, 0.05, 0.05, 1}));
}

class OverlayTest : public ::testing::Test {
 protected:
  // Two screens side by side: the primary 1440 × 900 and a 1920 × 1080 one (scale 1) to its right.
  void SetUp() override {
    screens.setScreens({SimScreens::makeScreen(1, {0, 0, 1440, 900}), SimScreens::makeScreen(2, {1440, 0, 1920, 1080}, 0, 1)});
  }
  KeyTip at(double x, double y, std::string text = "A") {
    return KeyTip{std::move(text), {x, y, 20, 20}, true, Placement::center, {"A"}, "t"};
  }
  platform::sim::VirtualTime time;
  SimScreens screens;
  platform::sim::SimPanels panels{time};
  platform::sim::SimTextMetrics metrics;
  KeyTipOverlay overlay{panels, screens, metrics};
};

TEST_F(OverlayTest, EachScreenGetsItsOwnPanelWithLocalCoordinates) {
  overlay.show({at(100, 100), at(2000, 100, "B")}, TipStyle::office, TipSize::regular);
  auto content = overlay.visibleContent();
  ASSERT_EQ(content.size(), 2u);
  auto overlays = panels.ofKind(platform::PanelKind::keyTipOverlay);
  ASSERT_EQ(overlays.size(), 2u);
  EXPECT_EQ(overlays[0]->frame(), (Rect{0, 0, 1440, 900}));
  EXPECT_EQ(overlays[1]->frame(), (Rect{1440, 0, 1920, 1080}));
  EXPECT_TRUE(overlays[0]->ignoresMouse());
  // Window y = 900 − 120 = 780; the second screen's badge is offset by its origin x.
  EXPECT_DOUBLE_EQ(content[0]->badges[0].rect.midY(), 790);
  EXPECT_NEAR(content[1]->badges[0].rect.midX(), 2010 - 1440, 0.5);
  EXPECT_EQ(content[1]->badges[0].text, "B");
}

TEST_F(OverlayTest, ATipJustOutsideAnEdgeIsDrawnOnThatScreen) {
  // Centre 19 points left of the primary screen's left edge (x = −19), and 14 points below its bottom.
  overlay.show({at(-29, 100), at(-35, 100, "B"), at(100, 895 + 19 - 10, "C")}, TipStyle::office, TipSize::regular);
  auto content = overlay.visibleContent();
  ASSERT_EQ(content.size(), 1u);
  ASSERT_EQ(content[0]->badges.size(), 2u);
  EXPECT_EQ(content[0]->badges[0].text, "A");
  EXPECT_EQ(content[0]->badges[1].text, "C");
}

TEST_F(OverlayTest, ATipBetweenScreensGoesToTheFirstThatReachesIt) {
  overlay.show({at(1440, 100)}, TipStyle::office, TipSize::regular);  // centre x 1450: both within 20
  auto overlays = panels.ofKind(platform::PanelKind::keyTipOverlay);
  ASSERT_EQ(overlays.size(), 1u);
  EXPECT_EQ(overlays[0]->frame(), (Rect{0, 0, 1440, 900}));
}

TEST_F(OverlayTest, PanelsAreReusedAndUnusedScreensOrderedOut) {
  overlay.show({at(100, 100), at(2000, 100)}, TipStyle::office, TipSize::regular);
  overlay.show({at(2000, 100)}, TipStyle::office, TipSize::regular);
  auto overlays = panels.ofKind(platform::PanelKind::keyTipOverlay);
  ASSERT_EQ(overlays.size(), 2u);
  EXPECT_FALSE(overlays[0]->isVisible());
  EXPECT_TRUE(overlays[1]->isVisible());
  overlay.show({at(100, 100)}, TipStyle::office, TipSize::regular);
  EXPECT_EQ(panels.createdCount(), 2u);
  EXPECT_TRUE(overlays[0]->isVisible());
  overlay.hide();
  EXPECT_FALSE(overlays[0]->isVisible());
  EXPECT_TRUE(overlay.visibleContent().empty());
}

TEST_F(OverlayTest, BadgesSnapWithTheirScreensScale) {
  overlay.show({at(100.3, 100), at(2000.3, 100)}, TipStyle::blue, TipSize::large);
  auto content = overlay.visibleContent();
  ASSERT_EQ(content.size(), 2u);
  EXPECT_DOUBLE_EQ(content[0]->badges[0].borderWidth, 0.5);
  EXPECT_DOUBLE_EQ(content[1]->badges[0].borderWidth, 1);
  EXPECT_DOUBLE_EQ(content[0]->badges[0].rect.height, 19.5);
  EXPECT_EQ(content[0]->badges[0].fill, styleColors(TipStyle::blue).fill);
}

TEST_F(OverlayTest, NoScreensDrawsNothing) {
  screens.setScreens({});
  overlay.show({at(100, 100)}, TipStyle::office, TipSize::regular);
  EXPECT_TRUE(overlay.visibleContent().empty());
  EXPECT_EQ(panels.createdCount(), 0u);
}

}  // namespace
}  // namespace corvane::feedback

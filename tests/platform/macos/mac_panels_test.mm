#include "platform/macos/mac_panels.hpp"

#import <AppKit/AppKit.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/macos/mac_screens.hpp"
#include "platform/macos/mac_text_metrics.hpp"
#include "run_loop.hpp"

namespace views = corvane::platform::views;

namespace {
struct TextView : views::View {
  std::string text;
};
struct OtherView : views::View {};
}  // namespace

/// Draws TextView models at a fixed size and sends a button action on demand.
@interface CVTestContent : NSView <CVPanelContent>
@property(nonatomic) int shown;
- (instancetype)initWithSink:(corvane::platform::macos::PanelActionSink)sink;
- (void)press:(const std::string&)identifier;
@end

@implementation CVTestContent {
  corvane::platform::macos::PanelActionSink _sink;
}
- (instancetype)initWithSink:(corvane::platform::macos::PanelActionSink)sink {
  if ((self = [super initWithFrame:NSZeroRect])) _sink = std::move(sink);
  return self;
}
- (BOOL)showView:(const std::shared_ptr<const views::View>&)view {
  if (!std::dynamic_pointer_cast<const TextView>(view)) return NO;
  ++self.shown;
  return YES;
}
- (NSSize)contentFittingSize {
  return NSMakeSize(120, 40);
}
- (void)press:(const std::string&)identifier {
  corvane::platform::PanelAction action;
  action.id = identifier;
  _sink(action);
}
@end

namespace corvane::platform::macos {
namespace {

struct Fixture {
  std::vector<CVTestContent*> made;
  MacPanels panels{[this](PanelKind, const std::shared_ptr<const views::View>& view,
                          PanelActionSink sink) -> NSView<CVPanelContent>* {
    if (!std::dynamic_pointer_cast<const TextView>(view)) return nil;
    CVTestContent* content = [[CVTestContent alloc] initWithSink:std::move(sink)];
    made.push_back(content);
    return content;
  }};
};

TEST(MacPanels, ContentOfTheSameKindReusesItsViewAndAnotherKindIsLeftOut) {
  [NSApplication sharedApplication];
  Fixture f;
  auto panel = f.panels.create(PanelKind::hud, {300, 60});
  panel->setContent(std::make_shared<TextView>());
  panel->setContent(std::make_shared<TextView>());
  ASSERT_EQ(f.made.size(), 1u);
  EXPECT_EQ(f.made[0].shown, 2);
  EXPECT_EQ(panel->fittingSize(), (Size{120, 40}));
  panel->setContent(std::make_shared<OtherView>());  // no view for it: the old content stays
  EXPECT_EQ(f.made.size(), 1u);
}

TEST(MacPanels, FramesRoundTripAndOrderingNeverActivates) {
  [NSApplication sharedApplication];
  Fixture f;
  for (PanelKind kind : {PanelKind::hud, PanelKind::keyTipOverlay, PanelKind::window}) {
    auto panel = f.panels.create(kind, {300, 60});
    panel->setFrame({100, 200, 320, 80});
    EXPECT_EQ(panel->frame(), (Rect{100, 200, 320, 80}));
    EXPECT_FALSE(panel->isVisible());
    if (kind != PanelKind::window) {
      panel->orderFront();
      EXPECT_TRUE(panel->isVisible());
      EXPECT_FALSE(panel->isKey());
    }
    panel->orderOut();
    EXPECT_FALSE(panel->isVisible());
  }
}

TEST(MacPanels, ActionsArriveLaterOnTheMainQueueAndNotAfterThePanelIsGone) {
  [NSApplication sharedApplication];
  Fixture f;
  auto panel = f.panels.create(PanelKind::hud, {300, 60});
  panel->setContent(std::make_shared<TextView>());
  std::vector<std::string> received;
  panel->setActionSink([&](const PanelAction& action) { received.push_back(action.id); });
  [f.made[0] press:"dismiss"];
  EXPECT_TRUE(received.empty());  // never from inside the view's own event handling
  ASSERT_TRUE(testing::runMainLoopUntil([&] { return received.size() == 1; }));
  EXPECT_EQ(received[0], "dismiss");

  CVTestContent* content = f.made[0];
  [content press:"late"];
  panel.reset();
  testing::runMainLoopFor(0.1);
  EXPECT_EQ(received.size(), 1u);
}

TEST(MacScreens, ThePrimaryScreenComesFirstAndHasTheOrigin) {
  [NSApplication sharedApplication];
  MacScreens screens;
  auto all = screens.screens();
  if (all.empty()) GTEST_SKIP() << "no screen attached";
  EXPECT_EQ(all[0].frame.x, 0);
  EXPECT_EQ(all[0].frame.y, 0);
  EXPECT_GE(all[0].backingScaleFactor, 1);
  EXPECT_TRUE(all[0].frame.contains({all[0].visibleFrame.midX(), all[0].visibleFrame.midY()}));
}

TEST(MacTextMetrics, WidthsGrowWithTextAndWeight) {
  MacTextMetrics metrics;
  EXPECT_EQ(metrics.width("", 13, FontWeight::regular), 0);
  double one = metrics.width("W", 13, FontWeight::regular);
  double two = metrics.width("WW", 13, FontWeight::regular);
  EXPECT_GT(one, 0);
  EXPECT_NEAR(two, 2 * one, 1.0);
  EXPECT_GT(metrics.width("Wide text", 13, FontWeight::bold), metrics.width("Wide text", 13, FontWeight::regular));
  EXPECT_GT(metrics.width("A", 20, FontWeight::regular), metrics.width("A", 10, FontWeight::regular));
}

}  // namespace
}  // namespace corvane::platform::macos

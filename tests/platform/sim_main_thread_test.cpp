// The simulated AppKit services keep AppKit's rule: panels and screens answer on the main thread,
// and a call from any other queue is recorded so that the test making it fails.

#include <gtest/gtest.h>

#include "platform/sim/sim_panels.hpp"
#include "platform/sim/sim_screens.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::platform::sim {
namespace {

TEST(MainThreadRule, CallsFromTheMainQueueOrThePumpingThreadAreFineAndOthersAreRecorded) {
  VirtualTime time;
  SimScreens screens;
  SimPanels panels(time);
  screens.mainThread().setCheck([&] { return time.onMainThread(); });
  panels.mainThread().setCheck([&] { return time.onMainThread(); });

  auto panel = panels.create(PanelKind::hud, {10, 10});  // the pumping thread stands for main
  time.main().async([&] {
    (void)screens.screens();
    panel->orderFront();
  });
  time.runUntilIdle();
  EXPECT_TRUE(screens.mainThread().violations().empty());
  EXPECT_TRUE(panels.mainThread().violations().empty());

  auto actions = time.makeSerialQueue("app.corvane.actions", QoS::userInitiated);
  actions->async([&] {
    (void)screens.mainScreen();
    panel->setFrame({0, 0, 5, 5});
    (void)panels.ownWindowIsKey();  // the one call allowed anywhere (the key tap's thread)
  });
  time.runUntilIdle();
  EXPECT_EQ(screens.mainThread().violations(), std::vector<std::string>{"Screens::mainScreen"});
  EXPECT_EQ(panels.mainThread().violations(), std::vector<std::string>{"Panel::setFrame"});
}

TEST(MainThreadRule, AMainQueueSleepRunningOtherQueuesStillCatchesThem) {
  // Work of another queue that runs while the main thread waits is not the main thread's.
  VirtualTime time;
  SimScreens screens;
  screens.mainThread().setCheck([&] { return time.onMainThread(); });
  auto coach = time.makeSerialQueue("app.corvane.coach", QoS::userInitiated);
  coach->after(0.1, [&] { (void)screens.mouseLocation(); });
  time.main().async([&] { time.sleep(1); });
  time.runUntilIdle();
  EXPECT_EQ(screens.mainThread().violations(), std::vector<std::string>{"Screens::mouseLocation"});
}

}  // namespace
}  // namespace corvane::platform::sim

namespace corvane::platform::sim {
namespace {

// What the panels' interface promises about key status, as AppKit keeps it.
TEST(PanelsContract, OrderingOutAKeyPanelSendsClosedAndAPanelTakingKeyNeverClosesAWindow) {
  VirtualTime time;
  SimPanels panels(time);
  std::vector<std::string> heard;
  auto settings = panels.create(PanelKind::window, {100, 100});
  auto palette = panels.create(PanelKind::palette, {100, 100});
  settings->setActionSink([&](const PanelAction& a) { heard.push_back(a.kind == PanelAction::Kind::closed ? "settings closed" : "settings"); });
  palette->setActionSink([&](const PanelAction& a) { heard.push_back(a.kind == PanelAction::Kind::closed ? "palette closed" : "palette"); });

  settings->makeKeyAndOrderFront();
  palette->makeKeyAndOrderFront();
  EXPECT_TRUE(heard.empty()) << "the window loses key status but stays open";
  EXPECT_TRUE(settings->isVisible());

  palette->orderOut();
  EXPECT_EQ(heard, std::vector<std::string>{"palette closed"});
  palette->orderOut();  // no longer key: nothing more
  EXPECT_EQ(heard.size(), 1u);
  EXPECT_FALSE(panels.ownWindowIsKey());
}

}  // namespace
}  // namespace corvane::platform::sim

#include "app/quick_panel_controller.hpp"

#include <gtest/gtest.h>

#include "fake_desktop.hpp"
#include "platform/sim/memory_defaults.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::app {
namespace {

using platform::PanelAction;
using Cmd = QuickPanelCommand;

PanelAction act(PanelAction::Kind kind, std::string id = {}, bool on = false) {
  PanelAction a;
  a.kind = kind;
  a.id = std::move(id);
  a.on = on;
  return a;
}

PanelAction key(std::string id, bool command = false) {
  PanelAction a;
  a.kind = PanelAction::Kind::key;
  a.id = std::move(id);
  a.command = command;
  return a;
}

class QuickPanelTest : public ::testing::Test {
 protected:
  QuickPanelTest() {
    screens.list = {{1, {0, 0, 1440, 900}, {0, 0, 1440, 875}, 2}, {2, {1440, 0, 1920, 1080}, {1440, 0, 1920, 1055}, 1}};
    screens.main = screens.list[0];
    auto record = [this](Cmd c) { return [this, c] { ran.push_back(c); }; };
    actions = {record(Cmd::search),          record(Cmd::showShortcutList), record(Cmd::showMyShortcuts),
               record(Cmd::showSettings),    record(Cmd::checkForUpdates),  record(Cmd::sendFeedback),
               record(Cmd::reportProblem),   record(Cmd::allowAccess),      record(Cmd::restartListener),
               record(Cmd::quit)};
    controller = std::make_unique<QuickPanelController>(panels, screens, time, prefs, actions,
                                                        [this] { return facts; });
  }
  const platform::views::QuickPanelView& view() { return *controller->currentView(); }
  std::vector<std::string> rowTitles() {
    std::vector<std::string> out;
    for (const auto& item : view().items)
      if (item.number) out.push_back(item.title);
    return out;
  }
  /// The status icon at the top of the first screen: its window is 24 points wide.
  platform::Rect icon(double x = 1000) { return {x, 876, 24, 24}; }

  platform::sim::VirtualTime time;
  platform::sim::MemoryDefaults defaults;
  base::Preferences prefs{defaults};
  testing::FakePanels panels{time.main(), 420};
  testing::FakeScreens screens;
  QuickPanelFacts facts{{true, true, true, true}, 3, std::nullopt};
  QuickPanelActions actions;
  std::vector<Cmd> ran;
  std::unique_ptr<QuickPanelController> controller;
};

TEST_F(QuickPanelTest, OpensCentredUnderTheIconWithItsFittingHeight) {
  controller->toggle(icon());
  EXPECT_TRUE(controller->isOpen());
  EXPECT_EQ(controller->panel().frame(), (platform::Rect{1012 - 150, 876 - 5 - 420, 300, 420}));
  EXPECT_TRUE(controller->panel().isKey());
  EXPECT_TRUE(controller->buttonHighlighted());
  EXPECT_EQ(panels.created[0]->kind, platform::PanelKind::quickPanel);
}

TEST_F(QuickPanelTest, NearTheRightEdgeItStaysEightPointsInside) {
  controller->toggle(icon(1420));
  EXPECT_EQ(controller->panel().frame().maxX(), 1440 - 8);
  controller->toggle(icon(1420));
  time.advanceBy(1);
  controller->toggle(icon(0));
  EXPECT_EQ(controller->panel().frame().minX(), 8);
  // On the second screen, that screen's edges count.
  controller->toggle(icon(0));
  time.advanceBy(1);
  controller->toggle(platform::Rect{1440 + 1900, 1056, 24, 24});
  EXPECT_EQ(controller->panel().frame().maxX(), 1440 + 1920 - 8);
}

TEST_F(QuickPanelTest, WithoutTheButtonsWindowItHangsFromTheMainScreensTopRight) {
  controller->toggle(std::nullopt);
  auto frame = controller->panel().frame();
  EXPECT_EQ(frame.maxX(), 1440 - 8);
  EXPECT_EQ(frame.maxY(), 875 - 5);
  // No screens known at all: still placed, never a crash.
  controller->toggle(std::nullopt);
  time.advanceBy(1);
  screens.list.clear();
  screens.main.reset();
  controller->toggle(icon());
  EXPECT_TRUE(controller->isOpen());
}

TEST_F(QuickPanelTest, TheClickThatClosedItDoesNotReopenIt) {
  controller->toggle(icon());
  // The click on the icon makes the panel lose key status first: it closes...
  panels.act(act(PanelAction::Kind::closed));
  EXPECT_FALSE(controller->isOpen());
  EXPECT_FALSE(controller->buttonHighlighted());
  // ...and the same click's toggle then does nothing.
  time.advanceBy(0.1);
  controller->toggle(icon());
  EXPECT_FALSE(controller->isOpen());
  time.advanceBy(0.15);
  controller->toggle(icon());
  EXPECT_TRUE(controller->isOpen());
}

TEST_F(QuickPanelTest, ClosingFadesOutThenOrdersOutUnlessReopened) {
  controller->toggle(icon());
  controller->close();
  EXPECT_TRUE(controller->panel().isVisible());  // still fading
  time.advanceBy(0.12);
  EXPECT_FALSE(controller->panel().isVisible());
  controller->close();  // closing a closed panel changes nothing
  time.advanceBy(0.3);
  controller->toggle(icon());
  controller->close();
  time.advanceBy(0.3);
  controller->toggle(icon());  // reopened after the guard, before nothing else
  EXPECT_TRUE(controller->panel().isVisible());
}

TEST_F(QuickPanelTest, AClickOutsideClosesAndInsideDoesNot) {
  controller->toggle(icon());
  auto frame = controller->panel().frame();
  controller->mouseDown({frame.midX(), frame.midY()});
  EXPECT_TRUE(controller->isOpen());
  controller->mouseDown({5, 5});
  EXPECT_FALSE(controller->isOpen());
}

TEST_F(QuickPanelTest, ArrowsSelectRowsWithoutWrapping) {
  controller->toggle(icon());
  EXPECT_TRUE(controller->handleKey(key("up")));
  EXPECT_EQ(controller->model().selected, controller->model().rows.rbegin()->first);  // last
  controller->close();
  time.advanceBy(1);
  controller->toggle(icon());
  EXPECT_EQ(controller->model().selected, std::nullopt);  // cleared on opening
  EXPECT_TRUE(controller->handleKey(key("down")));
  EXPECT_EQ(controller->model().selected, 0);
  for (int i = 0; i < 20; ++i) (void)controller->handleKey(key("down"));
  EXPECT_EQ(controller->model().selected, controller->model().rows.rbegin()->first);
  (void)controller->handleKey(key("up"));
  auto selected = std::ranges::find_if(view().items, [](const auto& item) { return item.selected; });
  ASSERT_NE(selected, view().items.end());
  EXPECT_EQ(selected->title, "Report a Problem…");
  EXPECT_TRUE(controller->handleKey(key("return")));
  EXPECT_EQ(ran, (std::vector<Cmd>{Cmd::reportProblem}));
  EXPECT_FALSE(controller->isOpen());  // closed before the action ran
}

TEST_F(QuickPanelTest, ReturnWithoutSelectionAndOtherKeysPassThrough) {
  controller->toggle(icon());
  EXPECT_FALSE(controller->handleKey(key("return")));
  EXPECT_FALSE(controller->handleKey(key("x")));
  EXPECT_FALSE(controller->handleKey(key("k", true)));
  EXPECT_TRUE(ran.empty());
  EXPECT_TRUE(controller->isOpen());
  // Not the key window: everything passes, even Escape.
  panels.created[0]->key = false;
  EXPECT_FALSE(controller->handleKey(key("escape")));
  EXPECT_TRUE(controller->isOpen());
  panels.created[0]->key = true;
  EXPECT_TRUE(controller->handleKey(key("escape")));
  EXPECT_FALSE(controller->isOpen());
}

TEST_F(QuickPanelTest, CommandKeysCloseThenRun) {
  for (auto [character, command] : {std::pair{"q", Cmd::quit}, std::pair{"l", Cmd::showShortcutList},
                                    std::pair{",", Cmd::showSettings}}) {
    time.advanceBy(1);
    controller->toggle(icon());
    EXPECT_TRUE(controller->handleKey(key(character, true)));
    EXPECT_FALSE(controller->isOpen());
    EXPECT_EQ(ran.back(), command);
  }
}

TEST_F(QuickPanelTest, ASelectionOnARowThatVanishedRestartsAtTheEnds) {
  facts.listener = {false, false, false, true};
  controller->toggle(icon());
  ASSERT_EQ(controller->model().rows.at(0), Cmd::allowAccess);
  auto last = controller->model().rows.rbegin()->first;
  for (int i = 0; i <= last; ++i) (void)controller->handleKey(key("down"));
  // The permission arrives: one row fewer, the old last number is gone.
  facts.listener = {true, true, true, true};
  controller->refresh();
  EXPECT_FALSE(controller->model().rows.contains(last));
  (void)controller->handleKey(key("up"));
  EXPECT_EQ(controller->model().selected, controller->model().rows.rbegin()->first);
}

TEST_F(QuickPanelTest, ToneAndProblemRowsFollowTheListener) {
  facts.listener = {false, false, false, true};
  controller->toggle(icon());
  EXPECT_EQ(controller->model().tone, PanelTone::bad);
  EXPECT_EQ(view().statusText, "Needs Accessibility access");
  EXPECT_EQ(rowTitles().front(), "Allow Accessibility Access…");
  EXPECT_TRUE(controller->model().needsAccess);
  EXPECT_FALSE(controller->model().listenerStopped);

  facts.listener = {true, false, false, true};
  controller->refresh();
  EXPECT_EQ(controller->model().tone, PanelTone::bad);  // no tap at all
  EXPECT_EQ(rowTitles().front(), "Restart Keyboard Listener");

  facts.listener = {true, true, false, true};
  controller->refresh();
  EXPECT_EQ(controller->model().tone, PanelTone::warn);  // a tap that is disabled
  EXPECT_TRUE(controller->model().listenerStopped);

  facts.listener = {true, true, true, false};
  controller->refresh();
  EXPECT_EQ(controller->model().tone, PanelTone::warn);
  EXPECT_EQ(view().statusText, "Paused");
  EXPECT_EQ(rowTitles().front(), "Search Excel Commands");

  facts.listener = {true, true, true, true};
  controller->refresh();
  EXPECT_EQ(controller->model().tone, PanelTone::ok);
}

TEST_F(QuickPanelTest, ContentShowsCountsUpdateAndSearchHint) {
  facts.updateVersion = "2.2";
  facts.myShortcutCount = 7;
  prefs.searchTrigger.set(model::SearchTrigger::optionSlash);
  controller->toggle(icon());
  EXPECT_EQ(rowTitles(), (std::vector<std::string>{"Search Excel Commands", "Shortcut List", "My Shortcuts", "Settings",
                                                   "Install Corvane 2.2", "Send Feedback…", "Report a Problem…",
                                                   "Quit Corvane"}));
  const auto& items = view().items;
  EXPECT_EQ(items[0].kind, platform::views::QuickPanelItem::Kind::toggle);
  EXPECT_EQ(items[0].title, "Key tips on the ribbon");
  EXPECT_EQ(items[1].title, "Learning hints");
  EXPECT_EQ(items[2].keyHint, "⌥ /");
  EXPECT_EQ(items[4].detail, "7");
  EXPECT_EQ(view().mainSwitch.title, "Excel shortcuts");

  prefs.searchTrigger.set(model::SearchTrigger::off);
  facts.updateVersion.reset();
  controller->refresh();
  EXPECT_EQ(view().items[2].keyHint, std::nullopt);
  EXPECT_EQ(rowTitles()[4], "Check for Updates…");
}

TEST_F(QuickPanelTest, SwitchesAndRowsFromTheViewReachPreferencesAndActions) {
  controller->toggle(icon());
  panels.act(act(PanelAction::Kind::toggle, "enabled", false));
  EXPECT_FALSE(prefs.enabled.get());
  EXPECT_FALSE(view().mainSwitch.on);
  // Only the panel's own switches: another key is ignored.
  bool inDock = prefs.showInDock.get();
  panels.act(act(PanelAction::Kind::toggle, "showInDock", !inDock));
  EXPECT_EQ(prefs.showInDock.get(), inDock);
  panels.act(act(PanelAction::Kind::button, "checkForUpdates"));
  panels.act(act(PanelAction::Kind::button, "noSuchCommand"));
  EXPECT_EQ(ran, (std::vector<Cmd>{Cmd::checkForUpdates}));
}

TEST_F(QuickPanelTest, AnActionThatDestroysTheControllerIsSafe) {
  controller->toggle(icon());
  actions.quit = [this] { controller.reset(); };
  controller = std::make_unique<QuickPanelController>(panels, screens, time, prefs, actions, [this] { return facts; });
  controller->toggle(icon());
  panels.act(key("q", true));
  EXPECT_EQ(controller, nullptr);
  time.runUntilIdle();  // the fade's completion finds it gone
}

}  // namespace
}  // namespace corvane::app

#include <gtest/gtest.h>

#include "sim_test_support.hpp"

// The simulated Excel takes time as the real one does: calls cost latency, menus appear late and
// their openers block, the window list lags the tree, a tab's commands fill in, the ribbon can be
// collapsed, and any element can stop answering.

namespace corvane::platform::sim {
namespace {

using testing::RealTime;
using testing::Sim;

std::shared_ptr<const ExcelFixture> defaultWith(const std::function<void(ExcelFixture&)>& change) {
  auto copy = std::make_shared<ExcelFixture>(*testing::loadResource("default"));
  change(*copy);
  return copy;
}

std::vector<std::string> describeAll(const std::vector<ExcelEvent>& events) {
  std::vector<std::string> lines;
  for (const auto& event : events) lines.push_back(describe(event));
  return lines;
}

TEST(SimRealTime, TheDefaultExcelTakesARealisticTime) {
  auto fixture = testing::loadResource("default");
  const auto& app = fixture->application;
  EXPECT_DOUBLE_EQ(app.axLatency, 0.0003);
  EXPECT_DOUBLE_EQ(app.menuDelay, 0.15);
  EXPECT_DOUBLE_EQ(app.windowListLag, 0.05);
  EXPECT_TRUE(app.menuPressBlocks);
  EXPECT_DOUBLE_EQ(app.commandsFill, 0);
  EXPECT_FALSE(app.ribbonCollapsed);
}

TEST(SimRealTime, CallsThatReachExcelCostItsLatencyAndLocalOnesNothing) {
  Sim sim("default", RealTime{});
  auto wrap = sim.get("AXCheckBox", "Wrap Text");
  sim.excel->resetCounts();
  auto start = sim.time.nanos();
  auto app = sim.app();
  (void)sim.ax.processId(wrap);
  (void)sim.ax.setMessagingTimeout(wrap, 1.0);
  (void)sim.ax.isTrusted(false);
  EXPECT_EQ(sim.time.nanos(), start) << "references, process ids, timeouts and trust stay in our process";
  EXPECT_EQ(sim.excel->remoteCalls(), 0u);
  (void)sim.ax.copyAttribute(wrap, "AXRole");
  (void)sim.ax.actionNames(wrap);
  (void)sim.ax.elementAtPosition(app, {10, 10});
  EXPECT_EQ(sim.time.nanos() - start, 900'000);
  EXPECT_EQ(sim.excel->remoteCalls(), 3u);
  EXPECT_EQ(sim.excel->totalCalls(), 7u);
  (void)sim.excel->windowList().onScreenWindows();
  EXPECT_EQ(sim.time.nanos() - start, 1'200'000) << "the window list costs the same";
}

TEST(SimRealTime, ADropdownAppearsAfterTheMenuDelayAndItsOpenerBlocks) {
  Sim sim("default", RealTime{});
  auto format = sim.get("AXMenuButton", "Format");
  ASSERT_EQ(sim.ax.setMessagingTimeout(format, 0.4), ax::kSuccess);
  double start = sim.now();
  EXPECT_EQ(sim.press(format), ax::kCannotComplete) << "an opener answers only when its menu closes";
  EXPECT_NEAR(sim.now() - start, 0.4003, 1e-9);
  EXPECT_EQ(sim.excel->openPopupCount(), 1u) << "the menu opened all the same";
  auto events = sim.excel->events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(describe(events.back()), "menu opened Format");
  EXPECT_NEAR(events.back().at - start, 0.1503, 1e-9);

  // A plain button answers at once.
  Sim plain("default", RealTime{});
  auto wrap = plain.get("AXCheckBox", "Wrap Text");
  start = plain.now();
  EXPECT_EQ(plain.press(wrap), ax::kSuccess);
  EXPECT_NEAR(plain.now() - start, 0.0003, 1e-9);

  // Without its own timeout the opener blocks for the system's 6 s.
  Sim blocking("default", RealTime{});
  start = blocking.now();
  EXPECT_EQ(blocking.ax.performAction(blocking.get("AXMenuButton", "Format"), "AXShowMenu"), ax::kCannotComplete);
  EXPECT_NEAR(blocking.now() - start, 6.0003, 1e-9);
}

TEST(SimRealTime, OnlyClosingExcelsMenusStopsAMenuStillOnItsWay) {
  Sim sim(defaultWith([](ExcelFixture& f) { f.application.menuPressBlocks = false; }));
  ASSERT_EQ(sim.press(sim.get("AXMenuButton", "Format")), ax::kSuccess);
  EXPECT_EQ(sim.excel->openPopupCount(), 0u) << "not yet";
  sim.time.advanceBy(0.1);
  sim.excel->receiveKey(53, true, 0);  // Escape; no menu is on screen yet
  EXPECT_TRUE(sim.time.runUntilIdle());
  EXPECT_EQ(sim.excel->openPopupCount(), 1u) << "Escape with nothing open closes nothing";

  Sim clicked(defaultWith([](ExcelFixture& f) { f.application.menuPressBlocks = false; }));
  ASSERT_EQ(clicked.press(clicked.get("AXMenuButton", "Format")), ax::kSuccess);
  clicked.excel->setFrontmost(false);  // another application comes forward
  EXPECT_TRUE(clicked.time.runUntilIdle());
  EXPECT_EQ(clicked.excel->openPopupCount(), 0u);
}

TEST(SimRealTime, TheWindowListShowsANewPopupAfterItsLag) {
  Sim sim(defaultWith([](ExcelFixture& f) { f.application.menuPressBlocks = false; }));
  auto& list = sim.excel->windowList();
  ASSERT_EQ(sim.press(sim.get("AXMenuButton", "Format")), ax::kSuccess);
  sim.time.advanceBy(0.1504);
  EXPECT_EQ(sim.excel->openPopupCount(), 1u) << "in the tree";
  EXPECT_EQ(sim.windows().size(), 2u);
  EXPECT_EQ(list.onScreenWindows().size(), 1u) << "not yet on screen";
  sim.time.advanceBy(0.05);
  auto windows = list.onScreenWindows();
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[0].layer, SimExcel::kPopupLayer);

  // Menu-bar menus too.
  Sim bar("default", RealTime{});
  auto view = bar.get("AXMenuBarItem", "View");
  ASSERT_EQ(bar.press(view), ax::kSuccess);
  EXPECT_TRUE(bar.excel->openMenuBarMenus().empty());
  bar.time.advanceBy(0.16);
  EXPECT_EQ(bar.excel->openMenuBarMenus(), std::vector<std::string>{"View"});
  EXPECT_EQ(bar.excel->windowList().onScreenWindows().size(), 1u);
  bar.time.advanceBy(0.05);
  EXPECT_EQ(bar.excel->windowList().onScreenWindows().size(), 2u);
}

TEST(SimRealTime, ATabsCommandsAppearEmptyAndFillInGroupByGroup) {
  Sim sim(defaultWith([](ExcelFixture& f) {
    f.application.axLatency = 0;
    f.application.commandsFill = 0.4;
  }));
  ASSERT_EQ(sim.press(sim.get("AXRadioButton", "Insert")), ax::kSuccess);
  sim.time.advanceBy(0.12);
  auto area = sim.get("AXScrollArea", "Insert Tab Commands");
  EXPECT_TRUE(sim.children(area).empty()) << "the area comes first";
  EXPECT_FALSE(sim.excel->find({"AXButton", "PivotTable"}).has_value());
  std::size_t groups = 0;
  std::size_t grew = 0;
  for (int step = 0; step < 20; ++step) {
    sim.time.advanceBy(0.025);
    auto now = sim.children(area).size();
    if (now > groups) ++grew;
    groups = now;
  }
  EXPECT_GT(grew, 2u) << "one group after another";
  EXPECT_TRUE(sim.excel->find({"AXButton", "PivotTable"}).has_value());
  EXPECT_EQ(sim.excel->find({"AXScrollArea", "Insert Tab Commands"}), area) << "the same area throughout";
}

TEST(SimRealTime, AReusedCommandsAreaKeepsItsElementAndTakesTheNewTabsGroups) {
  for (double fill : {0.0, 0.4}) {
    Sim sim(defaultWith([&](ExcelFixture& f) {
      f.application.axLatency = 0;
      f.application.commandsAreaReused = true;
      f.application.commandsFill = fill;
    }));
    auto area = sim.get("AXScrollArea", "Home Tab Commands");
    auto oldGroups = sim.children(area);
    ASSERT_FALSE(oldGroups.empty());
    ASSERT_EQ(sim.press(sim.get("AXRadioButton", "Insert")), ax::kSuccess);
    sim.time.advanceBy(0.1);
    EXPECT_EQ(sim.children(area), oldGroups) << "Home's groups until the switch shows";
    sim.time.advanceBy(0.5);
    EXPECT_EQ(sim.text(area, "AXDescription"), "Insert Tab Commands") << "fill " << fill;
    EXPECT_FALSE(sim.excel->isValid(oldGroups.front())) << "the old groups are gone";
    EXPECT_TRUE(sim.excel->find({"AXButton", "PivotTable"}).has_value());
    EXPECT_EQ(sim.excel->shownCommandsTab(), "Insert");
    std::size_t areas = 0;
    for (const auto& child : sim.children(sim.get("AXTabGroup", "ribbon"))) {
      areas += sim.text(child, "AXRole") == "AXScrollArea" ? 1 : 0;
    }
    EXPECT_EQ(areas, 1u);
  }
}

TEST(SimRealTime, ACollapsedRibbonShowsItsCommandsOnlyWhenATabIsPressedOrViewRibbonChosen) {
  Sim sim(defaultWith([](ExcelFixture& f) { f.application.ribbonCollapsed = true; }));
  EXPECT_EQ(sim.excel->shownCommandsTab(), "");
  EXPECT_FALSE(sim.excel->find({"AXCheckBox", "Wrap Text"}).has_value());
  EXPECT_EQ(sim.excel->selectedTab(), "Home") << "a tab is still the open one";
  auto home = sim.get("AXRadioButton", "Home");
  ASSERT_EQ(sim.press(home), ax::kSuccess);
  EXPECT_TRUE(sim.time.runUntilIdle());
  EXPECT_EQ(sim.excel->shownCommandsTab(), "Home");
  ASSERT_EQ(sim.press(home), ax::kSuccess);
  EXPECT_EQ(sim.excel->shownCommandsTab(), "");

  // Another tab is selected and shown.
  ASSERT_EQ(sim.press(sim.get("AXRadioButton", "Data")), ax::kSuccess);
  EXPECT_TRUE(sim.time.runUntilIdle());
  EXPECT_EQ(sim.excel->selectedTab(), "Data");
  EXPECT_EQ(sim.excel->shownCommandsTab(), "Data");

  // View › Ribbon hides and shows it.
  sim.excel->clearEvents();
  auto ribbon = sim.get("AXMenuItem", "Ribbon");
  ASSERT_EQ(sim.press(ribbon), ax::kSuccess);
  EXPECT_EQ(sim.excel->shownCommandsTab(), "");
  ASSERT_EQ(sim.press(ribbon), ax::kSuccess);
  EXPECT_TRUE(sim.time.runUntilIdle());
  EXPECT_EQ(sim.excel->shownCommandsTab(), "Data");
  EXPECT_EQ(describeAll(sim.excel->events()),
            (std::vector<std::string>{"ran Ribbon", "ribbon collapsed", "ran Ribbon", "ribbon shown"}));
}

constexpr const char* kHungFixture = R"({
  "name": "hung",
  "windows": [
    {"subrole": "AXStandardWindow", "title": "Book1", "frame": [0, 25, 1200, 700], "children": [
      {"role": "AXTabGroup", "hung": true, "tabs": [
        {"title": "Home", "groups": [{"description": "Font", "children": [{"role": "AXButton", "title": "Bold"}]}]},
        {"title": "Data"}
      ]},
      {"role": "AXButton", "title": "Outside"}
    ]}
  ],
  "menuBar": [{"title": "Apple", "menu": ["About This Mac"]}]
})";

TEST(SimRealTime, AHungElementAndEverythingInsideItWaitOutTheCallingReferencesTimeout) {
  Sim sim(testing::parseOrFail(kHungFixture));
  auto bold = sim.get("AXButton", "Bold");
  auto tabGroup = sim.get("AXTabGroup", "");
  auto start = sim.time.nanos();
  EXPECT_EQ(sim.ax.copyAttribute(bold, "AXTitle").error(), ax::kCannotComplete);
  EXPECT_EQ(sim.time.nanos() - start, 6'000'000'000) << "the system's timeout";
  ASSERT_EQ(sim.ax.setMessagingTimeout(bold, 0.5), ax::kSuccess);
  start = sim.time.nanos();
  EXPECT_EQ(sim.press(bold), ax::kCannotComplete);
  EXPECT_EQ(sim.time.nanos() - start, 500'000'000);
  EXPECT_TRUE(sim.excel->commandsRun().empty()) << "nothing happens";
  const std::string_view names[] = {"AXRole"};
  ASSERT_EQ(sim.ax.setMessagingTimeout(tabGroup, 0.25), ax::kSuccess);
  start = sim.time.nanos();
  EXPECT_EQ(sim.ax.copyMultipleAttributes(tabGroup, names).error(), ax::kCannotComplete);
  EXPECT_EQ(sim.time.nanos() - start, 250'000'000);

  // Outside the hung part Excel answers, and the hit test waits only over it.
  start = sim.time.nanos();
  EXPECT_EQ(sim.text(sim.get("AXButton", "Outside"), "AXTitle"), "Outside");
  EXPECT_EQ(sim.time.nanos(), start);
  auto app = sim.app();
  ASSERT_EQ(sim.ax.setMessagingTimeout(app, 1.0), ax::kSuccess);
  auto boldFrame = sim.excel->frameOf(bold).value();
  EXPECT_EQ(sim.ax.elementAtPosition(app, {boldFrame.midX(), boldFrame.midY()}).error(), ax::kCannotComplete);
  EXPECT_EQ(sim.time.nanos() - start, 1'000'000'000);

  // Excel answers again.
  sim.excel->setHung(tabGroup, false);
  EXPECT_EQ(sim.press(bold), ax::kSuccess);
  EXPECT_EQ(sim.excel->commandsRun(), std::vector<std::string>{"Bold"});
  // And any element can stop answering later.
  auto outside = sim.get("AXButton", "Outside");
  sim.excel->setHung(sim.workbook());
  start = sim.time.nanos();
  EXPECT_EQ(sim.ax.copyAttribute(outside, "AXRole").error(), ax::kCannotComplete);
  EXPECT_EQ(sim.time.nanos() - start, 6'000'000'000);
}

TEST(SimRealTime, TheTimingKeysAreReadStrictly) {
  auto read = [](const std::string& application) {
    auto fixture = parseFixture(R"({"application": )" + application + "}");
    return fixture ? std::string() : fixture.error().text();
  };
  EXPECT_EQ(read(R"({"axLatency": 0.001, "menuDelay": 0.2, "windowListLag": 0, "menuPressBlocks": false,
                     "commandsFill": 0.3, "ribbonCollapsed": true})"),
            "");
  EXPECT_EQ(read(R"({"axLatency": -1})"), "application.axLatency: must be at least 0");
  EXPECT_EQ(read(R"({"menuPressBlocks": 1})"), "application.menuPressBlocks: expected true or false");
  EXPECT_EQ(read(R"({"commandsFill": "slow"})"), "application.commandsFill: expected a number");
  auto hung = parseFixture(R"({"windows": [{"title": "Book1", "hung": "yes"}]})");
  ASSERT_FALSE(hung.has_value());
  EXPECT_EQ(hung.error().text(), "windows[0].hung: expected true or false");
}

}  // namespace
}  // namespace corvane::platform::sim

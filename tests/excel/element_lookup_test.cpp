#include <gtest/gtest.h>

#include "excel/ax_names.hpp"
#include "excel/element_lookup.hpp"
#include "excel/ribbon_scan.hpp"
#include "excel_sim.hpp"
#include "platform/sim/synthetic_ribbon.hpp"

// Finding the workbook window, scanning and matching the ribbon, switching tabs, dropdown walks and
// the press with its click fallback, against the simulated Excel in virtual time.

namespace corvane::excel {
namespace {

using platform::sim::AXCall;
using platform::sim::ElementSelector;
using testing::ExcelSim;
using testing::ribbon;

std::size_t mouseEvents(ExcelSim& s) {
  std::size_t n = 0;
  for (const auto& event : s.x().inputPoster().posted()) {
    if (event.type == platform::EventType::leftMouseDown || event.type == platform::EventType::leftMouseUp) ++n;
  }
  return n;
}

// --- Workbook window, English and narrow checks ---

TEST(FindWorkbookWindow, FindsTheRibbonWindowOrReportsNoWorkbook) {
  ExcelSim s;
  auto window = findWorkbookWindow(s.excel);
  ASSERT_TRUE(window.has_value());
  EXPECT_EQ(*window, s.sim.workbook());
  EXPECT_EQ(isNarrow(s.excel, *window), false);
  EXPECT_EQ(isEnglish(s.excel, *window), true);

  ExcelSim none("no-workbook");
  auto missing = findWorkbookWindow(none.excel);
  ASSERT_FALSE(missing.has_value());
  EXPECT_EQ(missing.error(), ActionError::noWorkbook());
  EXPECT_EQ(missing.error().description, "Open a workbook in Excel first");
}

TEST(FindWorkbookWindow, NarrowAndGermanWindowsAreToldApart) {
  ExcelSim narrow("narrow");
  auto window = findWorkbookWindow(narrow.excel);
  ASSERT_TRUE(window.has_value());
  EXPECT_EQ(isNarrow(narrow.excel, *window), true);
  EXPECT_EQ(isEnglish(narrow.excel, *window), true);

  ExcelSim german("german");
  auto germanWindow = findWorkbookWindow(german.excel);
  ASSERT_TRUE(germanWindow.has_value());
  EXPECT_EQ(isEnglish(german.excel, *germanWindow), false);
}

TEST(FindWorkbookWindow, AWindowWhoseFrameCannotBeReadLeavesTheChecksUndetermined) {
  ExcelSim s;
  auto window = s.sim.workbook();
  s.x().injectError(window, platform::ax::kNoValue, "AXSize");
  EXPECT_EQ(isNarrow(s.excel, window), std::nullopt);
  // The window still is the workbook window: the main window stands in for the list match.
  EXPECT_EQ(findWorkbookWindow(s.excel).value_or(platform::Element{}), window);
  // A ribbon whose tabs cannot be read says nothing about the language.
  s.x().injectError(ElementSelector{"AXTabGroup", ""}, platform::ax::kFailure);
  EXPECT_EQ(isEnglish(s.excel, window), std::nullopt);
}

// --- The scan ---

TEST(RibbonScan, ReadsEachVisitedElementOnceInOneBatchedCall) {
  ExcelSim s;
  auto window = s.sim.workbook();
  s.x().resetCounts();
  auto scan = ribbonScan(s.excel.ax(), {window}, false, kRibbonScanLimit);
  EXPECT_GT(scan.visited, 50u);
  EXPECT_EQ(s.x().calls(AXCall::copyMultiple), scan.visited);
  EXPECT_EQ(s.x().calls(AXCall::copyAttribute), 0u);
  EXPECT_EQ(s.x().remoteCalls(), scan.visited) << "nothing else reaches Excel";

  auto wrap = std::find_if(scan.candidates.begin(), scan.candidates.end(),
                           [](const RibbonCandidate& c) { return c.labels == std::vector<std::string>{"wraptext"}; });
  ASSERT_NE(wrap, scan.candidates.end());
  EXPECT_EQ(wrap->role, "AXCheckBox");
  EXPECT_TRUE(wrap->enabled);
  EXPECT_GT(wrap->frame.width, 1);
}

TEST(RibbonScan, ALargeRibbonCostsExactlyOneBatchedReadPerVisitedElement) {
  platform::sim::testing::Sim sim(
      std::make_shared<const platform::sim::ExcelFixture>(platform::sim::syntheticRibbonFixture(6500)));
  auto window = sim.workbook();
  sim.excel->resetCounts();
  auto scan = ribbonScan(sim.ax, {window}, false, kRibbonScanLimit);
  EXPECT_EQ(scan.visited, kRibbonScanLimit) << "the limit stops the walk";
  EXPECT_EQ(sim.excel->calls(AXCall::copyMultiple), scan.visited);
  EXPECT_EQ(sim.excel->totalCalls(), scan.visited);
  EXPECT_GT(scan.candidates.size(), 1000u);
}

TEST(RibbonScan, GalleriesAreCandidatesButNotEnteredAndTheLimitHolds) {
  ExcelSim s;
  auto window = s.sim.workbook();
  auto scan = ribbonScan(s.excel.ax(), {window}, true, kRibbonScanLimit);
  auto has = [&](const std::string& key, const std::string& role) {
    return std::any_of(scan.candidates.begin(), scan.candidates.end(), [&](const RibbonCandidate& c) {
      return c.role == role && std::find(c.labels.begin(), c.labels.end(), key) != c.labels.end();
    });
  };
  EXPECT_TRUE(has("cellstyles", "Gallery"));
  EXPECT_FALSE(has("neutral", "AXButton")) << "a gallery's items are not scanned";
  EXPECT_FALSE(has("formulabar", "AXTextArea")) << "a text area is no candidate";

  auto limited = ribbonScan(s.excel.ax(), {window}, false, 7);
  EXPECT_EQ(limited.visited, 7u);
  auto nothing = ribbonScan(s.excel.ax(), {window}, false, 0);
  EXPECT_EQ(nothing.visited, 0u);
  EXPECT_TRUE(nothing.candidates.empty());
}

TEST(RibbonScan, AnElementThatCannotBeReadIsSkippedWithItsChildren) {
  ExcelSim s;
  s.x().injectError(ElementSelector{"AXGroup", "Font"}, platform::ax::kCannotComplete);
  auto scan = ribbonScan(s.excel.ax(), {s.sim.workbook()}, false, kRibbonScanLimit);
  auto labelled = [&](const std::string& key) {
    return std::any_of(scan.candidates.begin(), scan.candidates.end(),
                       [&](const RibbonCandidate& c) { return c.labels.front() == key; });
  };
  EXPECT_FALSE(labelled("bold"));
  EXPECT_TRUE(labelled("wraptext"));

  // An element that vanishes mid-scan costs one failed read and nothing else.
  ExcelSim v;
  v.x().vanishAfterReads(v.get("AXGroup", "Alignment"), 0);
  auto partial = ribbonScan(v.excel.ax(), {v.sim.workbook()}, false, kRibbonScanLimit);
  EXPECT_TRUE(std::none_of(partial.candidates.begin(), partial.candidates.end(),
                           [](const RibbonCandidate& c) { return c.labels.front() == "wraptext"; }));
}

// --- The match ---

struct MatchBench : ::testing::Test {
  ExcelSim s;
  std::vector<platform::Element> elements = [this] {
    std::vector<platform::Element> tabs;
    for (const auto* title : {"Home", "Insert", "Draw", "Page Layout", "Formulas", "Data"}) {
      tabs.push_back(s.get("AXRadioButton", title));
    }
    return tabs;
  }();
  RibbonCandidate candidate(std::size_t i, std::string role, std::vector<std::string> labels, bool enabled = true) {
    return {elements.at(i), std::move(role), std::move(labels), {0, 0, 20, 20}, enabled};
  }
};

TEST_F(MatchBench, MarkersPickTheNthMatchInScanOrder) {
  RibbonScan scan{{candidate(0, "AXButton", {"merge"}), candidate(1, "AXButton", {"mergeacross"}),
                   candidate(2, "AXMenuButton", {"merge"})}};
  EXPECT_EQ(ribbonMatch({"Merge#2"}, MatchMode::press, false, {}, scan)->element, elements[2]);
  EXPECT_EQ(ribbonMatch({"Merge#1"}, MatchMode::press, false, {}, scan)->element, elements[0]);
  // Too few matches: the next label is tried.
  EXPECT_EQ(ribbonMatch({"Merge#3", "Merge Across"}, MatchMode::press, false, {}, scan)->element, elements[1]);
  EXPECT_FALSE(ribbonMatch({"Merge#3"}, MatchMode::press, false, {}, scan).has_value());
  // The n-th match in the skip set does not count; no other match stands in.
  ElementSet skip{elements[2]};
  EXPECT_FALSE(ribbonMatch({"Merge#2"}, MatchMode::press, false, skip, scan).has_value());
  // "#x" and "#0" are part of the label.
  RibbonScan sheets{{candidate(3, "AXButton", {"sheetx"}), candidate(4, "AXButton", {"sheet0"})}};
  EXPECT_EQ(ribbonMatch({"Sheet#x"}, MatchMode::press, false, {}, sheets)->element, elements[3]);
  EXPECT_EQ(ribbonMatch({"Sheet#0"}, MatchMode::press, false, {}, sheets)->element, elements[4]);
}

TEST_F(MatchBench, RolePreferenceDependsOnTheMode) {
  RibbonScan scan{{candidate(0, "AXMenuButton", {"borders"}), candidate(1, "AXButton", {"borders"})}};
  EXPECT_EQ(ribbonMatch({"Borders"}, MatchMode::press, false, {}, scan)->element, elements[1]);
  EXPECT_EQ(ribbonMatch({"Borders"}, MatchMode::dropdownButton, false, {}, scan)->element, elements[0]);
  // A role outside the mode's list never matches; equal ranks go to the earlier candidate.
  RibbonScan tabs{{candidate(2, "AXButton", {"home"}), candidate(3, "AXTab", {"home"}), candidate(4, "AXTab", {"home"})}};
  EXPECT_EQ(ribbonMatch({"Home"}, MatchMode::tab, true, {}, tabs)->element, elements[3]);
  // The skip set removes a match without a marker and the next best wins.
  EXPECT_EQ(ribbonMatch({"Borders"}, MatchMode::press, false, ElementSet{elements[1]}, scan)->element, elements[0]);
}

TEST_F(MatchBench, RadioButtonsOnlyWhenAllowed) {
  RibbonScan scan{{candidate(0, "AXRadioButton", {"center"})}};
  EXPECT_FALSE(ribbonMatch({"Center"}, MatchMode::press, false, {}, scan).has_value());
  EXPECT_EQ(ribbonMatch({"Centre"}, MatchMode::press, true, {}, scan)->element, elements[0]);
}

TEST_F(MatchBench, ADisabledMatchIsTheFallbackOnlyWhenNoLabelHasAnEnabledOne) {
  RibbonScan scan{{candidate(0, "AXButton", {"reapply"}, false), candidate(1, "AXButton", {"sort"}),
                   candidate(2, "AXButton", {"clear"}, false), candidate(3, "AXCheckBox", {"clear"}, false)}};
  auto greyed = ribbonMatch({"Reapply"}, MatchMode::press, false, {}, scan);
  ASSERT_TRUE(greyed.has_value());
  EXPECT_FALSE(greyed->enabled);
  EXPECT_EQ(ribbonMatch({"Reapply", "Sort"}, MatchMode::press, false, {}, scan)->element, elements[1]);
  // The first label's disabled match is kept even when a later label's disabled match ranks better.
  EXPECT_EQ(ribbonMatch({"Clear", "Reapply"}, MatchMode::press, false, {}, scan)->element, elements[2]);
  // Labels whose key is empty are skipped, never matched.
  EXPECT_FALSE(ribbonMatch({"…", "#"}, MatchMode::press, false, {}, scan).has_value());
}

// --- Tabs ---

TEST(SelectTab, AnAlreadySelectedTabIsNotPressed) {
  ExcelSim s;
  auto window = s.sim.workbook();
  s.x().resetCounts();
  s.x().clearEvents();
  double before = s.now();
  ASSERT_TRUE(selectTab(s.excel, window, "Home").has_value());
  EXPECT_EQ(s.x().calls(AXCall::perform), 0u);
  EXPECT_TRUE(s.x().events().empty());
  EXPECT_LT(s.now() - before, 0.01) << "no waiting either, only the reads";
}

TEST(SelectTab, PressesTheTabAndWaitsForItsCommands) {
  ExcelSim s;
  double before = s.now();
  ASSERT_TRUE(selectTab(s.excel, s.sim.workbook(), "data").has_value());
  EXPECT_EQ(s.x().selectedTab(), "Data");
  EXPECT_EQ(s.x().shownCommandsTab(), "Data");
  double waited = s.now() - before;
  EXPECT_GE(waited, 0.12);
  EXPECT_LT(waited, 0.2) << "polls every 25 ms and stops once the commands show";
}

TEST(SelectTab, GivesUpWaitingAfterEightHundredMillisecondsWithoutAnError) {
  platform::posix::PosixFiles files;
  auto parsed = platform::sim::parseFixture(
      R"({"name": "slow", "extends": "default.json", "set": {"application.tabSwitchDelay": 5}})",
      [&](const std::string& name) -> std::expected<std::string, std::string> {
        auto text = files.read(platform::sim::testing::resourceFixture(name.substr(0, name.size() - 5)));
        if (!text) return std::unexpected(std::string("unreadable"));
        return *text;
      });
  ASSERT_TRUE(parsed.has_value()) << parsed.error().text();
  platform::sim::testing::Sim sim(std::make_shared<const platform::sim::ExcelFixture>(std::move(*parsed)));
  ExcelServices services{sim.excel->accessibility(), sim.excel->windowList(), sim.excel->inputPoster(), sim.time};
  ExcelApp excel(services, *sim.excel->pid());
  double before = sim.now();
  ASSERT_TRUE(selectTab(excel, sim.workbook(), "Insert").has_value());
  EXPECT_NEAR(sim.now() - before, 0.8, 0.03);
  EXPECT_EQ(sim.excel->selectedTab(), "Insert");
  EXPECT_EQ(sim.excel->shownCommandsTab(), "Home");
}

TEST(SelectTab, AMissingTabIsTheNoTabError) {
  ExcelSim s;
  auto result = selectTab(s.excel, s.sim.workbook(), "Developer");
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error().kind, ActionError::Kind::noTab);
  EXPECT_EQ(result.error().name, "Developer");
  EXPECT_EQ(result.error().description,
            "Couldn't find the “Developer” ribbon tab. Is the ribbon turned on (View › Ribbon)?");
}

// --- The ribbon step ---

TEST(RibbonStep, PressesAControlOnAnotherTab) {
  ExcelSim s;
  ASSERT_TRUE(ribbonStep(s.excel, ribbon({"PivotTable"}, "Insert")).has_value());
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"PivotTable"});
}

TEST(RibbonStep, AMissingControlNamesTheTabInItsMessage) {
  ExcelSim s;
  auto onTab = ribbonStep(s.excel, ribbon({"Make Coffee#2", "Brew"}, "Home"));
  ASSERT_FALSE(onTab.has_value());
  EXPECT_EQ(onTab.error(),
            ActionError::notFound("Make Coffee", "Couldn't find “Make Coffee” on the Home ribbon. If the Excel window "
                                                 "is narrow, widen it so the button shows."));
  auto anyTab = ribbonStep(s.excel, ribbon({}));
  ASSERT_FALSE(anyTab.has_value());
  EXPECT_EQ(anyTab.error().description,
            "Couldn't find “?” on the ribbon. If the Excel window is narrow, widen it so the button shows.");
}

TEST(RibbonStep, WalksDropdownsLevelByLevelAndLeavesNoMenuOpen) {
  ExcelSim s;
  ASSERT_TRUE(ribbonStep(s.excel, ribbon({"Format"}, "Home", model::MenuPath{{"Hide & Unhide"}, {"Hide Columns"}}))
                  .has_value());
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Hide Columns"});
  EXPECT_EQ(s.x().openPopupCount(), 0u);
  EXPECT_EQ(s.escapesPosted(), 0u);
}

TEST(RibbonStep, AFailedWalkClosesEveryMenuItOpened) {
  ExcelSim s;
  double before = s.now();
  auto result = ribbonStep(s.excel, ribbon({"Format"}, "Home", model::MenuPath{{"Hide & Unhide"}, {"Make Coffee"}}));
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error(), ActionError::notFound("Make Coffee", "Couldn't find “Make Coffee” in the Format menu"));
  EXPECT_EQ(s.escapesPosted(), 2u) << "the button's menu and the submenu";
  EXPECT_EQ(s.x().openPopupCount(), 0u);
  EXPECT_TRUE(s.x().commandsRun().empty());
  EXPECT_GE(s.now() - before, 1.5) << "the level was looked for until its time ran out";
  EXPECT_LT(s.now() - before, 2.5);
}

TEST(RibbonStep, EscapeIsNeverPostedWhileExcelIsNotFrontmost) {
  ExcelSim s;
  s.x().setFrontmost(false);
  auto result = ribbonStep(s.excel, ribbon({"Format"}, "Home", model::MenuPath{{"Make Coffee"}}));
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(s.escapesPosted(), 0u);
}

TEST(RibbonStep, AGreyedItemInADropdownClosesTheMenuAndReportsIt) {
  ExcelSim s;
  auto result = ribbonStep(s.excel, ribbon({"Sort & Filter"}, "Home", model::MenuPath{{"Clear"}}));
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error(), ActionError::greyedOut("Clear"));
  EXPECT_EQ(result.error().description, "“Clear” is greyed out in Excel right now");
  EXPECT_EQ(s.escapesPosted(), 1u);
  EXPECT_EQ(s.x().openPopupCount(), 0u);
}

TEST(RibbonStep, ADisabledOnlyMatchIsReportedGreyedOutAndAnEnabledAlternativeWins) {
  ExcelSim s;
  auto greyed = ribbonStep(s.excel, ribbon({"Clear"}, "Data"));
  ASSERT_FALSE(greyed.has_value());
  EXPECT_EQ(greyed.error(), ActionError::greyedOut("Clear"));
  ASSERT_TRUE(ribbonStep(s.excel, ribbon({"Reapply", "Sort"}, "Data")).has_value());
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Sort"});
}

TEST(RibbonStep, MenuActionOpensTheDropdownAndFocusSelectsTheWholeBox) {
  ExcelSim s;
  ASSERT_TRUE(ribbonStep(s.excel, ribbon({"Borders"}, "Home", std::nullopt, model::RibbonAction::menu)).has_value());
  EXPECT_EQ(s.x().openPopupCount(), 1u);
  EXPECT_TRUE(s.x().commandsRun().empty());

  ExcelSim f;
  auto box = f.get("AXComboBox", "Font Size");
  auto text = f.sim.text(box, "AXValue");
  ASSERT_FALSE(text.empty());
  ASSERT_TRUE(ribbonStep(f.excel, ribbon({"Font Size"}, "Home", std::nullopt, model::RibbonAction::focus)).has_value());
  EXPECT_EQ(f.x().focusedElement(), box);
  EXPECT_EQ(f.sim.read<platform::TextRange>(box, "AXSelectedTextRange"),
            (platform::TextRange{0, static_cast<std::int64_t>(text.size())}));
}

TEST(RibbonAction, FocusOnAnEmptyBoxSelectsNothingAndAFocusFailureIsAnError) {
  ExcelSim s;
  auto box = s.get("AXComboBox", "Font Size");
  ASSERT_EQ(s.x().accessibility().setAttribute(box, "AXValue", std::string()), platform::ax::kSuccess);
  ASSERT_TRUE(ribbonAction(s.excel, box, model::RibbonAction::focus, "Font Size").has_value());
  EXPECT_EQ(s.sim.read<platform::TextRange>(box, "AXSelectedTextRange"), (platform::TextRange{0, 0}));

  s.x().injectError(box, platform::ax::kFailure, "AXFocused");
  auto failed = ribbonAction(s.excel, box, model::RibbonAction::focus, "Font Size");
  ASSERT_FALSE(failed.has_value());
  EXPECT_EQ(failed.error(), ActionError::general("Couldn't put the cursor in “Font Size”"));
}

// --- Press and click ---

TEST(Press, CannotCompleteCountsAsDoneWithoutAClick) {
  ExcelSim s;
  auto wrap = s.get("AXCheckBox", "Wrap Text");
  s.x().injectPressResult(wrap, platform::ax::kCannotComplete);
  ASSERT_TRUE(press(s.excel, wrap, "Wrap Text").has_value());
  EXPECT_EQ(mouseEvents(s), 0u);
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Wrap Text"});
}

TEST(Press, AnUnansweredPressClicksTheCentreAndPutsThePointerBack) {
  ExcelSim s(testing::instantFixture("default"));
  auto wrap = s.get("AXCheckBox", "Wrap Text");
  auto frame = *s.x().frameOf(wrap);
  s.x().inputPoster().movePointer({5, 600});
  s.x().injectError(wrap, platform::ax::kFailure, "AXPress");
  double before = s.now();
  ASSERT_TRUE(press(s.excel, wrap, "Wrap Text").has_value());
  auto posted = s.x().inputPoster().posted();
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].type, platform::EventType::leftMouseDown);
  EXPECT_EQ(posted[0].location, (platform::Point{frame.midX(), frame.midY()}));
  EXPECT_EQ(posted[0].userData, platform::kSyntheticEventTag);
  EXPECT_EQ(posted[1].type, platform::EventType::leftMouseUp);
  EXPECT_EQ(s.x().inputPoster().pointerLocation(), (platform::Point{5, 600}));
  EXPECT_NEAR(s.now() - before, 0.04, 1e-9);
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Wrap Text"});
}

TEST(Press, WithoutAFrameAnUnansweredPressIsAnErrorAndADisabledControlIsGreyed) {
  ExcelSim s;
  auto wrap = s.get("AXCheckBox", "Wrap Text");
  s.x().injectError(wrap, platform::ax::kFailure, "AXPress");
  s.x().injectError(wrap, platform::ax::kNoValue, "AXPosition");
  auto result = press(s.excel, wrap, "Wrap Text");
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error(), ActionError::general("Excel didn't respond to “Wrap Text”"));
  EXPECT_EQ(mouseEvents(s), 0u);

  ExcelSim d;
  ASSERT_TRUE(selectTab(d.excel, d.sim.workbook(), "Data").has_value());
  auto clear = d.get("AXButton", "Clear");
  auto greyed = press(d.excel, clear, "Clear");
  ASSERT_FALSE(greyed.has_value());
  EXPECT_EQ(greyed.error(), ActionError::greyedOut("Clear"));
  EXPECT_EQ(d.x().calls(AXCall::perform), 1u) << "only the tab was pressed";
}

TEST(PopupWindows, OnlyOnScreenNonStandardWindowsOtherThanTheMainOne) {
  ExcelSim s;
  auto main = s.excel.element(s.excel.application(), ax::kMainWindow);
  EXPECT_TRUE(popupWindows(s.excel, main).empty());
  openMenu(s.excel, s.get("AXMenuButton", "Borders"), {});
  auto popups = popupWindows(s.excel, main);
  ASSERT_EQ(popups.size(), 1u);
  EXPECT_NE(popups.front(), *main);
  EXPECT_EQ(s.sim.text(popups.front(), "AXRole"), "AXWindow");
}

TEST(PopupWindows, ACalledOffWorkClosesTheMenusItOpenedAndOnlyThose) {
  ExcelSim s;
  // The work's menu came, but the work was called off before it saw it: nothing left to wait for.
  ExcelApp work(s.services, s.excel.pid());
  openMenu(work, s.get("AXMenuButton", "Borders"), popupWindows(work, std::nullopt));
  ASSERT_TRUE(work.changes().popupAwaited.has_value());
  ASSERT_EQ(s.x().openPopupCount(), 1u);
  ExcelApp tidy(s.services, s.excel.pid());
  double start = s.now();
  closeMenusOfCalledOffWork(tidy, work.changes());
  EXPECT_LT(s.now() - start, 0.2) << "closed at once, not after the wait for a menu still coming";
  EXPECT_EQ(s.escapesPosted(), 1u);
  EXPECT_EQ(s.x().openPopupCount(), 0u);

  // A menu open before the work's first opener is not counted as the work's.
  openMenu(s.excel, s.get("AXMenuButton", "Borders"), {});
  ExcelApp later(s.services, s.excel.pid());
  openMenu(later, s.get("AXMenuButton", "Fill Color"), popupWindows(later, std::nullopt));
  ExcelApp tidyLater(s.services, s.excel.pid());
  closeMenusOfCalledOffWork(tidyLater, later.changes());
  EXPECT_EQ(s.escapesPosted(), 2u) << "one Escape, for the one menu that came after";
  // A work that pressed no opener closes nothing.
  ExcelApp idle(s.services, s.excel.pid());
  closeMenusOfCalledOffWork(tidyLater, idle.changes());
  EXPECT_EQ(s.escapesPosted(), 2u);
}

}  // namespace
}  // namespace corvane::excel

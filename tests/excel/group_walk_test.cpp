// A ribbon step reads the open tab's groups left to right up to the one holding its control, and
// the work's reads of the window and the tabs are made once while nothing changed Excel: the walk
// chooses what a whole scan would, reads only what it needs, and never acts on a read that a wait,
// a press or a keystroke may have made stale.

#include <gtest/gtest.h>

#include <map>

#include "support/builtin_library.hpp"
#include "excel/ax_names.hpp"
#include "excel/element_lookup.hpp"
#include "excel/label_key.hpp"
#include "excel/ribbon_model.hpp"
#include "excel_sim.hpp"

namespace corvane::excel {
namespace {

using testing::ExcelSim;
using testing::ribbon;

/// What the walk answers for the labels, going on to a whole scan as the run does when it is not
/// settled.
std::optional<RibbonCandidate> walked(const ExcelApp& excel, const platform::Element& window,
                                      const model::RibbonStep& step, MatchMode mode) {
  auto enough = [&](const RibbonScan& s) { return settles(step.labels, mode, s); };
  auto walk = walkGroups(excel, window, enough, nullptr);
  if (!walk) return std::nullopt;
  if (enough(walk->scan)) return ribbonMatch(step.labels, mode, false, {}, walk->scan);
  auto all = [](const RibbonScan&) { return true; };
  return ribbonMatch(step.labels, mode, false, {}, scanRibbonFrom(excel, window, std::move(walk->scan), all));
}

TEST(GroupWalk, ChoosesWhatAWholeScanChoosesForEveryBuiltInRibbonStep) {
  for (const char* fixture : {"default", "narrow"}) {
    // Every tab the built-in steps name, and their steps.
    std::map<std::string, std::vector<model::RibbonStep>> byTab;
    for (const auto& shortcut : corvane::testing::builtinLibrary()->shortcuts()) {
      corvane::testing::forEachStep(shortcut.steps, [&](const model::Step& step) {
        if (const auto* r = step.as<model::RibbonStep>(); r != nullptr && r->tab) byTab[*r->tab].push_back(*r);
      });
    }
    ASSERT_GE(byTab.size(), 5u);
    ExcelSim s(fixture);
    std::size_t compared = 0;
    for (const auto& [tab, steps] : byTab) {
      {
        ExcelApp excel(s.services, s.excel.pid());
        auto window = findWorkbookWindow(excel);
        ASSERT_TRUE(window.has_value());
        if (!selectTab(excel, *window, tab)) continue;  // a tab this workbook does not show
      }
      (void)s.sim.time.runUntilIdle();
      for (const auto& step : steps) {
        // A work of its own for each, as a run is.
        ExcelApp excel(s.services, s.excel.pid());
        auto window = *findWorkbookWindow(excel);
        auto mode = step.item && !step.item->empty() ? MatchMode::dropdownButton : MatchMode::press;
        auto whole = ribbonMatch(step.labels, mode, false, {}, scanRibbon(excel, window, [](const RibbonScan&) {
                                   return true;
                                 }));
        auto found = walked(excel, window, step, mode);
        ASSERT_EQ(whole.has_value(), found.has_value()) << fixture << ": " << tab << " " << step.labels.front();
        if (whole) {
          EXPECT_EQ(whole->element, found->element) << fixture << ": " << tab << " " << step.labels.front();
        }
        ++compared;
      }
    }
    EXPECT_GT(compared, 100u) << fixture;
  }
}

TEST(GroupWalk, ARunFromRestReadsItsTabUpToTheControlsGroup) {
  ExcelSim s;
  RibbonModel model;
  s.x().resetCounts();
  ASSERT_TRUE(ribbonStep(s.excel, ribbon({"Bold"}, "Home"), nullptr, &model).has_value());
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Bold"});
  // The window, the Home tab and the commands area, Clipboard and Font: not the other tabs, nor
  // Home's other six groups.
  EXPECT_LE(s.x().remoteCalls(), 30u);
  auto kept = model.current(s.excel);
  ASSERT_TRUE(kept.has_value());
  EXPECT_FALSE(kept->commands);
  EXPECT_EQ(kept->groupsRead, 2u);
  EXPECT_FALSE(kept->tabsWhole);
  EXPECT_FALSE(ribbonMatch({"Insert"}, MatchMode::tab, true, {}, kept->scan).has_value());
}

TEST(GroupWalk, TabsAreReadUpToTheRunsOwnAndOnFromThereWhenMoreAreNeeded) {
  ExcelSim s;
  auto window = findWorkbookWindow(s.excel);
  ASSERT_TRUE(window.has_value());
  auto tabGroup = ribbonTabGroup(s.excel, *window);
  ASSERT_TRUE(tabGroup.has_value());
  auto whole = ribbonTabs(s.excel, *tabGroup);
  ASSERT_TRUE(whole.whole);
  ASSERT_GT(whole.tabs.size(), 3u);

  ExcelApp first(s.services, s.excel.pid());
  auto home = ribbonTabsFor(first, *tabGroup, "home");
  EXPECT_FALSE(home.whole);
  ASSERT_EQ(home.tabs.size(), 1u);
  EXPECT_EQ(home.area, whole.area);
  EXPECT_EQ(home.areaDescription, whole.areaDescription);
  // A later tab reads on from there, and a call for them all completes the same read in the tab
  // group's order: the same tabs and candidates as a read made at once.
  auto review = ribbonTabsFor(first, *tabGroup, labelKey(whole.tabs[3].title));
  EXPECT_EQ(review.tabs.size(), 4u);
  s.x().resetCounts();
  auto completed = ribbonTabs(first, *tabGroup);
  EXPECT_EQ(s.x().remoteCalls(), whole.children.size() - 5);
  EXPECT_TRUE(completed.whole);
  ASSERT_EQ(completed.tabs.size(), whole.tabs.size());
  for (std::size_t i = 0; i < whole.tabs.size(); ++i) EXPECT_EQ(completed.tabs[i].title, whole.tabs[i].title);
  ASSERT_EQ(completed.level.candidates.size(), whole.level.candidates.size());
  for (std::size_t i = 0; i < whole.level.candidates.size(); ++i) {
    EXPECT_EQ(completed.level.candidates[i].element, whole.level.candidates[i].element);
  }

  // A tab that is not there reads them all, to say so.
  ExcelApp second(s.services, s.excel.pid());
  EXPECT_TRUE(ribbonTabsFor(second, *tabGroup, "nosuchtab").whole);
}

TEST(GroupWalk, TheNextRunGoesOnFromWhereTheLastStopped) {
  ExcelSim s;
  RibbonModel model;
  ASSERT_TRUE(ribbonStep(s.excel, ribbon({"Bold"}, "Home"), nullptr, &model).has_value());
  // Italic is in a group already read: only the look at the ribbon and the control's confirmation.
  ExcelApp second(s.services, s.excel.pid());
  s.x().resetCounts();
  ASSERT_TRUE(ribbonStep(second, ribbon({"Italic"}, "Home"), nullptr, &model).has_value());
  EXPECT_LE(s.x().remoteCalls(), 12u);
  // Analyze Data is in the last group: the groups after Font are read, the first two are not again.
  ExcelApp third(s.services, s.excel.pid());
  auto beforeThird = s.x().remoteCalls();
  ASSERT_TRUE(ribbonStep(third, ribbon({"Analyze Data"}, "Home"), nullptr, &model).has_value());
  auto thirdCalls = s.x().remoteCalls() - beforeThird;
  EXPECT_EQ(s.x().commandsRun(), (std::vector<std::string>{"Bold", "Italic", "Analyze Data"}));
  auto kept = model.current(s.excel);
  ASSERT_TRUE(kept.has_value());
  EXPECT_EQ(kept->groupsRead, kept->area.children.size());
  // A whole walk of Home from rest reads more than the groups after Font do.
  ExcelSim fresh;
  fresh.x().resetCounts();
  ASSERT_TRUE(ribbonStep(fresh.excel, ribbon({"Analyze Data"}, "Home")).has_value());
  EXPECT_LT(thirdCalls + 15, fresh.x().remoteCalls());
}

TEST(GroupWalk, TheFirstLabelWinsWhereverItsGroupIs) {
  ExcelSim s;
  // Bold comes first on the ribbon, but the step names Wrap Text first: it is the one pressed.
  ASSERT_TRUE(ribbonStep(s.excel, ribbon({"Wrap Text", "Bold"}, "Home")).has_value());
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Wrap Text"});
  // A first label missing from the tab: the second is looked for on the whole tab.
  ExcelApp again(s.services, s.excel.pid());
  ASSERT_TRUE(ribbonStep(again, ribbon({"No Such Control", "Italic"}, "Home")).has_value());
  EXPECT_EQ(s.x().commandsRun(), (std::vector<std::string>{"Wrap Text", "Italic"}));
}

TEST(GroupWalk, TheWorksReadsAreForgottenOnceItMayHaveChangedExcel) {
  ExcelSim s;
  auto window = *findWorkbookWindow(s.excel);
  s.x().resetCounts();
  auto tabGroup = ribbonTabGroup(s.excel, window);
  ASSERT_TRUE(tabGroup.has_value());
  auto tabs = ribbonTabs(s.excel, *tabGroup);
  EXPECT_EQ(s.x().remoteCalls(), 0u + 1 + tabs.children.size());
  // Asked again with nothing done in between: nothing is read.
  s.x().resetCounts();
  (void)ribbonTabGroup(s.excel, window);
  (void)ribbonTabs(s.excel, *tabGroup);
  EXPECT_EQ(s.x().remoteCalls(), 0u);
  // The user opens Insert while the work waits: after the wait the tabs are read again and show it.
  ASSERT_EQ(s.sim.ax.performAction(s.get("AXRadioButton", "Insert"), ax::kPress), platform::ax::kSuccess);
  ASSERT_TRUE(s.excel.pause(0.6));
  auto after = ribbonTabs(s.excel, *tabGroup);
  std::string open;
  for (const auto& tab : after.tabs) {
    if (tab.open) open = tab.title;
  }
  EXPECT_EQ(open, "Insert");
  // A press by the work itself forgets them too, and so does a keystroke.
  for (int how = 0; how < 2; ++how) {
    (void)ribbonTabs(s.excel, *tabGroup);
    if (how == 0) {
      (void)s.excel.ax().performAction(s.get("AXRadioButton", "Home"), ax::kPress);
    } else {
      ASSERT_TRUE(s.excel.postEscape());
    }
    s.x().resetCounts();
    (void)ribbonTabs(s.excel, *tabGroup);
    EXPECT_GT(s.x().remoteCalls(), 0u) << how;
  }
}

}  // namespace
}  // namespace corvane::excel

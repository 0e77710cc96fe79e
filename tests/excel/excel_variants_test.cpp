#include <gtest/gtest.h>

#include <functional>

#include "excel/action_runner.hpp"
#include "excel/element_lookup.hpp"
#include "excel/shortcut_check.hpp"
#include "excel_sim.hpp"
#include "support/builtin_library.hpp"

// Excel as other evidence shows it: British names, galleries of radio buttons, a font box known by
// its value, the start window with no workbook, tabs that are not tabs, and a commands area that a
// tab switch keeps and refills.

namespace corvane::excel {
namespace {

using platform::sim::ExcelFixture;
using testing::ExcelSim;
using testing::ribbon;
using testing::shortcut;
using Status = CheckResult::Status;

std::shared_ptr<const ExcelFixture> variant(const std::string& base, const std::function<void(ExcelFixture&)>& change) {
  auto copy = std::make_shared<ExcelFixture>(*testing::fixture(base));
  change(*copy);
  return copy;
}

const model::Shortcut& builtin(const std::string& keys) {
  const auto* found = corvane::testing::builtinLibrary()->shortcut(model::parseKeySequence(keys).value());
  EXPECT_NE(found, nullptr) << keys;
  static const model::Shortcut none;
  return found != nullptr ? *found : none;
}

// --- British names ---

TEST(EnglishUk, TheShortcutsThatNeedBritishNamesRunThere) {
  // H H opens Shading, H F C Font Colour, H A M/H A T/H A B the "Align to" buttons, H A C Centre,
  // H J the gallery, H F F the font box that has only its value.
  const std::vector<std::pair<std::string, std::string>> runs{
      {"H A M", "Align to Middle"}, {"H A T", "Align to Top"}, {"H A B", "Align to Bottom"},
      {"H A L", "Align to Left"},   {"H A C", "Centre"},       {"H P", "Percentage Style"}};
  for (const auto& [keys, command] : runs) {
    ExcelSim s("english-uk");
    ActionRunner runner(s.sim.time, s.services, [](const std::string&) {});
    auto problem = runner.runNow(builtin(keys), *s.x().pid());
    EXPECT_FALSE(problem.has_value()) << keys << ": " << problem->reason;
    EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{command}) << keys;
  }
  for (const auto* keys : {"H H", "H F C", "H J"}) {
    ExcelSim s("english-uk");
    ActionRunner runner(s.sim.time, s.services, [](const std::string&) {});
    auto problem = runner.runNow(builtin(keys), *s.x().pid());
    EXPECT_FALSE(problem.has_value()) << keys << ": " << problem->reason;
    EXPECT_EQ(s.x().openPopupCount(), 1u) << keys << " opens its menu";
  }
  ExcelSim s("english-uk");
  ActionRunner runner(s.sim.time, s.services, [](const std::string&) {});
  ASSERT_FALSE(runner.runNow(builtin("H F F"), *s.x().pid()).has_value());
  auto focused = s.x().focusedElement();
  ASSERT_TRUE(focused.has_value());
  EXPECT_EQ(s.sim.text(*focused, "AXValue"), "Calibri (Body)");
  EXPECT_EQ(s.sim.text(*focused, "AXRole"), "AXComboBox");
}

TEST(EnglishUk, OnlyTheFirstUnnamedBoxOfAGroupTakesTheGroupsName) {
  // A second unnamed box in the Font group (the size box, say) must not answer to "Font".
  auto twoBoxes = variant("english-uk", [](ExcelFixture& f) {
    auto& font = f.windows[0].children[1].tabs[0].groups[1];
    ASSERT_EQ(font.description, "Font");
    font.children[1].description.clear();
  });
  ExcelSim s(twoBoxes);
  auto window = findWorkbookWindow(s.excel);
  ASSERT_TRUE(window.has_value());
  auto scan = ribbonScan(s.excel.ax(), {*window}, false, kRibbonScanLimit);
  int font = 0;
  for (const auto& candidate : scan.candidates) {
    if (std::find(candidate.labels.begin(), candidate.labels.end(), "font") != candidate.labels.end()) ++font;
  }
  EXPECT_EQ(font, 1);
  // An unnamed box outside any named group answers to nothing.
  EXPECT_EQ(checkStep(s.excel, ribbon({"Font Size"}, "Home")).status, Status::notFound);
}

// --- Galleries ---

TEST(Galleries, AScrollAreaInAGroupIsAGalleryWithOrWithoutItsHelp) {
  for (const auto* fixture : {"default", "excel-2019", "english-uk"}) {
    ExcelSim s(fixture);
    EXPECT_EQ(checkStep(s.excel, ribbon({"Cell Styles"}, "Home")).status, Status::found) << fixture;
    ActionRunner runner(s.sim.time, s.services, [](const std::string&) {});
    auto problem = runner.runNow(builtin("H J"), *s.x().pid());
    EXPECT_FALSE(problem.has_value()) << fixture << ": " << problem->reason;
    EXPECT_EQ(s.x().openPopupCount(), 1u) << fixture;
  }
  // The tab's own commands area is a scroll area too, but in the tab group: never a gallery, so
  // its controls are still found.
  ExcelSim s("excel-2019");
  EXPECT_EQ(checkStep(s.excel, ribbon({"Wrap Text"}, "Home")).status, Status::found);
}

// --- No workbook, and a ribbon unlike the one the lookups know ---

TEST(StartWindow, WithOnlyTheStartWindowEveryStepSaysOpenAWorkbookFirst) {
  ExcelSim s("no-workbook");
  ASSERT_EQ(s.sim.windows().size(), 1u) << "the start window, “Open new and recent files”";
  EXPECT_EQ(findWorkbookWindow(s.excel).error().kind, ActionError::Kind::noWorkbook);
  ActionRunner runner(s.sim.time, s.services, [](const std::string&) {});
  for (const auto* keys : {"H W", "H J", "1"}) {
    auto problem = runner.runNow(builtin(keys), *s.x().pid());
    ASSERT_TRUE(problem.has_value()) << keys;
    EXPECT_EQ(problem->title, "Open a workbook first") << keys;
  }
  EXPECT_TRUE(s.x().commandsRun().empty());
}

TEST(StartWindow, TabsThatAreButtonsSayTheRibbonIsNotAsExpectedNotTurnItOn) {
  auto buttons = variant("default", [](ExcelFixture& f) {
    auto& ribbonNode = f.windows[0].children[1];
    for (auto& tab : ribbonNode.tabs) tab.role = "AXButton";
  });
  ExcelSim s(buttons);
  auto window = findWorkbookWindow(s.excel);
  ASSERT_TRUE(window.has_value());
  auto selected = selectTab(s.excel, *window, "Insert");
  ASSERT_FALSE(selected.has_value());
  EXPECT_EQ(selected.error(), ActionError::general("Excel's ribbon isn't laid out as Corvane expects: its “Insert” "
                                                   "tab isn't a tab Corvane can select"));
  ActionRunner runner(s.sim.time, s.services, [](const std::string&) {});
  auto problem = runner.runNow(shortcut({"Z"}, "Wrap", {ribbon({"Wrap Text"}, "Home")}), *s.x().pid());
  ASSERT_TRUE(problem.has_value());
  EXPECT_EQ(problem->title, "Couldn't run “Wrap”");
  EXPECT_EQ(problem->detail.find("View › Ribbon"), std::string::npos) << problem->detail;
  EXPECT_TRUE(s.x().commandsRun().empty()) << "a tab that is not a tab is never pressed";

  // A tab that is simply absent from a ribbon of tabs still says to turn the ribbon on.
  ExcelSim plain;
  auto missing = selectTab(plain.excel, *findWorkbookWindow(plain.excel), "Developer");
  EXPECT_EQ(missing.error().kind, ActionError::Kind::noTab);
}

// --- A commands area that a tab switch keeps ---

std::shared_ptr<const ExcelFixture> reused(bool keepDescriptions, double fill = 0) {
  return variant("default", [&](ExcelFixture& f) {
    f.application.commandsAreaReused = true;
    f.application.commandsFill = fill;
    if (keepDescriptions) return;
    for (auto& tab : f.windows[0].children[1].tabs) tab.commandsDescription = "";
  });
}

TEST(ReusedCommandsArea, ATabSwitchEndsWhenTheGroupsAreReplacedNotAtTheBound) {
  for (bool described : {true, false}) {
    for (double fill : {0.0, 0.3}) {
      ExcelSim s(reused(described, fill));
      auto window = *findWorkbookWindow(s.excel);
      auto tabGroup = ribbonTabGroup(s.excel, window);
      ASSERT_TRUE(tabGroup.has_value());
      auto before = commandsArea(s.excel, *tabGroup);
      double start = s.now();
      ASSERT_TRUE(selectTab(s.excel, window, "Insert").has_value());
      EXPECT_LT(s.now() - start, 0.3) << "described " << described << ", fill " << fill;
      EXPECT_EQ(commandsArea(s.excel, *tabGroup), before) << "the same area";
      // The run then finds the tab's controls, waiting for them to fill in where they do.
      ASSERT_TRUE(ribbonStep(s.excel, ribbon({"PivotTable"}, "Insert")).has_value())
          << "described " << described << ", fill " << fill;
    }
  }
}

TEST(ReusedCommandsArea, TheBuiltInCheckTakesNoLongerThanWithANewAreaPerTab) {
  auto timeOf = [](std::shared_ptr<const ExcelFixture> fixture, int& notFound) {
    ExcelSim s(std::move(fixture));
    double start = s.now();
    auto report = checkShortcuts(s.excel, corvane::testing::builtinLibrary()->shortcuts(), "today");
    notFound = report.notFound;
    return s.now() - start;
  };
  int notFoundFresh = -1;
  int notFoundReused = -1;
  double fresh = timeOf(variant("default", [](ExcelFixture& f) {
                          for (auto& tab : f.windows[0].children[1].tabs) tab.commandsDescription = "";
                        }),
                        notFoundFresh);
  double kept = timeOf(reused(false), notFoundReused);
  EXPECT_EQ(notFoundFresh, 0);
  EXPECT_EQ(notFoundReused, 0);
  // Seven tab switches: waiting out the 0.8 s bound on each would add more than five seconds.
  EXPECT_LT(kept, fresh + 0.5) << "fresh " << fresh << " s, reused " << kept << " s";
}

}  // namespace
}  // namespace corvane::excel

#include <gtest/gtest.h>

#include "excel/action_runner.hpp"
#include "excel/ax_names.hpp"
#include "excel/element_lookup.hpp"
#include "excel_sim.hpp"
#include "support/builtin_library.hpp"

// The lookup leans on nothing public evidence leaves open: the ribbon is found by role, a tab's
// commands by their appearing, a control with only an identifier by it, and a name ending in a
// colon without it.

namespace corvane::excel {
namespace {

using testing::ExcelSim;

std::shared_ptr<const platform::sim::ExcelFixture> unknownDescriptions() {
  static const auto fixture = [] {
    platform::posix::PosixFiles files;
    auto loaded = platform::sim::loadFixtureFile(files, corvane::testing::dataPath("fixtures/unknown-descriptions.json"));
    EXPECT_TRUE(loaded.has_value()) << (loaded ? "" : loaded.error().text());
    return std::make_shared<const platform::sim::ExcelFixture>(loaded.value_or(platform::sim::ExcelFixture{}));
  }();
  return fixture;
}

TEST(LookupByRole, WithoutDescriptionsTheRibbonIsFoundAndATabSwitchCostsItsDelayAndOnePoll) {
  ExcelSim s(unknownDescriptions());
  auto window = s.sim.workbook();
  auto tabGroup = ribbonTabGroup(s.excel, window);
  ASSERT_TRUE(tabGroup.has_value());
  EXPECT_EQ(s.sim.text(*tabGroup, "AXDescription"), "") << "the fixture drops it";
  auto area = commandsArea(s.excel, *tabGroup);
  ASSERT_TRUE(area.has_value());
  EXPECT_EQ(s.sim.text(*area, "AXDescription"), "");
  EXPECT_EQ(findWorkbookWindow(s.excel).value_or(platform::Element{}), window);

  double start = s.now();
  ASSERT_TRUE(selectTab(s.excel, window, "View").has_value());
  double delay = s.x().application().tabSwitchDelay;
  EXPECT_EQ(s.x().shownCommandsTab(), "View");
  EXPECT_LE(s.now() - start, delay + 0.025 + 0.015) << "the tab's delay, one 25 ms poll and a few reads";
}

TEST(LookupByRole, OptionWFFWithoutDescriptionsTakesNoLongerThanOnTheDefaultExcel) {
  const auto* shortcut = corvane::testing::builtinLibrary()->shortcut(std::vector<std::string>{"W", "F", "F"});
  ASSERT_NE(shortcut, nullptr);
  auto timed = [shortcut](std::shared_ptr<const platform::sim::ExcelFixture> fixture) {
    ExcelSim s(std::move(fixture));
    ActionRunner runner(s.sim.time, s.services, {});
    double start = s.now();
    auto problem = runner.runNow(*shortcut, 4242);
    EXPECT_FALSE(problem.has_value()) << (problem ? problem->reason : "");
    EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Freeze Panes"});
    return s.now() - start;
  };
  double known = timed(testing::fixture("default"));
  double unknown = timed(unknownDescriptions());
  // A described ribbon ends the look at the window's parts; an undescribed one leaves the parts after
  // it to be asked what they are (a few calls each time the window is read), nothing more.
  EXPECT_LE(unknown, known + 0.005) << "default " << known << " s, unknown descriptions " << unknown << " s";
}

TEST(LookupByRole, ADialogWithTabsOfItsOwnIsNeverTakenForTheWorkbook) {
  ExcelSim s;
  auto workbook = s.sim.workbook();
  ASSERT_EQ(s.sim.press(s.get("AXButton", "Font Settings")), platform::ax::kSuccess);
  ASSERT_TRUE(s.sim.time.runUntilIdle());
  auto dialog = s.get("AXWindow", "Format Cells");
  ASSERT_TRUE(ribbonTabGroup(s.excel, workbook).has_value());
  EXPECT_FALSE(carriesRibbon(s.excel, dialog)) << "its tab group is not a ribbon";
  EXPECT_EQ(findWorkbookWindow(s.excel).value_or(platform::Element{}), workbook);
}

constexpr const char* kNamesFixture = R"({
  "name": "names",
  "windows": [
    {"subrole": "AXStandardWindow", "title": "Book1", "frame": [0, 25, 1200, 700], "children": [
      {"role": "AXTabGroup", "tabs": [
        {"title": "Home", "groups": [{"description": "Alignment", "children": [
          {"role": "AXCheckBox", "title": "Align Right:", "place": "row1"},
          {"role": "AXButton", "identifier": "FormatPainter", "runs": "Format Painter", "place": "row2"},
          {"role": "AXButton", "title": "Bold", "identifier": "Italic", "place": "row3"}
        ]}]},
        {"title": "Data"}
      ]}
    ]}
  ],
  "menuBar": [{"title": "Apple", "menu": ["About This Mac"]}]
})";

TEST(LookupByRole, AnIdentifierIsTheLastResortNameAndATrailingColonNeverMatters) {
  ExcelSim s(platform::sim::testing::parseOrFail(kNamesFixture));
  auto run = [&s](const std::string& label) {
    return ribbonStep(s.excel, testing::ribbon({label}, "Home"));
  };
  ASSERT_TRUE(run("Align Right").has_value());
  ASSERT_TRUE(run("Format Painter").has_value()) << "its identifier, FormatPainter, names it";
  EXPECT_FALSE(run("Italic").has_value()) << "an identifier is no name for a control that has one";
  EXPECT_EQ(s.x().commandsRun(), (std::vector<std::string>{"Align Right:", "Format Painter"}));
}

}  // namespace
}  // namespace corvane::excel

#include <gtest/gtest.h>

#include "excel/element_lookup.hpp"
#include "excel/widen_excel.hpp"
#include "excel_sim.hpp"
#include "platform/screens.hpp"

// Widening Excel's window to the usable area of its screen: the fix behind "Widen Excel".

namespace corvane::excel {
namespace {

using testing::ExcelSim;
using testing::ribbon;

class FakeScreens final : public platform::Screens {
 public:
  std::vector<platform::ScreenInfo> all;
  std::optional<platform::ScreenInfo> main;
  std::vector<platform::ScreenInfo> screens() override { return all; }
  std::optional<platform::ScreenInfo> mainScreen() override { return main; }
  platform::Point mouseLocation() override { return {}; }
};

// Window coordinates: the primary screen is 1440 × 900 with a 25-point menu bar; a second screen
// of 1920 × 1080 sits to its right with a 40-point Dock at the bottom.
const platform::ScreenInfo kPrimary{1, {0, 0, 1440, 900}, {0, 0, 1440, 875}, 2};
const platform::ScreenInfo kSecond{2, {1440, 0, 1920, 1080}, {1440, 40, 1920, 1040}, 1};

TEST(WidenExcel, FillsTheUsableAreaSoFoldedControlsComeBack) {
  ExcelSim s("narrow");
  EXPECT_FALSE(s.x().find({"AXCheckBox", "Wrap Text"}).has_value()) << "folded away at first";
  FakeScreens screens;
  screens.all = {kPrimary, kSecond};
  widenExcel(s.excel, screens);
  EXPECT_EQ(s.x().workbookFrame(), (platform::Rect{0, 25, 1440, 875}));
  ASSERT_TRUE(ribbonStep(s.excel, ribbon({"Wrap Text"}, "Home")).has_value()) << "try again after widening";
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Wrap Text"});
  for (const auto& event : s.x().events()) {
    EXPECT_NE(event.kind, platform::sim::ExcelEvent::Kind::menuOpened) << "pressed on the ribbon itself";
  }
}

TEST(WidenExcel, UsesTheScreenTheWindowIsOnElseTheMainScreen) {
  ExcelSim s("narrow");
  FakeScreens screens;
  screens.all = {kPrimary, kSecond};
  auto window = s.sim.workbook();
  ASSERT_EQ(s.x().accessibility().setAttribute(window, "AXPosition", platform::Point{1600, 100}), platform::ax::kSuccess);
  widenExcel(s.excel, screens);
  // Top of the second screen's visible area: 900 − (40 + 1040) = −180 in accessibility coordinates.
  EXPECT_EQ(s.x().workbookFrame(), (platform::Rect{1440, -180, 1920, 1040}));

  ExcelSim off("narrow");
  ASSERT_EQ(off.x().accessibility().setAttribute(off.sim.workbook(), "AXPosition", platform::Point{5000, 100}),
            platform::ax::kSuccess);
  FakeScreens onlyMain;
  onlyMain.all = {kPrimary};
  onlyMain.main = kPrimary;
  widenExcel(off.excel, onlyMain);
  EXPECT_EQ(off.x().workbookFrame(), (platform::Rect{0, 25, 1440, 875}));
}

TEST(WidenExcel, DoesNothingWithoutAWindowFrameOrScreen) {
  ExcelSim s("narrow");
  FakeScreens none;
  widenExcel(s.excel, none);
  EXPECT_EQ(s.x().workbookFrame(), (platform::Rect{0, 25, 1000, 875}));

  ExcelSim noWorkbook("no-workbook");
  FakeScreens screens;
  screens.all = {kPrimary};
  widenExcel(noWorkbook.excel, screens);  // nothing to widen, nothing breaks

  ExcelSim unreadable("narrow");
  unreadable.x().injectError(unreadable.sim.workbook(), platform::ax::kNoValue, "AXSize");
  widenExcel(unreadable.excel, screens);
  EXPECT_EQ(unreadable.x().workbookFrame(), (platform::Rect{0, 25, 1000, 875}));
}

}  // namespace
}  // namespace corvane::excel

#include <gtest/gtest.h>

#include "excel/action_runner.hpp"
#include "excel/menus_and_toolbars.hpp"
#include "excel/shortcut_check.hpp"
#include "excel_sim.hpp"

// The Quick Access Toolbar is numbered by the title bar's structure alone: whatever ends the run of
// plain buttons is never pressed, whatever it is called, and the check says it is not sure.

namespace corvane::excel {
namespace {

using platform::sim::ExcelFixture;
using platform::sim::FixtureNode;
using testing::ExcelSim;
using testing::shortcut;
using Status = CheckResult::Status;

/// The default title bar's items (in its one group): AutoSave, 14 buttons, the customise menu, the
/// document title, the search field, Comments, Share.
std::vector<FixtureNode>& titlebarItemsOf(ExcelFixture& f) { return f.windows[0].children[0].children[0].children; }

/// The default Excel with a toolbar of four buttons (AutoSave, Home, Save, Undo); the customise
/// button keeps its place right after them but takes `customise` as its name ("" for none).
std::shared_ptr<const ExcelFixture> fourButtons(const std::string& customise) {
  auto f = std::make_shared<ExcelFixture>(*testing::instantFixture("default"));
  auto& items = titlebarItemsOf(*f);
  items.erase(items.begin() + 4, items.begin() + 15);
  EXPECT_EQ(items[4].description, "Customize Quick Access Toolbar");
  items[4].description = customise;
  items[4].frame->x = 250;
  return f;
}

std::vector<model::Shortcut> qatShortcuts(std::initializer_list<std::int64_t> numbers) {
  std::vector<model::Shortcut> out;
  for (auto n : numbers) {
    out.push_back(shortcut({std::to_string(n)}, "Quick Access Toolbar button " + std::to_string(n), {model::QatStep{n}}));
  }
  return out;
}

TEST(QuickAccessByStructure, ARenamedCustomiseButtonEndsTheToolbarAndNothingBeyondIsPressed) {
  for (const auto* name : {"Anpassen", ""}) {
    ExcelSim s(fourButtons(name));
    auto toolbar = quickAccessToolbar(s.excel, titlebarItems(s.excel, s.sim.workbook()));
    ASSERT_EQ(toolbar.buttons.size(), 4u) << name;
    EXPECT_TRUE(toolbar.endsUncertain);
    EXPECT_EQ(s.excel.displayName(toolbar.buttons[3]), "Undo");

    // ⌥ 5 would open the customise menu, ⌥ 6 run Comments and ⌥ 7 open Share by a count that
    // trusts the name; each presses nothing and says why.
    for (std::int64_t n : {5, 6, 7}) {
      auto result = pressQat(s.excel, n);
      ASSERT_FALSE(result.has_value()) << n;
      EXPECT_EQ(result.error(), ActionError::general("The Quick Access Toolbar has no button " + std::to_string(n) +
                                                     ": after its 4 buttons comes a control that may be something "
                                                     "else, so nothing was pressed"));
    }
    EXPECT_TRUE(s.x().commandsRun().empty()) << name;
    EXPECT_EQ(s.x().openPopupCount(), 0u) << "the customise menu stays shut";
    ASSERT_TRUE(pressQat(s.excel, 4).has_value());
    EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Undo"});
  }
}

TEST(QuickAccessByStructure, TheRunShowsAProblemAndTheCheckMarksItUncertain) {
  ExcelSim s(fourButtons("Anpassen"));
  ActionRunner runner(s.sim.time, s.services, [](const std::string&) {});
  auto five = qatShortcuts({5}).front();
  auto problem = runner.runNow(five, *s.x().pid());
  ASSERT_TRUE(problem.has_value());
  EXPECT_EQ(problem->title, "Couldn't run “Quick Access Toolbar button 5”");
  EXPECT_NE(problem->detail.find("nothing was pressed"), std::string::npos) << problem->detail;
  EXPECT_TRUE(s.x().commandsRun().empty());

  auto report = checkShortcuts(s.excel, qatShortcuts({1, 4, 5, 6, 7}), "today");
  EXPECT_EQ(report.found, 2);
  EXPECT_EQ(report.uncertain, 3);
  EXPECT_EQ(report.notFound, 0);
  EXPECT_EQ(report.text.find("✅  ⌥ 5"), std::string::npos) << report.text;
  EXPECT_NE(report.text.find("⚠️  ⌥ 5         Quick Access Toolbar button 5\n"
                             "            Quick Access Toolbar has no button 5 (4 found; nothing is pressed)"),
            std::string::npos)
      << report.text;
  EXPECT_NE(report.text.find("   ⚠️ 3 uncertain (never pressed)\n"), std::string::npos) << report.text;
  EXPECT_TRUE(s.x().commandsRun().empty()) << "the check presses nothing";
}

TEST(QuickAccessByStructure, ButtonsSetApartOrAfterTheTitleAreNotTheToolbar) {
  // No customise button and no document title: Comments and Share sit far to the right.
  auto f = std::make_shared<ExcelFixture>(*fourButtons(""));
  auto& items = titlebarItemsOf(*f);
  items.erase(items.begin() + 4, items.begin() + 6);
  ASSERT_EQ(items[5].title, "Comments");
  ExcelSim s(f);
  auto toolbar = quickAccessToolbar(s.excel, titlebarItems(s.excel, s.sim.workbook()));
  EXPECT_EQ(toolbar.buttons.size(), 4u);
  EXPECT_TRUE(toolbar.endsUncertain);
  EXPECT_FALSE(pressQat(s.excel, 5).has_value());
  EXPECT_TRUE(s.x().commandsRun().empty());

  // The document's name ends the toolbar too, even with buttons right after it.
  auto titled = std::make_shared<ExcelFixture>(*fourButtons(""));
  auto& titledItems = titlebarItemsOf(*titled);
  titledItems.erase(titledItems.begin() + 4);
  titledItems[5].frame = platform::Rect{260, 28, 76, 22};  // Comments, moved next to the title
  ExcelSim t(titled);
  EXPECT_EQ(quickAccessButtons(t.excel, t.sim.workbook()).size(), 4u);
}

TEST(QuickAccessByStructure, AMissingSlotEndsTheToolbarThere) {
  // Print is gone, and a gap stands where it was: the buttons after it may be anything.
  auto f = std::make_shared<ExcelFixture>(*testing::instantFixture("default"));
  auto& items = titlebarItemsOf(*f);
  items.erase(items.begin() + 5);
  ExcelSim s(f);
  auto toolbar = quickAccessToolbar(s.excel, titlebarItems(s.excel, s.sim.workbook()));
  EXPECT_EQ(toolbar.buttons.size(), 5u);
  EXPECT_TRUE(toolbar.endsUncertain);
}

TEST(QuickAccessByStructure, AnItemThatDoesNotAnswerEndsTheToolbarThere) {
  ExcelSim s;
  s.x().injectError(platform::sim::ElementSelector{"AXButton", "Print"}, platform::ax::kCannotComplete);
  auto toolbar = quickAccessToolbar(s.excel, titlebarItems(s.excel, s.sim.workbook()));
  EXPECT_EQ(toolbar.buttons.size(), 5u) << "AutoSave, Home, Save, Undo, Redo";
  EXPECT_TRUE(toolbar.endsUncertain);
  EXPECT_FALSE(pressQat(s.excel, 6).has_value());
  EXPECT_TRUE(s.x().commandsRun().empty());
}

TEST(QuickAccessByStructure, AButtonOrTheDocumentNameThatStopsAnsweringIsPassedOverBriefly) {
  // Print hangs: the buttons before it still run, those after it are uncertain and never pressed.
  ExcelSim s;
  s.x().setHung(s.get("AXButton", "Print"));
  ActionRunner runner(s.sim.time, s.services, [](const std::string&) {});
  auto qat = qatShortcuts({2, 6, 7});
  double start = s.now();
  EXPECT_FALSE(runner.runNow(qat[0], *s.x().pid()).has_value());
  EXPECT_LT(s.now() - start, 1.0) << "one brief wait, not the work's 2 s and its end";
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Home"});
  for (const auto& beyond : {qat[1], qat[2]}) {
    auto problem = runner.runNow(beyond, *s.x().pid());
    ASSERT_TRUE(problem.has_value());
    EXPECT_NE(problem->detail.find("nothing was pressed"), std::string::npos) << problem->detail;
  }
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Home"});

  // The document's name hangs: every Quick Access button and the title bar's Comments still run.
  ExcelSim t;
  t.x().setHung(t.get("AXStaticText", "CUIDocumentShellWindowTitleLabel"));
  ActionRunner titled(t.sim.time, t.services, [](const std::string&) {});
  EXPECT_FALSE(titled.runNow(qatShortcuts({15}).front(), *t.x().pid()).has_value());
  auto share = shortcut({"Z", "C"}, "Comments", {model::TitlebarStep{{"Comments"}}});
  EXPECT_FALSE(titled.runNow(share, *t.x().pid()).has_value());
  EXPECT_EQ(t.x().commandsRun(), (std::vector<std::string>{"Repeat", "Comments"}));
}

TEST(QuickAccessByStructure, TheUsualToolbarKeepsItsFifteenAndAMissingSlotIsUncertain) {
  ExcelSim s;
  auto toolbar = quickAccessToolbar(s.excel, titlebarItems(s.excel, s.sim.workbook()));
  EXPECT_EQ(toolbar.buttons.size(), 15u);
  EXPECT_FALSE(toolbar.endsUncertain) << "ended by the customise button by its usual name";
  EXPECT_EQ(checkStep(s.excel, model::QatStep{16}),
            (CheckResult{Status::uncertain, "Quick Access Toolbar has no button 16 (15 found; nothing is pressed)"}));
  EXPECT_EQ(checkStep(s.excel, model::QatStep{0}), (CheckResult{Status::notFound, "Quick Access Toolbar has no button 0"}));
  // A keystroke behind it still decides, as a run would post it.
  model::FirstOfStep fallsBack{{model::QatStep{16}, model::KeyStep{testing::combo("cmd+s")}}};
  EXPECT_EQ(checkStep(s.excel, fallsBack).status, Status::notCheckable);

  ExcelSim none("no-workbook");
  EXPECT_EQ(checkStep(none.excel, model::QatStep{1}).status, Status::notFound);
}

}  // namespace
}  // namespace corvane::excel

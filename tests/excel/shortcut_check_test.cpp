#include <gtest/gtest.h>

#include <set>

#include "excel/shortcut_check.hpp"
#include "excel_sim.hpp"
#include "model/text.hpp"
#include "support/builtin_library.hpp"

// The shortcut check (statuses and notes, never pressing anything) and the menu map, with the
// report and the map as golden files.

namespace corvane::excel {
namespace {

using Status = CheckResult::Status;
using testing::combo;
using testing::ExcelSim;
using testing::shortcut;
using testing::ribbon;

TEST(CheckLine, KeysArePaddedOrCutToEightCharacters) {
  EXPECT_EQ(checkLine(shortcut({"H", "O", "I"}, "AutoFit Column Width"), {Status::found, ""}),
            "✅  ⌥ H O I     AutoFit Column Width");
  EXPECT_EQ(checkLine(shortcut({"A", "B", "C", "D", "E"}, "Ten"), {Status::notCheckable, ""}), "➖  ⌥ A B C D   Ten");
  EXPECT_EQ(checkLine(shortcut({"Q", "W", "E", "R"}, "Exactly"), {Status::notFound, "menu X › Y not found"}),
            "❌  ⌥ Q W E R   Exactly\n            menu X › Y not found");
  EXPECT_EQ(checkLine(shortcut({"Q", "W", "E", "R", "T"}, "Nine"), {Status::found, ""}), "✅  ⌥ Q W E R   Nine");
}

TEST(CheckStep, KeystrokesDialogsWaitsAndMacrosAreNotCheckable) {
  ExcelSim s;
  for (const model::Step& step : {model::Step(model::KeyStep{combo("cmd+b")}), model::Step(model::ClickStep{{"OK"}, 1}),
                                  model::Step(model::WaitStep{1}), model::Step(model::UseStep{"m"}),
                                  model::Step(model::SequenceStep{})}) {
    EXPECT_EQ(checkStep(s.excel, step), (CheckResult{Status::notCheckable, ""}));
  }
  EXPECT_EQ(checkShortcut(s.excel, shortcut({"X"}, "Nothing")), (CheckResult{Status::notCheckable, ""}));
}

TEST(CheckStep, FirstOfRules) {
  ExcelSim s;
  model::FirstOfStep fallsBack{{ribbon({"Make Coffee"}, "Home"), model::KeyStep{combo("cmd+b")}}};
  EXPECT_EQ(checkStep(s.excel, fallsBack),
            (CheckResult{Status::notCheckable, "falls back to keystroke; ribbon Home › Make Coffee not found"}));
  model::FirstOfStep bothMissing{{ribbon({"Make Coffee#2"}), model::MenuStep{{{"Tools"}, {"Make Tea"}}}}};
  EXPECT_EQ(checkStep(s.excel, bothMissing),
            (CheckResult{Status::notFound, "ribbon  › Make Coffee#2 not found; menu Tools › Make Tea not found"}));
  model::FirstOfStep oneFound{{model::MenuStep{{{"Tools"}, {"Make Tea"}}}, ribbon({"Bold"})}};
  EXPECT_EQ(checkStep(s.excel, oneFound), (CheckResult{Status::found, ""}));
  EXPECT_EQ(checkStep(s.excel, model::FirstOfStep{}), (CheckResult{Status::notFound, ""}));
  model::FirstOfStep onlyKeys{{model::KeyStep{combo("cmd+b")}}};
  EXPECT_EQ(checkStep(s.excel, onlyKeys), (CheckResult{Status::notCheckable, ""}));
}

TEST(CheckShortcut, KeepsTheKeystrokeFallbackNoteOfAStepThatCannotBeChecked) {
  ExcelSim s;
  model::FirstOfStep fallsBack{{ribbon({"Make Coffee"}, "Home"), model::KeyStep{combo("cmd+b")}}};
  auto wrapped = shortcut({"X"}, "Coffee");
  wrapped.steps = {model::WaitStep{0.1}, fallsBack, model::KeyStep{combo("cmd+c")}};
  EXPECT_EQ(checkShortcut(s.excel, wrapped),
            (CheckResult{Status::notCheckable, "falls back to keystroke; ribbon Home › Make Coffee not found"}));
  model::SequenceStep inSequence{{model::KeyStep{combo("cmd+a")}, fallsBack}};
  EXPECT_EQ(checkStep(s.excel, inSequence).note, "falls back to keystroke; ribbon Home › Make Coffee not found");
  // A checkable step later on still decides.
  wrapped.steps.push_back(ribbon({"Bold"}));
  EXPECT_EQ(checkShortcut(s.excel, wrapped), (CheckResult{Status::found, ""}));
}

TEST(CheckStep, EachSurfaceFoundOrNotFoundWithItsNote) {
  ExcelSim s;
  EXPECT_EQ(checkStep(s.excel, ribbon({"Borders"}, "Home", model::MenuPath{{"Bottom Border"}})),
            (CheckResult{Status::found, "dropdown found (items inside not opened)"}));
  EXPECT_EQ(checkStep(s.excel, ribbon({"Borders"}, "Home", model::MenuPath{})),
            (CheckResult{Status::found, "dropdown found (items inside not opened)"}));
  EXPECT_EQ(checkStep(s.excel, ribbon({"Bold"}, "Developer")),
            (CheckResult{Status::notFound, "ribbon Developer › Bold not found"}));
  EXPECT_EQ(checkStep(s.excel, model::QatStep{6}), (CheckResult{Status::found, ""}));
  EXPECT_EQ(checkStep(s.excel, model::QatStep{16}),
            (CheckResult{Status::uncertain, "Quick Access Toolbar has no button 16 (15 found; nothing is pressed)"}));
  EXPECT_EQ(checkStep(s.excel, model::TitlebarStep{{"Document Title"}}), (CheckResult{Status::found, ""}));
  EXPECT_EQ(checkStep(s.excel, model::TitlebarStep{{"Nothing#1"}}),
            (CheckResult{Status::notFound, "title bar › Nothing#1 not found"}));
  EXPECT_EQ(checkStep(s.excel, model::MenuStep{{{"Column"}, {"AutoFit Selection"}}}), (CheckResult{Status::found, ""}));
  // A sequence is checked by its first checkable step.
  model::SequenceStep sequence{{model::KeyStep{combo("cmd+b")}, model::MenuStep{{{"Format"}, {"Nothing"}}}}, false};
  EXPECT_EQ(checkStep(s.excel, sequence), (CheckResult{Status::notFound, "menu Format › Nothing not found"}));
  EXPECT_TRUE(s.x().commandsRun().empty()) << "the check never presses anything";
  EXPECT_TRUE(s.x().openMenuBarMenus().empty());
  EXPECT_EQ(s.x().openPopupCount(), 0u);
}

TEST(ShortcutCheck, ThePinnedLibraryReportAndTheRibbonLeftOnHome) {
  ExcelSim s;
  auto library = testing::pinnedLibrary();
  ASSERT_TRUE(library->warnings().empty()) << library->warnings().front();
  auto report = checkShortcuts(s.excel, library->shortcuts(), "2026-03-02 09:00");
  corvane::testing::expectGolden("excel/shortcut-check.txt", report.text);
  EXPECT_EQ(report.found + report.notFound + report.notCheckable + report.uncertain,
            static_cast<int>(library->shortcuts().size()));
  EXPECT_GT(report.notFound, 0);
  EXPECT_EQ(s.x().selectedTab(), "Home");
  EXPECT_TRUE(s.x().commandsRun().empty());

  ExcelSim none("no-workbook");
  // Without a workbook nothing can be looked for: said once, instead of a ❌ for every shortcut.
  auto empty = checkShortcuts(none.excel, library->shortcuts(), "2026-03-02 09:00");
  EXPECT_EQ(empty.text,
            "Corvane shortcut check — 2026-03-02 09:00\nOpen a workbook in Excel first: the check looks for each shortcut "
            "in a workbook window's ribbon and menus.\n");
  EXPECT_TRUE(empty.blocked);
  EXPECT_EQ(empty.notFound, 0);
  EXPECT_FALSE(report.blocked);
  // The advice is for ❌ lines; with none it is not given.
  ShortcutCheckReport allFound = checkShortcuts(s.excel, {}, "2026-03-02 09:00");
  EXPECT_EQ(allFound.text, "Corvane shortcut check — 2026-03-02 09:00\n✅ 0 found in Excel   ❌ 0 not found   ➖ 0 "
                           "keystroke/dialog steps (not checkable)\n\n");
}

TEST(MenuMap, TheDefaultExcelsMenus) {
  ExcelSim s;
  auto read = menuMap(s.excel);
  EXPECT_TRUE(read.complete()) << read.problem;
  EXPECT_EQ(read.fileText(), read.text);
  const auto& map = read.text;
  corvane::testing::expectGolden("excel/menu-map.txt", map);
  EXPECT_NE(map.find("\n    Paste Special...    [⌃⌘V]\n"), std::string::npos) << "as Excel spells it";
  EXPECT_NE(map.find("\n    Paste and Match Formatting    [⌥⇧⌘V]\n"), std::string::npos);
  EXPECT_NE(map.find("\n        Replace…    [⌃H]\n"), std::string::npos) << "no Command bit: only ⌃";
  EXPECT_NE(map.find("\n    Links…    (greyed out)\n"), std::string::npos);
  EXPECT_EQ(map.find("\n    \n"), std::string::npos) << "separators have no title and are left out";
}

TEST(MenuMap, StopsFiveLevelsBelowTheMenuBarAndSaysWhenItCannotRead) {
  auto fixture = platform::sim::testing::parseOrFail(
      R"({"name": "deep", "windows": [], "menuBar": [{"title": "Deep", "menu": [{"title": "L1", "menu": [)"
      R"({"title": "L2", "menu": [{"title": "L3", "menu": [{"title": "L4", "menu": [{"title": "L5", "menu": [)"
      R"({"title": "L6", "menu": ["L7"]}]}]}]}]}]}]}]})");
  ASSERT_NE(fixture, nullptr);
  platform::sim::testing::Sim sim(fixture);
  ExcelServices services{sim.excel->accessibility(), sim.excel->windowList(), sim.excel->inputPoster(), sim.time};
  ExcelApp excel(services, *sim.excel->pid());
  auto deep = menuMap(excel);
  EXPECT_EQ(deep.text, "Deep\n    L1\n        L2\n            L3\n                L4\n                    L5\n");
  EXPECT_TRUE(deep.complete()) << "five levels is where it means to stop";

  sim.excel->injectError(sim.app(), platform::ax::kNoValue, "AXMenuBar");
  auto none = menuMap(excel);
  EXPECT_EQ(none.text, "");
  EXPECT_EQ(none.problem, "Couldn't read Excel's menus.");
  EXPECT_EQ(none.fileText(), "Couldn't read Excel's menus.\n");
}

TEST(MenuMap, AMenuThatDoesNotAnswerEndsTheMapWhichSaysWhereAndWhy) {
  struct Case {
    std::string role, label;
    std::string lastLine;  ///< the map's last line before the problem
    std::string where;
  };
  for (const auto& c : {Case{"AXMenuBarItem", "Format", "Format", "the Format menu"},
                        Case{"AXMenuItem", "Column", "    Column", "the Format › Column menu"},
                        Case{"AXMenuBar", "", "", "the menu bar"}}) {
    ExcelSim s;
    auto target = c.role == "AXMenuBar" ? s.x().find({"AXMenuBar", ""}) : s.x().find({c.role, c.label});
    ASSERT_TRUE(target.has_value()) << c.label;
    if (c.role == "AXMenuBarItem") {
      // The item answers; the menu under it does not.
      auto menu = s.excel.firstChild(*target, "AXMenu");
      ASSERT_TRUE(menu.has_value());
      s.x().setHung(*menu);
    } else if (c.role == "AXMenuItem") {
      // Format › Column (other menus have a Column item too).
      auto format = s.excel.firstChild(*s.x().find({"AXMenuBarItem", "Format"}), "AXMenu");
      ASSERT_TRUE(format.has_value());
      std::optional<platform::Element> column;
      for (const auto& item : s.excel.children(*format)) {
        if (s.excel.string(item, "AXTitle") == "Column") column = item;
      }
      ASSERT_TRUE(column.has_value());
      s.x().setHung(*s.excel.firstChild(*column, "AXMenu"));
    } else {
      s.x().setHung(*target);
    }
    double start = s.now();
    auto map = menuMap(s.excel);
    EXPECT_LT(s.now() - start, 2.5) << c.where << ": one unanswered call ends it";
    EXPECT_FALSE(map.complete()) << c.where;
    EXPECT_EQ(map.problem, "The map stops in " + c.where + ": Excel gave no answer for 2.0 seconds. The menus from "
                           "there on are missing.");
    auto lines = model::text::split(map.text, "\n");
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    EXPECT_EQ(lines.empty() ? "" : lines.back(), c.lastLine) << c.where;
    EXPECT_TRUE(map.fileText().ends_with("\n" + map.problem + "\n") || map.text.empty()) << c.where;
    EXPECT_EQ(map.text.find("Help"), std::string::npos) << c.where << ": nothing after the stop";
  }
}

}  // namespace
}  // namespace corvane::excel

namespace corvane::excel {
namespace {

std::shared_ptr<const platform::sim::ExcelFixture> defaultWith(
    const std::function<void(platform::sim::ExcelFixture&)>& change) {
  auto copy = std::make_shared<platform::sim::ExcelFixture>(*testing::fixture("default"));
  change(*copy);
  return copy;
}

/// The tabs Excel selected, in order.
std::vector<std::string> tabsSelected(ExcelSim& s) {
  std::vector<std::string> tabs;
  for (const auto& event : s.x().events()) {
    if (event.kind == platform::sim::ExcelEvent::Kind::tabSelected) tabs.push_back(event.label);
  }
  return tabs;
}

TEST(CheckShortcuts, EachTabIsOpenedAndScannedOnceAndTheWindowFoundOnce) {
  ExcelSim s;
  s.x().resetCounts();
  auto report = checkShortcuts(s.excel, corvane::testing::builtinLibrary()->shortcuts(), "today");
  EXPECT_EQ(report.notFound, 0) << report.text;
  auto tabs = tabsSelected(s);
  ASSERT_FALSE(tabs.empty());
  EXPECT_EQ(tabs.back(), "Home") << "the ribbon is left on Home";
  std::set<std::string> distinct(tabs.begin(), tabs.end());
  EXPECT_EQ(distinct.size(), tabs.size()) << "no tab twice";
  // The window is looked for once (one read of the window list), the rest are the tab presses.
  EXPECT_EQ(s.x().windowListCalls(), tabs.size() + 1);
  EXPECT_LT(s.x().remoteCalls(), 3000u);
}

TEST(CheckShortcuts, ACollapsedRibbonIsShownForTheCheckAndCollapsedAgain) {
  ExcelSim collapsed(defaultWith([](platform::sim::ExcelFixture& f) { f.application.ribbonCollapsed = true; }));
  ExcelSim open;
  const auto& shortcuts = corvane::testing::builtinLibrary()->shortcuts();
  auto shownReport = checkShortcuts(open.excel, shortcuts, "today");
  auto collapsedReport = checkShortcuts(collapsed.excel, shortcuts, "today");
  EXPECT_EQ(collapsedReport.text, shownReport.text);
  EXPECT_EQ(collapsed.x().shownCommandsTab(), "");
  EXPECT_EQ(collapsed.x().selectedTab(), "Home");
}

TEST(CheckShortcuts, AnExcelThatStopsAnsweringEndsTheCheckWithTheRestUnchecked) {
  ExcelSim s;
  s.x().setHung(s.get("AXTabGroup", ""));
  ExcelApp excel(s.services, 4242, WaitLimits{2.0, 30.0});
  double start = s.now();
  auto report = checkShortcuts(excel, corvane::testing::builtinLibrary()->shortcuts(), "today");
  EXPECT_LT(s.now() - start, 5.0);
  EXPECT_GT(report.unreachable, 100) << "what could not be looked for is not reached, not missing";
  EXPECT_EQ(report.notFound, 0);
  EXPECT_NE(report.text.find("❔ " + std::to_string(report.unreachable) + " not reached"), std::string::npos);
  EXPECT_NE(report.text.find("not reached: Excel gave no answer"), std::string::npos);
  EXPECT_NE(report.text.find("Check again when Excel is idle"), std::string::npos);
}

TEST(CheckShortcuts, AHungElementOutsideTheRibbonChangesNothing) {
  const auto& shortcuts = corvane::testing::builtinLibrary()->shortcuts();
  ExcelSim open;
  auto expected = checkShortcuts(open.excel, shortcuts, "today");
  ExcelSim s;
  s.x().setHung(s.get("AXGroup", "Formula Bar"));
  auto report = checkShortcuts(s.excel, shortcuts, "today");
  EXPECT_EQ(report.text, expected.text);
  EXPECT_EQ(report.unreachable, 0);

  ExcelSim empty;
  empty.x().resetCounts();
  (void)checkShortcuts(empty.excel, shortcuts, "today");
  ExcelSim full;
  ASSERT_EQ(full.x().fillSheet(10000), 10000u);
  full.x().resetCounts();
  EXPECT_EQ(checkShortcuts(full.excel, shortcuts, "today").text, expected.text) << "a sheet of 10,000 cells";
  EXPECT_EQ(full.x().remoteCalls(), empty.x().remoteCalls()) << "the sheet is never walked";
}

}  // namespace
}  // namespace corvane::excel

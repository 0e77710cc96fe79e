#include <gtest/gtest.h>

#include "excel/element_lookup.hpp"
#include "excel/menus_and_toolbars.hpp"
#include "excel_sim.hpp"

// The menu bar (direct walk, deep search, opening the top menu), the Quick Access Toolbar, the title
// bar and dialog clicks, against the simulated Excel in virtual time.

namespace corvane::excel {
namespace {

using platform::sim::AXCall;
using platform::sim::ElementSelector;
using testing::ExcelSim;

model::MenuPath path(std::initializer_list<std::vector<std::string>> levels) { return model::MenuPath(levels); }

/// A fixture of menus only: "Apple" then "Deep", whose items nest `depth` levels, plus a "Wide" menu
/// of `wide` plain items.
std::shared_ptr<const platform::sim::ExcelFixture> menuFixture(int depth, int wide) {
  std::string nested = R"("Bottom")";
  for (int level = depth; level >= 1; --level) {
    nested = R"({"title": "L)" + std::to_string(level) + R"(", "menu": [)" + nested + "]}";
  }
  std::string items;
  for (int i = 0; i < wide; ++i) items += (i ? ", " : "") + std::string("\"Item ") + std::to_string(i) + "\"";
  return platform::sim::testing::parseOrFail(
      R"({"name": "menus", "windows": [], "menuBar": [{"title": "Apple", "menu": ["About This Mac"]},)"
      R"( {"title": "Wide", "menu": [)" + items + R"(]}, {"title": "Deep", "menu": [)" + nested + "]}]}");
}

struct MenuSim {
  explicit MenuSim(std::shared_ptr<const platform::sim::ExcelFixture> fixture)
      : sim(std::move(fixture)),
        services{sim.excel->accessibility(), sim.excel->windowList(), sim.excel->inputPoster(), sim.time},
        excel(services, *sim.excel->pid()) {}
  platform::sim::testing::Sim sim;
  ExcelServices services;
  ExcelApp excel;
};

// --- Menu bar ---

TEST(ChooseMenuPath, TheDirectWalkTriesEachItemAgainstEveryAlternative) {
  ExcelSim s;
  ASSERT_TRUE(chooseMenuPath(s.excel, path({{"Format"}, {"Column"}, {"AutoFit", "AutoFit Selection"}})).has_value());
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"AutoFit Selection"});
  EXPECT_EQ(s.escapesPosted(), 0u);
  EXPECT_TRUE(s.x().openMenuBarMenus().empty());
}

TEST(ChooseMenuPath, TheDeepSearchFindsATargetUnderItsNamedParent) {
  ExcelSim s;
  ASSERT_TRUE(chooseMenuPath(s.excel, path({{"Column"}, {"AutoFit Selection"}})).has_value());
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"AutoFit Selection"});

  // Under the wrong parent it is not found, and no menu is opened: no top menu is called "Row".
  ExcelSim w;
  auto wrongParent = chooseMenuPath(w.excel, path({{"Row"}, {"AutoFit Selection"}}));
  ASSERT_FALSE(wrongParent.has_value());
  EXPECT_EQ(wrongParent.error(), ActionError::menuMissing("Couldn't find menu Row › AutoFit Selection"));
  EXPECT_EQ(w.x().calls(AXCall::perform), 0u);
  EXPECT_EQ(w.escapesPosted(), 0u);
}

TEST(ChooseMenuPath, TheSystemMenuIsNeverSearched) {
  ExcelSim s;
  auto result = chooseMenuPath(s.excel, path({{"About This Mac"}}));
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error().kind, ActionError::Kind::menuMissing);
  EXPECT_TRUE(s.x().commandsRun().empty());
}

TEST(ChooseMenuPath, ItemsThatAppearOnlyOnceTheMenuIsOpenAreFoundOnTheSecondWalk) {
  ExcelSim s;
  ASSERT_TRUE(chooseMenuPath(s.excel, path({{"Window"}, {"Zoom"}})).has_value());
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Zoom"});
  EXPECT_TRUE(s.x().openMenuBarMenus().empty());
  EXPECT_EQ(s.escapesPosted(), 0u) << "choosing the item closed the menu";
}

TEST(ChooseMenuPath, AMenuItOpenedForNothingIsClosedWithEscape) {
  ExcelSim s;
  auto result = chooseMenuPath(s.excel, path({{"Window"}, {"Make Coffee"}}));
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error(), ActionError::menuMissing("Couldn't find menu Window › Make Coffee"));
  EXPECT_EQ(s.escapesPosted(), 1u);
  EXPECT_TRUE(s.x().openMenuBarMenus().empty());
}

TEST(ChooseMenuPath, ASubmenuGreyedItemAndMissingMenuBarAreErrors) {
  ExcelSim s;
  auto submenu = chooseMenuPath(s.excel, path({{"Format"}, {"Column"}}));
  ASSERT_FALSE(submenu.has_value());
  EXPECT_EQ(submenu.error(), ActionError::general("Menu Format › Column is a submenu, not a command"));

  auto greyed = chooseMenuPath(s.excel, path({{"Edit"}, {"Links…"}}));
  ASSERT_FALSE(greyed.has_value());
  EXPECT_EQ(greyed.error(), ActionError::greyedOut("Links…"));

  s.x().injectError(s.sim.app(), platform::ax::kNoValue, "AXMenuBar");
  auto noBar = chooseMenuPath(s.excel, path({{"Format"}, {"Cells…"}}));
  ASSERT_FALSE(noBar.has_value());
  EXPECT_EQ(noBar.error(), ActionError::general("Can't read Excel's menu bar"));

  auto empty = chooseMenuPath(s.excel, {});
  ASSERT_FALSE(empty.has_value());
}

TEST(DeepSearch, LooksFourLevelsDownAndNoFurther) {
  MenuSim four(menuFixture(3, 0));  // Deep › L1 › L2 › L3 › Bottom: Bottom is at level 4
  auto menuBar = *four.excel.element(four.excel.application(), "AXMenuBar");
  EXPECT_TRUE(findMenuItem(four.excel, menuBar, path({{"Bottom"}})).has_value());
  EXPECT_TRUE(findMenuItem(four.excel, menuBar, path({{"L3"}, {"Bottom"}})).has_value());
  EXPECT_FALSE(findMenuItem(four.excel, menuBar, path({{"L2"}, {"Bottom"}})).has_value())
      << "the parent named must be the menu the item lies in";

  MenuSim five(menuFixture(4, 0));
  auto deeperBar = *five.excel.element(five.excel.application(), "AXMenuBar");
  EXPECT_FALSE(findMenuItem(five.excel, deeperBar, path({{"Bottom"}})).has_value());
  EXPECT_TRUE(findMenuItem(five.excel, deeperBar, path({{"L4"}})).has_value());
}

TEST(DeepSearch, StopsAfterFourThousandItems) {
  MenuSim s(menuFixture(1, 4005));
  auto menuBar = *s.excel.element(s.excel.application(), "AXMenuBar");
  EXPECT_TRUE(findMenuItem(s.excel, menuBar, path({{"Item 3999"}})).has_value());
  EXPECT_FALSE(findMenuItem(s.excel, menuBar, path({{"Item 4000"}})).has_value());
  EXPECT_FALSE(findMenuItem(s.excel, menuBar, path({{"Bottom"}})).has_value()) << "the Deep menu comes too late";
}

// --- Quick Access Toolbar and title bar ---

TEST(QuickAccessToolbar, CountsButtonsUpToTheCustomizeButton) {
  ExcelSim s;
  auto buttons = quickAccessButtons(s.excel, s.sim.workbook());
  ASSERT_EQ(buttons.size(), 15u);  // AutoSave, Home, Save, Undo, Redo, Print, … Repeat
  EXPECT_EQ(s.excel.displayName(buttons[1]), "Home");
  EXPECT_EQ(s.excel.displayName(buttons[5]), "Print");
  EXPECT_EQ(s.excel.displayName(buttons[14]), "Repeat");

  ASSERT_TRUE(pressQat(s.excel, 2).has_value());
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Home"});
  for (std::int64_t n : {0, 16, -1}) {
    auto result = pressQat(s.excel, n);
    ASSERT_FALSE(result.has_value()) << n;
    EXPECT_EQ(result.error(), ActionError::general("The Quick Access Toolbar has no button " + std::to_string(n)));
  }
  ASSERT_TRUE(pressQat(s.excel, 15).has_value());

  ExcelSim none("no-workbook");
  EXPECT_EQ(pressQat(none.excel, 1).error().kind, ActionError::Kind::noWorkbook);
}

TEST(TitleBar, TheDocumentTitleIsFoundByItsIdentifier) {
  ExcelSim s;
  ASSERT_TRUE(pressTitlebar(s.excel, {"Document Title"}).has_value());
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Document Title"});
  // Any spelling with the same key names it; nothing else is tried.
  auto item = titlebarItem(s.excel, s.sim.workbook(), {"document-title"});
  ASSERT_TRUE(item.has_value());
  EXPECT_EQ(s.sim.text(*item, "AXIdentifier"), "CUIDocumentShellWindowTitleLabel");
}

TEST(TitleBar, OtherItemsMatchByTheStartOfTheirName) {
  ExcelSim s;
  ASSERT_TRUE(pressTitlebar(s.excel, {"Nothing", "Comm"}).has_value());
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Comments"});
  auto missing = pressTitlebar(s.excel, {"Nothing#2"});
  ASSERT_FALSE(missing.has_value());
  EXPECT_EQ(missing.error(), ActionError::general("Couldn't find “Nothing” in the title bar"));
  EXPECT_EQ(pressTitlebar(s.excel, {}).error(), ActionError::general("Couldn't find “?” in the title bar"));
}

// --- Dialogs ---

TEST(ClickInDialog, WaitsForTheDialogToAppear) {
  ExcelSim s;
  ASSERT_TRUE(chooseMenuPath(s.excel, path({{"Edit"}, {"Find"}, {"Go To…"}})).has_value());
  double before = s.now();
  ASSERT_TRUE(clickInDialog(s.excel, {"OK"}, 2.5).has_value());
  EXPECT_GE(s.now() - before, 0.25);
  EXPECT_LT(s.now() - before, 0.4);
  EXPECT_TRUE(s.x().openDialogs().empty()) << "OK closed it";
}

TEST(ClickInDialog, TimeoutZeroStillSearchesOnce) {
  ExcelSim s(testing::instantFixture("default"));
  ASSERT_TRUE(chooseMenuPath(s.excel, path({{"Edit"}, {"Find"}, {"Go To…"}})).has_value());
  s.sim.time.advanceBy(1);
  ASSERT_EQ(s.x().openDialogs().size(), 1u);
  ASSERT_TRUE(clickInDialog(s.excel, {"OK"}, 0).has_value());
  EXPECT_TRUE(s.x().openDialogs().empty());

  double before = s.now();
  auto missing = clickInDialog(s.excel, {"Nothing There#2"}, 0);
  ASSERT_FALSE(missing.has_value());
  EXPECT_EQ(missing.error(),
            ActionError::dialogTimeout("Nothing There", "Couldn't find “Nothing There” in the Excel dialog"));
  EXPECT_NEAR(s.now() - before, 0.015, 1e-9);
}

TEST(ClickInDialog, TheWorkbookWindowIsSearchedOnlyThroughItsSheets) {
  ExcelSim s;
  auto onRibbon = clickInDialog(s.excel, {"Wrap Text"}, 0.1);
  ASSERT_FALSE(onRibbon.has_value());
  EXPECT_EQ(onRibbon.error().kind, ActionError::Kind::dialogTimeout);
  EXPECT_TRUE(s.x().commandsRun().empty());

  ASSERT_TRUE(chooseMenuPath(s.excel, path({{"Format"}, {"Column"}, {"Standard Width…"}})).has_value());
  ASSERT_TRUE(clickInDialog(s.excel, {"OK"}, 2.5).has_value()) << "the Standard Width sheet is searched";
  EXPECT_TRUE(s.x().openDialogs().empty());
}

TEST(ClickInDialog, PrefersRadioButtonsToButtons) {
  ExcelSim s;
  ASSERT_TRUE(chooseMenuPath(s.excel, path({{"Edit"}, {"Delete…"}})).has_value());
  ASSERT_TRUE(clickInDialog(s.excel, {"OK", "Entire row"}, 2.5).has_value());
  ASSERT_EQ(s.x().openDialogs().size(), 1u) << "the radio button was pressed, not OK";
  EXPECT_EQ(s.sim.read<std::int64_t>(s.get("AXRadioButton", "Entire row"), "AXValue"), 1);
}

/// A window (no ribbon, so searched whole) holding a button "OK" (or a check box "Later"),
/// `filler` static texts, then a radio button "OK".
std::shared_ptr<const platform::sim::ExcelFixture> dialogFixture(int filler, bool button = true) {
  std::string children = button ? R"({"role": "AXButton", "title": "OK"})" : R"({"role": "AXCheckBox", "title": "Later"})";
  for (int i = 0; i < filler; ++i) children += R"(, {"role": "AXStaticText", "value": "x"})";
  children += R"(, {"role": "AXRadioButton", "title": "OK"})";
  return platform::sim::testing::parseOrFail(
      R"({"name": "dialog", "windows": [{"role": "AXWindow", "title": "Options", "frame": [100, 100, 400, 300],)"
      R"( "children": [)" + children + "]}]}");
}

TEST(ClickInDialog, ABetterRoleIsLookedForOnlyThreeHundredElementsPastTheFirstMatch) {
  for (int filler : {299, 300}) {
    MenuSim s(dialogFixture(filler));
    ASSERT_TRUE(clickInDialog(s.excel, {"OK"}, 0).has_value()) << filler;
    auto events = s.sim.excel->events();
    ASSERT_FALSE(events.empty()) << filler;
    EXPECT_EQ(events.back().role, filler == 299 ? "AXRadioButton" : "AXButton") << filler;
  }
}

TEST(ClickInDialog, ARootIsSearchedForAtMostTwoThousandFiveHundredElements) {
  // The window, the check box and 2,498 texts fill the 2,500; the radio button is the 2,501st.
  MenuSim beyond(dialogFixture(2498, false));
  auto missing = clickInDialog(beyond.excel, {"OK"}, 0);
  ASSERT_FALSE(missing.has_value());
  EXPECT_EQ(missing.error().kind, ActionError::Kind::dialogTimeout);

  MenuSim within(dialogFixture(2497, false));
  ASSERT_TRUE(clickInDialog(within.excel, {"OK"}, 0).has_value());
  EXPECT_EQ(within.sim.excel->events().back().role, "AXRadioButton");
}

}  // namespace
}  // namespace corvane::excel

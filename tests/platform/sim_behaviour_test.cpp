#include <gtest/gtest.h>

#include "platform/sim/virtual_key_codes.hpp"
#include "sim_test_support.hpp"

// How the simulated Excel reacts, in virtual time.

namespace corvane::platform::sim {
namespace {

using testing::Sim;

std::vector<std::string> describeAll(const std::vector<ExcelEvent>& events) {
  std::vector<std::string> lines;
  for (const auto& event : events) lines.push_back(describe(event));
  return lines;
}

TEST(SimBehaviour, PressingATabSelectsItAtOnceAndShowsItsCommandsAfterADelay) {
  Sim sim;
  auto home = sim.get("AXRadioButton", "Home");
  auto insert = sim.get("AXRadioButton", "Insert");
  auto wrap = sim.get("AXCheckBox", "Wrap Text");
  ASSERT_EQ(sim.press(insert), ax::kSuccess);
  EXPECT_EQ(sim.read<std::int64_t>(insert, "AXValue"), 1);
  EXPECT_EQ(sim.read<std::int64_t>(home, "AXValue"), 0);
  EXPECT_EQ(sim.excel->shownCommandsTab(), "Home") << "the old commands stay until Excel redraws";
  EXPECT_TRUE(sim.excel->isValid(wrap));
  sim.time.advanceBy(0.1);
  EXPECT_EQ(sim.excel->shownCommandsTab(), "Home");
  sim.time.advanceBy(0.02);
  EXPECT_EQ(sim.excel->shownCommandsTab(), "Insert");
  EXPECT_FALSE(sim.excel->isValid(wrap)) << "an unselected tab's controls leave the tree";
  auto area = sim.get("AXScrollArea", "Insert Tab Commands");
  EXPECT_EQ(sim.read<Element>(area, "AXParent"), sim.read<Element>(insert, "AXParent"));
  EXPECT_TRUE(sim.excel->find({"AXButton", "PivotTable"}).has_value());
  // The tab group's children: the tabs, then the one commands area.
  auto children = sim.children(*sim.read<Element>(insert, "AXParent"));
  EXPECT_EQ(children.size(), 9u);
  EXPECT_EQ(children.back(), area);

  // Pressing the open tab collapses the ribbon: its commands leave the tree. Pressing it again
  // shows them after the tab's delay.
  sim.excel->clearEvents();
  ASSERT_EQ(sim.press(insert), ax::kSuccess);
  EXPECT_FALSE(sim.excel->isValid(area));
  EXPECT_EQ(sim.excel->shownCommandsTab(), "");
  EXPECT_EQ(sim.read<std::int64_t>(insert, "AXValue"), 1) << "the tab stays the open one";
  ASSERT_EQ(sim.press(insert), ax::kSuccess);
  EXPECT_EQ(sim.excel->shownCommandsTab(), "");
  sim.time.runUntilIdle();
  EXPECT_EQ(sim.excel->shownCommandsTab(), "Insert");
  EXPECT_EQ(describeAll(sim.excel->events()), (std::vector<std::string>{"ribbon collapsed", "ribbon shown"}));
}

TEST(SimBehaviour, OnlyTheLastOfQuickTabPressesIsShown) {
  Sim sim;
  ASSERT_EQ(sim.press(sim.get("AXRadioButton", "Insert")), ax::kSuccess);
  sim.time.advanceBy(0.05);
  ASSERT_EQ(sim.press(sim.get("AXRadioButton", "Data")), ax::kSuccess);
  sim.time.advanceBy(0.1);
  EXPECT_EQ(sim.excel->shownCommandsTab(), "Home");
  sim.time.runUntilIdle();
  EXPECT_EQ(sim.excel->shownCommandsTab(), "Data");
  EXPECT_EQ(sim.excel->selectedTab(), "Data");
}

TEST(SimBehaviour, ARunnerPollingOnItsOwnQueueSeesTheTabSwitch) {
  Sim sim;
  auto queue = sim.time.makeSerialQueue("app.corvane.actions", QoS::userInitiated);
  bool shown = false;
  double waited = 0;
  queue->async([&] {
    auto view = sim.get("AXRadioButton", "View");
    ASSERT_EQ(sim.press(view), ax::kSuccess);
    double start = sim.now();
    for (int i = 0; i < 32 && !shown; ++i) {
      sim.time.sleep(0.025);
      for (const auto& child : sim.children(*sim.read<Element>(view, "AXParent"))) {
        if (sim.text(child, "AXDescription") == "View Tab Commands") shown = true;
      }
    }
    waited = sim.now() - start;
  });
  sim.time.runUntilIdle();
  EXPECT_TRUE(shown);
  EXPECT_NEAR(waited, 0.125, 1e-6);
}

TEST(SimBehaviour, AMenuButtonOpensItsMenuAndChoosingAnItemRunsItAndClosesTheMenus) {
  Sim sim;
  auto format = sim.get("AXMenuButton", "Format");
  ASSERT_EQ(sim.press(format), ax::kSuccess);
  ASSERT_EQ(sim.excel->openPopupCount(), 1u);
  auto popup = sim.windows().front();
  auto menu = sim.children(popup).at(0);
  EXPECT_EQ(sim.text(menu, "AXRole"), "AXMenu");
  std::vector<std::string> titles;
  for (const auto& item : sim.children(menu)) titles.push_back(sim.text(item, "AXTitle"));
  EXPECT_NE(std::find(titles.begin(), titles.end(), "AutoFit Column Width"), titles.end());
  EXPECT_NE(std::find(titles.begin(), titles.end(), "AutoFit Row Height"), titles.end());
  EXPECT_NE(std::find(titles.begin(), titles.end(), "Rename Sheet"), titles.end());

  auto autofit = sim.get("AXMenuItem", "AutoFit Column Width");
  ASSERT_EQ(sim.press(autofit), ax::kSuccess);
  EXPECT_EQ(sim.excel->openPopupCount(), 0u);
  EXPECT_FALSE(sim.excel->isValid(popup));
  auto events = sim.excel->events();
  auto ran = std::find_if(events.begin(), events.end(), [](const ExcelEvent& e) { return e.kind == ExcelEvent::Kind::ran; });
  ASSERT_NE(ran, events.end());
  EXPECT_EQ(ran->label, "AutoFit Column Width");
  EXPECT_EQ(ran->control, "Home › Cells › Format › AutoFit Column Width");
  EXPECT_EQ(ran->role, "AXMenuItem");
  EXPECT_EQ(describeAll(events), (std::vector<std::string>{"menu opened Format", "ran AutoFit Column Width",
                                                           "menu closed Format"}));
}

TEST(SimBehaviour, ShowMenuOpensASplitButtonWhosePressRunsItsCommand) {
  Sim sim;
  auto paste = sim.get("AXMenuButton", "Paste");
  ASSERT_EQ(sim.press(paste), ax::kSuccess);
  EXPECT_EQ(sim.excel->openPopupCount(), 0u);
  EXPECT_EQ(sim.excel->commandsRun(), (std::vector<std::string>{"Paste"}));
  ASSERT_EQ(sim.ax.performAction(paste, "AXShowMenu"), ax::kSuccess);
  EXPECT_EQ(sim.excel->openPopupCount(), 1u);
  // Showing it again closes it, as a second click does.
  ASSERT_EQ(sim.ax.performAction(paste, "AXShowMenu"), ax::kSuccess);
  EXPECT_EQ(sim.excel->openPopupCount(), 0u);
  // Opening another button's menu closes the first.
  ASSERT_EQ(sim.ax.performAction(paste, "AXShowMenu"), ax::kSuccess);
  ASSERT_EQ(sim.ax.performAction(sim.get("AXMenuButton", "Borders"), "AXShowMenu"), ax::kSuccess);
  EXPECT_EQ(sim.excel->openPopupCount(), 1u);
  EXPECT_TRUE(sim.excel->find({"AXMenuItem", "Thick Outside Borders"}).has_value());
  EXPECT_FALSE(sim.excel->find({"AXMenuItem", "Paste Link"}).has_value());
}

TEST(SimBehaviour, SubmenusOpenAsFurtherPopupsAndEscapeClosesTheTopOne) {
  Sim sim;
  ASSERT_EQ(sim.press(sim.get("AXMenuButton", "Format")), ax::kSuccess);
  auto hideUnhide = sim.get("AXMenuItem", "Hide & Unhide");
  ASSERT_EQ(sim.press(hideUnhide), ax::kSuccess);
  ASSERT_EQ(sim.excel->openPopupCount(), 2u);
  auto sub = sim.windows().front();
  auto subFrame = sim.excel->frameOf(sub).value();
  EXPECT_EQ(subFrame.minX(), sim.excel->frameOf(hideUnhide)->maxX()) << "to the right of its item";
  EXPECT_TRUE(sim.excel->find({"AXMenuItem", "Unhide Columns"}).has_value());
  auto windows = sim.excel->windowList().onScreenWindows();
  ASSERT_EQ(windows.size(), 3u);
  EXPECT_EQ(windows[0].bounds, subFrame);

  auto& input = sim.excel->inputPoster();
  input.postKey(vk::kEscape, true, 0);
  input.postKey(vk::kEscape, false, 0);
  EXPECT_EQ(sim.excel->openPopupCount(), 1u);
  EXPECT_TRUE(sim.excel->find({"AXMenuItem", "AutoFit Row Height"}).has_value());
  input.postKey(vk::kEscape, true, 0);
  EXPECT_EQ(sim.excel->openPopupCount(), 0u);
  EXPECT_TRUE(sim.excel->commandsRun().empty());
  // With nothing open, Escape is a keystroke Excel receives.
  input.postKey(vk::kEscape, true, 0);
  auto events = sim.excel->events();
  EXPECT_EQ(describe(events.back()), "key 53 flags 0x0");
}

TEST(SimBehaviour, ChoosingFromAPopUpButtonSetsItsValue) {
  Sim sim;
  auto format = sim.get("AXPopUpButton", "Number Format");
  EXPECT_EQ(sim.text(format, "AXValue"), "General");
  ASSERT_EQ(sim.ax.performAction(format, "AXShowMenu"), ax::kSuccess);
  ASSERT_EQ(sim.press(sim.get("AXMenuItem", "Percentage")), ax::kSuccess);
  EXPECT_EQ(sim.text(format, "AXValue"), "Percentage");
  EXPECT_EQ(sim.excel->commandsRun(), (std::vector<std::string>{"Percentage"}));
}

TEST(SimBehaviour, KeystrokesAreRecordedOnlyWhileExcelIsFrontmost) {
  Sim sim;
  auto& input = sim.excel->inputPoster();
  input.postKey(37, true, flags::kCommand | flags::kShift);
  input.postKey(37, false, flags::kCommand | flags::kShift);
  sim.excel->setFrontmost(false);
  input.postKey(4, true, 0);
  sim.excel->setFrontmost(true);
  std::vector<RawEvent> seen;
  input.setSink([&](const RawEvent& e) {
    seen.push_back(e);
    return e.keyCode == 5 ? Verdict::drop : Verdict::pass;
  });
  input.postKey(5, true, 0);
  input.postKey(6, true, flags::kControl);
  EXPECT_EQ(describeAll(sim.excel->events()),
            (std::vector<std::string>{"key 37 flags 0x120000", "key 6 flags 0x40000"}));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].userData, kSyntheticEventTag);
  EXPECT_EQ(seen[0].type, EventType::keyDown);
  auto posted = input.posted();
  ASSERT_EQ(posted.size(), 5u);
  EXPECT_EQ(posted[1].type, EventType::keyUp);
  for (const auto& e : posted) EXPECT_EQ(e.userData, kSyntheticEventTag);
}

TEST(SimBehaviour, LeavingTheFrontClosesExcelsMenus) {
  Sim sim;
  ASSERT_EQ(sim.press(sim.get("AXMenuButton", "Format")), ax::kSuccess);
  sim.excel->setFrontmost(false);
  EXPECT_EQ(sim.excel->openPopupCount(), 0u);
  EXPECT_FALSE(sim.excel->isFrontmost());
}

TEST(SimBehaviour, ADialogAppearsAfterItsDelayAndClosesOnItsButtons) {
  Sim sim;
  ASSERT_EQ(sim.press(sim.get("AXMenuButton", "Format")), ax::kSuccess);
  ASSERT_EQ(sim.press(sim.get("AXMenuItem", "Format Cells…")), ax::kSuccess);
  EXPECT_TRUE(sim.excel->openDialogs().empty());
  sim.time.advanceBy(0.59);
  EXPECT_TRUE(sim.excel->openDialogs().empty());
  sim.time.advanceBy(0.01);
  ASSERT_EQ(sim.excel->openDialogs(), (std::vector<std::string>{"Format Cells"}));
  auto dialog = sim.read<Element>(sim.app(), "AXFocusedWindow").value();
  EXPECT_EQ(sim.text(dialog, "AXTitle"), "Format Cells");
  EXPECT_EQ(sim.text(dialog, "AXSubrole"), "AXDialog");
  EXPECT_EQ(sim.windows().size(), 2u);
  EXPECT_EQ(sim.read<Element>(sim.app(), "AXMainWindow"), sim.workbook());
  EXPECT_EQ(sim.excel->windowList().onScreenWindows().front().bounds, sim.excel->frameOf(dialog));

  // Choosing a tab of the dialog selects it among its siblings.
  auto border = sim.get("AXRadioButton", "Border");
  ASSERT_EQ(sim.press(border), ax::kSuccess);
  EXPECT_EQ(sim.read<std::int64_t>(border, "AXValue"), 1);
  EXPECT_EQ(sim.read<std::int64_t>(sim.get("AXRadioButton", "Number"), "AXValue"), 0);

  auto ok = sim.get("AXButton", "OK");
  ASSERT_EQ(sim.press(ok), ax::kSuccess);
  EXPECT_TRUE(sim.excel->openDialogs().empty());
  EXPECT_FALSE(sim.excel->isValid(dialog));
  EXPECT_EQ(sim.excel->commandsRun(), (std::vector<std::string>{"Format Cells…", "Border", "OK"}));
  auto events = sim.excel->events();
  EXPECT_EQ(events.back().kind, ExcelEvent::Kind::dialogClosed);
  auto okEvent = events[events.size() - 2];
  EXPECT_EQ(okEvent.control, "Format Cells › OK");
}

TEST(SimBehaviour, ASheetBelongsToTheWorkbookWindow) {
  Sim sim;
  ASSERT_EQ(sim.press(sim.get("AXMenuButton", "Format")), ax::kSuccess);
  ASSERT_EQ(sim.press(sim.get("AXMenuItem", "Default Width…")), ax::kSuccess);
  sim.time.runUntilIdle();
  auto sheet = sim.children(sim.workbook()).back();
  EXPECT_EQ(sim.text(sheet, "AXRole"), "AXSheet");
  EXPECT_EQ(sim.windows().size(), 1u) << "a sheet is not one of the application's windows";
  auto box = sim.get("AXTextField", "Standard column width:");
  EXPECT_EQ(sim.read<Element>(box, "AXWindow"), sim.workbook());
  auto windows = sim.excel->windowList().onScreenWindows();
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[0].bounds, sim.excel->frameOf(sheet));
  // Escape cancels it.
  sim.excel->inputPoster().postKey(vk::kEscape, true, 0);
  EXPECT_TRUE(sim.excel->openDialogs().empty());
  EXPECT_EQ(sim.children(sim.workbook()).back() == sheet, false);
}

TEST(SimBehaviour, DisabledControlsRefuse) {
  Sim sim;
  ASSERT_EQ(sim.press(sim.get("AXRadioButton", "Data")), ax::kSuccess);
  sim.time.runUntilIdle();
  auto clear = sim.get("AXButton", "Clear");
  EXPECT_EQ(sim.read<bool>(clear, "AXEnabled"), false);
  sim.excel->clearEvents();
  auto result = sim.press(clear);
  EXPECT_NE(result, ax::kSuccess);
  EXPECT_FALSE(ax::actionDone(result));
  EXPECT_TRUE(sim.excel->events().empty());
  // A click on it does nothing either.
  auto f = sim.excel->frameOf(clear).value();
  sim.excel->inputPoster().postMouse(InputPoster::Mouse::leftDown, {f.midX(), f.midY()});
  sim.excel->inputPoster().postMouse(InputPoster::Mouse::leftUp, {f.midX(), f.midY()});
  EXPECT_TRUE(sim.excel->events().empty());
  // So does a disabled menu item.
  auto showAll = sim.get("AXMenuItem", "Show All");
  EXPECT_FALSE(ax::actionDone(sim.press(showAll)));
  EXPECT_TRUE(sim.excel->commandsRun().empty());
}

TEST(SimBehaviour, TheMenuBarOpensItsMenusAndRunsItsItems) {
  Sim sim;
  auto format = sim.get("AXMenuBarItem", "Format");
  ASSERT_EQ(sim.press(format), ax::kSuccess);
  EXPECT_EQ(sim.excel->openMenuBarMenus(), (std::vector<std::string>{"Format"}));
  auto windows = sim.excel->windowList().onScreenWindows();
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[0].layer, SimExcel::kPopupLayer);
  // Insert › Chart has a Column item too: take Format's.
  auto formatMenu = sim.children(format);
  ASSERT_EQ(formatMenu.size(), 1u);
  auto items = sim.children(formatMenu.front());
  auto column = std::find_if(items.begin(), items.end(), [&](const Element& e) { return sim.text(e, "AXTitle") == "Column"; });
  ASSERT_NE(column, items.end());
  ASSERT_EQ(sim.press(*column), ax::kSuccess);
  EXPECT_EQ(sim.excel->openMenuBarMenus(), (std::vector<std::string>{"Format", "Column"}));
  auto autofit = sim.get("AXMenuItem", "AutoFit Selection");
  auto f = sim.excel->frameOf(autofit).value();
  EXPECT_EQ(sim.ax.elementAtPosition(sim.app(), {f.midX(), f.midY()}), autofit);
  ASSERT_EQ(sim.press(autofit), ax::kSuccess);
  EXPECT_TRUE(sim.excel->openMenuBarMenus().empty());
  auto events = sim.excel->events();
  auto ran = std::find_if(events.begin(), events.end(), [](const ExcelEvent& e) { return e.kind == ExcelEvent::Kind::ran; });
  ASSERT_NE(ran, events.end());
  EXPECT_EQ(ran->control, "Format › Column › AutoFit Selection");

  // An item runs even when its menu is closed, as AXPress on a Mac does.
  sim.excel->clearEvents();
  ASSERT_EQ(sim.press(sim.get("AXMenuItem", "AutoFilter")), ax::kSuccess);
  EXPECT_EQ(sim.excel->commandsRun(), (std::vector<std::string>{"AutoFilter"}));
  // Escape closes the top open menu.
  ASSERT_EQ(sim.press(format), ax::kSuccess);
  sim.excel->inputPoster().postKey(vk::kEscape, true, 0);
  EXPECT_TRUE(sim.excel->openMenuBarMenus().empty());
}

TEST(SimBehaviour, MenuItemsCarryTheirKeyEquivalents) {
  Sim sim;
  auto formatMenu = sim.children(sim.get("AXMenuBarItem", "Format")).at(0);
  auto cells = sim.children(formatMenu).at(0);
  EXPECT_EQ(sim.text(cells, "AXTitle"), "Cells...") << "three dots, as Excel spells it";
  EXPECT_EQ(sim.text(cells, "AXMenuItemCmdChar"), "1");
  EXPECT_EQ(sim.read<std::int64_t>(cells, "AXMenuItemCmdModifiers"), 0);
  auto row = sim.children(formatMenu).at(1);
  EXPECT_EQ(sim.ax.copyAttribute(row, "AXMenuItemCmdChar").error(), ax::kNoValue);
  auto rowMenu = sim.children(row);
  ASSERT_EQ(rowMenu.size(), 1u);
  EXPECT_EQ(sim.text(rowMenu[0], "AXRole"), "AXMenu") << "a submenu is the item's child";
  auto insertCells = sim.children(sim.children(sim.get("AXMenuBarItem", "Insert")).at(0)).at(0);
  EXPECT_EQ(sim.text(insertCells, "AXMenuItemCmdChar"), "=");
  EXPECT_EQ(sim.read<std::int64_t>(insertCells, "AXMenuItemCmdModifiers"), 13);
  auto save = sim.get("AXMenuItem", "Save As…");
  EXPECT_EQ(sim.read<std::int64_t>(save, "AXMenuItemCmdModifiers"), 1);
  // The first menu is the system's.
  auto bar = sim.read<Element>(sim.app(), "AXMenuBar").value();
  EXPECT_EQ(sim.text(sim.children(bar).at(0), "AXTitle"), "Apple");
}

TEST(SimBehaviour, SomeMenusFillInOnlyWhenOpened) {
  Sim sim;
  auto window = sim.get("AXMenuBarItem", "Window");
  auto menu = sim.children(window).at(0);
  EXPECT_TRUE(sim.children(menu).empty());
  EXPECT_FALSE(sim.excel->find({"AXMenuItem", "Bring All to Front"}).has_value());
  ASSERT_EQ(sim.press(window), ax::kSuccess);
  EXPECT_FALSE(sim.children(menu).empty());
  EXPECT_TRUE(sim.excel->find({"AXMenuItem", "Bring All to Front"}).has_value());
  EXPECT_GT(sim.excel->frameOf(menu)->height, 100);
}

TEST(SimBehaviour, FocusingABoxSelectsItsText) {
  Sim sim;
  auto size = sim.get("AXComboBox", "Font Size");
  ASSERT_EQ(sim.ax.setAttribute(size, "AXFocused", AXValue{true}), ax::kSuccess);
  EXPECT_EQ(sim.read<TextRange>(size, "AXSelectedTextRange"), (TextRange{0, 2}));
  EXPECT_EQ(sim.excel->focusedElement(), size);
  EXPECT_EQ(describe(sim.excel->events().back()), "focused Font Size");
  EXPECT_EQ(sim.excel->events().back().control, "Home › Font › Font Size");
}

TEST(SimBehaviour, AClickPressesTheControlUnderThePointer) {
  Sim sim;
  auto& input = sim.excel->inputPoster();
  auto wrap = sim.get("AXCheckBox", "Wrap Text");
  auto f = sim.excel->frameOf(wrap).value();
  input.postMouse(InputPoster::Mouse::leftDown, {f.midX(), f.midY()});
  EXPECT_TRUE(sim.excel->commandsRun().empty()) << "a click is a press and its release";
  input.postMouse(InputPoster::Mouse::leftUp, {f.midX(), f.midY()});
  EXPECT_EQ(sim.excel->commandsRun(), (std::vector<std::string>{"Wrap Text"}));
  EXPECT_EQ(input.pointerLocation(), (Point{f.midX(), f.midY()}));
  // A gallery has no press, but a click lands on one of its items.
  auto gallery = sim.excel->frameOf(sim.get("AXScrollArea", "Cell Styles")).value();
  input.postMouse(InputPoster::Mouse::leftDown, {gallery.minX() + 10, gallery.minY() + 10});
  input.postMouse(InputPoster::Mouse::leftUp, {gallery.minX() + 10, gallery.minY() + 10});
  EXPECT_EQ(sim.excel->commandsRun().back(), "Normal");
  // A click into a box puts the cursor there.
  auto font = sim.excel->frameOf(sim.get("AXComboBox", "Font")).value();
  input.postMouse(InputPoster::Mouse::leftDown, {font.midX(), font.midY()});
  input.postMouse(InputPoster::Mouse::leftUp, {font.midX(), font.midY()});
  EXPECT_EQ(describe(sim.excel->events().back()), "focused Font");
  // A click outside an open menu closes it and goes no further.
  ASSERT_EQ(sim.press(sim.get("AXMenuButton", "Format")), ax::kSuccess);
  input.postMouse(InputPoster::Mouse::leftDown, {f.midX(), f.midY()});
  input.postMouse(InputPoster::Mouse::leftUp, {f.midX(), f.midY()});
  EXPECT_EQ(sim.excel->openPopupCount(), 0u);
  EXPECT_EQ(sim.excel->commandsRun().size(), 2u);
  // The pointer can be warped back.
  input.warpPointer({5, 5});
  EXPECT_EQ(input.pointerLocation(), (Point{5, 5}));
  EXPECT_EQ(input.warpCount(), 1);
}

TEST(SimBehaviour, TheHardwareModifierStateIsWhatTheUserHolds) {
  Sim sim;
  auto& input = sim.excel->inputPoster();
  EXPECT_EQ(input.hardwareModifierFlags(), 0u);
  input.setHardwareModifierFlags(flags::kOption);
  input.postKey(4, true, flags::kCommand);
  EXPECT_EQ(input.hardwareModifierFlags(), flags::kOption) << "posted events do not change it";
  input.setHardwareModifierFlags(0);
  EXPECT_EQ(input.hardwareModifierFlags(), 0u);
}

TEST(SimBehaviour, ANarrowWindowFoldsGroupsIntoButtons) {
  Sim sim("narrow");
  EXPECT_EQ(sim.excel->workbookFrame()->width, 1000);
  EXPECT_FALSE(sim.excel->find({"AXCheckBox", "Wrap Text"}).has_value());
  EXPECT_TRUE(sim.excel->find({"AXMenuButton", "Paste"}).has_value()) << "unfolded groups keep their controls";
  auto alignment = sim.get("AXMenuButton", "Alignment");
  auto group = sim.read<Element>(alignment, "AXParent").value();
  EXPECT_EQ(sim.text(group, "AXDescription"), "Alignment");
  ASSERT_EQ(sim.press(alignment), ax::kSuccess);
  ASSERT_EQ(sim.excel->openPopupCount(), 1u);
  auto wrap = sim.get("AXCheckBox", "Wrap Text");
  auto popup = sim.excel->frameOf(sim.windows().front()).value();
  auto w = sim.excel->frameOf(wrap).value();
  EXPECT_TRUE(popup.contains({w.midX(), w.midY()}));
  ASSERT_EQ(sim.press(wrap), ax::kSuccess);
  EXPECT_EQ(sim.excel->openPopupCount(), 0u);
  EXPECT_EQ(sim.excel->events().at(1).control, "Home › Alignment › Wrap Text");
}

TEST(SimBehaviour, VariantsWithoutAWorkbookOrWithoutExcel) {
  // With no workbook Excel shows its start window, and nothing else.
  Sim noWorkbook("no-workbook");
  EXPECT_TRUE(noWorkbook.excel->isRunning());
  ASSERT_EQ(noWorkbook.windows().size(), 1u);
  auto start = noWorkbook.windows().front();
  EXPECT_EQ(noWorkbook.text(start, "AXIdentifier"), "DocStage");
  EXPECT_EQ(noWorkbook.text(start, "AXTitle"), "Open new and recent files");
  EXPECT_EQ(noWorkbook.read<Element>(noWorkbook.app(), "AXMainWindow"), start);
  EXPECT_TRUE(noWorkbook.read<Element>(noWorkbook.app(), "AXMenuBar").has_value());
  EXPECT_EQ(noWorkbook.excel->windowList().onScreenWindows().size(), 1u);
  // A dialog still opens, on its own.
  ASSERT_EQ(noWorkbook.press(noWorkbook.get("AXMenuItem", "Cells…")), ax::kSuccess);
  noWorkbook.time.runUntilIdle();
  EXPECT_EQ(noWorkbook.excel->openDialogs().size(), 1u);

  // An Excel with no window at all.
  auto bare = std::make_shared<ExcelFixture>(*testing::loadResource("no-workbook"));
  bare->windows.clear();
  Sim windowless(bare);
  EXPECT_TRUE(windowless.windows().empty());
  EXPECT_EQ(windowless.ax.copyAttribute(windowless.app(), "AXMainWindow").error(), ax::kNoValue);
  EXPECT_EQ(windowless.ax.copyAttribute(windowless.app(), "AXFocusedWindow").error(), ax::kNoValue);
  EXPECT_TRUE(windowless.excel->windowList().onScreenWindows().empty());

  Sim notRunning(std::shared_ptr<const ExcelFixture>{});
  EXPECT_FALSE(notRunning.excel->isRunning());
  EXPECT_FALSE(notRunning.excel->pid().has_value());
  EXPECT_FALSE(notRunning.excel->launch());
  EXPECT_EQ(notRunning.ax.copyAttribute(notRunning.ax.application(4242), "AXRole").error(), ax::kInvalidUIElement);
  EXPECT_TRUE(notRunning.excel->windowList().onScreenWindows().empty());
  notRunning.excel->inputPoster().postKey(4, true, 0);
  EXPECT_TRUE(notRunning.excel->events().empty());
}

TEST(SimBehaviour, ExcelThatIsInstalledButNotRunningCanBeLaunched) {
  auto fixture = testing::parseOrFail(R"({"application": {"running": false, "frontmost": false},
      "windows": [{"title": "Book1"}], "menuBar": [{"title": "Apple", "menu": ["About This Mac"]}]})");
  Sim sim(fixture);
  EXPECT_FALSE(sim.excel->isRunning());
  ASSERT_TRUE(sim.excel->launch());
  EXPECT_TRUE(sim.excel->isRunning());
  EXPECT_FALSE(sim.excel->isFrontmost());
  EXPECT_EQ(sim.excel->workbookFrame(), (Rect{0, 25, 1440, 875})) << "a window without a frame fills the screen";
  EXPECT_EQ(describe(sim.excel->events().front()), "launched Microsoft Excel");
}

TEST(SimBehaviour, TheGermanExcelUsesGermanLabels) {
  Sim sim("german");
  std::vector<std::string> tabs;
  for (const auto& tab : sim.excel->findAll({"AXRadioButton", ""})) tabs.push_back(sim.text(tab, "AXTitle"));
  EXPECT_EQ(tabs, (std::vector<std::string>{"Start", "Einfügen", "Zeichnen", "Seitenlayout", "Formeln", "Daten",
                                            "Überprüfen", "Ansicht"}));
  EXPECT_FALSE(sim.excel->find({"AXRadioButton", "Home"}).has_value());
  EXPECT_TRUE(sim.excel->find({"AXMenuBarItem", "Bearbeiten"}).has_value());
  ASSERT_EQ(sim.press(sim.get("AXMenuButton", "Format")), ax::kSuccess);
  EXPECT_TRUE(sim.excel->find({"AXMenuItem", "Spaltenbreite automatisch anpassen"}).has_value());
}

TEST(SimBehaviour, TheObserverSeesEventsAsTheyHappen) {
  Sim sim;
  std::vector<std::string> seen;
  sim.excel->setObserver([&](const ExcelEvent& e) { seen.push_back(describe(e) + " @" + std::to_string(e.at)); });
  ASSERT_EQ(sim.press(sim.get("AXRadioButton", "Formulas")), ax::kSuccess);
  ASSERT_EQ(sim.press(sim.get("AXButton", "Save")), ax::kSuccess);
  sim.time.runUntilIdle();
  EXPECT_EQ(seen, (std::vector<std::string>{"tab Formulas @1000.000000", "ran Save @1000.000000",
                                            "dialog opened Save As @1000.500000"}));
}

}  // namespace
}  // namespace corvane::platform::sim

#include <gtest/gtest.h>

#include <unordered_set>

#include "platform/sim/virtual_key_codes.hpp"
#include "sim_test_support.hpp"

// The Accessibility surface of the simulated Excel: what the automation layer relies on a Mac to do.

namespace corvane::platform::sim {
namespace {

using testing::Sim;

TEST(SimAccessibility, MissingAttributesAnswerTheirErrorCodes) {
  Sim sim;
  auto group = sim.get("AXGroup", "Clipboard");
  EXPECT_EQ(sim.read<std::string>(group, "AXTitle"), std::optional<std::string>("")) << "supported, and empty: a value, as on a Mac";
  EXPECT_EQ(sim.ax.copyAttribute(group, "AXSubrole").error(), ax::kNoValue);
  EXPECT_EQ(sim.ax.copyAttribute(group, "AXValue").error(), ax::kAttributeUnsupported);
  EXPECT_EQ(sim.ax.copyAttribute(group, "AXEnabled").error(), ax::kAttributeUnsupported) << "absent means enabled";
  EXPECT_EQ(sim.ax.copyAttribute(group, "AXNoSuchThing").error(), ax::kAttributeUnsupported);
  EXPECT_EQ(sim.text(group, "AXDescription"), "Clipboard");
  EXPECT_FALSE(sim.ax.attribute(group, "AXHelp").has_value());
  // The wrong type reads as absent through the typed helper.
  EXPECT_FALSE(sim.read<bool>(group, "AXRole").has_value());

  auto paste = sim.get("AXMenuButton", "Paste");
  EXPECT_EQ(sim.read<bool>(paste, "AXEnabled"), true) << "controls report AXEnabled";
  EXPECT_EQ(sim.ax.copyAttribute(paste, "AXMenuItemCmdChar").error(), ax::kAttributeUnsupported);
}

TEST(SimAccessibility, MultipleAttributesComeBackInTheOrderAskedWithFailuresAbsent) {
  Sim sim;
  auto wrap = sim.get("AXCheckBox", "Wrap Text");
  sim.excel->injectError(wrap, ax::kFailure, "AXHelp");
  const std::string_view names[] = {"AXSize", "AXTitle", "AXNoSuchThing", "AXRole", "AXHelp", "AXDescription",
                                    "AXEnabled", "AXPosition"};
  auto values = sim.ax.copyMultipleAttributes(wrap, names);
  ASSERT_TRUE(values.has_value());
  ASSERT_EQ(values->size(), 8u);
  EXPECT_TRUE(valueAs<Size>((*values)[0]).has_value());
  EXPECT_EQ(valueAs<std::string>((*values)[1]), "Wrap Text");
  EXPECT_FALSE((*values)[2].has_value());
  EXPECT_EQ(valueAs<std::string>((*values)[3]), "AXCheckBox");
  EXPECT_FALSE((*values)[4].has_value()) << "an injected error makes only that value absent";
  EXPECT_EQ(valueAs<std::string>((*values)[5]), "") << "no description: an empty string, as on a Mac";
  EXPECT_EQ(valueAs<bool>((*values)[6]), true);
  EXPECT_TRUE(valueAs<Point>((*values)[7]).has_value());
  EXPECT_EQ(sim.ax.copyAttribute(wrap, "AXHelp").error(), ax::kFailure);
}

TEST(SimAccessibility, FreshHandlesCompareByElementIdentity) {
  Sim sim;
  auto first = sim.children(sim.workbook());
  auto second = sim.children(sim.workbook());
  ASSERT_FALSE(first.empty());
  ASSERT_EQ(first.size(), second.size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_NE(first[i].handle(), second[i].handle()) << "every call hands out a new reference";
    EXPECT_EQ(first[i], second[i]);
    EXPECT_EQ(first[i].hash(), second[i].hash());
  }
  EXPECT_NE(first[0], first[1]);
  std::unordered_set<Element, ElementHash> set(first.begin(), first.end());
  for (const auto& e : second) EXPECT_TRUE(set.contains(e));
  // The parent of a child is the element itself.
  EXPECT_EQ(sim.read<Element>(first[0], "AXParent"), sim.workbook());
  EXPECT_EQ(sim.read<Element>(sim.workbook(), "AXParent"), sim.app());
  // Another simulated Excel's elements are never equal, even built from the same fixture.
  Sim other;
  EXPECT_NE(other.workbook(), sim.workbook());
  EXPECT_EQ(sim.ax.processId(first[0]), 4242);
}

TEST(SimAccessibility, ApplicationElementAndItsAttributes) {
  Sim sim;
  auto app = sim.app();
  EXPECT_EQ(sim.text(app, "AXRole"), "AXApplication");
  EXPECT_EQ(sim.text(app, "AXTitle"), "Microsoft Excel");
  EXPECT_EQ(sim.read<bool>(app, "AXFrontmost"), true);
  EXPECT_EQ(sim.windows().size(), 1u);
  EXPECT_EQ(sim.read<Element>(app, "AXFocusedWindow"), sim.workbook());
  auto menuBar = sim.read<Element>(app, "AXMenuBar");
  ASSERT_TRUE(menuBar.has_value());
  auto items = sim.children(*menuBar);
  std::vector<std::string> titles;
  for (const auto& item : items) titles.push_back(sim.text(item, "AXTitle"));
  EXPECT_EQ(titles, (std::vector<std::string>{"Apple", "Excel", "File", "Edit", "View", "Insert", "Format", "Tools",
                                              "Data", "Window", "Help"}));
  EXPECT_EQ(sim.ax.copyAttribute(app, "AXParent").error(), ax::kNoValue);
  // Any other pid is not Excel.
  auto stranger = sim.ax.application(1);
  EXPECT_EQ(sim.ax.copyAttribute(stranger, "AXRole").error(), ax::kInvalidUIElement);
  EXPECT_FALSE(sim.ax.processId(stranger).has_value());
}

TEST(SimAccessibility, TheRibbonIsShapedAsExcelShowsIt) {
  Sim sim;
  auto window = sim.workbook();
  EXPECT_EQ(sim.text(window, "AXSubrole"), "AXStandardWindow");
  std::optional<Element> ribbon;
  for (const auto& child : sim.children(window)) {
    if (sim.text(child, "AXRole") == "AXTabGroup" && sim.text(child, "AXDescription") == "ribbon") ribbon = child;
  }
  ASSERT_TRUE(ribbon.has_value());
  std::vector<std::string> tabs;
  std::vector<std::string> areas;
  for (const auto& child : sim.children(*ribbon)) {
    if (sim.text(child, "AXRole") == "AXRadioButton") tabs.push_back(sim.text(child, "AXTitle"));
    if (sim.text(child, "AXRole") == "AXScrollArea") areas.push_back(sim.text(child, "AXDescription"));
  }
  EXPECT_EQ(tabs, (std::vector<std::string>{"Home", "Insert", "Draw", "Page Layout", "Formulas", "Data", "Review", "View"}));
  EXPECT_EQ(areas, (std::vector<std::string>{"Home Tab Commands"})) << "only the selected tab's commands are in the tree";
  EXPECT_FALSE(sim.excel->find({"AXButton", "PivotTable"}).has_value());

  auto title = sim.get("AXStaticText", "CUIDocumentShellWindowTitleLabel");
  EXPECT_EQ(sim.text(title, "AXValue"), "Book1");
  auto gallery = sim.get("AXScrollArea", "Cell Styles");
  EXPECT_EQ(sim.text(gallery, "AXHelp"), "gallery");
  auto corner = sim.get("AXButton", "Font Settings");
  auto group = sim.read<Element>(corner, "AXParent");
  ASSERT_TRUE(group.has_value());
  EXPECT_EQ(sim.text(*group, "AXRole"), "AXGroup");
  // The launcher sits in its group's lower right corner.
  auto g = sim.excel->frameOf(*group).value();
  auto c = sim.excel->frameOf(corner).value();
  EXPECT_GT(c.minX(), g.midX());
  EXPECT_GT(c.minY(), g.midY());
  EXPECT_LE(c.maxX(), g.maxX());
  EXPECT_LE(c.maxY(), g.maxY());
  // Large buttons span the ribbon; small ones sit in three rows.
  auto area = sim.get("AXScrollArea", "Home Tab Commands");
  auto ribbonArea = sim.excel->frameOf(area).value();
  EXPECT_GE(sim.excel->frameOf(sim.get("AXMenuButton", "Paste"))->height, 0.6 * ribbonArea.height);
  auto row = [&](const char* label) {
    auto f = sim.excel->frameOf(sim.get("", label)).value();
    return (f.midY() - ribbonArea.minY()) / ribbonArea.height;
  };
  EXPECT_LT(row("Cut"), 0.36);
  EXPECT_GT(row("Copy"), 0.36);
  EXPECT_LT(row("Copy"), 0.64);
  EXPECT_GT(row("Format Painter"), 0.64);
  // Every group of the selected tab fits in the wide window.
  for (const auto& g2 : sim.children(area)) EXPECT_LE(sim.excel->frameOf(g2)->maxX(), 1440);
}

TEST(SimAccessibility, ActionsAndTheirResults) {
  Sim sim;
  auto names = [&](const Element& e) { return sim.ax.actionNames(e).value_or(std::vector<std::string>{}); };
  EXPECT_EQ(names(sim.get("AXButton", "Cut")), (std::vector<std::string>{"AXPress"}));
  EXPECT_EQ(names(sim.get("AXMenuButton", "Format")), (std::vector<std::string>{"AXPress", "AXShowMenu"}));
  EXPECT_EQ(names(sim.get("AXScrollArea", "Cell Styles")), (std::vector<std::string>{"AXShowMenu"}));
  EXPECT_TRUE(names(sim.get("AXGroup", "Font")).empty());
  EXPECT_EQ(sim.ax.performAction(sim.get("AXGroup", "Font"), "AXPress"), ax::kActionUnsupported);
  EXPECT_EQ(sim.ax.performAction(sim.get("AXButton", "Cut"), "AXShowMenu"), ax::kActionUnsupported);
  EXPECT_EQ(sim.ax.performAction(sim.get("AXButton", "Cut"), "AXPress"), ax::kSuccess);
  EXPECT_EQ(sim.excel->commandsRun(), (std::vector<std::string>{"Cut"}));
}

TEST(SimAccessibility, SettableAttributes) {
  Sim sim;
  auto size = sim.get("AXComboBox", "Font Size");
  EXPECT_EQ(sim.ax.setAttribute(size, "AXFocused", AXValue{true}), ax::kSuccess);
  EXPECT_EQ(sim.read<bool>(size, "AXFocused"), true);
  EXPECT_EQ(sim.read<TextRange>(size, "AXSelectedTextRange"), (TextRange{0, 2})) << "focusing selects the text";
  EXPECT_EQ(sim.read<Element>(sim.app(), "AXFocusedUIElement"), size);
  EXPECT_EQ(sim.ax.setAttribute(size, "AXSelectedTextRange", AXValue{TextRange{1, 1}}), ax::kSuccess);
  EXPECT_EQ(sim.read<TextRange>(size, "AXSelectedTextRange"), (TextRange{1, 1}));
  EXPECT_EQ(sim.ax.setAttribute(size, "AXSelectedTextRange", AXValue{TextRange{1, 5}}), ax::kIllegalArgument);
  EXPECT_EQ(sim.ax.setAttribute(size, "AXFocused", AXValue{std::string("yes")}), ax::kIllegalArgument);
  EXPECT_EQ(sim.ax.setAttribute(sim.get("AXGroup", "Font"), "AXFocused", AXValue{true}), ax::kAttributeUnsupported);
  EXPECT_EQ(sim.ax.setAttribute(size, "AXPosition", AXValue{Point{1, 1}}), ax::kAttributeUnsupported);
  EXPECT_EQ(sim.ax.setAttribute(size, "AXTitle", AXValue{std::string("x")}), ax::kAttributeUnsupported);

  // Text is counted in UTF-16 units.
  auto font = sim.get("AXComboBox", "Font");
  EXPECT_EQ(sim.ax.setAttribute(font, "AXValue", AXValue{std::string("Grüße 😀")}), ax::kSuccess);
  EXPECT_EQ(sim.ax.setAttribute(font, "AXFocused", AXValue{true}), ax::kSuccess);
  EXPECT_EQ(sim.read<TextRange>(font, "AXSelectedTextRange"), (TextRange{0, 8}));
  EXPECT_EQ(sim.read<std::int64_t>(font, "AXNumberOfCharacters"), 8);
}

TEST(SimAccessibility, MovingAndResizingTheWindowRelaysTheRibbon) {
  Sim sim;
  auto window = sim.workbook();
  auto wrapBefore = sim.excel->frameOf(sim.get("AXCheckBox", "Wrap Text")).value();
  EXPECT_EQ(sim.ax.setAttribute(window, "AXPosition", AXValue{Point{100, 125}}), ax::kSuccess);
  EXPECT_EQ(sim.read<Point>(window, "AXPosition"), (Point{100, 125}));
  auto wrap = sim.get("AXCheckBox", "Wrap Text");
  EXPECT_EQ(sim.excel->frameOf(wrap)->x, wrapBefore.x + 100);
  EXPECT_EQ(sim.excel->frameOf(wrap)->y, wrapBefore.y + 100);

  // Narrow: the Alignment group folds into one button; Wrap Text leaves the tree.
  EXPECT_EQ(sim.ax.setAttribute(window, "AXSize", AXValue{Size{1000, 700}}), ax::kSuccess);
  EXPECT_FALSE(sim.excel->isValid(wrap));
  EXPECT_FALSE(sim.excel->find({"AXCheckBox", "Wrap Text"}).has_value());
  EXPECT_TRUE(sim.excel->find({"AXMenuButton", "Alignment"}).has_value());
  // Wide again: it comes back as a new element.
  EXPECT_EQ(sim.ax.setAttribute(window, "AXSize", AXValue{Size{1440, 875}}), ax::kSuccess);
  auto back = sim.excel->find({"AXCheckBox", "Wrap Text"});
  ASSERT_TRUE(back.has_value());
  EXPECT_NE(*back, wrap);
  EXPECT_EQ(sim.excel->frameOf(*back)->x, wrapBefore.x + 100);
  EXPECT_EQ(sim.ax.setAttribute(window, "AXSize", AXValue{Size{-1, 5}}), ax::kIllegalArgument);
}

TEST(SimAccessibility, ElementAtPositionFindsTheDeepestElement) {
  Sim sim;
  auto wrap = sim.get("AXCheckBox", "Wrap Text");
  auto f = sim.excel->frameOf(wrap).value();
  EXPECT_EQ(sim.ax.elementAtPosition(sim.app(), {f.midX(), f.midY()}), wrap);
  // Half-open: the right edge belongs to the next element.
  EXPECT_NE(sim.ax.elementAtPosition(sim.app(), {f.maxX(), f.midY()}).value_or(Element{}), wrap);
  auto cell = sim.ax.elementAtPosition(sim.app(), {700, 500});
  ASSERT_TRUE(cell.has_value());
  EXPECT_EQ(sim.text(*cell, "AXRole"), "AXTable");
  auto bar = sim.ax.elementAtPosition(sim.app(), {300, 10});
  ASSERT_TRUE(bar.has_value());
  EXPECT_EQ(sim.text(*bar, "AXTitle"), "Format") << "the menu bar's item";
  // A closed menu is not on screen, an open popup is and lies on top.
  auto format = sim.get("AXMenuButton", "Format");
  ASSERT_EQ(sim.press(format), ax::kSuccess);
  auto item = sim.get("AXMenuItem", "AutoFit Column Width");
  auto i = sim.excel->frameOf(item).value();
  EXPECT_EQ(sim.ax.elementAtPosition(sim.app(), {i.midX(), i.midY()}), item);
  // Outside every window of Excel there is nothing.
  Sim narrow("narrow");
  EXPECT_EQ(narrow.ax.elementAtPosition(narrow.app(), {1300, 500}).error(), ax::kNoValue);
}

TEST(SimAccessibility, CallsAreCountedByKindAndCostTheirModelledLatency) {
  Sim sim;
  auto wrap = sim.get("AXCheckBox", "Wrap Text");
  sim.excel->resetCounts();
  const std::string_view names[] = {"AXRole", "AXTitle"};
  (void)sim.ax.copyAttribute(wrap, "AXRole");
  (void)sim.ax.copyMultipleAttributes(wrap, names);
  (void)sim.ax.copyMultipleAttributes(wrap, names);
  (void)sim.ax.actionNames(wrap);
  (void)sim.ax.setAttribute(wrap, "AXFocused", AXValue{true});
  (void)sim.ax.elementAtPosition(sim.app(), {1, 1});
  sim.ax.setMessagingTimeout(wrap, 0.4);
  (void)sim.ax.isTrusted(false);
  EXPECT_EQ(sim.excel->calls(AXCall::copyAttribute), 1u);
  EXPECT_EQ(sim.excel->calls(AXCall::copyMultiple), 2u);
  EXPECT_EQ(sim.excel->calls(AXCall::actionNames), 1u);
  EXPECT_EQ(sim.excel->calls(AXCall::set), 1u);
  EXPECT_EQ(sim.excel->calls(AXCall::application), 1u);
  EXPECT_EQ(sim.excel->calls(AXCall::elementAtPosition), 1u);
  EXPECT_EQ(sim.excel->calls(AXCall::messagingTimeout), 1u);
  EXPECT_EQ(sim.excel->calls(AXCall::trusted), 1u);
  EXPECT_EQ(sim.excel->calls(AXCall::perform), 0u);
  EXPECT_EQ(sim.excel->totalCalls(), 9u);
  (void)sim.excel->windowList().onScreenWindows();
  EXPECT_EQ(sim.excel->windowListCalls(), 1u);
  sim.excel->resetCounts();
  EXPECT_EQ(sim.excel->totalCalls(), 0u);

  sim.excel->setCallLatency(50e-6);
  double start = sim.now();
  for (int i = 0; i < 100; ++i) (void)sim.ax.copyMultipleAttributes(wrap, names);
  EXPECT_NEAR(sim.now() - start, 0.005, 1e-9);
}

TEST(SimAccessibility, WithoutTrustEveryCallIsRefused) {
  Sim sim;
  auto app = sim.app();
  sim.excel->setTrusted(false);
  EXPECT_FALSE(sim.ax.isTrusted(false));
  EXPECT_EQ(sim.excel->trustPrompts(), 0);
  EXPECT_FALSE(sim.ax.isTrusted(true));
  EXPECT_FALSE(sim.ax.isTrusted(true));
  EXPECT_EQ(sim.excel->trustPrompts(), 2);
  EXPECT_EQ(sim.ax.copyAttribute(app, "AXRole").error(), ax::kAPIDisabled);
  sim.excel->setTrusted(true);
  EXPECT_TRUE(sim.ax.isTrusted(true));
  EXPECT_EQ(sim.excel->trustPrompts(), 2) << "no dialog when trusted";
  EXPECT_TRUE(sim.ax.copyAttribute(app, "AXRole").has_value());
}

TEST(SimAccessibility, TheWindowListShowsPopupsInFrontAndForgetsThemWhenTheyClose) {
  Sim sim;
  auto& list = sim.excel->windowList();
  auto windows = list.onScreenWindows();
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_EQ(windows[0], (WindowInfo{4242, Rect{0, 25, 1440, 875}, 0}));

  auto format = sim.get("AXMenuButton", "Format");
  ASSERT_EQ(sim.press(format), ax::kSuccess);
  windows = list.onScreenWindows();
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[0].layer, SimExcel::kPopupLayer);
  EXPECT_EQ(windows[0].ownerPid, 4242);
  // The popup is a window of the application, with the same frame as in the list.
  auto appWindows = sim.windows();
  ASSERT_EQ(appWindows.size(), 2u);
  auto popup = appWindows[0];
  EXPECT_EQ(sim.text(popup, "AXRole"), "AXWindow");
  EXPECT_NE(sim.text(popup, "AXSubrole"), "AXStandardWindow");
  EXPECT_EQ(sim.excel->frameOf(popup), windows[0].bounds);
  EXPECT_EQ(sim.children(sim.app()).front(), popup);
  // Its top lies just below the button that opened it.
  EXPECT_NEAR(windows[0].bounds.minY(), sim.excel->frameOf(format)->maxY(), 3);

  sim.excel->inputPoster().postKey(vk::kEscape, true, 0);
  sim.excel->inputPoster().postKey(vk::kEscape, false, 0);
  EXPECT_EQ(list.onScreenWindows().size(), 1u);
  EXPECT_EQ(sim.windows().size(), 1u);
  EXPECT_FALSE(sim.excel->isValid(popup));
}

TEST(SimAccessibility, OtherApplicationsWindowsFollowTheFrontmostState) {
  Sim sim;
  WindowInfo finder{99, Rect{50, 50, 400, 300}, 0};
  sim.excel->setOtherWindows({finder});
  auto windows = sim.excel->windowList().onScreenWindows();
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[0].ownerPid, 4242);
  sim.excel->setFrontmost(false);
  windows = sim.excel->windowList().onScreenWindows();
  EXPECT_EQ(windows[0].ownerPid, 99);
  EXPECT_EQ(sim.read<bool>(sim.app(), "AXFrontmost"), false);
}

}  // namespace
}  // namespace corvane::platform::sim

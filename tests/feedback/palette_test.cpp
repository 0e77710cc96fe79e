#include <gtest/gtest.h>

#include "feedback/command_palette_controller.hpp"
#include "feedback/palette_model.hpp"
#include "feedback/recent_shortcuts.hpp"
#include "feedback_test_support.hpp"
#include "platform/sim/memory_defaults.hpp"
#include "platform/sim/sim_panels.hpp"
#include "platform/sim/sim_screens.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::feedback {
namespace {

using Strings = std::vector<std::string>;

const char* kPaletteLibrary = R"({
  "groups": {"H": "Home", "H B": "Borders", "W": "View"},
  "tips": {"H": "tab:Home", "W": "tab:View", "Q": "tab:Data", "Q S": "tab:Sort"},
  "shortcuts": [
    {"keys": "H B B", "name": "Bottom Border", "do": {"key": "cmd+1"}},
    {"keys": "H B T", "name": "Top Border", "do": {"key": "cmd+2"}},
    {"keys": "H 1", "name": "Bold", "do": {"key": "cmd+b"}},
    {"keys": "H X", "name": "Box", "do": {"key": "cmd+3"}},
    {"keys": "W F", "name": "Freeze Panes", "do": {"key": "cmd+4"}},
    {"keys": "Q T", "name": "Text to Columns", "do": {"key": "cmd+5"}},
    {"keys": "Q S A", "name": "Sort Ascending", "do": {"key": "cmd+6"}},
    {"keys": "Z V", "name": "Paste Values", "do": {"key": "cmd+7"}}
  ]})";

Strings names(const std::vector<SearchResult>& results) {
  Strings out;
  for (const auto& r : results) out.push_back(r.shortcut.name);
  return out;
}

class PaletteTest : public ::testing::Test {
 protected:
  model::LibraryPtr library = testing::libraryFrom(kPaletteLibrary);
  PaletteIndex index{library};
  std::vector<SearchResult> search(const std::string& q) { return index.search(q); }
};

TEST_F(PaletteTest, PlacesFromGroupsElseTheNearestTabElseExcel) {
  EXPECT_EQ(placeText(*library, {"H", "B", "B"}), "Home › Borders");
  EXPECT_EQ(placeText(*library, {"H", "1"}), "Home");
  EXPECT_EQ(placeText(*library, {"Q", "T"}), "Data");
  EXPECT_EQ(placeText(*library, {"Q", "S", "A"}), "Sort");  // the longest prefix with a tab tip
  EXPECT_EQ(placeText(*library, {"Z", "V"}), "Excel");
  EXPECT_EQ(placeText(*library, {"W"}), "Excel");           // no proper prefix at all
}

TEST_F(PaletteTest, TypingTheKeysRanksTheShortcutFirst) {
  for (const auto* q : {"HBB", "hbb", "h b b", "  H B b "}) {
    auto results = search(q);
    ASSERT_FALSE(results.empty()) << q;
    EXPECT_EQ(results.front().shortcut.name, "Bottom Border") << q;
    EXPECT_EQ(results.front().score, 100) << q;
  }
}

TEST_F(PaletteTest, EqualScoresGoByKeyCountThenName) {
  auto results = search("bo");
  EXPECT_EQ(names(results), (Strings{"Bold", "Box", "Bottom Border", "Top Border"}));
  EXPECT_EQ(results[0].score, 80);
  EXPECT_EQ(results[2].score, 80);
  EXPECT_EQ(results[3].score, 60);  // a later word starts with the query
}

TEST_F(PaletteTest, PlacesAndScatteredWordsMatchLower) {
  auto inside = search("anes");  // inside a word of the name
  EXPECT_EQ(names(inside), Strings{"Freeze Panes"});
  EXPECT_EQ(inside[0].score, 45);
  auto place = search("borders");  // only in the place text
  EXPECT_EQ(names(place), (Strings{"Bottom Border", "Top Border"}));
  EXPECT_EQ(place[0].score, 45);
  EXPECT_EQ(search("border home")[0].score, 45);  // contiguous in "… border home › …"
  auto words = search("home bottom");
  EXPECT_EQ(names(words), Strings{"Bottom Border"});
  EXPECT_EQ(words[0].score, 30);
}

TEST_F(PaletteTest, NoMatchAndBlankQueries) {
  EXPECT_TRUE(search("xyzzy").empty());
  EXPECT_TRUE(search("   ").empty());
  EXPECT_TRUE(search("").empty());
}

TEST(PaletteLimit, OnlyTheEightBestAreKept) {
  std::string json = R"({"shortcuts": [)";
  for (int i = 1; i <= 12; ++i) {
    if (i > 1) json += ",";
    json += R"({"keys": "F )" + std::string(1, static_cast<char>('A' + i)) + R"(", "name": "Fill )" +
            std::to_string(i) + R"(", "do": {"key": "cmd+f"}})";
  }
  json += R"(, {"keys": "F A Z", "name": "Fill 0", "do": {"key": "cmd+f"}}]})";
  PaletteIndex index(testing::libraryFrom(json));
  auto results = index.search("fill");
  ASSERT_EQ(results.size(), 8u);
  // Two-key shortcuts first, by name bytes ("Fill 10" before "Fill 2"); the three-key one is cut.
  EXPECT_EQ(names(results), (Strings{"Fill 1", "Fill 10", "Fill 11", "Fill 12", "Fill 2", "Fill 3", "Fill 4", "Fill 5"}));
}

TEST(RecentShortcuts, MovedToTheFrontAndCutAtSix) {
  EXPECT_EQ(withRecentShortcut({}, "H 1"), Strings{"H 1"});
  EXPECT_EQ(withRecentShortcut({"A", "H 1", "B"}, "H 1"), (Strings{"H 1", "A", "B"}));
  EXPECT_EQ(withRecentShortcut({"1", "2", "3", "4", "5", "6"}, "7"), (Strings{"7", "1", "2", "3", "4", "5"}));
  EXPECT_EQ(withRecentShortcut({"1", "2", "3", "4", "5", "6"}, "6"), (Strings{"6", "1", "2", "3", "4", "5"}));
  platform::sim::MemoryDefaults defaults;
  recordRecentShortcut(defaults, {"H", "1"});
  recordRecentShortcut(defaults, {"W", "F"});
  recordRecentShortcut(defaults, {"H", "1"});
  recordRecentShortcut(defaults, {});
  EXPECT_EQ(recentShortcuts(defaults), (Strings{"H 1", "W F"}));
  defaults.set(kRecentShortcutsKey, std::int64_t{3});  // a damaged value reads as none
  EXPECT_TRUE(recentShortcuts(defaults).empty());
}

class PaletteModelTest : public ::testing::Test {
 protected:
  Strings recent;
  PaletteModel model{testing::libraryFrom(kPaletteLibrary), [this] { return recent; }};
};

TEST_F(PaletteModelTest, AnEmptyQueryListsTheRecentShortcutsThatStillExist) {
  recent = {"W F", "GONE", "H 1", "H B"};
  model.setQuery(" ");
  EXPECT_TRUE(model.showsRecent());
  EXPECT_EQ(names(model.results.get()), (Strings{"Freeze Panes", "Bold"}));
  EXPECT_EQ(model.results.get()[0].place, "View");
  EXPECT_FALSE(model.emptyText());
}

TEST_F(PaletteModelTest, EmptyStates) {
  model.setQuery("");
  EXPECT_EQ(model.emptyText(), "Type a command, like “freeze” or “paste values”.");
  model.setQuery("Xyzzy ");
  EXPECT_EQ(model.emptyText(), "No commands match “Xyzzy ”");
}

TEST_F(PaletteModelTest, SelectionWrapsAndResetsWithTheQuery) {
  model.setQuery("border");  // Bottom Border, Top Border
  ASSERT_EQ(model.results.get().size(), 2u);
  model.moveDown();
  EXPECT_EQ(model.selection.get(), 1u);
  model.moveDown();
  EXPECT_EQ(model.selection.get(), 0u);
  model.moveUp();
  EXPECT_EQ(model.selection.get(), 1u);
  model.setQuery("bor");
  EXPECT_EQ(model.selection.get(), 0u);
  model.setQuery("xyzzy");
  model.moveUp();
  model.moveDown();
  EXPECT_EQ(model.selection.get(), 0u);
  bool ran = false;
  model.onRun = [&](const model::Shortcut&) { ran = true; };
  model.runSelected();
  EXPECT_FALSE(ran);
}

TEST_F(PaletteModelTest, WithThreeResultsUpFromTheFirstSelectsTheThird) {
  model.setQuery("to");  // Top Border (80), Text to Columns (60), Bottom Border (45)
  ASSERT_EQ(model.results.get().size(), 3u);
  model.moveUp();
  EXPECT_EQ(model.selection.get(), 2u);
  model::Shortcut ran;
  model.onRun = [&](const model::Shortcut& s) { ran = s; };
  model.runSelected();
  EXPECT_EQ(ran.name, model.results.get()[2].shortcut.name);
}

TEST_F(PaletteModelTest, TriggerInstructions) {
  EXPECT_EQ(model.triggerInstruction.get(), "Double-tap ⌥ in Excel");
  model.setTrigger(model::SearchTrigger::optionSpace);
  EXPECT_EQ(model.triggerInstruction.get(), "Press ⌥ Space in Excel");
  model.setTrigger(model::SearchTrigger::optionSlash);
  EXPECT_EQ(model.triggerInstruction.get(), "In Excel, tap ⌥ then press /");
  model.setTrigger(model::SearchTrigger::off);
  EXPECT_EQ(model.triggerInstruction.get(), "Turn on a search shortcut in Settings");
}

TEST_F(PaletteModelTest, ANewLibraryRecomputesTheResults) {
  model.setQuery("bold");
  ASSERT_EQ(model.results.get().size(), 1u);
  model.setLibrary(testing::libraryFrom(R"({"shortcuts": [{"keys": "A", "name": "Other", "do": {"key": "cmd+o"}}]})"));
  EXPECT_TRUE(model.results.get().empty());
}

class PaletteControllerTest : public ::testing::Test {
 protected:
  platform::sim::VirtualTime time;
  platform::sim::SimScreens screens;
  platform::sim::SimPanels panels{time};
  Strings recent{"H 1"};
  CommandPaletteController palette{panels, screens, testing::libraryFrom(kPaletteLibrary), [this] { return recent; }};
  platform::sim::SimPanel& panel() { return *panels.first(platform::PanelKind::palette); }
  void type(const std::string& text) { panel().send(testing::typed(text)); }
  void key(const std::string& id) { panel().send(testing::keyPress(id)); }
};

TEST_F(PaletteControllerTest, OpensAsTheKeyWindowWithTheRecentShortcuts) {
  palette.open();
  EXPECT_TRUE(panel().isVisible());
  EXPECT_TRUE(panel().isKey());
  auto view = palette.currentView();
  ASSERT_EQ(view->rows.size(), 1u);
  EXPECT_EQ(view->heading, "Recently used");
  EXPECT_TRUE(view->rows[0].selected);
  EXPECT_EQ(view->footerInstruction, "Double-tap ⌥ in Excel to open");
  EXPECT_EQ(view->footerKeys.size(), 3u);
  EXPECT_EQ(view->placeholder, "Search Excel commands");
}

TEST_F(PaletteControllerTest, TheTopEdgeStaysWhileResultsChange) {
  palette.open();
  double top = panel().frame().maxY();
  type("bo");
  EXPECT_DOUBLE_EQ(panel().frame().maxY(), top);
  EXPECT_GT(panel().frame().height, 0);
  EXPECT_EQ(palette.currentView()->rows.size(), 4u);
  type("xyzzy");
  EXPECT_DOUBLE_EQ(panel().frame().maxY(), top);
  EXPECT_EQ(palette.currentView()->emptyText, "No commands match “xyzzy”");
}

TEST_F(PaletteControllerTest, ReturnRunsTheSelectedResultAndCloses) {
  std::optional<model::Shortcut> ran;
  palette.model().onRun = [&](const model::Shortcut& s) { ran = s; };
  palette.open();
  type("bo");
  key("down");
  key("down");
  EXPECT_TRUE(palette.currentView()->rows[2].selected);
  key("return");
  ASSERT_TRUE(ran);
  EXPECT_EQ(ran->name, "Bottom Border");
  EXPECT_FALSE(panel().isVisible());
}

TEST_F(PaletteControllerTest, ReturnWithNoResultsDoesNothing) {
  bool ran = false;
  palette.model().onRun = [&](const model::Shortcut&) { ran = true; };
  palette.open();
  type("xyzzy");
  key("return");
  EXPECT_FALSE(ran);
  EXPECT_TRUE(panel().isVisible());
}

TEST_F(PaletteControllerTest, EscapeAndLosingKeyStatusClose) {
  int closed = 0;
  palette.model().onClose = [&] { ++closed; };
  palette.open();
  key("escape");
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(palette.isOpen());
  palette.open();
  panel().resignKey();
  EXPECT_FALSE(palette.isOpen());
  // The model stays between openings.
  palette.open();
  type("bold");
  palette.close();
  palette.open();
  EXPECT_EQ(palette.model().query.get(), "bold");
}

}  // namespace
}  // namespace corvane::feedback

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "authoring/shortcut_browser_model.hpp"
#include "editor_fixture.hpp"

namespace corvane::authoring {
namespace {

using Names = std::vector<std::string>;

model::Shortcut shortcut(std::vector<std::string> keys) {
  return model::Shortcut{std::move(keys), "x", {}, std::nullopt, std::nullopt};
}

struct Browser {
  ShortcutBrowserModel model;
  int changes = 0;
  base::Subscription subscription = model.changed.subscribe([this] { ++changes; });
  explicit Browser(const model::LibraryPtr& library = testing::buildLibrary()) { model.setShortcuts(library->shortcuts()); }
  [[nodiscard]] Names visibleNames() const {
    Names out;
    for (const auto& row : model.view().rows) out.push_back(row.name);
    return out;
  }
};

TEST(ShortcutList, SectionsInDisplayOrder) {
  Names ids;
  for (const auto& s : ShortcutBrowserModel::sections()) ids.push_back(s.id);
  EXPECT_EQ(ids, (Names{"all", "qat", "H", "N", "P", "M", "A", "W", "R", "legacy", "other"}));
  EXPECT_EQ(ShortcutBrowserModel::sections()[9].title, "Excel 2003 Menus");
  EXPECT_EQ(ShortcutBrowserModel::sections()[9].symbol, "clock.arrow.circlepath");
}

TEST(ShortcutList, TheFirstKeyPicksTheSection) {
  EXPECT_EQ(sectionOf(shortcut({"1"})), "qat");
  EXPECT_EQ(sectionOf(shortcut({"9", "A"})), "qat");
  EXPECT_EQ(sectionOf(shortcut({"E", "D"})), "legacy");
  EXPECT_EQ(sectionOf(shortcut({"T"})), "legacy");
  EXPECT_EQ(sectionOf(shortcut({"Z"})), "other");
  EXPECT_EQ(sectionOf(shortcut({"Q", "G"})), "other");
  EXPECT_EQ(sectionOf(shortcut({"H", "O", "I"})), "H");
  EXPECT_EQ(sectionOf(shortcut({"R"})), "R");
  EXPECT_EQ(sectionOf(shortcut({})), "other") << "no keys count as an empty first key";
  EXPECT_EQ(sectionOf(shortcut({"É"})), "other");
}

TEST(ShortcutList, CountsAndCountTexts) {
  Browser b;
  EXPECT_EQ(b.model.counts(), (std::map<std::string, int>{{"all", 8}, {"H", 3}, {"W", 1}, {"N", 1}, {"qat", 1},
                                                          {"legacy", 1}, {"other", 1}}));
  EXPECT_EQ(countText(0), "0 shortcuts");
  EXPECT_EQ(countText(1), "1 shortcut");
  EXPECT_EQ(countText(12), "12 shortcuts");
  auto view = b.model.view();
  EXPECT_EQ(view.sections[0].countText, "8 shortcuts");
  EXPECT_TRUE(view.sections[0].selected);
  EXPECT_EQ(view.sections[4].count, 0) << "Page Layout has none";
  EXPECT_EQ(view.countText, "8 shortcuts");
}

TEST(ShortcutList, SelectionKeepsItsSectionInLibraryOrder) {
  Browser b;
  b.model.setSelection("H");
  EXPECT_EQ(b.visibleNames(), (Names{"Align Left", "AutoFit Column Width", "AutoFit Row Height"}));
  b.model.setSelection("qat");
  EXPECT_EQ(b.visibleNames(), Names{"First button"});
  b.model.setSelection("legacy");
  EXPECT_EQ(b.visibleNames(), Names{"Delete Sheet"});
  b.model.setSelection("other");
  EXPECT_EQ(b.visibleNames(), Names{"Zoom"});
  b.model.setSelection(std::nullopt);
  EXPECT_EQ(b.visibleNames().size(), 8u);
}

TEST(ShortcutList, QueryMatchesNamesKeysAndStepDescriptions) {
  Browser b;
  b.model.setQuery(" h o ");
  EXPECT_EQ(b.visibleNames(), (Names{"AutoFit Column Width", "AutoFit Row Height"})) << "keys beginning H O";
  b.model.setQuery("HOI");
  EXPECT_EQ(b.visibleNames(), Names{"AutoFit Column Width"});
  // "Lock the top rows" presses Freeze Panes: found by a word of the ribbon label.
  b.model.setQuery("Freeze");
  EXPECT_EQ(b.visibleNames(), Names{"Lock the top rows"});
  b.model.setQuery("sheet");
  EXPECT_EQ(b.visibleNames(), Names{"Delete Sheet"});
  b.model.setQuery("quick access toolbar");
  EXPECT_EQ(b.visibleNames(), Names{"First button"});
  b.model.setQuery("autofit");
  b.model.setSelection("W");
  EXPECT_TRUE(b.visibleNames().empty());
  EXPECT_EQ(b.model.view().countText, "0 shortcuts");
  EXPECT_EQ(b.model.view().emptyText, "No shortcut matches “autofit”.");
}

TEST(ShortcutList, CountsFollowANewLibrary) {
  Browser b;
  b.model.setSelection("N");
  EXPECT_EQ(b.visibleNames(), Names{"Table"});
  int before = b.changes;
  b.model.setShortcuts(testing::buildLibrary(testing::kPinnedBuiltin, R"({"shortcuts": [
      {"keys": "N T", "disabled": true}, {"keys": "2", "name": "Second", "do": {"qat": 2}}]})")->shortcuts());
  EXPECT_GT(b.changes, before);
  EXPECT_EQ(b.model.count("qat"), 2);
  EXPECT_EQ(b.model.count("N"), 0);
  EXPECT_FALSE(b.model.counts().contains("N"));
  EXPECT_EQ(b.model.count("all"), 8);
  EXPECT_TRUE(b.visibleNames().empty()) << "a selection whose section emptied shows nothing";
}

TEST(ShortcutList, RowsCarryKeysSummaryAndNote) {
  Browser b(testing::buildLibrary(R"({"shortcuts": [
      {"keys": "H B", "name": "Bold", "note": "Also ⌘B", "do": [{"ribbon": "Bold", "tab": "Home"}, {"wait": 100}]}]})"));
  auto rows = b.model.view().rows;
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].keys, (Names{"H", "B"}));
  EXPECT_EQ(rows[0].summary, "Ribbon Home › Bold, then Wait 100 ms");
  EXPECT_EQ(rows[0].note, "Also ⌘B");
  EXPECT_EQ(rows[0].sectionId, "H");
  EXPECT_EQ(b.model.view().makeYourOwnTitle, "Make Your Own…");
}

}  // namespace
}  // namespace corvane::authoring

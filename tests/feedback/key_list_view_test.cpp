#include <gtest/gtest.h>

#include "feedback/badge_geometry.hpp"
#include "feedback/key_list_view_builder.hpp"
#include "feedback_test_support.hpp"

namespace corvane::feedback {
namespace {

using model::HUDOption;

std::vector<HUDOption> letters(std::size_t n) {
  std::vector<HUDOption> out;
  for (std::size_t i = 0; i < n; ++i) out.push_back({std::string(1, static_cast<char>('A' + i)), "Row", false});
  return out;
}

std::vector<std::size_t> columnSizes(const platform::views::KeyListView& view) {
  std::vector<std::size_t> sizes;
  for (const auto& column : view.columns) sizes.push_back(column.size());
  return sizes;
}

TEST(KeyListColumns, FillEachColumnWithTheCeilingOfRowsOverColumns) {
  auto sizes = [](std::size_t n) { return columnSizes(buildKeyListView({{"H"}, "Home", letters(n), {}, false}, {})); };
  EXPECT_EQ(sizes(0), std::vector<std::size_t>{});
  EXPECT_EQ(sizes(1), (std::vector<std::size_t>{1}));
  EXPECT_EQ(sizes(10), (std::vector<std::size_t>{10}));
  EXPECT_EQ(sizes(11), (std::vector<std::size_t>{6, 5}));
  EXPECT_EQ(sizes(24), (std::vector<std::size_t>{12, 12}));
  EXPECT_EQ(sizes(25), (std::vector<std::size_t>{9, 9, 7}));
  EXPECT_EQ(sizes(26), (std::vector<std::size_t>{9, 9, 8}));
}

TEST(KeyListColumns, TheEnterRowIsNotCountedAsARow) {
  auto options = letters(10);
  options.push_back({"⏎", "Borders", false});
  auto view = buildKeyListView({{"H", "B"}, "Borders", options, {}, false}, {});
  EXPECT_EQ(columnSizes(view), (std::vector<std::size_t>{10}));
  ASSERT_EQ(view.hints.size(), 2u);
  EXPECT_EQ(view.hints[0].key, "⏎");
  EXPECT_EQ(view.hints[0].text, "Apply");
  EXPECT_EQ(view.hints[1].text, "Back");
}

TEST(KeyListFooter, EnterShowsItsOwnLabelWhenItDiffersFromTheTitle) {
  std::vector<HUDOption> options{{"⏎", "All Borders", false}, {"B", "Bottom", false}};
  auto view = buildKeyListView({{"H", "B"}, "Borders", options, {}, false}, {});
  EXPECT_EQ(view.hints.front().text, "All Borders");
}

TEST(KeyListFooter, EscapeClosesAtTheTopAndGoesBackBelow) {
  auto top = buildKeyListView({{}, "Excel shortcuts", letters(2), {}, false}, {});
  ASSERT_EQ(top.hints.size(), 1u);
  EXPECT_EQ(top.hints[0].key, "esc");
  EXPECT_EQ(top.hints[0].text, "Close");
  auto below = buildKeyListView({{"H"}, "Home", letters(2), {}, false}, {});
  EXPECT_EQ(below.hints.back().text, "Back");
}

TEST(KeyListFooter, AMessageReplacesTheHints) {
  auto view = buildKeyListView({{"H"}, "Home", letters(2), std::string("Nothing on “Z” here"), true}, {});
  EXPECT_TRUE(view.hints.empty());
  EXPECT_EQ(view.message, "Nothing on “Z” here");
  EXPECT_TRUE(view.messageIsError);
}

TEST(KeyListTitle, TheLastParenthesisBecomesTheSubtitle) {
  auto view = buildKeyListView({{"E"}, "Edit (2003 (menu) Mac)", {}, {}, false}, {});
  EXPECT_EQ(view.title, "Edit (2003");
  EXPECT_EQ(view.subtitle, "Excel menu) Mac");
  auto plain = buildKeyListView({{"E"}, "Edit", {}, {}, false}, {});
  EXPECT_EQ(plain.title, "Edit");
  EXPECT_FALSE(plain.subtitle);
  auto unopened = buildKeyListView({{"E"}, "Edit)", {}, {}, false}, {});
  EXPECT_EQ(unopened.title, "Edit)");
  EXPECT_FALSE(unopened.subtitle);
}

TEST(KeyListRows, QuickAccessAndLegacyMenusAreShortened) {
  std::vector<HUDOption> options{{"1", "Quick Access Toolbar button 1", false},
                                 {"E", "Edit (2003 menu)", true},
                                 {"X", "Text (2003 menu) extra", false}};
  auto view = buildKeyListView({{}, "Excel shortcuts", options, {}, false}, {});
  const auto& rows = view.columns.at(0);
  EXPECT_EQ(rows[0].label, "Quick Access button 1");
  EXPECT_EQ(rows[1].label, "Edit");
  EXPECT_TRUE(rows[1].legacy);
  EXPECT_TRUE(rows[1].isGroup);
  EXPECT_EQ(rows[2].label, "Text (2003 menu) extra");
  EXPECT_FALSE(rows[2].legacy);
}

TEST(KeyListRows, BadgesTakeTheStyleColours) {
  auto view = buildKeyListView({{}, "Excel shortcuts", letters(1), {}, false}, model::TipStyle::blue);
  auto colors = styleColors(model::TipStyle::blue);
  EXPECT_EQ(view.badgeFill, colors.fill);
  EXPECT_EQ(view.badgeBorder, colors.border);
}

TEST(KeyListTitle, GroupNameElseShortcutNameElseNone) {
  auto library = testing::libraryFrom(R"({
    "groups": {"H": "Home"},
    "shortcuts": [
      {"keys": "H B", "name": "Bold", "do": {"key": "cmd+b"}},
      {"keys": "H B X", "name": "Extra", "do": {"key": "cmd+x"}},
      {"keys": "Q A", "name": "Alone", "do": {"key": "cmd+a"}}
    ]})");
  EXPECT_EQ(keyListTitle(*library, {}), "Excel shortcuts");
  EXPECT_EQ(keyListTitle(*library, {"H"}), "Home");
  EXPECT_EQ(keyListTitle(*library, {"H", "B"}), "Bold");
  EXPECT_EQ(keyListTitle(*library, {"Q"}), std::nullopt);
}

TEST(KeyListTitle, TheTitlePrefixIsRemovedAndTheRestCapitalised) {
  std::vector<HUDOption> options{{"B", "Home: bold text", false}, {"C", "Homework", false}, {"D", "Home: ", false}};
  auto out = withoutTitlePrefix(options, std::string("Home"));
  EXPECT_EQ(out[0].label, "Bold text");
  EXPECT_EQ(out[1].label, "Homework");
  EXPECT_EQ(out[2].label, "");
  EXPECT_EQ(withoutTitlePrefix(options, std::nullopt), options);
}

}  // namespace
}  // namespace corvane::feedback

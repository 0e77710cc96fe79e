#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "authoring/cheat_sheet.hpp"
#include "support/builtin_library.hpp"
#include "support/golden.hpp"

namespace corvane::authoring {
namespace {

model::Shortcut shortcut(std::vector<std::string> keys, std::string name, std::optional<std::string> note = {}) {
  return model::Shortcut{std::move(keys), std::move(name), {}, std::move(note), std::nullopt};
}

TEST(CheatSheet, SectionsFollowTheShortcutListAndEmptyOnesAreLeftOut) {
  auto text = cheatSheetMarkdown({shortcut({"E", "S", "V"}, "Paste Special: Values"), shortcut({"H", "W"}, "Wrap Text"),
                                  shortcut({"Z"}, "Odd one"), shortcut({"1"}, "First button"),
                                  shortcut({"H", "1"}, "Bold")});
  EXPECT_NE(text.find("5 shortcuts: Quick Access 1 · Home 2 · Excel 2003 Menus 1 · Other 1.\n"), std::string::npos)
      << text;
  auto qat = text.find("## Quick Access");
  auto home = text.find("## Home");
  auto legacy = text.find("## Excel 2003 Menus");
  auto other = text.find("## Other");
  ASSERT_NE(qat, std::string::npos);
  EXPECT_LT(qat, home);
  EXPECT_LT(home, legacy);
  EXPECT_LT(legacy, other);
  EXPECT_EQ(text.find("## Insert"), std::string::npos);
  // Rows keep library order within a section.
  EXPECT_LT(text.find("| `H W` | Wrap Text |"), text.find("| `H 1` | Bold |"));
}

TEST(CheatSheet, OneShortcutIsCountedInTheSingular) {
  auto text = cheatSheetMarkdown({shortcut({"H", "W"}, "Wrap Text")});
  EXPECT_NE(text.find("1 shortcut: Home 1.\n"), std::string::npos) << text;
  EXPECT_EQ(cheatSheetMarkdown({}).find("## "), std::string::npos);
}

TEST(CheatSheet, NotesGetAColumnOnlyInSectionsThatHaveThem) {
  auto text = cheatSheetMarkdown({shortcut({"H", "W"}, "Wrap Text", "Mac differs"), shortcut({"H", "1"}, "Bold"),
                                  shortcut({"N", "T"}, "Table")});
  EXPECT_NE(text.find("## Home\n\n| Keys | Command | Note |\n|---|---|---|\n| `H W` | Wrap Text | Mac differs |\n"
                      "| `H 1` | Bold |  |\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("## Insert\n\n| Keys | Command |\n|---|---|\n| `N T` | Table |\n"), std::string::npos) << text;
}

TEST(CheatSheet, TableSyntaxInNamesAndKeysIsEscaped) {
  auto text = cheatSheetMarkdown({shortcut({"Q", "|"}, "Either | or", "two\nlines"), shortcut({"Q", "`"}, "Tick")});
  EXPECT_NE(text.find("| `Q \\|` | Either \\| or | two lines |"), std::string::npos) << text;
  EXPECT_NE(text.find("| `` Q ` `` | Tick |"), std::string::npos) << text;
}

// docs/shortcuts.md is generated from the shipped file; UPDATE_GOLDEN=1 regenerates it (the same
// text as `corvane list --markdown` with no file of your own).
TEST(CheatSheet, TheCommittedCheatSheetMatchesTheShippedShortcuts) {
  auto library = corvane::testing::builtinLibrary();
  ASSERT_TRUE(library->warnings().empty());
  corvane::testing::expectGolden("../../docs/shortcuts.md", cheatSheetMarkdown(library->shortcuts()));
}

}  // namespace
}  // namespace corvane::authoring

#include <gtest/gtest.h>

#include "excel/run_problem.hpp"
#include "excel/shortcut_check.hpp"

namespace corvane::excel {
namespace {

using Fix = RunProblem::Fix;
const std::string kLanguageDetail =
    "Corvane finds Excel's buttons by their English names. Set Excel to English in System Settings › General › "
    "Language & Region › Applications, then reopen Excel.";

struct Row {
  ActionError error;
  RunContext context;
  RunProblem expected;
};

TEST(RunProblem, EveryRowOfTheTable) {
  auto notFound = ActionError::notFound("Wrap Text", "Couldn't find “Wrap Text” on the Home ribbon. …");
  auto greyed = ActionError::greyedOut("Bold");
  auto noTab = ActionError::noTab("Data");
  auto timeout = ActionError::dialogTimeout("OK", "Couldn't find “OK” in the Excel dialog");
  auto general = ActionError::general("Excel didn't respond to “Bold”");
  auto menu = ActionError::menuMissing("Couldn't find menu Format › Column");
  auto silent = ActionError::notResponding(2.0, false);
  auto slow = ActionError::notResponding(6.5, true);
  const std::vector<Row> rows{
      {notFound, {true, true}, {"“Wrap Text” is hidden", "Excel's window is too narrow, so it folded some ribbon buttons away.", {Fix::widenExcel, Fix::tryAgain}, notFound.description}},
      {notFound, {true, std::nullopt}, {"“Wrap Text” is hidden", "Excel's window is too narrow, so it folded some ribbon buttons away.", {Fix::widenExcel, Fix::tryAgain}, notFound.description}},
      {notFound, {false, true}, {"“Wrap Text” isn't on your ribbon", "Your version of Excel may not have it, or it moved in an update.", {Fix::report}, notFound.description}},
      {notFound, {std::nullopt, std::nullopt}, {"“Wrap Text” isn't on your ribbon", "Your version of Excel may not have it, or it moved in an update.", {Fix::report}, notFound.description}},
      {notFound, {true, false}, {"Excel isn't in English", kLanguageDetail, {Fix::languageSettings}, notFound.description}},
      {greyed, {std::nullopt, false}, {"“Bold” is greyed out", "Excel doesn't allow it right now, for example while you're typing in a cell or with this selection.", {}, greyed.description}},
      {noTab, {}, {"The Data tab isn't showing", "Turn Excel's ribbon on (View › Ribbon), then try again.", {Fix::tryAgain}, noTab.description}},
      {noTab, {false, false}, {"Excel isn't in English", kLanguageDetail, {Fix::languageSettings}, noTab.description}},
      {timeout, {true, false}, {"Excel took too long", "The window with “OK” didn't open in time.", {Fix::tryAgain}, timeout.description}},
      {ActionError::noWorkbook(), {}, {"Open a workbook first", "Corvane works on the workbook that's open in Excel.", {}, "Open a workbook in Excel first"}},
      {general, {}, {"Couldn't run “Bold Text”", general.description, {Fix::report}, general.description}},
      {general, {std::nullopt, false}, {"Excel isn't in English", kLanguageDetail, {Fix::languageSettings}, general.description}},
      {menu, {}, {"“Bold Text” isn't in Excel's menus", "Your version of Excel may call it something else.", {Fix::report}, menu.description}},
      {menu, {false, false}, {"Excel isn't in English", kLanguageDetail, {Fix::languageSettings}, menu.description}},
      // An Excel that stopped answering is never blamed on the language or a narrow window.
      {silent, {true, false}, {"Excel isn't responding", "Excel gave no answer for 2.0 seconds. It may be busy with something else; Corvane stopped waiting.", {Fix::report}, silent.description}},
      {slow, {}, {"Excel isn't responding", "Excel answered too slowly: stopped after 6.5 seconds. It may be busy with something else; Corvane stopped waiting.", {Fix::report}, slow.description}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(makeProblem(row.error, "Bold Text", row.context), row.expected) << row.error.description;
  }
}

TEST(RunProblem, FixLabelsAndContextKinds) {
  EXPECT_EQ(fixLabel(Fix::widenExcel), "Widen Excel");
  EXPECT_EQ(fixLabel(Fix::tryAgain), "Try Again");
  EXPECT_EQ(fixLabel(Fix::languageSettings), "Language Settings");
  EXPECT_EQ(fixLabel(Fix::report), "Report…");
  EXPECT_EQ(fixLabel(Fix::whatsNew), "See What's New");
  EXPECT_FALSE(needsContext(ActionError::Kind::greyedOut));
  EXPECT_FALSE(needsContext(ActionError::Kind::dialogTimeout));
  EXPECT_FALSE(needsContext(ActionError::Kind::noWorkbook));
  EXPECT_TRUE(needsContext(ActionError::Kind::menuMissing));
  EXPECT_FALSE(needsContext(ActionError::Kind::notResponding));
}

TEST(ShortcutCheck, LinesPadOrCutKeysToEightCharacters) {
  model::Shortcut hoi{{"H", "O", "I"}, "AutoFit Column Width", {}, {}, {}};
  EXPECT_EQ(checkLine(hoi, {CheckResult::Status::found, ""}), "✅  ⌥ H O I     AutoFit Column Width");
  model::Shortcut longKeys{{"A", "B", "C", "D", "E"}, "Long", {}, {}, {}};
  EXPECT_EQ(checkLine(longKeys, {CheckResult::Status::notFound, "menu X not found"}),
            "❌  ⌥ A B C D   Long\n            menu X not found");
  model::Shortcut key{{"Q"}, "Key", {}, {}, {}};
  EXPECT_EQ(checkLine(key, {CheckResult::Status::notCheckable, ""}), "➖  ⌥ Q         Key");
}

}  // namespace
}  // namespace corvane::excel

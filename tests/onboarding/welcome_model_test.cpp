#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "onboarding/welcome_model.hpp"

namespace corvane::onboarding {
namespace {

using platform::views::WelcomeAction;
using platform::views::WelcomeKeyCap;
using Keys = std::vector<std::string>;

struct Welcome {
  WelcomeModel model;
  base::AppStatus status;
  int closed = 0;
  Welcome() {
    model.close = [this] { ++closed; };
    status.excelRunning.set(true);
    status.trusted.set(true);
    model.showWelcome();
  }
  void toPractice() {
    model.showWelcome();
    model.perform(WelcomeAction::next);
  }
  [[nodiscard]] std::string status_line() const { return model.view(status).status; }
  [[nodiscard]] std::vector<WelcomeKeyCap::Look> looks() const {
    std::vector<WelcomeKeyCap::Look> out;
    for (const auto& cap : model.view(status).keyCaps) out.push_back(cap.look);
    return out;
  }
};

using Look = WelcomeKeyCap::Look;

TEST(WelcomePractice, OptionThenHOITicksEveryCapAndEndsInSuccess) {
  Welcome w;
  w.toPractice();
  // Excel's own KeyTips on ⌥ would answer the practice's tap too.
  EXPECT_EQ(w.model.view(w.status).hint,
            "Using Excel's own KeyTips on ⌥? Move them to another key in Excel › Settings › Accessibility.");
  EXPECT_EQ(w.status_line(), "Waiting for you to tap ⌥ in Excel…");
  EXPECT_EQ(w.looks(), (std::vector<Look>{Look::next, Look::waiting, Look::waiting, Look::waiting}));

  w.model.practiceShow(Keys{});
  EXPECT_EQ(w.model.progress.get(), 1);
  EXPECT_EQ(w.status_line(), "Listening… now press H.");
  w.model.practiceShow(Keys{"H"});
  EXPECT_EQ(w.status_line(), "The Home tab badges are showing. Press O.");
  w.model.practiceShow(Keys{"H", "O"});
  EXPECT_EQ(w.status_line(), "Last one: press I.");
  EXPECT_EQ(w.looks(), (std::vector<Look>{Look::done, Look::done, Look::done, Look::next}));
  EXPECT_FALSE(w.model.view(w.status).statusFinished);

  w.model.practiceRun(Keys{"H", "O", "I"});
  EXPECT_EQ(w.model.progress.get(), 4);
  EXPECT_EQ(w.status_line(), "Nice, that ran AutoFit column width. You've got it.");
  EXPECT_TRUE(w.model.view(w.status).statusFinished);
  EXPECT_EQ(w.looks(), (std::vector<Look>{Look::done, Look::done, Look::done, Look::done}));

  // Once done, later effects change nothing.
  w.model.practiceShow(Keys{});
  EXPECT_EQ(w.model.progress.get(), 4);
}

TEST(WelcomePractice, WrongKeysAndRestartsNeverTakeProgressBack) {
  Welcome w;
  w.toPractice();
  w.model.practiceShow(Keys{});
  w.model.practiceShow(Keys{"H"});
  w.model.practiceShow(Keys{"H", "A"});  // a wrong letter
  EXPECT_EQ(w.model.progress.get(), 2);
  w.model.practiceShow(Keys{});  // ⌥ again after Escape
  EXPECT_EQ(w.model.progress.get(), 2);
  w.model.practiceShow(Keys{"H", "O", "I", "X"});
  w.model.practiceRun(Keys{"H", "O"});
  w.model.practiceRun(Keys{"H", "O", "A"});
  EXPECT_EQ(w.model.progress.get(), 2);
  // A jump straight to H O (the engine showed it) counts.
  w.model.practiceShow(Keys{"H", "O"});
  EXPECT_EQ(w.model.progress.get(), 3);
}

TEST(WelcomePractice, CountsOnlyOnThePracticePageOfAShownWindow) {
  Welcome w;
  w.model.practiceShow(Keys{});  // step 1
  EXPECT_EQ(w.model.progress.get(), 0);
  w.toPractice();
  w.model.perform(WelcomeAction::next);  // tips
  ASSERT_EQ(w.model.step.get(), 3);
  w.model.practiceRun(Keys{"H", "O", "I"});
  EXPECT_EQ(w.model.progress.get(), 0) << "running H O I on the tips page changes nothing";

  w.model.perform(WelcomeAction::back);
  w.model.perform(WelcomeAction::skip);
  EXPECT_EQ(w.closed, 1);
  w.model.practiceRun(Keys{"H", "O", "I"});
  EXPECT_EQ(w.model.progress.get(), 0) << "a closed window counts nothing";
  EXPECT_EQ(w.model.step.get(), 2);
}

TEST(WelcomePractice, WithoutExcelTheLineAsksToOpenIt) {
  Welcome w;
  w.status.excelRunning.set(false);
  w.toPractice();
  EXPECT_EQ(w.status_line(), "Open Excel with a workbook to try it.");
  w.model.practiceRun(Keys{"H", "O", "I"});
  EXPECT_EQ(w.status_line(), "Nice, that ran AutoFit column width. You've got it.");
}

TEST(WelcomePages, StepsButtonsAndMarkers) {
  Welcome w;
  w.status.trusted.set(false);
  auto v = w.model.view(w.status);
  EXPECT_EQ(v.windowTitle, "Welcome to Corvane");
  EXPECT_EQ(v.title, "Allow Accessibility access");
  EXPECT_EQ(v.text, "Corvane needs this to see Excel's buttons and the keys you press in Excel. It only acts while Excel is in front.");
  ASSERT_EQ(v.pageButtons.size(), 1u);
  EXPECT_EQ(v.pageButtons[0].title, "Open Privacy & Security…");
  EXPECT_EQ(v.hint, "Turn on Corvane in the list, then come back here.");
  std::vector<std::string> footer;
  for (const auto& b : v.footerButtons) footer.push_back(b.title);
  EXPECT_EQ(footer, (std::vector<std::string>{"Skip for now", "Continue"}));
  int opened = 0;
  w.model.openAccessibilitySettings = [&] { ++opened; };
  w.model.perform(WelcomeAction::openAccessibilitySettings);
  EXPECT_EQ(opened, 1);

  w.status.trusted.set(true);
  v = w.model.view(w.status);
  EXPECT_TRUE(v.pageButtons.empty());
  EXPECT_EQ(v.allowedSymbol, "checkmark.circle.fill");
  EXPECT_EQ(v.allowedText, "Allowed. You're ready for the next step.");

  w.model.perform(WelcomeAction::next);
  w.model.perform(WelcomeAction::next);
  w.model.perform(WelcomeAction::next);  // no fourth page
  v = w.model.view(w.status);
  EXPECT_EQ(v.step, 3);
  EXPECT_EQ(v.title, "Good to know");
  EXPECT_TRUE(v.markers[0].passed && v.markers[1].passed && !v.markers[2].passed && v.markers[2].current);
  footer.clear();
  for (const auto& b : v.footerButtons) footer.push_back(b.title);
  EXPECT_EQ(footer, (std::vector<std::string>{"Back", "Done"}));
  w.model.perform(WelcomeAction::done);
  EXPECT_EQ(w.closed, 1);

  // Reopening starts at the first page without resetting the practice.
  w.model.progress.set(3);
  w.model.showWelcome();
  EXPECT_EQ(w.model.step.get(), 1);
  EXPECT_EQ(w.model.progress.get(), 3);
  w.model.perform(WelcomeAction::back);
  EXPECT_EQ(w.model.step.get(), 1);
}

TEST(WelcomePages, TheFirstTipFollowsTheSearchTrigger) {
  Welcome w;
  w.model.step.set(3);
  auto firstTip = [&] { return w.model.view(w.status).tips.at(0).text; };
  EXPECT_EQ(firstTip(), "Double-tap ⌥ in Excel and type what you want, like “freeze”. Return runs it.");
  w.model.setSearchTrigger(model::SearchTrigger::optionSpace);
  EXPECT_EQ(w.model.searchInstruction.get(), "Press ⌥ Space in Excel");
  EXPECT_EQ(firstTip(), "Press ⌥ Space in Excel and type what you want, like “freeze”. Return runs it.");
  w.model.setSearchTrigger(model::SearchTrigger::off);
  EXPECT_EQ(firstTip(), "Turn on a search shortcut in Settings and type what you want, like “freeze”. Return runs it.");
  auto tips = w.model.view(w.status).tips;
  ASSERT_EQ(tips.size(), 4u);
  EXPECT_EQ(tips[1].symbol, "menubar.rectangle");
  EXPECT_EQ(tips[2].text, "Settings › My Shortcuts: pick any Excel button, record the keys, done.");
  EXPECT_EQ(tips[3].text, "Click a ribbon button with the mouse and Corvane shows its keys for next time.");
}

}  // namespace
}  // namespace corvane::onboarding

#include <gtest/gtest.h>

#include <algorithm>

#include "app/excel_key_tips_notice.hpp"
#include "app/settings_model.hpp"
#include "platform/views/hud_views.hpp"
#include "platform/views/settings_view.hpp"
#include "shell_harness.hpp"

// The shell with Excel's own KeyTips turned on: a notice once ever, a settings line and a report
// line once they were seen, no badges over them, every shortcut still run once, and nothing at all
// when they are on ⇧⌥.

namespace corvane::app {
namespace {

using testing::ShellHarness;
namespace sim = platform::sim;
namespace views = platform::views;

std::shared_ptr<const sim::ExcelFixture> excelWithKeyTips(std::optional<sim::KeyTipsKey> key, double delay = 0) {
  auto fixture = std::make_shared<sim::ExcelFixture>(*testing::loadFixture("default"));
  fixture->application.nativeKeyTips = key;
  fixture->application.nativeKeyTipsDelay = delay;
  return fixture;
}

struct Harness : ShellHarness {
  explicit Harness(std::optional<sim::KeyTipsKey> key = sim::KeyTipsKey::option, double delay = 0)
      : ShellHarness(excelWithKeyTips(key, delay), "home-basic.json") {}
  /// The notice showing now, if any.
  const views::NoticeView* notice() const {
    const auto* view = dynamic_cast<const views::NoticeView*>(shell->hud().currentView().get());
    return view != nullptr && shell->hud().isVisible() ? view : nullptr;
  }
  int escapesPosted() {
    return static_cast<int>(std::ranges::count_if(excel.inputPoster().posted(), [](const platform::RawEvent& e) {
      return e.type == platform::EventType::keyDown && e.keyCode == 53;
    }));
  }
  bool settingsLine() {
    auto& settings = shell->settingsModel();
    settings.select(SettingsPage::keyTips);
    auto view = settings.view();
    return std::ranges::any_of(view.controls, [](const views::SettingsControl& c) {
      return c.id == "excelKeyTips" && c.title == ExcelKeyTipsNotice::kSettingsTitle;
    });
  }
  std::string reportLine() {
    auto text = shell->problemReport().model().systemInfo();
    return text.substr(text.rfind('\n') + 1);
  }
  /// ⌥ H O I, then time for the run (well within a notice's 12 s).
  void runHOI() {
    tapOption();
    type({"h", "o", "i"});
    time.advanceBy(2);
  }
  void tapShiftOption() {
    setShift(true);
    setOption(true);
    time.advanceBy(0.1);
    setOption(false);
    setShift(false);
    time.advanceBy(0.4);
  }
};

TEST(AppShellExcelKeyTips, TheyGoBeforeTheBadgesAndTheShortcutRunsOnce) {
  Harness h;
  h.start();
  EXPECT_FALSE(h.settingsLine());
  EXPECT_EQ(h.reportLine(), "Excel's own KeyTips: not seen");
  h.tapOption();
  EXPECT_FALSE(h.excel.keyTipsShowing()) << "Escape took them away";
  EXPECT_TRUE(h.tipsVisible()) << "and the badges came";
  EXPECT_EQ(h.escapesPosted(), 1);
  // No notice while the sequence is open: it would take the key list's place.
  EXPECT_EQ(h.notice(), nullptr);
  h.type({"h", "o", "i"});
  h.time.runUntilIdle();
  EXPECT_EQ(h.excel.commandsRun(), std::vector<std::string>{"AutoFit Column Width"});
  for (const auto& event : h.excel.events()) {
    EXPECT_NE(event.kind, sim::ExcelEvent::Kind::keyTip) << "no letter went to Excel's KeyTips";
  }
  EXPECT_TRUE(h.logged("Excel's own KeyTips answered ⌥ too: Corvane closes them with Escape"));
  EXPECT_TRUE(h.settingsLine());
  EXPECT_EQ(h.reportLine(), "Excel's own KeyTips: seen answering ⌥");
}

TEST(AppShellExcelKeyTips, TheNoticeComesOnceEverWhenTheRunIsDone) {
  sim::MemoryDefaults kept;
  {
    Harness h;
    h.start();
    h.tapOption();
    h.type({"h", "o"});
    EXPECT_EQ(h.notice(), nullptr);
    h.press("i");
    // It comes once the run is done, not while it is under way.
    for (int step = 0; step < 200 && h.notice() == nullptr; ++step) h.time.advanceBy(0.01);
    ASSERT_NE(h.notice(), nullptr);
    EXPECT_EQ(h.excel.commandsRun(), std::vector<std::string>{"AutoFit Column Width"});
    EXPECT_EQ(h.excel.openPopupCount(), 0u) << "the run had closed its menu";
    EXPECT_EQ(h.notice()->message, ExcelKeyTipsNotice::kMessage);
    EXPECT_EQ(h.notice()->lines,
              (std::vector<std::string>{ExcelKeyTipsNotice::kClosed, ExcelKeyTipsNotice::kWaysOut}));
    EXPECT_EQ(h.defaults.getBool("excelKeyTipsSeen"), true);
    EXPECT_EQ(h.defaults.getBool("excelKeyTipsNoticeShown"), true);
    // A second tap: they are taken away again, with no second notice.
    h.time.advanceBy(15);
    h.runHOI();
    EXPECT_EQ(h.escapesPosted(), 2);
    EXPECT_EQ(h.notice(), nullptr);
    EXPECT_EQ(h.excel.commandsRun().size(), 2u);
    EXPECT_EQ(h.count("Excel's own KeyTips answered ⌥ too: Corvane closes them with Escape"), 1);
    for (const auto* key : {"excelKeyTipsSeen", "excelKeyTipsNoticeShown"}) kept.set(key, *h.defaults.raw(key));
  }
  // The next start of the program remembers: the settings line at once, never the notice.
  Harness h;
  for (const auto* key : {"excelKeyTipsSeen", "excelKeyTipsNoticeShown"}) h.defaults.set(key, *kept.raw(key));
  h.start();
  EXPECT_TRUE(h.settingsLine());
  h.runHOI();
  EXPECT_EQ(h.escapesPosted(), 1);
  EXPECT_EQ(h.notice(), nullptr);
}

TEST(AppShellExcelKeyTips, OnShiftOptionNothingClashesAndNothingIsSaid) {
  Harness h(sim::KeyTipsKey::shiftOption);
  h.start();
  h.runHOI();
  EXPECT_EQ(h.excel.commandsRun(), std::vector<std::string>{"AutoFit Column Width"});
  // ⇧⌥ is Excel's: no sequence of ours, no Escape, their letters reach them.
  h.tapShiftOption();
  EXPECT_TRUE(h.excel.keyTipsShowing());
  EXPECT_FALSE(h.shell->engine().inSequence());
  EXPECT_FALSE(h.tipsVisible());
  h.press("h");
  h.press("w");
  h.time.runUntilIdle();
  EXPECT_EQ(h.excel.commandsRun(), (std::vector<std::string>{"AutoFit Column Width", "Wrap Text"}));
  EXPECT_EQ(h.escapesPosted(), 0);
  EXPECT_EQ(h.notice(), nullptr);
  EXPECT_FALSE(h.defaults.raw("excelKeyTipsSeen").has_value());
  EXPECT_FALSE(h.defaults.raw("excelKeyTipsNoticeShown").has_value());
  EXPECT_FALSE(h.settingsLine());
  EXPECT_EQ(h.reportLine(), "Excel's own KeyTips: not seen");
}

TEST(AppShellExcelKeyTips, WhenTheyStayTheKeyListShowsAndNoBadges) {
  Harness h;
  h.excel.setKeyTipsIgnoreEscape(true);
  h.start();
  h.tapOption();
  EXPECT_TRUE(h.excel.keyTipsShowing());
  EXPECT_FALSE(h.tipsVisible());
  EXPECT_TRUE(h.shell->hud().showsKeyListOrBusy());
  h.press("h");
  EXPECT_FALSE(h.tipsVisible());
  EXPECT_EQ(h.escapesPosted(), 2) << "two Escapes for the sequence, none for its next level";
  h.type({"o", "i"});
  h.time.advanceBy(1);
  EXPECT_EQ(h.excel.commandsRun(), std::vector<std::string>{"AutoFit Column Width"});
  EXPECT_TRUE(h.logged("Excel's own KeyTips stayed after Escape: the key list shows instead of badges"));
  ASSERT_NE(h.notice(), nullptr);
  EXPECT_EQ(h.notice()->lines, (std::vector<std::string>{ExcelKeyTipsNotice::kStayed, ExcelKeyTipsNotice::kWaysOut}));
}

TEST(AppShellExcelKeyTips, LateKeyTipsThatStayTakeTheBadgesAwayAndBringTheKeyList) {
  Harness h(sim::KeyTipsKey::option, 0.2);
  h.excel.setKeyTipsIgnoreEscape(true);
  h.start();
  h.setOption(true);
  h.time.advanceBy(0.1);
  h.setOption(false);
  h.time.advanceBy(0.1);
  EXPECT_TRUE(h.tipsVisible());
  EXPECT_FALSE(h.shell->hud().showsKeyListOrBusy());
  // They come at 0.2 s, the look sees them by 0.25 s, and two Escapes wait 0.3 s each.
  h.time.advanceBy(0.9);
  EXPECT_TRUE(h.excel.keyTipsShowing());
  EXPECT_FALSE(h.tipsVisible());
  EXPECT_TRUE(h.shell->hud().showsKeyListOrBusy());
  EXPECT_TRUE(h.shell->engine().inSequence());
}

TEST(AppShellExcelKeyTips, TheTapThatClosesASequenceIsLookedAfterToo) {
  Harness h;
  h.start();
  h.tapOption();
  h.time.advanceBy(1);
  // The second tap closes our key list, and shows Excel's KeyTips again: they go too.
  h.tapOption();
  h.time.runUntilIdle();
  EXPECT_FALSE(h.shell->engine().inSequence());
  EXPECT_FALSE(h.excel.keyTipsShowing());
  EXPECT_EQ(h.escapesPosted(), 2);
  // Switched off, the program leaves Excel's KeyTips alone.
  h.shell->prefs().enabled.set(false);
  h.time.runUntilIdle();
  h.tapOption();
  h.time.runUntilIdle();
  EXPECT_TRUE(h.excel.keyTipsShowing());
  EXPECT_EQ(h.escapesPosted(), 2);
}

}  // namespace
}  // namespace corvane::app

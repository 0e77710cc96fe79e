#include "app/sequence_feedback.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/excel_key_tips_notice.hpp"
#include "app/hud_world.hpp"
#include "feedback/key_tip_overlay.hpp"
#include "model/settings.hpp"
#include "platform/sim/sim_text_metrics.hpp"
#include "platform/views/hud_views.hpp"

namespace corvane::app {
namespace {

using feedback::ExcelKeyTipsMet;
namespace views = platform::views;

const std::vector<model::HUDOption> kOptions{{"O", "Format"}, {"W", "Wrap Text"}};

class SequenceFeedbackTest : public testing::HudWorld {
 protected:
  platform::sim::SimTextMetrics metrics;
  base::Preferences prefs{defaults};
  base::AppStatus status;
  std::shared_ptr<platform::Queue> actions = time.makeSerialQueue("test.actions", platform::QoS::userInitiated);
  std::shared_ptr<feedback::KeyTipController> keyTips = std::make_shared<feedback::KeyTipController>(
      time, *actions, excel.services, std::make_unique<feedback::KeyTipOverlay>(panels, screens, metrics),
      excel::testing::pinnedLibrary());

  // What the fakes answer, and what they were told.
  std::optional<std::vector<std::string>> enginePath;
  std::optional<std::int32_t> excelPID;
  bool runBusy = false;
  int beeps = 0;
  int iconChanges = 0;
  std::vector<std::string> logs;

  SequenceFeedback::Services services() { return services(defaults); }
  SequenceFeedback::Services services(platform::Defaults& store) {
    return SequenceFeedback::Services{
        .hud = *hud,
        .keyTips = *keyTips,
        .prefs = prefs,
        .status = status,
        .defaults = store,
        .enginePath = [this] { return enginePath; },
        .excelPID = [this] { return excelPID; },
        .runBusy = [this] { return runBusy; },
        .beep = [this] { ++beeps; },
        .iconChanged = [this] { ++iconChanges; },
        .log = [this](const std::string& line) { logs.push_back(line); },
    };
  }
  SequenceFeedback sequence{services()};

  /// The engine opened `path`, and its level reaches the feedback.
  void open(const std::vector<std::string>& path) {
    enginePath = path;
    sequence.showLevel(engine::ShowEffect{path, kOptions});
  }
  /// The path of the key list showing, if one shows.
  std::optional<std::vector<std::string>> listShown() {
    if (!hud->isVisible() || hud->content() != feedback::HUDController::Content::keyList) return std::nullopt;
    const auto* list = dynamic_cast<const views::KeyListView*>(hud->currentView().get());
    if (list == nullptr) return std::nullopt;
    return list->pathKeys;
  }
  const views::NoticeView* notice() {
    const auto* view = dynamic_cast<const views::NoticeView*>(hud->currentView().get());
    return view != nullptr && hud->isVisible() ? view : nullptr;
  }
  bool badgesShown() {
    for (auto* panel : panels.ofKind(platform::PanelKind::keyTipOverlay)) {
      if (panel->isVisible()) return true;
    }
    return false;
  }
};

// --- The key list ---

TEST_F(SequenceFeedbackTest, TheKeyListShowsAsTheModeAndTheBadgesSay) {
  struct Case {
    model::KeyListMode mode;
    int badges;
    bool atOnce;  ///< before the key tips' outcome
    bool after;
  };
  using enum model::KeyListMode;
  const std::vector<Case> cases{
      {always, 0, true, true},       {always, 4, true, true},  {whenNoTips, 0, false, true},
      {whenNoTips, 1, false, false}, {never, 0, false, false}, {never, 3, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(model::rawValue(c.mode)) + " with " + std::to_string(c.badges) + " badges");
    prefs.keyListMode.set(c.mode);
    open({"H"});
    EXPECT_EQ(listShown().has_value(), c.atOnce);
    ASSERT_TRUE(sequence.pendingList());
    EXPECT_EQ(*sequence.pendingList(), (PendingList{{"H"}, kOptions}));
    sequence.tipsShown(c.badges);
    EXPECT_EQ(listShown().has_value(), c.after);
    EXPECT_FALSE(sequence.pendingList()) << "the outcome settles the pending list";
    sequence.hide();
  }
}

TEST_F(SequenceFeedbackTest, WithoutAlwaysANewLevelTakesTheLastOnesListAway) {
  prefs.keyListMode.set(model::KeyListMode::whenNoTips);
  open({"H"});
  sequence.tipsShown(0);
  ASSERT_EQ(listShown(), std::vector<std::string>{"H"});
  // Until its own outcome, the list of the level left must not stand over the new level's badges.
  open({"H", "O"});
  EXPECT_EQ(listShown(), std::nullopt);
  sequence.tipsShown(0);
  EXPECT_EQ(listShown(), (std::vector<std::string>{"H", "O"}));
}

TEST_F(SequenceFeedbackTest, AnOutcomeForAPathTheUserLeftDecidesNothing) {
  prefs.keyListMode.set(model::KeyListMode::whenNoTips);
  open({"H"});
  // The engine moved on before its new level reached the feedback, or closed the sequence.
  for (auto path : {std::optional<std::vector<std::string>>{{"H", "O"}}, std::optional<std::vector<std::string>>{}}) {
    enginePath = path;
    sequence.tipsShown(0);
    EXPECT_EQ(listShown(), std::nullopt);
    ASSERT_TRUE(sequence.pendingList()) << "still waiting for its own outcome";
    EXPECT_EQ(sequence.pendingList()->path, std::vector<std::string>{"H"});
  }
  // A level shown while the engine sits elsewhere keeps waiting when the old level's outcome comes.
  enginePath = std::vector<std::string>{"H"};
  sequence.showLevel(engine::ShowEffect{{"Z"}, {}});
  sequence.tipsShown(0);
  ASSERT_TRUE(sequence.pendingList());
  EXPECT_EQ(sequence.pendingList()->path, std::vector<std::string>{"Z"});
  EXPECT_EQ(listShown(), std::nullopt);
  // Its own outcome, with nothing pending afterwards: a second one shows nothing again.
  enginePath = std::vector<std::string>{"Z"};
  sequence.tipsShown(0);
  EXPECT_EQ(listShown(), std::vector<std::string>{"Z"});
  hud->hide();
  sequence.tipsShown(0);
  EXPECT_EQ(listShown(), std::nullopt);
}

TEST_F(SequenceFeedbackTest, BadgesAreAskedForOnlyWhileExcelIsInFrontAndGoWithTheSequence) {
  prefs.keyListMode.set(model::KeyListMode::whenNoTips);
  keyTips->onTipsShown = [this](int count) { sequence.tipsShown(count); };
  open({"H"});
  time.runUntilIdle();
  EXPECT_FALSE(badgesShown());
  EXPECT_TRUE(sequence.pendingList()) << "no scan, so no outcome";
  sequence.hide();
  excelPID = excel.x().pid();
  open({"H"});
  time.runUntilIdle();
  EXPECT_TRUE(badgesShown());
  EXPECT_FALSE(sequence.pendingList());
  EXPECT_EQ(listShown(), std::nullopt) << "badges showed, so no key list";
  sequence.hide();
  time.runUntilIdle();
  EXPECT_FALSE(badgesShown());
}

// --- The end of a sequence ---

TEST_F(SequenceFeedbackTest, HideClearsBothListsAndRestoresTheIcon) {
  prefs.keyListMode.set(model::KeyListMode::whenNoTips);
  open({"H"});
  open({"H", "O"});
  EXPECT_TRUE(sequence.iconListening());
  EXPECT_EQ(iconChanges, 1) << "the icon is redrawn when it starts listening, not on every level";
  ASSERT_TRUE(sequence.pendingList());
  sequence.hide();
  EXPECT_FALSE(sequence.iconListening());
  EXPECT_EQ(iconChanges, 2);
  EXPECT_FALSE(sequence.pendingList());
  // Neither a late outcome nor withdrawn badges bring back the list of a sequence that ended, even
  // when a new sequence stands at the same path.
  sequence.tipsShown(0);
  sequence.excelKeyTipsMet(ExcelKeyTipsMet{.closed = false, .badgesWithdrawn = true});
  EXPECT_EQ(listShown(), std::nullopt);
}

TEST_F(SequenceFeedbackTest, HideLeavesANoticeShowing) {
  prefs.keyListMode.set(model::KeyListMode::always);
  open({"H"});
  hud->showNotice("Loaded 17 shortcuts", false, 3);
  sequence.hide();
  ASSERT_NE(notice(), nullptr);
  EXPECT_EQ(notice()->message, "Loaded 17 shortcuts");
}

TEST_F(SequenceFeedbackTest, MouseCancelEndsTheFeedbackAndLetsTheNoticeCome) {
  prefs.keyListMode.set(model::KeyListMode::always);
  // Not listening: nothing to redraw.
  sequence.mouseCancel();
  EXPECT_EQ(iconChanges, 0);
  open({"H"});
  sequence.excelKeyTipsMet(ExcelKeyTipsMet{.closed = true});
  EXPECT_EQ(notice(), nullptr) << "not while the sequence is open";
  enginePath.reset();  // the click closed the engine's sequence first
  sequence.mouseCancel();
  EXPECT_FALSE(sequence.iconListening());
  EXPECT_EQ(iconChanges, 2);
  EXPECT_FALSE(sequence.pendingList());
  EXPECT_EQ(listShown(), std::nullopt);
  ASSERT_NE(notice(), nullptr);
  EXPECT_EQ(notice()->message, ExcelKeyTipsNotice::kMessage);
}

// --- A wrong key ---

TEST_F(SequenceFeedbackTest, AWrongKeyBeepsAndSaysSoOnlyInAShowingKeyList) {
  prefs.keyListMode.set(model::KeyListMode::always);
  open({"H"});
  sequence.invalidKey(engine::InvalidKeyEffect{{"H"}, "Z"});
  EXPECT_EQ(beeps, 1);
  const auto* list = dynamic_cast<const views::KeyListView*>(hud->currentView().get());
  ASSERT_NE(list, nullptr) << "the list stays";
  EXPECT_EQ(list->message, std::optional<std::string>("Nothing on “Z” here"));
  time.advanceBy(SequenceFeedback::kInvalidKeySeconds + 0.1);
  list = dynamic_cast<const views::KeyListView*>(hud->currentView().get());
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(hud->isVisible());
  EXPECT_EQ(list->message, std::nullopt) << "the hints come back";
  // A notice in the panel is neither replaced nor given a footer.
  hud->showNotice("Excel shortcuts on", false, 3);
  sequence.invalidKey(engine::InvalidKeyEffect{{"H"}, "Q"});
  EXPECT_EQ(beeps, 2);
  ASSERT_NE(notice(), nullptr);
  EXPECT_EQ(notice()->message, "Excel shortcuts on");
  // No list at all: only the beep.
  hud->hide();
  sequence.invalidKey(engine::InvalidKeyEffect{{"H"}, "Q"});
  EXPECT_EQ(beeps, 3);
  EXPECT_FALSE(hud->isVisible());
}

// --- Excel's own KeyTips ---

TEST_F(SequenceFeedbackTest, TheNoticeWaitsForNoSequenceAndNoRunThenShowsOnce) {
  open({"H"});
  sequence.excelKeyTipsMet(ExcelKeyTipsMet{.closed = true});
  EXPECT_TRUE(status.excelKeyTipsSeen.get());
  EXPECT_EQ(defaults.getBool("excelKeyTipsSeen"), true);
  EXPECT_EQ(notice(), nullptr) << "a sequence is open";
  // The run the sequence started is still busy.
  sequence.hide();
  enginePath.reset();
  runBusy = true;
  sequence.showExcelKeyTipsNoticeWhenFree();
  EXPECT_EQ(notice(), nullptr) << "a run's busy line needs the panel";
  EXPECT_FALSE(defaults.getBool("excelKeyTipsNoticeShown").has_value());
  runBusy = false;
  sequence.showExcelKeyTipsNoticeWhenFree();
  ASSERT_NE(notice(), nullptr);
  EXPECT_EQ(notice()->lines, (std::vector<std::string>{ExcelKeyTipsNotice::kClosed, ExcelKeyTipsNotice::kWaysOut}));
  EXPECT_EQ(defaults.getBool("excelKeyTipsNoticeShown"), true);
  // Once: neither a later meeting nor the next start of the program shows it again.
  hud->hide();
  sequence.excelKeyTipsMet(ExcelKeyTipsMet{.closed = true});
  EXPECT_EQ(notice(), nullptr);
  SequenceFeedback restarted(services());
  restarted.excelKeyTipsMet(ExcelKeyTipsMet{.closed = false});
  EXPECT_EQ(notice(), nullptr);
}

TEST_F(SequenceFeedbackTest, TheFirstMeetingDecidesTheNoticeAndClosingIsLoggedOnlyFirst) {
  struct Case {
    std::vector<bool> closed;  ///< the meetings, in order
    std::vector<std::string> logs;
    const char* line;  ///< the notice's first line
  };
  const std::string answered = "Excel's own KeyTips answered ⌥ too: Corvane closes them with Escape";
  const std::string stayed = "Excel's own KeyTips stayed after Escape: the key list shows instead of badges";
  const std::vector<Case> cases{
      {{true, true, false}, {answered, stayed}, ExcelKeyTipsNotice::kClosed},
      {{false, true, false}, {stayed, stayed}, ExcelKeyTipsNotice::kStayed},
  };
  for (const auto& c : cases) {
    platform::sim::MemoryDefaults fresh;
    logs.clear();
    SequenceFeedback feedback(services(fresh));
    enginePath = std::vector<std::string>{"H"};
    for (bool closed : c.closed) feedback.excelKeyTipsMet(ExcelKeyTipsMet{.closed = closed});
    EXPECT_EQ(logs, c.logs);
    enginePath.reset();
    feedback.showExcelKeyTipsNoticeWhenFree();
    ASSERT_NE(notice(), nullptr);
    EXPECT_EQ(notice()->lines, (std::vector<std::string>{c.line, ExcelKeyTipsNotice::kWaysOut}));
    hud->hide();
  }
}

TEST_F(SequenceFeedbackTest, WithdrawnBadgesBringTheKeyListBackOnlyForTheSamePath) {
  prefs.keyListMode.set(model::KeyListMode::whenNoTips);
  const ExcelKeyTipsMet withdrawn{.closed = false, .badgesWithdrawn = true};
  open({"H"});
  sequence.tipsShown(3);
  ASSERT_EQ(listShown(), std::nullopt);
  sequence.excelKeyTipsMet(ExcelKeyTipsMet{.closed = false});
  EXPECT_EQ(listShown(), std::nullopt) << "no badges were taken away";
  enginePath = std::vector<std::string>{"H", "O"};  // the user typed on meanwhile
  sequence.excelKeyTipsMet(withdrawn);
  EXPECT_EQ(listShown(), std::nullopt);
  enginePath = std::vector<std::string>{"H"};
  sequence.excelKeyTipsMet(withdrawn);
  EXPECT_EQ(listShown(), std::vector<std::string>{"H"});
  // Only the mode that trades badges for the list does so.
  hud->hide();
  prefs.keyListMode.set(model::KeyListMode::never);
  sequence.excelKeyTipsMet(withdrawn);
  EXPECT_EQ(listShown(), std::nullopt);
}

}  // namespace
}  // namespace corvane::app

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/sim/scripted_updater.hpp"
#include "platform/sim/virtual_time.hpp"
#include "updates/release_notes.hpp"
#include "updates/update_driver.hpp"
#include "updates/update_flow.hpp"
#include "updates/update_model.hpp"
#include "updates/update_window_view.hpp"

namespace corvane::updates {
namespace {

using platform::UpdateChoice;
using platform::views::UpdateAction;
using platform::views::UpdateButton;
using platform::views::UpdateProgress;
using Lines = std::vector<std::string>;

/// The model, a driver over it, and records of the window, the log and the notices.
struct Harness {
  UpdateModel model;
  int shown = 0;
  int closed = 0;
  bool visible = false;
  Lines log;
  Lines notices;
  UpdateDriver driver{model,
                      UpdateWindowControl{[this] {
                                            ++shown;
                                            visible = true;
                                          },
                                          [this] {
                                            ++closed;
                                            visible = false;
                                          }},
                      [this](const std::string& line) { log.push_back(line); }};
  UpdateFlow flow{model, driver, [this](const std::string& m, double s) { notices.push_back(m + " @" + std::to_string(static_cast<int>(s))); },
                  [this](const std::string& line) { log.push_back(line); }};

  [[nodiscard]] platform::views::UpdateView view() const { return makeUpdateView(model, "1.2"); }
  [[nodiscard]] std::vector<std::string> buttonTitles() const {
    std::vector<std::string> out;
    for (const auto& b : view().buttons) out.push_back(b.title);
    return out;
  }
};

TEST(UpdateWindow, EveryStageHasItsTexts) {
  Harness h;
  EXPECT_EQ(h.view().windowTitle, "Software Update");
  EXPECT_EQ(h.view().title, "") << "nothing before the first callback";

  h.driver.showUserInitiatedUpdateCheck([] {});
  EXPECT_EQ(h.view().title, "Checking for updates…");
  EXPECT_EQ(h.buttonTitles(), Lines{"Cancel"});
  EXPECT_EQ(h.view().buttons[0].action, UpdateAction::cancel);

  h.driver.showUpdateFound({"1.3", "<ul><li>Faster</li><li>Fixes &amp; more</li></ul>"}, {}, [](UpdateChoice) {});
  auto found = h.view();
  EXPECT_EQ(found.title, "A new version of Corvane is available");
  EXPECT_EQ(found.text, "Corvane 1.3 is ready. You have 1.2. Would you like to install it now?");
  EXPECT_EQ(found.notesHeading, "What’s new");
  EXPECT_EQ(found.notes, (Lines{"Faster", "Fixes & more"}));
  ASSERT_TRUE(found.checkBox);
  EXPECT_EQ(found.checkBox->title, "Automatically download and install updates in the future");
  EXPECT_EQ(h.buttonTitles(), (Lines{"Skip This Version", "Remind Me Later", "Install Update"}));
  EXPECT_EQ(h.model.waitingVersion.get(), "1.3");

  h.driver.showDownloadInitiated([] {});
  EXPECT_EQ(h.view().title, "Downloading the update…");
  EXPECT_EQ(h.view().progress->text, "0.0 MB of 0.0 MB");
  EXPECT_FALSE(h.model.waitingVersion.get());
  h.driver.showDownloadDidReceiveDataOfLength(1'500'000);
  EXPECT_EQ(h.view().progress->text, "1.5 MB of 0.0 MB") << "an unknown total shows as 0.0 MB";
  EXPECT_EQ(h.view().progress->fraction, 0.0);
  h.driver.showDownloadDidReceiveExpectedContentLength(12'000'000);
  h.driver.showDownloadDidReceiveDataOfLength(1'500'000);
  EXPECT_EQ(h.view().progress->text, "3.0 MB of 12.0 MB");
  EXPECT_DOUBLE_EQ(h.view().progress->fraction, 0.25);
  EXPECT_EQ(h.buttonTitles(), Lines{"Cancel"});

  h.driver.showDownloadDidStartExtractingUpdate();
  EXPECT_EQ(h.view().title, "Preparing the update…");
  EXPECT_EQ(h.view().progress->kind, UpdateProgress::Kind::indeterminate);
  EXPECT_TRUE(h.view().buttons.empty());

  h.driver.showReadyToInstallAndRelaunch([](UpdateChoice) {});
  EXPECT_EQ(h.view().title, "Ready to install");
  EXPECT_EQ(h.view().text, "The update is downloaded and verified. Corvane restarts in a second; Excel stays open.");
  EXPECT_EQ(h.buttonTitles(), (Lines{"Install on Quit", "Install and Relaunch"}));

  h.driver.showInstallingUpdate(false, [] {});
  EXPECT_EQ(h.view().title, "Installing…");
  EXPECT_TRUE(h.view().buttons.empty());

  h.driver.showUpdateNotFound("", [] {});
  EXPECT_EQ(h.view().title, "You’re up to date");
  EXPECT_EQ(h.view().text, "Corvane 1.2 is the newest version.");
  EXPECT_EQ(h.buttonTitles(), Lines{"OK"});
}

TEST(UpdateWindow, ErrorsSayWhetherTheCheckOrTheUpdateFailed) {
  Harness h;
  h.driver.showUserInitiatedUpdateCheck([] {});
  int acknowledged = 0;
  h.driver.showUpdaterError("The feed couldn't be read.", [&] { ++acknowledged; });
  EXPECT_EQ(h.view().title, "Couldn’t check for updates");
  EXPECT_EQ(h.view().text, "The feed couldn't be read.");
  EXPECT_EQ(h.log, Lines{"Update error: The feed couldn't be read."});
  h.model.perform(UpdateAction::acknowledge);
  h.model.perform(UpdateAction::acknowledge);
  EXPECT_EQ(acknowledged, 1) << "an acknowledgement is answered once";

  h.driver.showDownloadInitiated([] {});
  h.driver.showUpdaterError("The network went away.", [] {});
  EXPECT_EQ(h.view().title, "The update didn’t finish");
  EXPECT_EQ(h.buttonTitles(), Lines{"OK"});
}

TEST(UpdateDriver, ButtonsAnswerTheirStagesReplyOnce) {
  Harness h;
  std::vector<UpdateChoice> answers;
  h.driver.showUpdateFound({"1.3", ""}, {}, [&](UpdateChoice c) { answers.push_back(c); });
  EXPECT_TRUE(h.view().notes.empty());
  EXPECT_EQ(h.view().notesHeading, "");
  h.model.perform(UpdateAction::skip);
  h.model.perform(UpdateAction::install);
  EXPECT_EQ(answers, std::vector<UpdateChoice>{UpdateChoice::skip});
  EXPECT_EQ(h.closed, 1);

  answers.clear();
  h.driver.showReadyToInstallAndRelaunch([&](UpdateChoice c) { answers.push_back(c); });
  h.model.perform(UpdateAction::installOnQuit);
  h.model.perform(UpdateAction::relaunch);
  EXPECT_EQ(answers, std::vector<UpdateChoice>{UpdateChoice::dismiss});
  EXPECT_EQ(h.closed, 2);

  answers.clear();
  h.driver.showReadyToInstallAndRelaunch([&](UpdateChoice c) { answers.push_back(c); });
  h.model.perform(UpdateAction::relaunch);
  EXPECT_EQ(answers, std::vector<UpdateChoice>{UpdateChoice::install});
  EXPECT_EQ(h.closed, 2) << "relaunching keeps the window";

  // The permission request is answered at once: automatic checks on, no system profile.
  platform::UpdatePermissionResponse response;
  h.driver.showUpdatePermissionRequest([&](platform::UpdatePermissionResponse r) { response = r; });
  EXPECT_TRUE(response.automaticUpdateChecks);
  EXPECT_FALSE(response.sendSystemProfile);

  int acknowledged = 0;
  h.driver.showUpdateInstalledAndRelaunched(true, [&] { ++acknowledged; });
  EXPECT_EQ(acknowledged, 1);
}

TEST(UpdateDriver, TheWindowsActionsReachTheModelByName) {
  Harness h;
  std::vector<UpdateChoice> answers;
  h.driver.showUpdateFound({"1.3", ""}, {}, [&](UpdateChoice c) { answers.push_back(c); });
  auto action = [](platform::PanelAction::Kind kind, std::string id, bool on = false) {
    platform::PanelAction a;
    a.kind = kind;
    a.id = std::move(id);
    a.on = on;
    return a;
  };
  using Kind = platform::PanelAction::Kind;
  h.model.handle(action(Kind::button, "installNow"));  // no such action: ignored
  h.model.handle(action(Kind::text, "install"));       // not a button: ignored
  EXPECT_TRUE(answers.empty());
  h.model.handle(action(Kind::toggle, "setAutoInstall", true));
  EXPECT_TRUE(h.model.autoInstall.get());
  h.model.handle(action(Kind::button, "install"));
  EXPECT_EQ(answers, std::vector<UpdateChoice>{UpdateChoice::install});
}

TEST(UpdateDriver, DownloadedReleaseNotesReplaceTheFoundNotes) {
  Harness h;
  h.driver.showUpdateReleaseNotes("<li>ignored</li>");
  EXPECT_FALSE(h.model.stage.get()) << "only a found stage takes notes";
  h.driver.showUpdateFound({"1.3", "<li>From the feed</li>"}, {}, [](UpdateChoice) {});
  h.driver.showUpdateReleaseNotes(std::string("Line one<br>Line \xFFtwo"));
  EXPECT_EQ(h.view().notes, (Lines{"Line one", "Line \xEF\xBF\xBDtwo"}));
  h.driver.showUpdateReleaseNotesFailedToDownload("offline");
  EXPECT_EQ(h.view().notes.size(), 2u);
}

// Both ways notes arrive (the feed's description and downloaded notes) reach the window capped
// and without characters that could disguise what they say.
TEST(UpdateDriver, NotesFromTheFeedReachTheWindowCappedAndClean) {
  Harness h;
  std::string many;
  for (int i = 0; i < 200; ++i) many += "<li>\xE2\x80\xAE" "note</li>";
  h.driver.showUpdateFound({"1.3", many}, {}, [](UpdateChoice) {});
  EXPECT_EQ(h.view().notes, Lines(kMaxReleaseNotes, "note"));
  h.driver.showUpdateReleaseNotes(std::string(100'000, 'x') + "\x1B\n" + std::string(10, 'y'));
  ASSERT_EQ(h.view().notes.size(), 2u);
  EXPECT_LE(h.view().notes[0].size(), kMaxReleaseNoteBytes);
  EXPECT_EQ(h.view().notes[1], std::string(10, 'y'));
}

TEST(UpdateDriver, DismissKeepsAPutOffUpdateOpen) {
  Harness h;
  h.driver.showUpdateFound({"1.3", ""}, {}, [](UpdateChoice) {});
  EXPECT_TRUE(h.visible);
  h.driver.dismissUpdateInstallation();
  EXPECT_TRUE(h.visible);
  h.driver.showUpdateNotFound("", [] {});
  h.driver.dismissUpdateInstallation();
  EXPECT_FALSE(h.visible);
}

TEST(UpdateFlow, WithoutAnUpdaterTheCheckExplains) {
  Harness h;
  h.flow.start(nullptr);
  h.flow.checkForUpdates();
  EXPECT_EQ(h.notices, Lines{"This copy of Corvane can't check for updates. @3"});
}

class RefusingUpdater final : public platform::Updater {
 public:
  std::expected<void, std::string> start() override { return std::unexpected(std::string("no feed address")); }
  void checkForUpdates() override { ++checks; }
  bool automaticallyChecksForUpdates() const override { return true; }
  void setAutomaticallyChecksForUpdates(bool) override {}
  bool automaticallyDownloadsUpdates() const override { return true; }
  void setAutomaticallyDownloadsUpdates(bool) override {}
  int checks = 0;
};

TEST(UpdateFlow, AnUpdaterThatDoesNotStartIsLoggedAndDropped) {
  Harness h;
  auto updater = std::make_shared<RefusingUpdater>();
  h.flow.start(updater);
  EXPECT_EQ(h.log, Lines{"Updater didn't start: no feed address"});
  EXPECT_FALSE(h.flow.hasUpdater());
  EXPECT_FALSE(h.model.autoCheck.get());
  h.flow.checkForUpdates();
  EXPECT_EQ(updater->checks, 0);
  EXPECT_EQ(h.notices.size(), 1u);
}

platform::sim::ScriptedFeed scriptedFeed() {
  auto feed = platform::sim::parseScriptedFeed(R"({"automaticallyChecks": true, "automaticallyDownloads": false,
      "steps": [{"after": 0.8, "found": {"version": "1.3", "description": "<li>Faster</li>"}},
                {"after": 0.1, "releaseNotes": "<ul><li>Faster key tips</li></ul>"},
                {"after": 0.2, "expectedLength": 4000000},
                {"after": 0.3, "data": 1000000, "times": 4},
                {"after": 0.1, "extracting": true},
                {"after": 0.2, "extractionProgress": 1.0},
                {"after": 0.1, "ready": true}]})");
  EXPECT_TRUE(feed) << feed.error();
  return *feed;
}

/// The flow over the scripted updater, with every stage the model publishes recorded by name.
struct Scripted : Harness {
  platform::sim::VirtualTime time;
  std::shared_ptr<platform::sim::ScriptedUpdater> updater =
      std::make_shared<platform::sim::ScriptedUpdater>(time, driver, scriptedFeed());
  Lines stages;
  base::Subscription subscription = model.stage.subscribe([this](const std::optional<Stage>& s) {
    if (!s) return;
    static const char* names[] = {"found", "downloading", "failed", "checking", "preparing", "ready", "installing", "upToDate"};
    const char* name = names[s->index()];
    if (stages.empty() || stages.back() != name) stages.push_back(name);
  });
};

TEST(UpdateFlow, AScriptedFeedDrivesEveryStageInOrder) {
  Scripted s;
  s.flow.start(s.updater);
  EXPECT_TRUE(s.model.autoCheck.get());
  EXPECT_FALSE(s.model.autoInstall.get());
  s.model.setAutoInstall(true);
  EXPECT_TRUE(s.updater->automaticallyDownloadsUpdates()) << "switches reach the updater";
  s.model.setAutoInstall(false);

  s.flow.checkForUpdates();
  s.time.runUntilIdle();
  EXPECT_EQ(s.view().notes, Lines{"Faster key tips"});
  s.model.perform(UpdateAction::install);
  s.time.advanceBy(0.2 + 0.3 * 2 + 0.01);
  EXPECT_EQ(s.view().progress->text, "2.0 MB of 4.0 MB");
  s.time.runUntilIdle();
  EXPECT_EQ(s.stages, (Lines{"checking", "found", "downloading", "preparing", "ready"}));
  EXPECT_EQ(s.view().title, "Ready to install");
  s.model.perform(UpdateAction::relaunch);
  s.time.runUntilIdle();
  EXPECT_EQ(s.stages.back(), "installing");
  EXPECT_FALSE(s.visible) << "the finished session dismisses the window";
}

TEST(UpdateFlow, RemindMeLaterClosesAndALaterCheckReopensTheFoundUpdate) {
  Scripted s;
  s.flow.start(s.updater);
  s.flow.checkForUpdates();
  s.time.runUntilIdle();
  ASSERT_TRUE(s.model.isFound());
  s.model.perform(UpdateAction::later);
  s.time.runUntilIdle();
  EXPECT_FALSE(s.visible);
  EXPECT_FALSE(s.updater->sessionActive());

  int shownBefore = s.shown;
  s.flow.checkForUpdates();
  EXPECT_TRUE(s.visible);
  EXPECT_EQ(s.shown, shownBefore + 1);
  EXPECT_FALSE(s.updater->sessionActive()) << "reopening starts no new check";
  EXPECT_EQ(s.view().title, "A new version of Corvane is available");

  // The reopened offer still installs: the framework is asked again and gets the answer.
  s.model.perform(UpdateAction::install);
  s.time.runUntilIdle();
  EXPECT_EQ(s.stages, (Lines{"checking", "found", "checking", "found", "downloading", "preparing", "ready"}));

  // "Remind Me Later" on the reopened window just closes it.
  Scripted t;
  t.flow.start(t.updater);
  t.flow.checkForUpdates();
  t.time.runUntilIdle();
  t.model.perform(UpdateAction::later);
  t.time.runUntilIdle();
  t.flow.checkForUpdates();
  t.model.perform(UpdateAction::later);
  EXPECT_FALSE(t.visible);
}

TEST(UpdateFlow, CancellingACheckClosesTheWindow) {
  Scripted s;
  s.flow.start(s.updater);
  s.flow.checkForUpdates();
  EXPECT_TRUE(s.visible);
  s.model.perform(UpdateAction::cancel);
  s.time.runUntilIdle();
  EXPECT_FALSE(s.visible);
  EXPECT_EQ(s.stages, Lines{"checking"});
}

}  // namespace
}  // namespace corvane::updates

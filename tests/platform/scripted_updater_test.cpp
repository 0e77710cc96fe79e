#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/scripted_updater.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::platform::sim {
namespace {

using Calls = std::vector<std::string>;

/// Records every callback by name and keeps the latest reply of each kind for the test to answer.
class RecordingDriver final : public UpdateUserDriver {
 public:
  Calls calls;
  UpdateReply foundReply;
  UpdateReply readyReply;
  UpdateAcknowledgement acknowledgement;
  UpdateCancellation cancellation;
  std::function<void(UpdatePermissionResponse)> permission;
  UpdateState lastState;

  void showUpdatePermissionRequest(std::function<void(UpdatePermissionResponse)> reply) override {
    calls.push_back("permission");
    permission = std::move(reply);
  }
  void showUserInitiatedUpdateCheck(UpdateCancellation c) override {
    calls.push_back("check");
    cancellation = std::move(c);
  }
  void showUpdateFound(const AppcastItem& item, const UpdateState& state, UpdateReply reply) override {
    calls.push_back("found " + item.displayVersion);
    lastState = state;
    foundReply = std::move(reply);
  }
  void showUpdateReleaseNotes(const std::string& data) override { calls.push_back("notes " + data); }
  void showUpdateReleaseNotesFailedToDownload(const std::string& e) override { calls.push_back("notesFailed " + e); }
  void showUpdateNotFound(const std::string&, UpdateAcknowledgement ack) override {
    calls.push_back("notFound");
    acknowledgement = std::move(ack);
  }
  void showUpdaterError(const std::string& e, UpdateAcknowledgement ack) override {
    calls.push_back("error " + e);
    acknowledgement = std::move(ack);
  }
  void showDownloadInitiated(UpdateCancellation c) override {
    calls.push_back("download");
    cancellation = std::move(c);
  }
  void showDownloadDidReceiveExpectedContentLength(std::uint64_t n) override {
    calls.push_back("expect " + std::to_string(n));
  }
  void showDownloadDidReceiveDataOfLength(std::uint64_t n) override { calls.push_back("data " + std::to_string(n)); }
  void showDownloadDidStartExtractingUpdate() override { calls.push_back("extracting"); }
  void showExtractionReceivedProgress(double p) override {
    calls.push_back("extract " + std::to_string(static_cast<int>(p * 100)));
  }
  void showReadyToInstallAndRelaunch(UpdateReply reply) override {
    calls.push_back("ready");
    readyReply = std::move(reply);
  }
  void showInstallingUpdate(bool, std::function<void()>) override { calls.push_back("installing"); }
  void showUpdateInstalledAndRelaunched(bool, UpdateAcknowledgement ack) override {
    calls.push_back("installed");
    ack();
  }
  void showUpdateInFocus() override { calls.push_back("focus"); }
  void dismissUpdateInstallation() override { calls.push_back("dismiss"); }
};

ScriptedFeedStep step(ScriptedFeedStep::Kind kind, double delay = 0, std::uint64_t length = 0) {
  ScriptedFeedStep s;
  s.kind = kind;
  s.delay = delay;
  s.length = length;
  return s;
}

ScriptedFeed fullFeed() {
  using K = ScriptedFeedStep::Kind;
  ScriptedFeed feed;
  auto found = step(K::found, 0.5);
  found.item = AppcastItem{"1.3", "<li>Faster</li>"};
  auto notes = step(K::releaseNotes, 0.2);
  notes.text = "<ul><li>New</li></ul>";
  auto progress = step(K::extractionProgress, 0.1);
  progress.progress = 0.5;
  feed.steps = {found, notes, step(K::expectedLength, 0.1, 3000), step(K::data, 0.2, 1000), step(K::data, 0.2, 1000),
                step(K::data, 0.2, 1000), step(K::extracting, 0.1), progress, step(K::ready, 0.1)};
  return feed;
}

struct Fixture {
  VirtualTime time;
  RecordingDriver driver;
  ScriptedUpdater updater;
  explicit Fixture(ScriptedFeed feed) : updater(time, driver, std::move(feed)) {}
};

TEST(ScriptedUpdater, ReplaysAFullUpdateInTheFrameworksOrder) {
  Fixture f(fullFeed());
  ASSERT_TRUE(f.updater.start());
  f.updater.checkForUpdates();
  EXPECT_EQ(f.driver.calls, Calls{"check"});
  f.time.advanceBy(0.49);
  EXPECT_EQ(f.driver.calls, Calls{"check"}) << "the check takes the script's time";
  f.time.runUntilIdle();
  EXPECT_EQ(f.driver.calls, (Calls{"check", "found 1.3", "notes <ul><li>New</li></ul>"}));
  EXPECT_TRUE(f.driver.lastState.userInitiated);

  f.driver.foundReply(UpdateChoice::install);
  f.driver.foundReply(UpdateChoice::skip);  // a second answer is ignored
  f.time.runUntilIdle();
  EXPECT_EQ(f.driver.calls, (Calls{"check", "found 1.3", "notes <ul><li>New</li></ul>", "download", "expect 3000",
                                   "data 1000", "data 1000", "data 1000", "extracting", "extract 50", "ready"}));
  f.driver.calls.clear();
  f.driver.readyReply(UpdateChoice::install);
  f.time.runUntilIdle();
  EXPECT_EQ(f.driver.calls, (Calls{"installing", "installed", "dismiss"}));
  EXPECT_FALSE(f.updater.sessionActive());
}

TEST(ScriptedUpdater, AnswersEndTheSession) {
  {
    Fixture f(fullFeed());
    ASSERT_TRUE(f.updater.start());
    f.updater.checkForUpdates();
    f.time.runUntilIdle();
    f.driver.foundReply(UpdateChoice::skip);
    f.time.runUntilIdle();
    EXPECT_EQ(f.driver.calls.back(), "dismiss");
    EXPECT_EQ(f.updater.skippedVersion(), "1.3");
    // A skipped version is no update any more.
    f.driver.calls.clear();
    f.updater.checkForUpdates();
    f.time.runUntilIdle();
    EXPECT_EQ(f.driver.calls, (Calls{"check", "notFound"}));
  }
  {
    Fixture f(fullFeed());
    ASSERT_TRUE(f.updater.start());
    f.updater.checkForUpdates();
    f.time.runUntilIdle();
    f.driver.foundReply(UpdateChoice::install);
    f.time.runUntilIdle();
    f.driver.readyReply(UpdateChoice::dismiss);
    f.time.runUntilIdle();
    EXPECT_EQ(f.driver.calls.back(), "dismiss");
    EXPECT_TRUE(f.updater.installsOnQuit());
  }
}

TEST(ScriptedUpdater, CancellingStopsTheScript) {
  Fixture f(fullFeed());
  ASSERT_TRUE(f.updater.start());
  f.updater.checkForUpdates();
  f.driver.cancellation();
  f.time.runUntilIdle();
  EXPECT_EQ(f.driver.calls, (Calls{"check", "dismiss"}));

  // Cancelling mid-download: no more data arrives.
  f.driver.calls.clear();
  f.updater.checkForUpdates();
  f.time.runUntilIdle();
  f.driver.foundReply(UpdateChoice::install);
  f.time.advanceBy(0.35);
  f.driver.cancellation();
  f.time.runUntilIdle();
  EXPECT_EQ(f.driver.calls, (Calls{"check", "found 1.3", "notes <ul><li>New</li></ul>", "download", "expect 3000",
                                   "data 1000", "dismiss"}));
}

TEST(ScriptedUpdater, ASecondCheckFocusesTheSessionUnderWay) {
  Fixture f(fullFeed());
  ASSERT_TRUE(f.updater.start());
  f.updater.checkForUpdates();
  f.updater.checkForUpdates();
  EXPECT_EQ(f.driver.calls, (Calls{"check", "focus"}));
}

TEST(ScriptedUpdater, NotFoundAndErrorsAreShownOnlyForUserChecks) {
  using K = ScriptedFeedStep::Kind;
  ScriptedFeed none;
  none.steps = {step(K::notFound, 1.0)};
  Fixture f(none);
  ASSERT_TRUE(f.updater.start());
  f.updater.checkForUpdates();
  f.time.runUntilIdle();
  EXPECT_EQ(f.driver.calls, (Calls{"check", "notFound"}));
  f.driver.acknowledgement();
  f.time.runUntilIdle();
  EXPECT_EQ(f.driver.calls.back(), "dismiss");

  f.driver.calls.clear();
  f.updater.checkInBackground();
  f.time.runUntilIdle();
  EXPECT_TRUE(f.driver.calls.empty());

  ScriptedFeed failing;
  auto error = step(K::error, 0.3);
  error.text = "The feed couldn't be read.";
  failing.steps = {error};
  Fixture g(failing);
  ASSERT_TRUE(g.updater.start());
  g.updater.checkForUpdates();
  g.time.runUntilIdle();
  EXPECT_EQ(g.driver.calls, (Calls{"check", "error The feed couldn't be read."}));
}

TEST(ScriptedUpdater, ScheduledChecksFollowTheSwitch) {
  auto feed = fullFeed();
  feed.checkInterval = 3600;
  Fixture f(feed);
  ASSERT_TRUE(f.updater.start());
  f.time.advanceBy(3600 * 1.2);
  ASSERT_EQ(f.driver.calls, (Calls{"found 1.3", "notes <ul><li>New</li></ul>"})) << "no check window for a scheduled check";
  EXPECT_FALSE(f.driver.lastState.userInitiated);
  f.driver.foundReply(UpdateChoice::dismiss);
  f.time.runUntilIdle();

  f.driver.calls.clear();
  f.updater.setAutomaticallyChecksForUpdates(false);
  f.time.advanceBy(3600 * 3);
  EXPECT_TRUE(f.driver.calls.empty());
}

TEST(ScriptedUpdater, AutomaticDownloadsInstallOnQuitWithoutShowingAnything) {
  auto feed = fullFeed();
  feed.automaticallyDownloads = true;
  Fixture f(feed);
  ASSERT_TRUE(f.updater.start());
  f.updater.checkInBackground();
  f.time.runUntilIdle();
  EXPECT_TRUE(f.driver.calls.empty());
  EXPECT_TRUE(f.updater.installsOnQuit());
}

TEST(ScriptedUpdater, AsksPermissionOnceAtStart) {
  auto feed = fullFeed();
  feed.askPermission = true;
  Fixture f(feed);
  ASSERT_TRUE(f.updater.start());
  EXPECT_FALSE(f.updater.start()) << "starting twice";
  f.time.runUntilIdle();
  ASSERT_EQ(f.driver.calls, Calls{"permission"});
  f.driver.permission(UpdatePermissionResponse{false, false});
  EXPECT_FALSE(f.updater.automaticallyChecksForUpdates());
}

TEST(ScriptedUpdater, DestroyedUpdaterLeavesNoLiveWork) {
  VirtualTime time;
  RecordingDriver driver;
  {
    ScriptedUpdater updater(time, driver, fullFeed());
    ASSERT_TRUE(updater.start());
    updater.checkForUpdates();
  }
  time.runUntilIdle();
  EXPECT_EQ(driver.calls, Calls{"check"});
  driver.cancellation();  // a late answer to a gone updater does nothing
  time.runUntilIdle();
}

TEST(ScriptedFeed, ReadsJsonAndRejectsFeedsTheFrameworkWouldNeverPlay) {
  auto feed = parseScriptedFeed(R"({"checkInterval": 60, "steps": [
      {"after": 0.5, "found": {"version": "2.0", "description": "<li>A</li>"}},
      {"releaseNotesFailed": "offline"},
      {"expectedLength": 10}, {"data": 5, "times": 2, "after": 0.1}, {"extracting": true}, {"ready": true}]})");
  ASSERT_TRUE(feed) << feed.error();
  EXPECT_EQ(feed->steps.size(), 7u);
  EXPECT_EQ(feed->steps[0].item.displayVersion, "2.0");
  EXPECT_DOUBLE_EQ(feed->steps[3].delay, 0.1);
  EXPECT_EQ(feed->checkInterval, 60);

  for (const char* bad : {R"({"steps": []})", R"({"steps": [{"data": 5}]})",
                          R"({"steps": [{"found": {"version": "1"}}]})",
                          R"({"steps": [{"found": {"version": "1"}}, {"ready": true}]})",
                          R"({"steps": [{"notFound": true}, {"error": "x"}]})",
                          R"({"steps": [{"found": {"version": "1"}}, {"extracting": true}, {"data": 1}, {"ready": true}]})",
                          R"({"steps": [{"bogus": 1}]})", R"({"steps": [{"notFound": true, "after": -1}]})", "[", "{}"}) {
    EXPECT_FALSE(parseScriptedFeed(bad)) << bad;
  }
  ScriptedFeed invalid;
  VirtualTime time;
  RecordingDriver driver;
  ScriptedUpdater updater(time, driver, invalid);
  auto started = updater.start();
  ASSERT_FALSE(started);
  EXPECT_EQ(started.error(), "The update feed can't be used: The feed has no steps");
}

}  // namespace
}  // namespace corvane::platform::sim

#include "platform/macos/mac_workspace.hpp"

#import <AppKit/AppKit.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "platform/macos/mac_updater.hpp"
#include "run_loop.hpp"

namespace corvane::platform::macos {
namespace {

TEST(MacWorkspace, ListsThisProcessAndRefusesToActivateAMissingOne) {
  MacWorkspace workspace;
  auto apps = workspace.runningApplications();
  EXPECT_TRUE(std::any_of(apps.begin(), apps.end(), [](const RunningApp& a) { return a.pid == getpid(); }));
  EXPECT_FALSE(workspace.activate(-1));
}

TEST(MacWorkspace, OpeningWithAMissingApplicationFails) {
  MacWorkspace workspace;
  EXPECT_FALSE(workspace.openFileWithApplication("/tmp/nothing.txt", "No Such Application Here"));
  EXPECT_FALSE(workspace.openURL(""));
}

TEST(MacWorkspace, AnObservationEndsWithItsToken) {
  MacWorkspace workspace;
  int events = 0;
  auto token = workspace.observe([&](const WorkspaceEvent&) { ++events; });
  ASSERT_NE(token, nullptr);
  token.reset();
  // A posted unlock after the token is gone reaches nobody.
  [[NSDistributedNotificationCenter defaultCenter] postNotificationName:@"com.apple.screenIsUnlocked"
                                                                 object:nil
                                                               userInfo:nil
                                                     deliverImmediately:YES];
  testing::runMainLoopFor(0.2);
  EXPECT_EQ(events, 0);
}

TEST(MacWorkspace, ActivitiesAndTheLoginItemAnswerWithoutAnAppBundle) {
  MacWorkspace workspace;
  auto activity = workspace.beginActivity("smoke test");
  EXPECT_NE(activity, nullptr);
  activity.reset();
  (void)workspace.launchAtLogin();  // an unbundled test binary is never a login item
  (void)workspace.reduceMotion();
}

/// Records nothing: without the update framework the driver is never called.
class SilentDriver final : public UpdateUserDriver {
 public:
  int calls = 0;
  void showUpdatePermissionRequest(std::function<void(UpdatePermissionResponse)>) override { ++calls; }
  void showUserInitiatedUpdateCheck(UpdateCancellation) override { ++calls; }
  void showUpdateFound(const AppcastItem&, const UpdateState&, UpdateReply) override { ++calls; }
  void showUpdateReleaseNotes(const std::string&) override { ++calls; }
  void showUpdateReleaseNotesFailedToDownload(const std::string&) override { ++calls; }
  void showUpdateNotFound(const std::string&, UpdateAcknowledgement) override { ++calls; }
  void showUpdaterError(const std::string&, UpdateAcknowledgement) override { ++calls; }
  void showDownloadInitiated(UpdateCancellation) override { ++calls; }
  void showDownloadDidReceiveExpectedContentLength(std::uint64_t) override { ++calls; }
  void showDownloadDidReceiveDataOfLength(std::uint64_t) override { ++calls; }
  void showDownloadDidStartExtractingUpdate() override { ++calls; }
  void showExtractionReceivedProgress(double) override { ++calls; }
  void showReadyToInstallAndRelaunch(UpdateReply) override { ++calls; }
  void showInstallingUpdate(bool, std::function<void()>) override { ++calls; }
  void showUpdateInstalledAndRelaunched(bool, UpdateAcknowledgement) override { ++calls; }
  void showUpdateInFocus() override { ++calls; }
  void dismissUpdateInstallation() override { ++calls; }
};

TEST(MacUpdater, WithoutTheFrameworkItCannotStartAndSaysWhy) {
  if (MacUpdater::available()) GTEST_SKIP() << "built with Sparkle";
  SilentDriver driver;
  MacUpdater updater(driver);
  auto started = updater.start();
  ASSERT_FALSE(started.has_value());
  EXPECT_NE(started.error().find("Sparkle"), std::string::npos);
  EXPECT_EQ(driver.calls, 0);
}

}  // namespace
}  // namespace corvane::platform::macos

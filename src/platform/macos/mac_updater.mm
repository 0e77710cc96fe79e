#include "platform/macos/mac_updater.hpp"

#import <Foundation/Foundation.h>

#include <utility>

#include "platform/macos/cf_strings.hpp"

#if __has_include(<Sparkle/Sparkle.h>)
#import <Sparkle/Sparkle.h>
#define CORVANE_HAS_SPARKLE 1
#else
#define CORVANE_HAS_SPARKLE 0
#endif

#if CORVANE_HAS_SPARKLE

/// Sparkle's user driver, translated: every callback goes to the core's driver with plain values,
/// and every reply the core gives goes back to Sparkle at most once.
@interface CVSparkleUserDriver : NSObject <SPUUserDriver>
- (instancetype)initWithDriver:(corvane::platform::UpdateUserDriver*)driver;
@end

namespace {

std::string describe(NSError* error) {
  return corvane::platform::macos::toStdString(error.localizedDescription);
}

corvane::platform::UpdateState::Stage toStage(SPUUserUpdateStage stage) {
  switch (stage) {
    case SPUUserUpdateStageNotDownloaded: return corvane::platform::UpdateState::Stage::notDownloaded;
    case SPUUserUpdateStageDownloaded: return corvane::platform::UpdateState::Stage::downloaded;
    case SPUUserUpdateStageInstalling: return corvane::platform::UpdateState::Stage::installing;
  }
  return corvane::platform::UpdateState::Stage::notDownloaded;
}

SPUUserUpdateChoice toSparkle(corvane::platform::UpdateChoice choice) {
  switch (choice) {
    case corvane::platform::UpdateChoice::skip: return SPUUserUpdateChoiceSkip;
    case corvane::platform::UpdateChoice::install: return SPUUserUpdateChoiceInstall;
    case corvane::platform::UpdateChoice::dismiss: return SPUUserUpdateChoiceDismiss;
  }
  return SPUUserUpdateChoiceDismiss;
}

/// A block Sparkle gave us, callable once from C++; later calls do nothing.
std::function<void()> once(void (^block)(void)) {
  auto pending = std::make_shared<bool>(true);
  return [pending, block] {
    if (!*pending) return;
    *pending = false;
    block();
  };
}

corvane::platform::UpdateReply onceChoice(void (^reply)(SPUUserUpdateChoice)) {
  auto pending = std::make_shared<bool>(true);
  return [pending, reply](corvane::platform::UpdateChoice choice) {
    if (!*pending) return;
    *pending = false;
    reply(toSparkle(choice));
  };
}

}  // namespace

@implementation CVSparkleUserDriver {
  corvane::platform::UpdateUserDriver* _driver;
}

- (instancetype)initWithDriver:(corvane::platform::UpdateUserDriver*)driver {
  if ((self = [super init])) _driver = driver;
  return self;
}

- (void)showUpdatePermissionRequest:(SPUUpdatePermissionRequest*)request
                              reply:(void (^)(SUUpdatePermissionResponse*))reply {
  (void)request;
  auto pending = std::make_shared<bool>(true);
  _driver->showUpdatePermissionRequest([pending, reply](corvane::platform::UpdatePermissionResponse response) {
    if (!*pending) return;
    *pending = false;
    reply([[SUUpdatePermissionResponse alloc] initWithAutomaticUpdateChecks:response.automaticUpdateChecks
                                                          sendSystemProfile:response.sendSystemProfile]);
  });
}

- (void)showUserInitiatedUpdateCheckWithCancellation:(void (^)(void))cancellation {
  _driver->showUserInitiatedUpdateCheck(once(cancellation));
}

- (void)showUpdateFoundWithAppcastItem:(SUAppcastItem*)appcastItem
                                 state:(SPUUserUpdateState*)state
                                 reply:(void (^)(SPUUserUpdateChoice))reply {
  corvane::platform::AppcastItem item;
  item.displayVersion = corvane::platform::macos::toStdString(appcastItem.displayVersionString);
  item.descriptionHTML = corvane::platform::macos::toStdString(appcastItem.itemDescription);
  corvane::platform::UpdateState updateState{toStage(state.stage), static_cast<bool>(state.userInitiated)};
  _driver->showUpdateFound(item, updateState, onceChoice(reply));
}

- (void)showUpdateReleaseNotesWithDownloadData:(SPUDownloadData*)downloadData {
  NSData* data = downloadData.data;
  _driver->showUpdateReleaseNotes(std::string(static_cast<const char*>(data.bytes), data.length));
}

- (void)showUpdateReleaseNotesFailedToDownloadWithError:(NSError*)error {
  _driver->showUpdateReleaseNotesFailedToDownload(describe(error));
}

- (void)showUpdateNotFoundWithError:(NSError*)error acknowledgement:(void (^)(void))acknowledgement {
  _driver->showUpdateNotFound(describe(error), once(acknowledgement));
}

- (void)showUpdaterError:(NSError*)error acknowledgement:(void (^)(void))acknowledgement {
  _driver->showUpdaterError(describe(error), once(acknowledgement));
}

- (void)showDownloadInitiatedWithCancellation:(void (^)(void))cancellation {
  _driver->showDownloadInitiated(once(cancellation));
}

- (void)showDownloadDidReceiveExpectedContentLength:(uint64_t)expectedContentLength {
  _driver->showDownloadDidReceiveExpectedContentLength(expectedContentLength);
}

- (void)showDownloadDidReceiveDataOfLength:(uint64_t)length {
  _driver->showDownloadDidReceiveDataOfLength(length);
}

- (void)showDownloadDidStartExtractingUpdate {
  _driver->showDownloadDidStartExtractingUpdate();
}

- (void)showExtractionReceivedProgress:(double)progress {
  _driver->showExtractionReceivedProgress(progress);
}

- (void)showReadyToInstallAndRelaunch:(void (^)(SPUUserUpdateChoice))reply {
  _driver->showReadyToInstallAndRelaunch(onceChoice(reply));
}

- (void)showInstallingUpdateWithApplicationTerminated:(BOOL)applicationTerminated
                          retryTerminatingApplication:(void (^)(void))retryTerminatingApplication {
  // Retrying may be asked for more than once, so this one is not limited.
  void (^retry)(void) = retryTerminatingApplication;
  _driver->showInstallingUpdate(applicationTerminated, [retry] { retry(); });
}

- (void)showUpdateInstalledAndRelaunched:(BOOL)relaunched acknowledgement:(void (^)(void))acknowledgement {
  _driver->showUpdateInstalledAndRelaunched(relaunched, once(acknowledgement));
}

- (void)showUpdateInFocus {
  _driver->showUpdateInFocus();
}

- (void)dismissUpdateInstallation {
  _driver->dismissUpdateInstallation();
}

@end

#endif

namespace corvane::platform::macos {

#if CORVANE_HAS_SPARKLE

struct MacUpdater::Framework {
  CVSparkleUserDriver* userDriver = nil;
  SPUUpdater* updater = nil;
};

MacUpdater::MacUpdater(UpdateUserDriver& driver) : framework_(std::make_unique<Framework>()) {
  framework_->userDriver = [[CVSparkleUserDriver alloc] initWithDriver:&driver];
  NSBundle* bundle = [NSBundle mainBundle];
  framework_->updater = [[SPUUpdater alloc] initWithHostBundle:bundle
                                             applicationBundle:bundle
                                                    userDriver:framework_->userDriver
                                                      delegate:nil];
}

bool MacUpdater::available() { return true; }

std::expected<void, std::string> MacUpdater::start() {
  NSError* error = nil;
  if ([framework_->updater startUpdater:&error]) return {};
  if (error == nil) return std::unexpected(std::string("the update framework refused to start"));
  return std::unexpected(toStdString(error.localizedDescription));
}

void MacUpdater::checkForUpdates() { [framework_->updater checkForUpdates]; }

bool MacUpdater::automaticallyChecksForUpdates() const { return framework_->updater.automaticallyChecksForUpdates; }

void MacUpdater::setAutomaticallyChecksForUpdates(bool on) { framework_->updater.automaticallyChecksForUpdates = on; }

bool MacUpdater::automaticallyDownloadsUpdates() const { return framework_->updater.automaticallyDownloadsUpdates; }

void MacUpdater::setAutomaticallyDownloadsUpdates(bool on) { framework_->updater.automaticallyDownloadsUpdates = on; }

#else

// Without the framework there is nothing to check with: start() says so, and the update flow then
// tells the user that this copy can't check for updates.
struct MacUpdater::Framework {
  bool autoCheck = false;
  bool autoDownload = false;
};

MacUpdater::MacUpdater(UpdateUserDriver& driver) : framework_(std::make_unique<Framework>()) { (void)driver; }

bool MacUpdater::available() { return false; }

std::expected<void, std::string> MacUpdater::start() {
  return std::unexpected(std::string("this build has no update framework (Sparkle)"));
}

void MacUpdater::checkForUpdates() {}

bool MacUpdater::automaticallyChecksForUpdates() const { return framework_->autoCheck; }

void MacUpdater::setAutomaticallyChecksForUpdates(bool on) { framework_->autoCheck = on; }

bool MacUpdater::automaticallyDownloadsUpdates() const { return framework_->autoDownload; }

void MacUpdater::setAutomaticallyDownloadsUpdates(bool on) { framework_->autoDownload = on; }

#endif

MacUpdater::~MacUpdater() = default;

}  // namespace corvane::platform::macos

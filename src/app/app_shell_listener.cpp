#include "app/app_shell.hpp"

// The keyboard listener's life, the accessibility permission, Excel tracking, the status and
// its icon, and the Secure Input warning.

#include "app/secure_input_warning.hpp"
#include "model/text.hpp"

namespace corvane::app {

// --- Listening ---

void AppShell::startListening(bool prompt) {
  bool trusted = platform_.accessibility.isTrusted(prompt);
  if (trusted && keyTap_->start()) {
    if (permissionTimer_) {
      permissionTimer_->cancel();
      permissionTimer_.reset();
    }
    watchPermission();
    refreshStatus();
    log("Keyboard tap running");
    return;
  }
  refreshStatus();
  if (permissionTimer_) return;
  // The poll is the only way a newly granted permission is noticed; it stops itself on success.
  permissionTimer_ = platform_.scheduler.repeating(platform_.scheduler.main(), kPermissionPollInterval,
                                                   kPermissionPollInterval, 0,
                                                   guarded([this] { startListening(false); }));
}

void AppShell::watchPermission() {
  if (permissionWatch_) return;
  // macOS may say nothing when the user switches the permission off; asking is cheap.
  permissionWatch_ = platform_.scheduler.repeating(platform_.scheduler.main(), kPermissionPollInterval,
                                                   kPermissionPollInterval, 0, guarded([this] {
                                                     if (!platform_.accessibility.isTrusted(false)) {
                                                       permissionWithdrawn();
                                                     }
                                                   }));
}

void AppShell::permissionWithdrawn() {
  if (permissionWatch_) {
    permissionWatch_->cancel();
    permissionWatch_.reset();
  }
  if (!keyTap_->isInstalled()) return;
  if (platform_.accessibility.isTrusted(false)) {
    // Back before we heard it went: the system switched the tap off meanwhile, so start afresh.
    if (!keyTap_->isRunning()) {
      keyTap_->stop();
      startListening(false);
    }
    watchPermission();
    return;
  }
  // Nothing is swallowed from here on; an open sequence closes before the tap goes.
  handleEffects(keyTap_->resetEngine());
  keyTap_->stop();
  log("Accessibility access was withdrawn; the keyboard listener stopped until it returns");
  // The poll notices the permission's return and listens again by itself.
  startListening(false);
}

void AppShell::updateSequencesAllowed() { sequencesAllowed_ = prefs_->enabled.get() && excelPID_.has_value(); }

void AppShell::refreshStatus() {
  bool trusted = platform_.accessibility.isTrusted(false);
  bool running = keyTap_ && keyTap_->isRunning();
  bool changed = status_.trusted.get() != trusted || status_.tapRunning.get() != running;
  status_.trusted.set(trusted);
  status_.tapRunning.set(running);
  updateStatusIcon();
  // An open menu-bar panel follows at once (its own refresh reads the status again, unchanged).
  if (changed && quickPanel_ && quickPanel_->isOpen()) quickPanel_->refresh();
}

void AppShell::restartListener(const std::string& notificationName) {
  if (!platform_.accessibility.isTrusted(false)) return;
  double now = platform_.clock.uptime();
  if (listenerRestartedAt_ && now - *listenerRestartedAt_ <= kRestartGuard) return;
  listenerRestartedAt_ = now;
  handleEffects(keyTap_->resetEngine());
  keyTap_->stop();
  log("Restarting the keyboard listener (" + model::text::replaceAll(notificationName, "NSWorkspace", "") + ")");
  startListening(false);
}

void AppShell::restartTap() {
  keyTap_->stop();
  startListening(true);
}

void AppShell::openAccessibilitySettings() {
  (void)platform_.accessibility.isTrusted(true);
  platform_.workspace.openURL(kAccessibilitySettingsURL);
  startListening(false);
}

// --- Excel tracking ---

std::optional<std::int32_t> AppShell::runningExcel() {
  for (const auto& app : platform_.workspace.runningApplications()) {
    if (app.bundleIdentifier == kExcelBundleId) return app.pid;
  }
  return std::nullopt;
}

void AppShell::frontAppChanged(const std::optional<platform::RunningApp>& app) {
  if (app && app->bundleIdentifier == kExcelBundleId) {
    excelPID_ = app->pid;
    updateSequencesAllowed();
    checkUserFileChanged();
    return;
  }
  excelPID_.reset();
  updateSequencesAllowed();
  if (keyTap_) handleEffects(keyTap_->resetEngine());
  dismissHint();
}

void AppShell::appsChanged(const platform::WorkspaceEvent& event) {
  if (!event.app || event.app->bundleIdentifier != kExcelBundleId) return;
  if (event.kind == platform::WorkspaceEventKind::didLaunchApplication) status_.excelRunning.set(true);
  if (event.kind == platform::WorkspaceEventKind::didTerminateApplication) status_.excelRunning.set(false);
}

// --- Status ---

ListenerFacts AppShell::listenerFacts() const {
  return ListenerFacts{status_.trusted.get(), keyTap_ && keyTap_->isInstalled(), status_.tapRunning.get(),
                       prefs_->enabled.get()};
}

StatusLine AppShell::statusLine() const { return app::statusLine(listenerFacts()); }

StatusIconState AppShell::statusIcon() const {
  return app::statusIcon(listenerFacts(), iconListening(), runAnimation_->position(), prefs_->dimIconWhenOff.get());
}

void AppShell::updateStatusIcon() { iconChanged.emit(); }

// --- Secure Input ---

void AppShell::onSecureInput(const std::optional<std::string>& owner) {
  auto warning = secureInputWarning(owner);
  log(warning.logLine);
  hud_->showNotice(warning.message, true, SecureInputWarning::kSeconds);
}

}  // namespace corvane::app

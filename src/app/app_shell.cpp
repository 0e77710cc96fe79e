#include "app/app_shell.hpp"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <variant>

#include "authoring/shortcut_browser_model.hpp"
#include "authoring/shortcut_editor_model.hpp"
#include "base/library_loader.hpp"
#include "base/time_format.hpp"
#include "excel/excel_app.hpp"
#include "excel/shortcut_check.hpp"
#include "excel/widen_excel.hpp"
#include "feedback/key_tip_overlay.hpp"
#include "model/text.hpp"
#include "onboarding/welcome_model.hpp"
#include "updates/update_driver.hpp"
#include "updates/update_flow.hpp"
#include "updates/update_model.hpp"
#include "updates/update_window_view.hpp"

namespace corvane::app {

namespace {

constexpr const char* kAccessibilitySettingsURL =
    "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";
constexpr const char* kLanguageSettingsURL = "x-apple.systempreferences:com.apple.Localization-Settings.extension";
constexpr const char* kRecentShortcutsKey = "recentShortcuts";

std::string joined(const std::vector<std::string>& keys) { return model::text::join(keys, " "); }

}  // namespace

/// A window created on first use and kept.
struct AppShell::Window {
  std::string name;
  std::unique_ptr<platform::Panel> panel;
};

AppShell::AppShell(AppPlatform platform) : platform_(std::move(platform)) {
  userFile_ = platform_.userShortcutsFile.empty() ? platform_.paths.userShortcutsFile() : platform_.userShortcutsFile;
  log_ = std::make_unique<base::ActivityLog>(platform_.files, platform_.clock, platform_.scheduler,
                                             platform_.paths.logFile, platform_.paths.home);
  prefs_ = std::make_unique<base::Preferences>(platform_.defaults);

  std::weak_ptr<int> alive = alive_;
  auto logSink = [this, alive](const std::string& message) {
    if (alive.lock()) log(message);
  };
  excel::ExcelServices services{platform_.accessibility, platform_.windowList, platform_.inputPoster, platform_.clock};
  runner_ = std::make_unique<excel::ActionRunner>(platform_.scheduler, services, logSink);

  feedback::HUDController::Sources sources{
      .library = [this] { return library_; },
      .keyTipAnchor = [this]() -> std::optional<feedback::HUDAnchor> {
        return keyTips_ ? keyTips_->anchor() : std::nullopt;
      },
      .keyListMode = [this] { return prefs_->keyListMode.get(); },
      .runningExcel = [this]() -> std::optional<std::int32_t> {
        for (const auto& app : platform_.workspace.runningApplications()) {
          if (app.bundleIdentifier == kExcelBundleId) return app.pid;
        }
        return std::nullopt;
      },
  };
  hud_ = std::make_shared<feedback::HUDController>(platform_.panels, platform_.screens, platform_.windowList,
                                                   platform_.scheduler, std::move(sources));
  hud_->onNoticeAction = [this, alive](const std::string& id) {
    if (!alive.lock()) return;
    if (id == "whatsNew") platform_.workspace.openURL(kChangeLogURL);
  };

  welcome_ = std::make_unique<onboarding::WelcomeModel>();
  welcome_->close = [this, alive] {
    if (!alive.lock()) return;
    welcome_->windowClosed();
    if (auto* w = window("welcome")) w->orderOut();
  };
  welcome_->openAccessibilitySettings = [this, alive] {
    if (alive.lock()) openAccessibilitySettings();
  };

  updateModel_ = std::make_unique<updates::UpdateModel>();
  updates::UpdateWindowControl updateWindow{
      .show = [this, alive] {
        if (alive.lock()) showWindow(windowNamed("update"));
      },
      .close = [this, alive] {
        if (!alive.lock()) return;
        if (auto* w = window("update")) w->orderOut();
      },
  };
  updateDriver_ = std::make_unique<updates::UpdateDriver>(*updateModel_, updateWindow, logSink);
  updateFlow_ = std::make_unique<updates::UpdateFlow>(
      *updateModel_, *updateDriver_,
      [this, alive](const std::string& message, double seconds) {
        if (alive.lock()) hud_->showNotice(message, false, seconds);
      },
      logSink);

  listModel_ = std::make_unique<authoring::ShortcutBrowserModel>();
  listModel_->makeYourOwn = [this, alive] {
    if (!alive.lock()) return;
    editShortcuts();
    editorModel().newShortcut();
  };

  // Windows redraw from their models; each refresh does nothing until its window exists.
  auto refresher = [this, alive](const char* name) {
    return [this, alive, name](const auto&...) {
      if (alive.lock()) refreshWindow(name);
    };
  };
  subscriptions_.push_back(welcome_->step.subscribe(refresher("welcome")));
  subscriptions_.push_back(welcome_->progress.subscribe(refresher("welcome")));
  subscriptions_.push_back(welcome_->searchInstruction.subscribe(refresher("welcome")));
  subscriptions_.push_back(status_.trusted.subscribe(refresher("welcome")));
  subscriptions_.push_back(status_.excelRunning.subscribe(refresher("welcome")));
  subscriptions_.push_back(listModel_->changed.subscribe(refresher("list")));
  subscriptions_.push_back(updateModel_->stage.subscribe(refresher("update")));
  subscriptions_.push_back(updateModel_->autoCheck.subscribe(refresher("update")));
  subscriptions_.push_back(updateModel_->autoInstall.subscribe(refresher("update")));
}

AppShell::~AppShell() {
  alive_.reset();
  if (permissionTimer_) permissionTimer_->cancel();
  if (carTimer_) carTimer_->cancel();
  if (busyWork_) busyWork_->cancel();
  if (checkSafetyHide_) checkSafetyHide_->cancel();
  if (keyTap_) keyTap_->stop();
}

void AppShell::log(const std::string& message) {
  log_->log(message);
  if (onLog) onLog(message);
}

void AppShell::later(double seconds, std::function<void(AppShell&)> work) {
  std::weak_ptr<int> alive = alive_;
  platform_.scheduler.main().after(seconds, [this, alive, work = std::move(work)] {
    if (alive.lock()) work(*this);
  });
}

// --- Start-up ---

void AppShell::applicationDidFinishLaunching() {
  std::weak_ptr<int> alive = alive_;

  loadLibrary();

  engine_ = std::make_unique<engine::SequenceEngine>(library_);
  engine_->setHoldToStart(true);
  engine_->setTapWindow(engine::SequenceEngine::kTapWindow);
  engine_->setDoubleTapWindow(engine::SequenceEngine::kDoubleTapWindow);
  engine_->setSearchTrigger(model::SearchTrigger::doubleTapOption);

  keyTips_ = std::make_shared<feedback::KeyTipController>(
      platform_.scheduler, runner_->queue(), runner_->services(),
      std::make_unique<feedback::KeyTipOverlay>(platform_.panels, platform_.screens, platform_.textMetrics), library_);
  keyTips_->onTipsShown = [this, alive](int count) {
    if (alive.lock()) onKeyTipsShown(count);
  };
  runner_->setKeyTips(keyTips_);

  keyTap_ = std::make_unique<engine::KeyTap>(
      *engine_, engine::KeyTapServices{platform_.eventTap, platform_.keyLayout, platform_.secureInput, platform_.clock,
                                       platform_.scheduler, [this, alive](const std::string& message) {
                                         if (alive.lock()) log(message);
                                       }});
  keyTap_->isAllowed = [this] {
    return prefs_->enabled.get() && excelPID_.has_value() && !platform_.panels.ownWindowIsKey();
  };
  keyTap_->onEffects = [this](const engine::EngineEffects& effects) { handleEffects(effects); };
  keyTap_->onClick = [this](platform::Point point) { onClick(point); };
  keyTap_->onSecureInput = [this](const std::optional<std::string>& owner) { onSecureInput(owner); };
  keyTap_->onMouseCancel = [this] { onMouseCancel(); };

  applyPreferences();
  subscriptions_.push_back(prefs_->changed.subscribe([this, alive] {
    platform_.scheduler.main().async([this, alive] {
      if (alive.lock()) applyPreferences();
    });
  }));

  listening_ = platform_.workspace.beginActivity("Listening for Excel shortcuts");

  workspaceObservation_ = platform_.workspace.observe([this, alive](const platform::WorkspaceEvent& event) {
    if (!alive.lock()) return;
    switch (event.kind) {
      case platform::WorkspaceEventKind::didWake:
      case platform::WorkspaceEventKind::screensDidWake:
      case platform::WorkspaceEventKind::sessionDidBecomeActive:
      case platform::WorkspaceEventKind::screenIsUnlocked:
        restartListener(event.name);
        return;
      case platform::WorkspaceEventKind::didActivateApplication:
        frontAppChanged(event.app);
        return;
      case platform::WorkspaceEventKind::didLaunchApplication:
      case platform::WorkspaceEventKind::didTerminateApplication:
        appsChanged(event);
        return;
    }
  });

  status_.excelRunning.set(excelRunning());
  frontAppChanged(platform_.workspace.frontmostApplication());
  status_.launchAtLogin.set(platform_.workspace.launchAtLogin());

  // Creating the support folder first means a watcher exists even before the user's first save.
  (void)platform_.files.createFolders(platform_.paths.supportFolder);
  fileWatcher_ = platform_.files.watchFolder(platform_.paths.supportFolder, [this, alive] {
    if (alive.lock()) checkUserFileChanged();
  });

  log("Corvane started with " + std::to_string(library_->shortcuts().size()) + " shortcuts");
  showVersionNotice();
  updateFlow_->start(platform_.makeUpdater ? platform_.makeUpdater(*updateDriver_) : nullptr);
  startListening(false);
  if (!platform_.accessibility.isTrusted(false)) showWelcome();
}

void AppShell::loadLibrary() {
  loadedFileDate_ = platform_.files.modificationDate(userFile_);
  std::optional<std::string> user;
  if (platform_.files.exists(userFile_)) user = userFile_;
  library_ = base::loadLibrary(platform_.files, platform_.builtinShortcutsFile, user);
  for (const auto& warning : library_->warnings()) log("⚠️ " + warning);
  status_.shortcutCount.set(static_cast<int>(library_->shortcuts().size()));
  status_.warnings.set(library_->warnings());
}

void AppShell::distributeLibrary() {
  if (engine_) engine_->setLibrary(library_);
  if (keyTips_) keyTips_->setLibrary(library_);
  listModel_->setShortcuts(library_->shortcuts());
  if (editorModel_) editorModel_->setLibrary(library_);
}

void AppShell::reloadShortcuts() {
  loadLibrary();
  distributeLibrary();
  const auto& warnings = library_->warnings();
  auto count = std::to_string(library_->shortcuts().size());
  if (warnings.empty()) {
    hud_->showNotice("Loaded " + count + " shortcuts", false, 2.0);
    return;
  }
  std::vector<std::string> first(warnings.begin(), warnings.begin() + std::min<std::size_t>(3, warnings.size()));
  hud_->showNotice("Loaded " + count + " shortcuts. " + std::to_string(warnings.size()) +
                       " problem(s), listed in Settings › My Shortcuts.\n" + model::text::join(first, "\n"),
                   true, 7.0);
}

void AppShell::checkUserFileChanged() {
  auto current = platform_.files.modificationDate(userFile_);
  if (current == loadedFileDate_) return;
  log("my-shortcuts.json changed: reloading");
  reloadShortcuts();
}

// --- Listening ---

void AppShell::startListening(bool prompt) {
  bool trusted = platform_.accessibility.isTrusted(prompt);
  if (trusted && keyTap_->start()) {
    if (permissionTimer_) {
      permissionTimer_->cancel();
      permissionTimer_.reset();
    }
    refreshStatus();
    log("Keyboard tap running");
    return;
  }
  refreshStatus();
  if (permissionTimer_) return;
  std::weak_ptr<int> alive = alive_;
  permissionTimer_ = platform_.scheduler.repeating(platform_.scheduler.main(), kPermissionPollInterval,
                                                   kPermissionPollInterval, 0, [this, alive] {
                                                     if (alive.lock()) startListening(false);
                                                   });
}

void AppShell::refreshStatus() {
  status_.trusted.set(platform_.accessibility.isTrusted(false));
  status_.tapRunning.set(keyTap_ && keyTap_->isRunning());
  updateStatusIcon();
}

void AppShell::restartListener(const std::string& notificationName) {
  if (!platform_.accessibility.isTrusted(false)) return;
  double now = platform_.clock.uptime();
  if (listenerRestartedAt_ && now - *listenerRestartedAt_ <= kRestartGuard) return;
  listenerRestartedAt_ = now;
  handleEffects(engine_->reset());
  keyTap_->stop();
  auto name = notificationName;
  for (auto at = name.find("NSWorkspace"); at != std::string::npos; at = name.find("NSWorkspace")) {
    name.erase(at, std::string("NSWorkspace").size());
  }
  log("Restarting the keyboard listener (" + name + ")");
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

bool AppShell::excelRunning() {
  auto apps = platform_.workspace.runningApplications();
  return std::ranges::any_of(apps, [](const auto& app) { return app.bundleIdentifier == kExcelBundleId; });
}

void AppShell::frontAppChanged(const std::optional<platform::RunningApp>& app) {
  if (app && app->bundleIdentifier == kExcelBundleId) {
    excelPID_ = app->pid;
    checkUserFileChanged();
    return;
  }
  excelPID_.reset();
  if (engine_) handleEffects(engine_->reset());
}

void AppShell::appsChanged(const platform::WorkspaceEvent& event) {
  if (!event.app || event.app->bundleIdentifier != kExcelBundleId) return;
  if (event.kind == platform::WorkspaceEventKind::didLaunchApplication) status_.excelRunning.set(true);
  if (event.kind == platform::WorkspaceEventKind::didTerminateApplication) status_.excelRunning.set(false);
}

// --- Effects ---

void AppShell::hideSequencePanels() {
  if (hud_->showsKeyListOrBusy()) hud_->hide();
}

void AppShell::handleEffects(const engine::EngineEffects& effects) {
  for (const auto& effect : effects) {
    if (const auto* show = std::get_if<engine::ShowEffect>(&effect)) {
      if (!iconListening_) {
        iconListening_ = true;
        updateStatusIcon();
      }
      pendingList_ = PendingList{show->path, show->options};
      welcome_->practiceShow(show->path);
      switch (prefs_->keyListMode.get()) {
        case model::KeyListMode::always:
          hud_->showKeyList(show->path, show->options);
          break;
        case model::KeyListMode::whenNoTips:
        case model::KeyListMode::never:
          hideSequencePanels();
          break;
      }
      if (excelPID_) keyTips_->update(show->path, *excelPID_);
    } else if (const auto* invalid = std::get_if<engine::InvalidKeyEffect>(&effect)) {
      platform_.workspace.beep();
      if (hud_->isVisible() && hud_->content() == feedback::HUDController::Content::keyList) {
        hud_->showNotice("Nothing on “" + invalid->key + "” here", false, 1.4);
      }
    } else if (const auto* run = std::get_if<engine::RunEffect>(&effect)) {
      startRunAnimation();
      welcome_->practiceRun(run->shortcut.keys);
      runShortcut(run->shortcut);
    } else if (std::holds_alternative<engine::HideEffect>(effect)) {
      iconListening_ = false;
      updateStatusIcon();
      hideSequencePanels();
      keyTips_->hide();
      pendingList_.reset();
    } else if (std::holds_alternative<engine::OpenSearchEffect>(effect)) {
      hideSequencePanels();
      keyTips_->hide();
    }
  }
}

void AppShell::onKeyTipsShown(int count) {
  if (!pendingList_ || !engine_->path() || *engine_->path() != pendingList_->path) return;
  auto pending = std::move(*pendingList_);
  pendingList_.reset();
  if (prefs_->keyListMode.get() == model::KeyListMode::whenNoTips && count == 0) {
    hud_->showKeyList(pending.path, pending.options);
  }
}

void AppShell::onMouseCancel() {
  hideSequencePanels();
  pendingList_.reset();
  keyTips_->hide();
  // The sequence is over, so the icon must not stay in its listening look.
  if (iconListening_) {
    iconListening_ = false;
    updateStatusIcon();
  }
}

void AppShell::onClick(platform::Point /*point*/) {}

std::string AppShell::keysLine(const model::Shortcut& shortcut) const {
  return "⌥ " + joined(shortcut.keys) + " · " + shortcut.name;
}

void AppShell::noteRecent(const model::Shortcut& shortcut) {
  auto text = joined(shortcut.keys);
  std::vector<std::string> list;
  if (auto raw = platform_.defaults.raw(kRecentShortcutsKey)) {
    if (const auto* stored = std::get_if<std::vector<std::string>>(&*raw)) list = *stored;
  }
  std::erase(list, text);
  list.insert(list.begin(), text);
  if (list.size() > kRecentLimit) list.resize(kRecentLimit);
  platform_.defaults.set(kRecentShortcutsKey, list);
  recent_ = std::move(list);
}

void AppShell::runShortcut(const model::Shortcut& shortcut) {
  noteRecent(shortcut);
  lastRun_ = shortcut;
  if (!excelPID_) return;
  if (busyWork_) busyWork_->cancel();
  std::weak_ptr<int> alive = alive_;
  busyWork_ = platform_.scheduler.main().after(kBusyDelay, [this, alive, name = shortcut.name] {
    if (alive.lock()) hud_->showBusy(name);
  });
  runner_->run(shortcut, *excelPID_, [this, alive, shortcut](std::optional<excel::RunProblem> problem) {
    if (!alive.lock()) return;
    if (busyWork_) {
      busyWork_->cancel();
      busyWork_.reset();
    }
    if (hud_->isVisible() && hud_->content() == feedback::HUDController::Content::busy) hud_->hide();
    if (problem) showRunProblem(*problem, shortcut);
  });
}

void AppShell::showRunProblem(const excel::RunProblem& problem, const model::Shortcut& shortcut) {
  std::weak_ptr<int> alive = alive_;
  hud_->showProblem(problem, keysLine(shortcut), [this, alive](excel::RunProblem::Fix fix) {
    if (alive.lock()) applyFix(fix);
  });
}

void AppShell::runFromPalette(const model::Shortcut& shortcut) {
  if (!excelRunning()) {
    showRunProblem(excel::RunProblem{"Open Excel first", "Shortcuts run in the workbook that's open in Excel.", {},
                                     "Excel isn't running"},
                   shortcut);
    return;
  }
  std::int32_t pid = 0;
  for (const auto& app : platform_.workspace.runningApplications()) {
    if (app.bundleIdentifier == kExcelBundleId) pid = app.pid;
  }
  platform_.workspace.activate(pid);
  auto poll = std::make_shared<std::function<void(int)>>();
  std::weak_ptr<std::function<void(int)>> weakPoll = poll;
  *poll = [this, weakPoll, shortcut](int polls) {
    auto front = platform_.workspace.frontmostApplication();
    bool frontmost = front && front->bundleIdentifier == kExcelBundleId;
    if (frontmost || polls >= kActivationPolls) {
      later(kActivationSettle, [shortcut](AppShell& shell) {
        shell.startRunAnimation();
        shell.runShortcut(shortcut);
      });
      return;
    }
    auto self = weakPoll.lock();
    later(kActivationPollInterval, [self, polls](AppShell&) { (*self)(polls + 1); });
  };
  (*poll)(0);
}

void AppShell::applyFix(excel::RunProblem::Fix fix) {
  switch (fix) {
    case excel::RunProblem::Fix::widenExcel: {
      hud_->hide();
      auto pid = excelPID_;
      if (!pid) return;
      auto services = runner_->services();
      auto& screens = platform_.screens;
      runner_->queue().async([services, &screens, pid = *pid] {
        excel::widenExcel(excel::ExcelApp(services, pid), screens);
      });
      return;
    }
    case excel::RunProblem::Fix::tryAgain:
      hud_->hide();
      if (lastRun_) {
        startRunAnimation();
        runShortcut(*lastRun_);
      }
      return;
    case excel::RunProblem::Fix::languageSettings:
      hud_->hide();
      platform_.workspace.openURL(kLanguageSettingsURL);
      return;
    case excel::RunProblem::Fix::report:
      hud_->hide();
      reportProblemFromMenu();
      return;
    case excel::RunProblem::Fix::whatsNew:
      hud_->hide();
      platform_.workspace.openURL(kChangeLogURL);
      return;
  }
}

// --- Status icon and status line ---

AppShell::StatusLine AppShell::statusLine() const {
  if (!status_.trusted.get()) return {"Needs Accessibility access", false};
  if (!status_.tapRunning.get()) return {"Keyboard listener stopped", false};
  if (prefs_->enabled.get()) return {"Ready: tap ⌥ in Excel", true};
  return {"Paused", false};
}

void AppShell::updateStatusIcon() { iconChanged.emit(); }

void AppShell::startRunAnimation() {
  if (!status_.trusted.get() || platform_.workspace.reduceMotion()) return;
  if (carTimer_) carTimer_->cancel();
  double start = platform_.clock.uptime();
  std::weak_ptr<int> alive = alive_;
  carTimer_ = platform_.scheduler.repeating(platform_.scheduler.main(), kRunAnimationTick, kRunAnimationTick, 0,
                                            [this, alive, start] {
                                              if (!alive.lock()) return;
                                              double t = (platform_.clock.uptime() - start) / 0.55;
                                              if (t >= 1) {
                                                carTimer_->cancel();
                                                carTimer_.reset();
                                                iconCar_.reset();
                                              } else {
                                                iconCar_ = t < 0.5 ? 2 * t * t : 1 - (2 - 2 * t) * (2 - 2 * t) / 2;
                                              }
                                              updateStatusIcon();
                                            });
}

// --- Secure Input and the version notice ---

void AppShell::onSecureInput(const std::optional<std::string>& owner) {
  log("Secure Input is on (reported for " + owner.value_or("unknown") +
      "): macOS hides the letters you type from Corvane");
  std::string message;
  if (!owner) {
    message =
        "macOS Secure Input is on, so Corvane can't see your keys. Close any open password field, or lock and "
        "unlock your Mac (⌃⌘Q).";
  } else if (*owner == "loginwindow") {
    message = "macOS left Secure Input on after unlocking, so Corvane can't see your keys. Lock and unlock your Mac (⌃⌘Q).";
  } else {
    message = *owner + " has Secure Input on (a password field), so Corvane can't see your keys. Close it or quit " +
              *owner + ".";
  }
  hud_->showNotice(message, true, 8.0);
}

void AppShell::showVersionNotice() {
  std::optional<std::string> previous;
  if (auto raw = platform_.defaults.raw(base::prefkeys::kLastRunVersion)) {
    if (const auto* text = std::get_if<std::string>(&*raw)) previous = *text;
  }
  platform_.defaults.set(base::prefkeys::kLastRunVersion, platform_.version);
  if (!previous || *previous == platform_.version) return;
  later(kVersionNoticeDelay, [previous = *previous](AppShell& shell) {
    shell.hud_->showNotice("Corvane " + shell.platform_.version + " is installed", false, 8.0, std::nullopt,
                           {"See what's changed in this version.", "Updated from " + previous},
                           platform::views::Button{"whatsNew", "See What's New"});
  });
}

// --- Preferences and toggles ---

void AppShell::applyPreferences() {
  engine_->setHoldToStart(prefs_->holdToStart.get());
  engine_->setSearchTrigger(prefs_->searchTrigger.get());
  welcome_->setSearchTrigger(prefs_->searchTrigger.get());
  keyTips_->setEnabled(prefs_->showRibbonTips.get());
  keyTips_->setStyle(prefs_->tipStyle.get());
  keyTips_->setSize(prefs_->tipSize.get());
  hud_->setStyle(prefs_->tipStyle.get());
  if (!prefs_->enabled.get()) handleEffects(engine_->reset());
  updateStatusIcon();
}

void AppShell::toggleEnabled() {
  prefs_->toggleEnabled();
  platform_.workspace.hapticLevelChange();
  hud_->showNotice(prefs_->enabled.get() ? "Excel shortcuts on" : "Excel shortcuts off", false, 1.4,
                   platform_.statusItemFrame ? platform_.statusItemFrame() : std::nullopt);
}

void AppShell::toggleRibbonTips() { prefs_->toggleShowRibbonTips(); }

void AppShell::toggleLearningHints() { prefs_->toggleLearningHints(); }

void AppShell::statusItemClicked(const StatusClick& click) {
  if (click.optionHeld) {
    showSettings();
    return;
  }
  auto mode = prefs_->menuBarClick.get();
  if ((click.rightMouseUp || click.controlHeld) && prefs_->rightClickAlternates.get()) {
    mode = mode == model::MenuBarClick::toggle ? model::MenuBarClick::showPanel : model::MenuBarClick::toggle;
  }
  switch (mode) {
    case model::MenuBarClick::toggle:
      toggleEnabled();
      return;
    case model::MenuBarClick::showPanel:
      return;
  }
}

// --- Windows ---

platform::Panel* AppShell::window(const std::string& name) const {
  for (const auto& w : windows_) {
    if (w->name == name) return w->panel.get();
  }
  return nullptr;
}

AppShell::Window& AppShell::windowNamed(const std::string& name) {
  for (auto& w : windows_) {
    if (w->name == name) return *w;
  }
  auto created = std::make_unique<Window>();
  created->name = name;
  created->panel = platform_.panels.create(platform::PanelKind::window, {480, 360});
  windows_.push_back(std::move(created));
  refreshWindow(name);
  return *windows_.back();
}

void AppShell::showWindow(Window& window) {
  refreshWindow(window.name);
  if (!window.panel->isVisible()) window.panel->center();
  window.panel->makeKeyAndOrderFront();
}

void AppShell::refreshWindow(const std::string& name) {
  auto* panel = window(name);
  if (!panel) return;
  if (name == "welcome") {
    panel->setTitle("Welcome to Corvane");
    panel->setContent(std::make_shared<platform::views::WelcomeView>(welcome_->view(status_)));
  } else if (name == "list") {
    panel->setTitle("Shortcut List");
    panel->setContent(std::make_shared<platform::views::ShortcutListView>(listModel_->view()));
  } else if (name == "update") {
    panel->setTitle("Software Update");
    panel->setContent(std::make_shared<platform::views::UpdateView>(updates::makeUpdateView(*updateModel_, platform_.version)));
  } else if (name == "editor") {
    panel->setTitle("My Shortcuts");
    panel->setContent(std::make_shared<platform::views::ShortcutEditorView>(editorModel().view()));
  }
}

void AppShell::showAbout() { showSettings(); }

void AppShell::checkForUpdates() { updateFlow_->checkForUpdates(); }

void AppShell::showSettings() { showWindow(windowNamed("settings")); }

void AppShell::showList() {
  listModel_->setShortcuts(library_->shortcuts());
  showWindow(windowNamed("list"));
}

authoring::ShortcutEditorModel& AppShell::editorModel() {
  if (!editorModel_) {
    std::weak_ptr<int> alive = alive_;
    authoring::EditorActions actions{
        .tryShortcut = [this, alive](const model::Shortcut& shortcut) {
          if (alive.lock()) runFromPalette(shortcut);
        },
        .reload = [this, alive] {
          if (alive.lock()) reloadShortcuts();
        },
        .openFile = [this, alive] {
          if (!alive.lock()) return;
          platform_.workspace.revealFile(userFile_);
          platform_.workspace.openFile(userFile_);
        },
    };
    editorModel_ = std::make_unique<authoring::ShortcutEditorModel>(platform_.files, userFile_, library_, actions);
    subscriptions_.push_back(editorModel_->changed.subscribe([this, alive] {
      if (alive.lock()) refreshWindow("editor");
    }));
  }
  return *editorModel_;
}

void AppShell::editShortcuts() {
  editorModel().loadEntries();
  showWindow(windowNamed("editor"));
}

void AppShell::showWelcome() {
  welcome_->showWelcome();
  showWindow(windowNamed("welcome"));
}

void AppShell::reportProblemFromMenu() { showWindow(windowNamed("report")); }

void AppShell::openLog() {
  if (!platform_.files.exists(log_->logFile())) (void)platform_.files.append(log_->logFile(), "");
  platform_.workspace.openFile(log_->logFile());
}

bool AppShell::applicationShouldHandleReopen(bool hasVisibleWindows) {
  if (!hasVisibleWindows) showSettings();
  return true;
}

void AppShell::quit() {
  terminated_ = true;
  if (keyTap_) keyTap_->stop();
}

// --- The shortcut check and the menu map ---

void AppShell::checkShortcuts() {
  if (!platform_.accessibility.isTrusted(false)) {
    openAccessibilitySettings();
    return;
  }
  if (!excelRunning()) {
    hud_->showNotice("Open Excel with a workbook first", false, 5.0, std::nullopt,
                     {"The check looks for each menu and ribbon button in Excel."});
    return;
  }
  std::int32_t pid = 0;
  for (const auto& app : platform_.workspace.runningApplications()) {
    if (app.bundleIdentifier == kExcelBundleId) pid = app.pid;
  }
  hud_->showBusy("Checking shortcuts against Excel… (the ribbon will flick between tabs)");
  std::weak_ptr<int> alive = alive_;
  if (checkSafetyHide_) checkSafetyHide_->cancel();
  checkSafetyHide_ = platform_.scheduler.main().after(kCheckSafetyHide, [this, alive] {
    if (alive.lock() && hud_->content() == feedback::HUDController::Content::busy) hud_->hide();
  });
  auto dateText = base::formatLogTimestamp(platform_.clock.now());
  runner_->check(library_->shortcuts(), pid, dateText, [this, alive](std::string report) {
    if (!alive.lock()) return;
    if (checkSafetyHide_) checkSafetyHide_->cancel();
    hud_->hide();
    auto path = platform_.paths.supportFolder + "/" + excel::kCheckFileName;
    (void)platform_.files.createFolders(platform_.paths.supportFolder);
    (void)platform_.files.writeAtomic(path, report);
    platform_.workspace.openFile(path);
  });
}

void AppShell::dumpMenus() {
  if (!platform_.accessibility.isTrusted(false)) {
    openAccessibilitySettings();
    return;
  }
  if (!excelRunning()) {
    hud_->showNotice("Open Excel first", false, 5.0);
    return;
  }
  std::int32_t pid = 0;
  for (const auto& app : platform_.workspace.runningApplications()) {
    if (app.bundleIdentifier == kExcelBundleId) pid = app.pid;
  }
  std::weak_ptr<int> alive = alive_;
  auto services = runner_->services();
  auto& main = platform_.scheduler.main();
  platform_.scheduler.global(platform::QoS::userInitiated).async([this, alive, services, pid, &main] {
    auto text = excel::menuMap(excel::ExcelApp(services, pid));
    main.async([this, alive, text = std::move(text)] {
      if (!alive.lock()) return;
      auto path = platform_.paths.supportFolder + "/" + excel::kMenuMapFileName;
      (void)platform_.files.createFolders(platform_.paths.supportFolder);
      (void)platform_.files.writeAtomic(path, text);
      platform_.workspace.openFile(path);
    });
  });
}

}  // namespace corvane::app

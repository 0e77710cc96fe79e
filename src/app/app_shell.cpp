#include "app/app_shell.hpp"

#include <algorithm>
#include <map>
#include <utility>
#include <variant>

#include "app/secure_input_warning.hpp"
#include "app/version_notice.hpp"
#include "authoring/shortcut_browser_model.hpp"
#include "authoring/shortcut_editor_model.hpp"
#include "base/time_format.hpp"
#include "excel/excel_app.hpp"
#include "excel/shortcut_check.hpp"
#include "excel/widen_excel.hpp"
#include "feedback/key_tip_overlay.hpp"
#include "feedback/recent_shortcuts.hpp"
#include "model/text.hpp"
#include "onboarding/welcome_model.hpp"
#include "platform/views/settings_view.hpp"
#include "platform/views/shortcut_editor_view.hpp"
#include "platform/views/shortcut_list_view.hpp"
#include "platform/views/update_view.hpp"
#include "platform/views/view_actions.hpp"
#include "platform/views/welcome_view.hpp"
#include "updates/update_driver.hpp"
#include "updates/update_flow.hpp"
#include "updates/update_model.hpp"
#include "updates/update_window_view.hpp"

namespace corvane::app {

namespace {

constexpr const char* kWelcome = "welcome";
constexpr const char* kSettings = "settings";
constexpr const char* kList = "list";
constexpr const char* kUpdate = "update";
constexpr const char* kEditor = "editor";

}  // namespace

/// A window created on first use and kept.
struct AppShell::Window {
  std::string name;
  std::unique_ptr<platform::Panel> panel;
};

AppShell::AppShell(AppPlatform platform) : platform_(std::move(platform)) {
  log_ = std::make_unique<base::ActivityLog>(platform_.files, platform_.clock, platform_.scheduler,
                                             platform_.paths.logFile, platform_.paths.home);
  prefs_ = std::make_unique<base::Preferences>(platform_.defaults);
  userFile_ = std::make_unique<UserShortcutsFile>(platform_.files, platform_.workspace, platform_.paths,
                                                  platform_.builtinShortcutsFile, *log_, status_,
                                                  platform_.userShortcutsFile);

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
      .runningExcel = [this] { return runningExcel(); },
  };
  hud_ = std::make_shared<feedback::HUDController>(platform_.panels, platform_.screens, platform_.windowList,
                                                   platform_.scheduler, std::move(sources));
  hud_->onNoticeAction = [this, alive](const std::string& id) {
    if (alive.lock() && id == VersionNotice::kActionId) platform_.workspace.openURL(kChangeLogURL);
  };

  runAnimation_ = std::make_unique<RunAnimation>(platform_.clock, platform_.scheduler,
                                                 [this, alive](std::optional<double>) {
                                                   if (alive.lock()) updateStatusIcon();
                                                 });

  welcome_ = std::make_unique<onboarding::WelcomeModel>();
  welcome_->close = [this, alive] {
    if (!alive.lock()) return;
    welcome_->windowClosed();
    if (auto* w = window(kWelcome)) w->orderOut();
  };
  welcome_->openAccessibilitySettings = [this, alive] {
    if (alive.lock()) openAccessibilitySettings();
  };

  updateModel_ = std::make_unique<updates::UpdateModel>();
  updates::UpdateWindowControl updateWindow{
      .show = [this, alive] {
        if (alive.lock()) showWindow(windowNamed(kUpdate));
      },
      .close = [this, alive] {
        if (!alive.lock()) return;
        if (auto* w = window(kUpdate)) w->orderOut();
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
  subscriptions_.push_back(welcome_->step.subscribe(refresher(kWelcome)));
  subscriptions_.push_back(welcome_->progress.subscribe(refresher(kWelcome)));
  subscriptions_.push_back(welcome_->searchInstruction.subscribe(refresher(kWelcome)));
  subscriptions_.push_back(status_.trusted.subscribe(refresher(kWelcome)));
  subscriptions_.push_back(status_.excelRunning.subscribe(refresher(kWelcome)));
  subscriptions_.push_back(listModel_->changed.subscribe(refresher(kList)));
  subscriptions_.push_back(updateModel_->stage.subscribe(refresher(kUpdate)));
  subscriptions_.push_back(updateModel_->autoCheck.subscribe(refresher(kUpdate)));
  subscriptions_.push_back(updateModel_->autoInstall.subscribe(refresher(kUpdate)));
}

AppShell::~AppShell() {
  alive_.reset();
  if (permissionTimer_) permissionTimer_->cancel();
  if (busyWork_) busyWork_->cancel();
  if (checkSafetyHide_) checkSafetyHide_->cancel();
  if (keyTap_) keyTap_->stop();
}

void AppShell::log(const std::string& message) { log_->log(message); }

void AppShell::later(double seconds, std::function<void(AppShell&)> work) {
  std::weak_ptr<int> alive = alive_;
  platform_.scheduler.main().after(seconds, [this, alive, work = std::move(work)] {
    if (alive.lock()) work(*this);
  });
}

// --- Start-up ---

void AppShell::applicationDidFinishLaunching() {
  std::weak_ptr<int> alive = alive_;

  // 1. The library.
  library_ = userFile_->loadLibrary();
  listModel_->setShortcuts(library_->shortcuts());
  userFile_->onReload = [this, alive](const Reload& reload) {
    if (alive.lock()) adoptLibrary(reload);
  };

  // 2. The engine: hold to start, the standard windows, search by double tap, idle.
  engine_ = std::make_unique<engine::SequenceEngine>(library_);
  engine_->setHoldToStart(true);
  engine_->setTapWindow(engine::SequenceEngine::kTapWindow);
  engine_->setDoubleTapWindow(engine::SequenceEngine::kDoubleTapWindow);
  engine_->setSearchTrigger(model::SearchTrigger::doubleTapOption);

  // 3. Key tips, sharing the runner's queue; the runner holds them weakly.
  keyTips_ = std::make_shared<feedback::KeyTipController>(
      platform_.scheduler, runner_->queue(), runner_->services(),
      std::make_unique<feedback::KeyTipOverlay>(platform_.panels, platform_.screens, platform_.textMetrics), library_);
  keyTips_->onTipsShown = [this, alive](int count) {
    if (alive.lock()) onKeyTipsShown(count);
  };
  runner_->setKeyTips(keyTips_);

  // 4. The command palette.
  palette_ = std::make_unique<feedback::CommandPaletteController>(
      platform_.panels, platform_.screens, library_,
      [this] { return feedback::recentShortcuts(platform_.defaults); });
  palette_->model().onRun = [this, alive](const model::Shortcut& shortcut) {
    if (!alive.lock()) return;
    palette_->close();
    runFromPalette(shortcut);
  };

  // 5. The menu-bar panel.
  auto action = [this, alive](void (AppShell::*method)()) {
    return [this, alive, method] {
      if (alive.lock()) (this->*method)();
    };
  };
  QuickPanelActions panelActions{
      .search = action(&AppShell::openSearch),
      .showShortcutList = action(&AppShell::showList),
      .showMyShortcuts = action(&AppShell::editShortcuts),
      .showSettings = action(&AppShell::showSettings),
      .checkForUpdates = action(&AppShell::checkForUpdates),
      .sendFeedback = [this, alive] {
        if (alive.lock()) problemReport().open(std::string(ProblemReport::kFeedbackPrefill));
      },
      .reportProblem = action(&AppShell::reportProblemFromMenu),
      .allowAccess = action(&AppShell::openAccessibilitySettings),
      .restartListener = action(&AppShell::restartTap),
      .quit = action(&AppShell::quit),
  };
  quickPanel_ = std::make_unique<QuickPanelController>(
      platform_.panels, platform_.screens, platform_.clock, *prefs_, std::move(panelActions), [this] {
        return QuickPanelFacts{listenerFacts(), static_cast<int>(editorModel().entries().size()),
                               updateModel_->waitingVersion.get()};
      });

  // 6. Learning hints.
  coach_ = std::make_shared<feedback::CoachController>(
      feedback::CoachController::Services{runner_->services(), platform_.scheduler, platform_.defaults,
                                          platform_.panels, platform_.screens},
      library_);
  coach_->onTurnOff = [this, alive] {
    if (!alive.lock()) return;
    prefs_->learningHints.set(false);
    hud_->showNotice("Learning hints are off. Turn them back on in Settings or the menu-bar panel.", false, 3.0);
  };

  // 7. The keyboard tap.
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

  // 8, 9. The main menu and the status item are drawn by the front end from app_menus and
  // statusIcon().

  // 10. Preferences, now and after every change.
  applyPreferences();
  subscriptions_.push_back(prefs_->changed.subscribe([this, alive] {
    platform_.scheduler.main().async([this, alive] {
      if (alive.lock()) applyPreferences();
    });
  }));

  // 11. Keep the system from napping the listener.
  listening_ = platform_.workspace.beginActivity("Listening for Excel shortcuts");

  // 12. Wake, unlock, session and application notifications.
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

  // 13–15. Excel, the login item, what has been learned.
  status_.excelRunning.set(runningExcel().has_value());
  frontAppChanged(platform_.workspace.frontmostApplication());
  status_.launchAtLogin.set(platform_.workspace.launchAtLogin());
  status_.learnedCount.set(coach_->learnedCount());

  // 16–21. Watch the user file, log the start, the version notice, updates, listening, welcome.
  (void)userFile_->startWatching();
  log("Corvane started with " + std::to_string(library_->shortcuts().size()) + " shortcuts");
  showVersionNotice();
  updateFlow_->start(platform_.makeUpdater ? platform_.makeUpdater(*updateDriver_) : nullptr);
  startListening(false);
  if (!platform_.accessibility.isTrusted(false)) showWelcome();
}

void AppShell::adoptLibrary(const Reload& reload) {
  library_ = reload.library;
  engine_->setLibrary(library_);
  keyTips_->setLibrary(library_);
  palette_->model().setLibrary(library_);
  coach_->setLibrary(library_);
  listModel_->setShortcuts(library_->shortcuts());
  if (editorModel_) editorModel_->setLibrary(library_);
  hud_->showNotice(reload.notice.message, reload.notice.isError, reload.notice.seconds);
}

void AppShell::reloadShortcuts() { (void)userFile_->reloadShortcuts(); }

void AppShell::checkUserFileChanged() { (void)userFile_->checkUserFileChanged(); }

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
  // The poll is the only way a newly granted permission is noticed; it stops itself on success.
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
    checkUserFileChanged();
    return;
  }
  excelPID_.reset();
  if (engine_) handleEffects(engine_->reset());
  dismissHint();
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
      coach_->recordUse(run->shortcut.keys);
      status_.learnedCount.set(coach_->learnedCount());
      runShortcut(run->shortcut);
    } else if (std::holds_alternative<engine::HideEffect>(effect)) {
      iconListening_ = false;
      updateStatusIcon();
      hideSequencePanels();
      keyTips_->hide();
      pendingList_.reset();
    } else if (std::holds_alternative<engine::OpenSearchEffect>(effect)) {
      openSearch();
    }
  }
}

void AppShell::onKeyTipsShown(int count) {
  // An outcome for a path the user has since left decides nothing.
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

void AppShell::openSearch() {
  hideSequencePanels();
  dismissHint();
  keyTips_->hide();
  palette_->open();
}

void AppShell::dismissHint() {
  if (coach_) coach_->dismiss();
}

void AppShell::onClick(platform::Point point) {
  if (!prefs_->learningHints.get() || !excelPID_) return;
  coach_->handleClick(point, *excelPID_, keyTips_->anchor());
}

std::string AppShell::keysLine(const model::Shortcut& shortcut) const {
  return "⌥ " + model::text::join(shortcut.keys, " ") + " · " + shortcut.name;
}

std::vector<std::string> AppShell::recentShortcuts() const { return feedback::recentShortcuts(platform_.defaults); }

void AppShell::runShortcut(const model::Shortcut& shortcut) {
  // Every run counts as recent: typed, from the palette, tried from the editor, tried again.
  feedback::recordRecentShortcut(platform_.defaults, shortcut.keys);
  lastRun_ = shortcut;
  if (!excelPID_) return;
  dismissHint();
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
  auto pid = runningExcel();
  if (!pid) {
    showRunProblem(excel::RunProblem{"Open Excel first", "Shortcuts run in the workbook that's open in Excel.", {},
                                     "Excel isn't running"},
                   shortcut);
    return;
  }
  platform_.workspace.activate(*pid);
  // Polls every 0.08 s until Excel is in front (20 at most), then lets it settle for 0.05 s.
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
    later(kActivationPollInterval, [self = weakPoll.lock(), polls](AppShell&) { (*self)(polls + 1); });
  };
  (*poll)(0);
}

void AppShell::applyFix(excel::RunProblem::Fix fix) {
  hud_->hide();
  switch (fix) {
    case excel::RunProblem::Fix::widenExcel: {
      auto pid = runningExcel();
      if (!pid) return;
      auto services = runner_->services();
      auto& screens = platform_.screens;
      // On the actions queue, so the widening never interleaves with a run or a scan.
      runner_->queue().async([services, &screens, pid = *pid] {
        excel::widenExcel(excel::ExcelApp(services, pid), screens);
      });
      return;
    }
    case excel::RunProblem::Fix::tryAgain:
      if (!lastRun_) return;
      startRunAnimation();
      runShortcut(*lastRun_);
      return;
    case excel::RunProblem::Fix::languageSettings:
      platform_.workspace.openURL(kLanguageSettingsURL);
      return;
    case excel::RunProblem::Fix::report:
      reportProblemFromMenu();
      return;
    case excel::RunProblem::Fix::whatsNew:
      platform_.workspace.openURL(kChangeLogURL);
      return;
  }
}

// --- Status ---

ListenerFacts AppShell::listenerFacts() const {
  return ListenerFacts{status_.trusted.get(), keyTap_ && keyTap_->isInstalled(), status_.tapRunning.get(),
                       prefs_->enabled.get()};
}

StatusLine AppShell::statusLine() const { return app::statusLine(listenerFacts()); }

StatusIconState AppShell::statusIcon() const {
  return app::statusIcon(listenerFacts(), iconListening_, runAnimation_->position(), prefs_->dimIconWhenOff.get());
}

void AppShell::updateStatusIcon() { iconChanged.emit(); }

void AppShell::startRunAnimation() {
  runAnimation_->start(status_.trusted.get() && !platform_.workspace.reduceMotion());
}

// --- Secure Input and the version notice ---

void AppShell::onSecureInput(const std::optional<std::string>& owner) {
  auto warning = secureInputWarning(owner);
  log(warning.logLine);
  hud_->showNotice(warning.message, true, SecureInputWarning::kSeconds);
}

void AppShell::showVersionNotice() {
  auto notice = recordRunVersion(platform_.defaults, platform_.version);
  if (!notice) return;
  later(VersionNotice::kDelay, [notice = *notice](AppShell& shell) {
    shell.hud_->showNotice(notice.message, false, VersionNotice::kSeconds, std::nullopt, notice.lines, notice.action);
  });
}

// --- Preferences and toggles ---

void AppShell::applyPreferences() {
  engine_->setHoldToStart(prefs_->holdToStart.get());
  engine_->setSearchTrigger(prefs_->searchTrigger.get());
  palette_->model().setTrigger(prefs_->searchTrigger.get());
  welcome_->setSearchTrigger(prefs_->searchTrigger.get());
  keyTips_->setEnabled(prefs_->showRibbonTips.get());
  keyTips_->setStyle(prefs_->tipStyle.get());
  keyTips_->setSize(prefs_->tipSize.get());
  hud_->setStyle(prefs_->tipStyle.get());
  palette_->setStyle(prefs_->tipStyle.get());
  coach_->setEnabled(prefs_->learningHints.get());
  coach_->setStyle(prefs_->tipStyle.get());
  if (!prefs_->learningHints.get()) dismissHint();
  if (!prefs_->enabled.get()) handleEffects(engine_->reset());
  auto policy = prefs_->showInDock.get() ? platform::ActivationPolicy::regular : platform::ActivationPolicy::accessory;
  if (platform_.workspace.activationPolicy() != policy) platform_.workspace.setActivationPolicy(policy);
  updateStatusIcon();
  if (quickPanel_->isOpen()) quickPanel_->refresh();
}

void AppShell::toggleEnabled() {
  if (quickPanel_->isOpen()) quickPanel_->close();
  prefs_->toggleEnabled();
  platform_.workspace.hapticLevelChange();
  hud_->showNotice(toggleNotice(prefs_->enabled.get()), false, kToggleNoticeSeconds,
                   platform_.statusItemFrame ? platform_.statusItemFrame() : std::nullopt);
}

void AppShell::toggleRibbonTips() { prefs_->toggleShowRibbonTips(); }

void AppShell::toggleLearningHints() { prefs_->toggleLearningHints(); }

void AppShell::statusItemClicked(const StatusItemEvent& click) {
  switch (statusItemClick(click, prefs_->menuBarClick.get(), prefs_->rightClickAlternates.get())) {
    case StatusItemClick::showSettings:
      showSettings();
      return;
    case StatusItemClick::toggleEnabled:
      toggleEnabled();
      return;
    case StatusItemClick::togglePanel:
      quickPanel_->toggle(platform_.statusItemFrame ? platform_.statusItemFrame() : std::nullopt);
      return;
  }
}

bool AppShell::perform(std::string_view action) {
  static const std::map<std::string_view, void (AppShell::*)()> actions{
      {"showAbout", &AppShell::showAbout},
      {"checkForUpdates", &AppShell::checkForUpdates},
      {"showSettings", &AppShell::showSettings},
      {"showList", &AppShell::showList},
      {"editShortcuts", &AppShell::editShortcuts},
      {"toggleEnabled", &AppShell::toggleEnabled},
      {"toggleRibbonTips", &AppShell::toggleRibbonTips},
      {"toggleLearningHints", &AppShell::toggleLearningHints},
      {"showWelcome", &AppShell::showWelcome},
      {"restartTap", &AppShell::restartTap},
      {"reloadShortcuts", &AppShell::reloadShortcuts},
      {"checkShortcuts", &AppShell::checkShortcuts},
      {"dumpMenus", &AppShell::dumpMenus},
      {"reportProblemFromMenu", &AppShell::reportProblemFromMenu},
      {"openLog", &AppShell::openLog},
      {"openAccessibilitySettings", &AppShell::openAccessibilitySettings},
      {"quit", &AppShell::quit},
  };
  auto found = actions.find(action);
  if (found == actions.end()) return false;
  (this->*found->second)();
  return true;
}

void AppShell::performSettingsAction(SettingsAction action) { (void)perform(actionName(action)); }

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
  std::weak_ptr<int> alive = alive_;
  created->panel->setActionSink([this, alive, name](const platform::PanelAction& action) {
    if (alive.lock()) onWindowAction(name, action);
  });
  windows_.push_back(std::move(created));
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
  if (name == kWelcome) {
    panel->setTitle("Welcome to Corvane");
    panel->setContent(std::make_shared<platform::views::WelcomeView>(welcome_->view(status_)));
  } else if (name == kList) {
    panel->setTitle("Shortcut List");
    panel->setContent(std::make_shared<platform::views::ShortcutListView>(listModel_->view()));
  } else if (name == kUpdate) {
    panel->setTitle("Software Update");
    panel->setContent(
        std::make_shared<platform::views::UpdateView>(updates::makeUpdateView(*updateModel_, platform_.version)));
  } else if (name == kEditor) {
    panel->setTitle("My Shortcuts");
    panel->setContent(std::make_shared<platform::views::ShortcutEditorView>(editorModel().view()));
  } else if (name == kSettings) {
    panel->setTitle("Corvane Settings");
    panel->setContent(std::make_shared<platform::views::SettingsView>(settingsModel().view()));
  }
}

void AppShell::onWindowAction(const std::string& name, const platform::PanelAction& action) {
  using Kind = platform::PanelAction::Kind;
  if (action.kind == Kind::closed) {
    if (name == kWelcome) welcome_->windowClosed();
    if (auto* panel = window(name)) panel->orderOut();
    return;
  }
  if (name == kSettings) {
    settingsModel().handle(action);
  } else if (name == kWelcome && action.kind == Kind::button) {
    if (auto welcomeAction = platform::views::welcomeAction(action.id)) welcome_->perform(*welcomeAction);
  } else if (name == kEditor) {
    editorModel().handle(action);
  } else if (name == kUpdate) {
    updateModel_->handle(action);
  } else if (name == kList) {
    if (action.kind == Kind::text) listModel_->setQuery(action.text);
    if (action.kind == Kind::select) listModel_->setSelection(action.id.empty() ? std::nullopt : std::optional(action.id));
    if (action.kind == Kind::button && action.id == "makeYourOwn" && listModel_->makeYourOwn) listModel_->makeYourOwn();
  }
}

SettingsModel& AppShell::settingsModel() {
  if (!settings_) {
    std::weak_ptr<int> alive = alive_;
    settings_ = std::make_unique<SettingsModel>(*prefs_, status_, platform_.version, [this, alive](SettingsAction a) {
      if (alive.lock()) performSettingsAction(a);
    });
    subscriptions_.push_back(settings_->changed.subscribe([this, alive] {
      if (alive.lock()) refreshWindow(kSettings);
    }));
  }
  return *settings_;
}

ReportFacts AppShell::reportFacts() {
  ReportFacts facts;
  facts.version = platform_.version;
  facts.osVersion = platform_.osVersion;
  facts.macModel = platform_.machineModel;
  facts.excelVersion = platform_.excelVersion ? platform_.excelVersion() : std::nullopt;
  facts.excelRunning = runningExcel().has_value();
  facts.trusted = status_.trusted.get();
  facts.listening = status_.tapRunning.get();
  facts.shortcutCount = status_.shortcutCount.get();
  facts.ownShortcutCount = static_cast<int>(editorModel().entries().size());
  facts.warningCount = static_cast<int>(status_.warnings.get().size());
  return facts;
}

ProblemReport& AppShell::problemReport() {
  if (!report_) {
    std::weak_ptr<int> alive = alive_;
    report_ = std::make_unique<ProblemReport>(
        platform_.files, platform_.workspace, platform_.panels, platform_.clock, platform_.paths, *log_,
        ProblemReport::Config{platform_.version, kSupportAddress}, [this, alive]() -> std::string {
          if (!alive.lock()) return {};
          return systemInfo(reportFacts(), *prefs_);
        });
  }
  return *report_;
}

void AppShell::showAbout() {
  settingsModel().select(SettingsPage::about);
  showWindow(windowNamed(kSettings));
}

void AppShell::checkForUpdates() { updateFlow_->checkForUpdates(); }

void AppShell::showSettings() { showWindow(windowNamed(kSettings)); }

void AppShell::showList() {
  listModel_->setShortcuts(library_->shortcuts());
  showWindow(windowNamed(kList));
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
          if (alive.lock()) userFile_->openForEditing();
        },
    };
    editorModel_ = std::make_unique<authoring::ShortcutEditorModel>(platform_.files, userFile_->userFile(), library_,
                                                                    actions);
    editorModel_->loadEntries();
    subscriptions_.push_back(editorModel_->changed.subscribe([this, alive] {
      if (alive.lock()) refreshWindow(kEditor);
    }));
  }
  return *editorModel_;
}

void AppShell::editShortcuts() {
  editorModel().loadEntries();
  showWindow(windowNamed(kEditor));
}

void AppShell::showWelcome() {
  welcome_->showWelcome();
  showWindow(windowNamed(kWelcome));
}

void AppShell::reportProblemFromMenu() { problemReport().open(); }

void AppShell::openLog() {
  // An empty log still opens, rather than failing silently.
  if (!platform_.files.exists(log_->logFile())) (void)platform_.files.append(log_->logFile(), "");
  platform_.workspace.openFile(log_->logFile());
}

bool AppShell::applicationShouldHandleReopen(bool hasVisibleWindows) {
  if (!hasVisibleWindows) showSettings();
  return true;
}

void AppShell::quit() {
  if (terminated_) return;
  terminated_ = true;
  if (keyTap_) keyTap_->stop();
  // On the next turn: the menu item or panel row that asked is still on the stack.
  if (platform_.terminate) platform_.scheduler.main().async(platform_.terminate);
}

// --- The shortcut check and the menu map ---

std::optional<std::int32_t> AppShell::excelToInspect(const std::string& notice, std::vector<std::string> lines) {
  // Without the permission nothing can be read: the system's dialog is all the user gets.
  if (!platform_.accessibility.isTrusted(false)) {
    openAccessibilitySettings();
    return std::nullopt;
  }
  auto pid = runningExcel();
  if (!pid) hud_->showNotice(notice, false, kCheckNoticeSeconds, std::nullopt, std::move(lines));
  return pid;
}

void AppShell::checkShortcuts() {
  auto pid = excelToInspect("Open Excel with a workbook first",
                            {"The check looks for each menu and ribbon button in Excel."});
  if (!pid) return;
  hud_->showBusy("Checking shortcuts against Excel… (the ribbon will flick between tabs)");
  std::weak_ptr<int> alive = alive_;
  if (checkSafetyHide_) checkSafetyHide_->cancel();
  checkSafetyHide_ = platform_.scheduler.main().after(kCheckSafetyHide, [this, alive] {
    if (alive.lock() && hud_->content() == feedback::HUDController::Content::busy) hud_->hide();
  });
  auto dateText = base::formatDateMinute(platform_.clock.now());
  runner_->check(library_->shortcuts(), *pid, dateText, [this, alive](excel::ShortcutCheckReport report) {
    if (!alive.lock()) return;
    if (checkSafetyHide_) checkSafetyHide_->cancel();
    hud_->hide();
    auto path = userFile_->supportFolder() + "/" + excel::kCheckFileName;
    (void)platform_.files.writeAtomic(path, report.text);
    platform_.workspace.openFile(path);
  });
}

void AppShell::dumpMenus() {
  auto pid = excelToInspect("Open Excel first", {});
  if (!pid) return;
  std::weak_ptr<int> alive = alive_;
  auto services = runner_->services();
  auto& main = platform_.scheduler.main();
  platform_.scheduler.global(platform::QoS::userInitiated).async([this, alive, services, pid = *pid, &main] {
    auto text = excel::menuMap(excel::ExcelApp(services, pid));
    main.async([this, alive, text = std::move(text)] {
      if (!alive.lock()) return;
      auto path = userFile_->supportFolder() + "/" + excel::kMenuMapFileName;
      (void)platform_.files.writeAtomic(path, text);
      platform_.workspace.openFile(path);
    });
  });
}

}  // namespace corvane::app

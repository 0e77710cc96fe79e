#include "app/app_shell.hpp"

// Construction, start-up in its fixed order, the library's reloads and the preferences.

#include <utility>

#include "app/version_notice.hpp"
#include "authoring/shortcut_browser_model.hpp"
#include "authoring/shortcut_editor_model.hpp"
#include "feedback/key_tip_overlay.hpp"
#include "feedback/recent_shortcuts.hpp"
#include "onboarding/welcome_model.hpp"
#include "updates/update_driver.hpp"
#include "updates/update_flow.hpp"
#include "updates/update_model.hpp"

namespace corvane::app {

using namespace window_names;

AppShell::AppShell(AppPlatform platform) : platform_(std::move(platform)) {
  log_ = std::make_unique<base::ActivityLog>(platform_.files, platform_.clock, platform_.scheduler,
                                             platform_.paths.logFile, platform_.paths.home);
  prefs_ = std::make_unique<base::Preferences>(platform_.defaults);
  userFile_ = std::make_unique<UserShortcutsFile>(platform_.files, platform_.workspace, platform_.paths,
                                                  platform_.builtinShortcutsFile, *log_, status_,
                                                  platform_.userShortcutsFile);

  auto logSink = guarded([this](const std::string& message) { log(message); });
  windows_ = std::make_unique<WindowHost>(
      platform_.panels,
      guarded([this](const std::string& name, const platform::PanelAction& action) { onWindowAction(name, action); }));
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
  hud_->onNoticeAction = guarded([this](const std::string& id) {
    if (id == VersionNotice::kActionId) platform_.workspace.openURL(kChangeLogURL);
  });
  // The coordinator is the shell's own part, so its hooks need no guard.
  runs_ = std::make_unique<RunCoordinator>(
      platform_.scheduler, platform_.defaults, *runner_, *hud_,
      RunCoordinator::Hooks{
          .starting = [this] { dismissHint(); },
          .failed = [this](const model::Shortcut& shortcut,
                           const excel::RunProblem& problem) { showRunProblem(problem, shortcut); },
          .succeeded = [this] {
            if (sequence_) sequence_->showExcelKeyTipsNoticeWhenFree();
          },
      });

  runAnimation_ = std::make_unique<RunAnimation>(platform_.clock, platform_.scheduler,
                                                 guarded([this](std::optional<double>) { updateStatusIcon(); }));

  welcome_ = std::make_unique<onboarding::WelcomeModel>();
  welcome_->close = guarded([this] {
    welcome_->windowClosed();
    if (auto* w = window(kWelcome)) w->orderOut();
  });
  welcome_->openAccessibilitySettings = guarded([this] { openAccessibilitySettings(); });

  updateModel_ = std::make_unique<updates::UpdateModel>();
  updates::UpdateWindowControl updateWindow{
      .show = guarded([this] { showWindow(kUpdate); }),
      .close = guarded([this] {
        if (auto* w = window(kUpdate)) w->orderOut();
      }),
  };
  updateDriver_ = std::make_unique<updates::UpdateDriver>(*updateModel_, updateWindow, logSink);
  updateFlow_ = std::make_unique<updates::UpdateFlow>(
      *updateModel_, *updateDriver_,
      guarded([this](const std::string& message, double seconds) { hud_->showNotice(message, false, seconds); }),
      logSink);

  listModel_ = std::make_unique<authoring::ShortcutBrowserModel>();
  listModel_->makeYourOwn = guarded([this] {
    editShortcuts();
    editorModel().newShortcut();
  });

  // Windows redraw from their models; each refresh does nothing until its window exists.
  auto refresher = [this](const char* name) {
    return guarded([this, name](const auto&...) { refreshWindow(name); });
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
  liveness_.end();
  if (permissionTimer_) permissionTimer_->cancel();
  if (permissionWatch_) permissionWatch_->cancel();
  if (checkSafetyHide_) checkSafetyHide_->cancel();
  if (keyTap_) keyTap_->stop();
}

void AppShell::log(const std::string& message) { log_->log(message); }

void AppShell::later(double seconds, std::function<void(AppShell&)> work) {
  platform_.scheduler.main().after(seconds, guarded([this, work = std::move(work)] { work(*this); }));
}

// --- Start-up ---

void AppShell::applicationDidFinishLaunching() {

  // 1. The library.
  library_ = userFile_->loadLibrary();
  listModel_->setShortcuts(library_->shortcuts());
  userFile_->onReload = guarded([this](const Reload& reload) { adoptLibrary(reload); });

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
  // What the user sees while a sequence is open; the shell's own part, so its services need no guard.
  sequence_ = std::make_unique<SequenceFeedback>(SequenceFeedback::Services{
      .hud = *hud_,
      .keyTips = *keyTips_,
      .prefs = *prefs_,
      .status = status_,
      .defaults = platform_.defaults,
      .enginePath = [this] { return keyTap_->enginePath(); },
      .excelPID = [this] { return excelPID_; },
      .runBusy = [this] { return runs_->busy(); },
      .beep = [this] { platform_.workspace.beep(); },
      .iconChanged = [this] { updateStatusIcon(); },
      .log = [this](const std::string& message) { log(message); },
  });
  keyTips_->onTipsShown = guarded([this](int count) { sequence_->tipsShown(count); });
  keyTips_->onExcelKeyTips =
      guarded([this](const feedback::ExcelKeyTipsMet& met) { sequence_->excelKeyTipsMet(met); });
  runner_->setKeyTips(keyTips_);

  // 4. The command palette.
  palette_ = std::make_unique<feedback::CommandPaletteController>(
      platform_.panels, platform_.screens, library_,
      [this] { return feedback::recentShortcuts(platform_.defaults); });
  palette_->model().onRun = guarded([this](const model::Shortcut& shortcut) {
    palette_->close();
    runFromPalette(shortcut);
  });

  // 5. The menu-bar panel.
  auto action = [this](void (AppShell::*method)()) {
    return guarded([this, method] { (this->*method)(); });
  };
  QuickPanelActions panelActions{
      .search = action(&AppShell::openSearch),
      .showShortcutList = action(&AppShell::showList),
      .showMyShortcuts = action(&AppShell::editShortcuts),
      .showSettings = action(&AppShell::showSettings),
      .checkForUpdates = action(&AppShell::checkForUpdates),
      .sendFeedback = guarded([this] { problemReport().open(std::string(ProblemReport::kFeedbackPrefill)); }),
      .reportProblem = action(&AppShell::reportProblemFromMenu),
      .allowAccess = action(&AppShell::openAccessibilitySettings),
      .restartListener = action(&AppShell::restartTap),
      .quit = action(&AppShell::quit),
  };
  quickPanel_ = std::make_unique<QuickPanelController>(
      platform_.panels, platform_.screens, platform_.clock, *prefs_, std::move(panelActions), [this] {
        // The permission or the tap may have gone since the status was last read.
        refreshStatus();
        return QuickPanelFacts{listenerFacts(), static_cast<int>(editorModel().entries().size()),
                               updateModel_->waitingVersion.get()};
      });

  // 6. Learning hints.
  coach_ = std::make_shared<feedback::CoachController>(
      feedback::CoachController::Services{runner_->services(), platform_.scheduler, platform_.defaults,
                                          platform_.panels, platform_.screens},
      library_);
  coach_->onTurnOff = guarded([this] {
    prefs_->learningHints.set(false);
    hud_->showNotice("Learning hints are off. Turn them back on in Settings or the menu-bar panel.", false, 3.0);
  });

  // 7. The keyboard tap.
  keyTap_ = std::make_unique<engine::KeyTap>(
      *engine_, engine::KeyTapServices{platform_.eventTap, platform_.keyLayout, platform_.secureInput, platform_.clock,
                                       platform_.scheduler,
                                       guarded([this](const std::string& message) { log(message); }),
                                       [&accessibility = platform_.accessibility] {
                                         return accessibility.isTrusted(false);
                                       }});
  // Asked on the tap's thread: what the main thread decided, and the panels' key state, which they
  // keep readable from any thread.
  keyTap_->isAllowed = [this] { return sequencesAllowed_.load() && !platform_.panels.ownWindowIsKey(); };
  keyTap_->onEffects = [this](const engine::EngineEffects& effects) { handleEffects(effects); };
  keyTap_->onClick = [this](platform::Point point) { onClick(point); };
  keyTap_->onSecureInput = [this](const std::optional<std::string>& owner) { onSecureInput(owner); };
  keyTap_->onMouseCancel = [this] { sequence_->mouseCancel(); };
  keyTap_->onOptionReleased = [this] { onOptionReleased(); };
  keyTap_->onPermissionLost = [this] { permissionWithdrawn(); };
  // Escape, or a new sequence, is the user calling off a run still in flight: nothing more of it
  // reaches Excel.
  keyTap_->onEscapePassed = [this] { runs_->cancel(); };

  // 8, 9. The main menu and the status item are drawn by the front end from app_menus and
  // statusIcon().

  // 10. Preferences, now and after every change.
  applyPreferences();
  // A change may come from any thread; it is applied on the main one.
  subscriptions_.push_back(prefs_->changed.subscribe(
      [&main = platform_.scheduler.main(), apply = guarded([this] { applyPreferences(); })] { main.async(apply); }));

  // 11. Keep the system from napping the listener.
  listening_ = platform_.workspace.beginActivity("Listening for Excel shortcuts");

  // 12. Wake, unlock, session and application notifications.
  workspaceObservation_ = platform_.workspace.observe(guarded([this](const platform::WorkspaceEvent& event) {
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
  }));

  // 13–15. Excel, the login item, what has been learned.
  status_.excelRunning.set(runningExcel().has_value());
  frontAppChanged(platform_.workspace.frontmostApplication());
  status_.launchAtLogin.set(platform_.workspace.launchAtLogin());
  status_.learnedCount.set(coach_->learnedCount());
  status_.excelKeyTipsSeen.set(platform_.defaults.getBool(base::prefkeys::kExcelKeyTipsSeen).value_or(false));

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
  engine::EngineEffects ended;
  keyTap_->updateEngine([library = library_, &ended](engine::SequenceEngine& engine) {
    ended = engine.setLibrary(library);
  });
  keyTips_->setLibrary(library_);
  palette_->model().setLibrary(library_);
  coach_->setLibrary(library_);
  listModel_->setShortcuts(library_->shortcuts());
  // A hand edit changed the file's entries too: the list, the panel's and the report's counts.
  if (editorModel_) editorModel_->adopt(library_);
  handleEffects(ended);
  hud_->showNotice(reload.notice.message, reload.notice.isError, reload.notice.seconds);
}

void AppShell::reloadShortcuts() { (void)userFile_->reloadShortcuts(); }

void AppShell::checkUserFileChanged() { (void)userFile_->checkUserFileChanged(); }

// --- Preferences ---

void AppShell::applyPreferences() {
  keyTap_->updateEngine([hold = prefs_->holdToStart.get(), trigger = prefs_->searchTrigger.get()](
                           engine::SequenceEngine& engine) {
    engine.setHoldToStart(hold);
    engine.setSearchTrigger(trigger);
  });
  updateSequencesAllowed();
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
  if (!prefs_->enabled.get()) handleEffects(keyTap_->resetEngine());
  auto policy = prefs_->showInDock.get() ? platform::ActivationPolicy::regular : platform::ActivationPolicy::accessory;
  if (platform_.workspace.activationPolicy() != policy) platform_.workspace.setActivationPolicy(policy);
  updateStatusIcon();
  if (quickPanel_->isOpen()) quickPanel_->refresh();
}

}  // namespace corvane::app

#include "app/app_shell.hpp"

// Windows made on first use, the models behind them, and the actions of the menus, the status
// item, the settings pages and the windows.

#include <map>

#include "authoring/shortcut_browser_model.hpp"
#include "authoring/shortcut_editor_model.hpp"
#include "onboarding/welcome_model.hpp"
#include "platform/views/settings_view.hpp"
#include "platform/views/shortcut_editor_view.hpp"
#include "platform/views/shortcut_list_view.hpp"
#include "platform/views/update_view.hpp"
#include "platform/views/view_actions.hpp"
#include "platform/views/welcome_view.hpp"
#include "updates/update_flow.hpp"
#include "updates/update_model.hpp"
#include "updates/update_window_view.hpp"

namespace corvane::app {

using namespace window_names;

// --- Actions ---

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

void AppShell::showWindow(const std::string& name) {
  auto& panel = windows_->named(name);
  refreshWindow(name);
  WindowHost::bringToFront(panel);
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
    settings_ = std::make_unique<SettingsModel>(*prefs_, status_, platform_.version,
                                                guarded([this](SettingsAction a) { performSettingsAction(a); }));
    subscriptions_.push_back(settings_->changed.subscribe(guarded([this] { refreshWindow(kSettings); })));
  }
  return *settings_;
}

ReportFacts AppShell::reportFacts() {
  // The report describes the moment it is read: the permission or the tap may have gone since.
  refreshStatus();
  ReportFacts facts;
  facts.version = platform_.version;
  if (!platform_.build.empty()) facts.build = platform_.build;
  facts.osVersion = platform_.osVersion;
  facts.macModel = platform_.machineModel;
  facts.excelVersion = platform_.excelVersion ? platform_.excelVersion() : std::nullopt;
  facts.excelRunning = runningExcel().has_value();
  facts.trusted = status_.trusted.get();
  facts.listening = status_.tapRunning.get();
  facts.shortcutCount = status_.shortcutCount.get();
  facts.ownShortcutCount = static_cast<int>(editorModel().entries().size());
  facts.warningCount = static_cast<int>(status_.warnings.get().size());
  facts.excelKeyTipsSeen = status_.excelKeyTipsSeen.get();
  return facts;
}

ProblemReport& AppShell::problemReport() {
  if (!report_) {
    report_ = std::make_unique<ProblemReport>(
        platform_.files, platform_.workspace, platform_.panels, platform_.clock, platform_.paths, *log_,
        ProblemReport::Config{platform_.version, kSupportAddress},
        liveness_.guardOr(std::string(), [this] { return systemInfo(reportFacts(), *prefs_); }));
  }
  return *report_;
}

void AppShell::showAbout() {
  settingsModel().select(SettingsPage::about);
  showWindow(kSettings);
}

void AppShell::checkForUpdates() { updateFlow_->checkForUpdates(); }

void AppShell::showSettings() { showWindow(kSettings); }

void AppShell::showList() {
  listModel_->setShortcuts(library_->shortcuts());
  showWindow(kList);
}

authoring::ShortcutEditorModel& AppShell::editorModel() {
  if (!editorModel_) {
    authoring::EditorActions actions{
        .tryShortcut = guarded([this](const model::Shortcut& shortcut) { runFromPalette(shortcut); }),
        .reload = guarded([this] { reloadShortcuts(); }),
        .openFile = guarded([this] { userFile_->openForEditing(); }),
    };
    editorModel_ = std::make_unique<authoring::ShortcutEditorModel>(platform_.files, userFile_->userFile(), library_,
                                                                    actions);
    editorModel_->loadEntries();
    subscriptions_.push_back(editorModel_->changed.subscribe(guarded([this] { refreshWindow(kEditor); })));
  }
  return *editorModel_;
}

void AppShell::editShortcuts() {
  editorModel().loadEntries();
  showWindow(kEditor);
}

void AppShell::showWelcome() {
  welcome_->showWelcome();
  showWindow(kWelcome);
}

void AppShell::reportProblemFromMenu() { problemReport().open(); }

void AppShell::openLog() {
  if (platform_.files.exists(log_->logFile())) {
    platform_.workspace.openFile(log_->logFile());
    return;
  }
  // A first line makes the file (and its folder); it is opened once that line is written.
  log("Log opened");
  auto& main = platform_.scheduler.main();
  // Made on the main thread; the log's writer only queues it there.
  auto open = guarded([this] { platform_.workspace.openFile(log_->logFile()); });
  log_->afterPendingWrites([&main, open] { main.async(open); });
}

bool AppShell::applicationShouldHandleReopen(bool hasVisibleWindows) {
  if (!hasVisibleWindows) showSettings();
  return true;
}

void AppShell::quit() {
  if (terminated_) return;
  terminated_ = true;
  if (keyTap_) keyTap_->stop();
  // Nothing listens again on the way out.
  for (auto* timer : {&permissionTimer_, &permissionWatch_}) {
    if (*timer) (*timer)->cancel();
    timer->reset();
  }
  // On the next turn: the menu item or panel row that asked is still on the stack.
  if (platform_.terminate) platform_.scheduler.main().async(platform_.terminate);
}

}  // namespace corvane::app

#pragma once
// The application delegate's logic: owns every long-lived part, starts them in order, tracks Excel
// and the accessibility permission, keeps the keyboard listener alive and applies the sequence
// engine's effects. Main thread only; one instance for the life of the process, built by the macOS
// entry point or by the simulated session over the platform services in `AppPlatform`.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/problem_report.hpp"
#include "app/quick_panel_controller.hpp"
#include "app/run_animation.hpp"
#include "app/run_coordinator.hpp"
#include "app/sequence_feedback.hpp"
#include "app/settings_model.hpp"
#include "app/status_item_click.hpp"
#include "app/status_line.hpp"
#include "app/user_shortcuts_file.hpp"
#include "app/window_host.hpp"
#include "base/activity_log.hpp"
#include "base/app_status.hpp"
#include "base/liveness.hpp"
#include "base/observable.hpp"
#include "base/preferences.hpp"
#include "engine/engine_effect.hpp"
#include "engine/key_tap.hpp"
#include "engine/sequence_engine.hpp"
#include "excel/action_runner.hpp"
#include "excel/run_problem.hpp"
#include "feedback/coach_controller.hpp"
#include "feedback/command_palette_controller.hpp"
#include "feedback/hud_controller.hpp"
#include "feedback/key_tip_controller.hpp"
#include "model/shortcut.hpp"
#include "model/shortcut_library.hpp"
#include "platform/accessibility.hpp"
#include "platform/clock.hpp"
#include "platform/defaults.hpp"
#include "platform/event_tap.hpp"
#include "platform/files.hpp"
#include "platform/key_layout.hpp"
#include "platform/panels.hpp"
#include "platform/paths.hpp"
#include "platform/scheduler.hpp"
#include "platform/screens.hpp"
#include "platform/updater.hpp"
#include "platform/workspace.hpp"

namespace corvane::onboarding {
class WelcomeModel;
}
namespace corvane::updates {
class UpdateModel;
class UpdateDriver;
class UpdateFlow;
}  // namespace corvane::updates
namespace corvane::authoring {
class ShortcutEditorModel;
class ShortcutBrowserModel;
}  // namespace corvane::authoring

namespace corvane::app {

/// The platform services the shell runs over. Every reference must outlive the shell.
struct AppPlatform {
  platform::Clock& clock;
  platform::Scheduler& scheduler;
  platform::EventTap& eventTap;
  platform::KeyLayout& keyLayout;
  platform::SecureInput& secureInput;
  platform::Defaults& defaults;
  platform::Files& files;
  platform::Paths paths;
  platform::Accessibility& accessibility;
  platform::WindowList& windowList;
  platform::InputPoster& inputPoster;
  platform::Screens& screens;
  platform::Panels& panels;
  platform::TextMetrics& textMetrics;
  platform::Workspace& workspace;
  /// Builds the update framework's updater around the shell's driver; empty, or returning null,
  /// when the platform has none.
  std::function<std::shared_ptr<platform::Updater>(platform::UpdateUserDriver&)> makeUpdater;
  /// The built-in shortcuts file.
  std::string builtinShortcutsFile;
  /// This program's version (the bundle's short version string).
  std::string version = "1.0.0";
  /// This program's build number (the bundle's version); empty when unknown.
  std::string build;
  /// The user's shortcuts file; the support folder's my-shortcuts.json when empty.
  std::string userShortcutsFile;
  /// Where the status item's button is on screen (window coordinates), when there is one.
  std::function<std::optional<platform::Rect>()> statusItemFrame;
  /// The problem report's system facts the platform knows. The system's version as a number
  /// ("14.5"); the report names the system itself.
  std::string osVersion;
  std::string machineModel;
  std::function<std::optional<std::string>()> excelVersion;
  /// Ends the process (the application's terminate); called on the main queue after `quit`.
  std::function<void()> terminate;
};

class AppShell final {
 public:
  static constexpr const char* kExcelBundleId = "com.microsoft.Excel";
  static constexpr const char* kChangeLogURL = "https://corvane.app/changes";
  static constexpr const char* kSupportAddress = "support@corvane.app";
  static constexpr const char* kAccessibilitySettingsURL =
      "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";
  static constexpr const char* kLanguageSettingsURL =
      "x-apple.systempreferences:com.apple.Localization-Settings.extension";
  static constexpr double kPermissionPollInterval = 1.5;
  static constexpr double kRestartGuard = 3.0;
  static constexpr double kActivationPollInterval = 0.08;
  static constexpr int kActivationPolls = 20;
  static constexpr double kActivationSettle = 0.05;
  static constexpr double kCheckSafetyHide = 30.0;
  static constexpr double kCheckNoticeSeconds = 5.0;

  explicit AppShell(AppPlatform platform);
  ~AppShell();
  AppShell(const AppShell&) = delete;
  AppShell& operator=(const AppShell&) = delete;

  /// Start-up, in its fixed order.
  void applicationDidFinishLaunching();

  // --- Actions of the menus, the dock menu, the panel and the settings pages ---
  void showAbout();
  void checkForUpdates();
  void showSettings();
  void showList();
  void editShortcuts();
  void toggleEnabled();
  void toggleRibbonTips();
  void toggleLearningHints();
  void showWelcome();
  void restartTap();
  void reloadShortcuts();
  void checkShortcuts();
  void dumpMenus();
  void reportProblemFromMenu();
  void openLog();
  void openAccessibilitySettings();
  void quit();
  void statusItemClicked(const StatusItemEvent& click);
  /// Wake, screen unlock and session activation; at most one restart per 3 s.
  void restartListener(const std::string& notificationName);
  void frontAppChanged(const std::optional<platform::RunningApp>& app);
  void appsChanged(const platform::WorkspaceEvent& event);
  /// Dock icon clicked again: opens the settings when no window shows. Always true.
  bool applicationShouldHandleReopen(bool hasVisibleWindows);
  /// Runs a menu item's action by its name ("showSettings"); false for a name the shell lacks.
  bool perform(std::string_view action);

  // --- Internal operations, public for the panel, the palette and tests ---
  void startListening(bool prompt);
  void applyPreferences();
  void handleEffects(const engine::EngineEffects& effects);
  void runFromPalette(const model::Shortcut& shortcut);
  /// The user file changed on disk (a folder event, or Excel came to the front): reload if so.
  void checkUserFileChanged();
  /// A fix button of a problem.
  void applyFix(excel::RunProblem::Fix fix);

  [[nodiscard]] ListenerFacts listenerFacts() const;
  [[nodiscard]] StatusLine statusLine() const;
  [[nodiscard]] StatusIconState statusIcon() const;

  // --- State, for the views, the simulated session and tests ---
  [[nodiscard]] base::Preferences& prefs() { return *prefs_; }
  [[nodiscard]] base::AppStatus& status() { return status_; }
  [[nodiscard]] const model::LibraryPtr& library() const { return library_; }
  /// Unlocked: for tests and tools while no tap thread runs; the shell itself goes through the tap.
  [[nodiscard]] engine::SequenceEngine& engine() { return *engine_; }
  [[nodiscard]] engine::KeyTap& keyTap() { return *keyTap_; }
  [[nodiscard]] feedback::HUDController& hud() { return *hud_; }
  [[nodiscard]] feedback::KeyTipController& keyTips() { return *keyTips_; }
  [[nodiscard]] feedback::CommandPaletteController& palette() { return *palette_; }
  [[nodiscard]] feedback::CoachController& coach() { return *coach_; }
  [[nodiscard]] QuickPanelController& quickPanel() { return *quickPanel_; }
  [[nodiscard]] excel::ActionRunner& runner() { return *runner_; }
  [[nodiscard]] base::ActivityLog& activityLog() { return *log_; }
  [[nodiscard]] UserShortcutsFile& userFile() { return *userFile_; }
  [[nodiscard]] onboarding::WelcomeModel& welcomeModel() { return *welcome_; }
  [[nodiscard]] updates::UpdateModel& updateModel() { return *updateModel_; }
  [[nodiscard]] authoring::ShortcutBrowserModel& listModel() { return *listModel_; }
  [[nodiscard]] authoring::ShortcutEditorModel& editorModel();
  [[nodiscard]] SettingsModel& settingsModel();
  [[nodiscard]] ProblemReport& problemReport();
  [[nodiscard]] const std::optional<std::int32_t>& excelPID() const { return excelPID_; }
  /// The key list waiting for the key tips' outcome; none before the start.
  [[nodiscard]] std::optional<PendingList> pendingList() const {
    return sequence_ ? sequence_->pendingList() : std::nullopt;
  }
  [[nodiscard]] bool iconListening() const { return sequence_ && sequence_->iconListening(); }
  [[nodiscard]] std::optional<double> iconCar() const { return runAnimation_->position(); }
  [[nodiscard]] bool permissionPolling() const { return permissionTimer_ != nullptr; }
  [[nodiscard]] bool permissionWatched() const { return permissionWatch_ != nullptr; }
  /// Key-path texts of the shortcuts run lately, newest first (at most 6).
  [[nodiscard]] std::vector<std::string> recentShortcuts() const;
  [[nodiscard]] bool terminated() const { return terminated_; }
  /// A window created on first use ("settings", "list", "welcome", "update", "editor"), else null.
  [[nodiscard]] platform::Panel* window(const std::string& name) const { return windows_->find(name); }

  /// The status icon was redrawn.
  base::Signal<> iconChanged;

 private:
  void log(const std::string& message);
  void adoptLibrary(const Reload& reload);
  void refreshStatus();
  void updateStatusIcon();
  /// Recomputes what the tap's thread reads for `isAllowed`: switched on and Excel in front.
  void updateSequencesAllowed();
  /// Starts the 1.5-second check that notices the permission going while the tap runs.
  void watchPermission();
  /// The permission went while listening: the tap goes, the poll waits for the permission's return.
  void permissionWithdrawn();
  void startRunAnimation();
  /// Hands the shortcut to the runner against Excel's process; without one nothing starts.
  void runShortcut(const model::Shortcut& shortcut, std::optional<std::int32_t> pid);
  /// Polls every 0.08 s (20 times at most) for Excel in front; then, 0.05 s later, `then` gets its
  /// process id, or none when it never came.
  void whenExcelInFront(int polls, std::function<void(AppShell&, std::optional<std::int32_t>)> then);
  [[nodiscard]] static excel::RunProblem openExcelFirst();
  [[nodiscard]] static excel::RunProblem excelNotInFront();
  /// Option went up after a press the program took part in: Excel's KeyTips may come.
  void onOptionReleased();
  void onSecureInput(const std::optional<std::string>& owner);
  void onClick(platform::Point point);
  void openSearch();
  void dismissHint();
  void showVersionNotice();
  void performSettingsAction(SettingsAction action);
  [[nodiscard]] std::optional<std::int32_t> runningExcel();
  /// Excel's process id for the check and the menu map; asks for the permission, or shows
  /// `notice` when Excel is not running, and gives none then.
  [[nodiscard]] std::optional<std::int32_t> excelToInspect(const std::string& notice, std::vector<std::string> lines);
  [[nodiscard]] std::string keysLine(const model::Shortcut& shortcut) const;
  void showRunProblem(const excel::RunProblem& problem, const model::Shortcut& shortcut);
  /// Refreshes the window called `name` (made on first use) and brings it to the front.
  void showWindow(const std::string& name);
  void refreshWindow(const std::string& name);
  void onWindowAction(const std::string& name, const platform::PanelAction& action);
  [[nodiscard]] ReportFacts reportFacts();
  /// `work`, doing nothing once the shell is gone: the one way the shell hands out callbacks that
  /// may outlive it. Made on the main thread.
  template <typename Work>
  [[nodiscard]] auto guarded(Work work) const {
    return liveness_.guard(std::move(work));
  }
  /// Runs `work` on the main queue later unless the shell is gone.
  void later(double seconds, std::function<void(AppShell&)> work);

  AppPlatform platform_;
  std::unique_ptr<base::ActivityLog> log_;
  std::unique_ptr<base::Preferences> prefs_;
  base::AppStatus status_;
  std::vector<base::Subscription> subscriptions_;
  std::unique_ptr<UserShortcutsFile> userFile_;
  model::LibraryPtr library_;
  std::unique_ptr<engine::SequenceEngine> engine_;
  std::unique_ptr<engine::KeyTap> keyTap_;
  std::unique_ptr<excel::ActionRunner> runner_;
  std::shared_ptr<feedback::KeyTipController> keyTips_;
  std::shared_ptr<feedback::HUDController> hud_;
  std::unique_ptr<feedback::CommandPaletteController> palette_;
  std::shared_ptr<feedback::CoachController> coach_;
  std::unique_ptr<QuickPanelController> quickPanel_;
  std::unique_ptr<ProblemReport> report_;
  std::unique_ptr<SettingsModel> settings_;
  std::unique_ptr<onboarding::WelcomeModel> welcome_;
  std::unique_ptr<updates::UpdateModel> updateModel_;
  std::unique_ptr<updates::UpdateDriver> updateDriver_;
  std::unique_ptr<updates::UpdateFlow> updateFlow_;
  std::unique_ptr<authoring::ShortcutBrowserModel> listModel_;
  std::unique_ptr<authoring::ShortcutEditorModel> editorModel_;
  std::unique_ptr<WindowHost> windows_;
  std::unique_ptr<RunCoordinator> runs_;
  /// Made with the key tips, at the start.
  std::unique_ptr<SequenceFeedback> sequence_;
  std::unique_ptr<RunAnimation> runAnimation_;
  std::unique_ptr<platform::WorkspaceToken> workspaceObservation_;
  std::unique_ptr<platform::WorkspaceToken> listening_;
  std::optional<std::int32_t> excelPID_;
  platform::WorkHandle permissionTimer_;
  /// Checks every 1.5 s, while the tap runs, that the permission is still there.
  platform::WorkHandle permissionWatch_;
  /// Enabled and Excel in front; read by the key tap's thread.
  std::atomic<bool> sequencesAllowed_{false};
  std::optional<double> listenerRestartedAt_;
  platform::WorkHandle checkSafetyHide_;
  bool terminated_ = false;
  base::Liveness liveness_;
};

}  // namespace corvane::app

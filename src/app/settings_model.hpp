#pragma once
// The settings window's pages: which settings each binds and which shell actions each offers, so
// the Mac window and the simulated session show the same pages. Main thread only; created by the
// shell on first use and kept. The preferences and status must outlive it.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/app_status.hpp"
#include "base/observable.hpp"
#include "base/preferences.hpp"
#include "platform/panels.hpp"
#include "platform/views/settings_view.hpp"

namespace corvane::app {

enum class SettingsPage { general, menuBar, keyTips, keyList, learningHints, myShortcuts, excel, troubleshooting, about };

/// The shell's actions a page offers (the names are the shell's action names).
enum class SettingsAction {
  showWelcome,
  editShortcuts,
  reloadShortcuts,
  checkShortcuts,
  dumpMenus,
  openAccessibilitySettings,
  restartTap,
  openLog,
  reportProblemFromMenu,
  checkForUpdates,
};

struct SettingsPageInfo {
  SettingsPage page = SettingsPage::general;
  std::string_view id;
  std::string_view title;
  std::string_view symbol;
  std::vector<std::string_view> preferences;  ///< defaults keys, in display order
  std::vector<SettingsAction> actions;
};

/// The nine pages in sidebar order.
[[nodiscard]] const std::vector<SettingsPageInfo>& settingsPages();
[[nodiscard]] const SettingsPageInfo& settingsPage(SettingsPage page);
[[nodiscard]] std::optional<SettingsPage> settingsPageNamed(std::string_view id);
[[nodiscard]] std::string_view actionName(SettingsAction action);
[[nodiscard]] std::optional<SettingsAction> settingsActionNamed(std::string_view name);

class SettingsModel final {
 public:
  /// `perform` runs a page's action in the shell; `version` is shown on the About page.
  SettingsModel(base::Preferences& prefs, base::AppStatus& status, std::string version,
                std::function<void(SettingsAction)> perform);
  SettingsModel(const SettingsModel&) = delete;
  SettingsModel& operator=(const SettingsModel&) = delete;

  void select(SettingsPage page);
  [[nodiscard]] SettingsPage selected() const { return selected_; }
  /// The window's content for the selected page and the current settings and status.
  [[nodiscard]] platform::views::SettingsView view() const;
  /// Applies what the user did in the window; unknown ids and values change nothing.
  void handle(const platform::PanelAction& action);

  /// Emitted after the page, a setting or a status fact the pages show changed.
  base::Signal<> changed;

 private:
  [[nodiscard]] std::vector<platform::views::SettingsControl> infoLines(SettingsPage page) const;

  base::Preferences& prefs_;
  base::AppStatus& status_;
  std::string version_;
  std::function<void(SettingsAction)> perform_;
  SettingsPage selected_ = SettingsPage::general;
  std::vector<base::Subscription> subscriptions_;
};

}  // namespace corvane::app

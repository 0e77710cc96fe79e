#pragma once
// The application's windows (Settings, the shortcut list, the editor, Welcome, the update window):
// each made on first use, kept, and found by name. Main thread only.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/panels.hpp"

namespace corvane::app {

namespace window_names {
inline constexpr const char* kWelcome = "welcome";
inline constexpr const char* kSettings = "settings";
inline constexpr const char* kList = "list";
inline constexpr const char* kUpdate = "update";
inline constexpr const char* kEditor = "editor";
}  // namespace window_names

class WindowHost {
 public:
  /// Gets every window's actions with the window's name. The host's windows never outlive it, but
  /// an action the system delivers late may: the handler decides whether its owner is still there.
  using ActionHandler = std::function<void(const std::string& name, const platform::PanelAction& action)>;

  WindowHost(platform::Panels& panels, ActionHandler onAction);

  /// The window called `name` if it was made, else null.
  [[nodiscard]] platform::Panel* find(const std::string& name) const;
  /// The window called `name`, made (hidden) on first use.
  [[nodiscard]] platform::Panel& named(const std::string& name);
  /// Brings `panel` to the front with the key focus, centred when it was hidden.
  static void bringToFront(platform::Panel& panel);

 private:
  struct Window {
    std::string name;
    std::unique_ptr<platform::Panel> panel;
  };

  platform::Panels& panels_;
  ActionHandler onAction_;
  std::vector<Window> windows_;
};

}  // namespace corvane::app

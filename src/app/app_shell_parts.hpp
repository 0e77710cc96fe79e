#pragma once
// Private to AppShell's own .cpp files (app_shell*.cpp): what more than one of them needs to see.
// The shell is split by concern: start-up and preferences (app_shell.cpp), the listener and
// status (app_shell_listener.cpp), the engine's effects and feedback (app_shell_effects.cpp),
// runs, fixes and the inspection of Excel (app_shell_runs.cpp), windows and actions
// (app_shell_windows.cpp).

#include <memory>
#include <string>

#include "app/app_shell.hpp"
#include "platform/panels.hpp"

namespace corvane::app {

namespace window_names {
inline constexpr const char* kWelcome = "welcome";
inline constexpr const char* kSettings = "settings";
inline constexpr const char* kList = "list";
inline constexpr const char* kUpdate = "update";
inline constexpr const char* kEditor = "editor";
}  // namespace window_names

/// A window created on first use and kept.
struct AppShell::Window {
  std::string name;
  std::unique_ptr<platform::Panel> panel;
};

}  // namespace corvane::app

#pragma once
// The main menu and the Dock menu, built from the shell's menus as data: the shell's own items
// call the action of that name, the standard ones go to the application or the first responder.
// Main thread.

#import <AppKit/AppKit.h>

#include <functional>
#include <string>
#include <vector>

#include "app/app_menus.hpp"

namespace corvane::mac_app {

/// Runs the shell's action of that name ("showSettings").
using ShellAction = std::function<void(const std::string& name)>;

[[nodiscard]] NSMenu* makeMainMenu(const std::vector<app::Menu>& menus, ShellAction perform);
[[nodiscard]] NSMenu* makeDockMenu(const std::vector<app::MenuItem>& items, ShellAction perform);

}  // namespace corvane::mac_app

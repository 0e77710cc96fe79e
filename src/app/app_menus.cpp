#include "app/app_menus.hpp"

namespace corvane::app {

namespace {

using Target = MenuItem::Target;

MenuItem item(std::string title, std::string action, Target target = Target::shell,
              std::optional<KeyEquivalent> key = std::nullopt) {
  return MenuItem{std::move(title), std::move(action), target, std::move(key)};
}

MenuItem separator() { return MenuItem{}; }

KeyEquivalent cmd(std::string key) { return KeyEquivalent{std::move(key)}; }

}  // namespace

std::vector<Menu> mainMenu() {
  Menu application{"Corvane",
                   {
                       item("About Corvane", "showAbout"),
                       item("Check for Updates…", "checkForUpdates"),
                       separator(),
                       item("Settings…", "showSettings", Target::shell, cmd(",")),
                       item("Shortcut List", "showList", Target::shell, cmd("l")),
                       item("My Shortcuts…", "editShortcuts"),
                       separator(),
                       item("Hide Corvane", "hide:", Target::application, cmd("h")),
                       item("Hide Others", "hideOtherApplications:", Target::application,
                            KeyEquivalent{"h", true, true, false}),
                       item("Show All", "unhideAllApplications:", Target::application),
                       separator(),
                       item("Quit Corvane", "terminate:", Target::application, cmd("q")),
                   }};
  Menu edit{"Edit",
            {
                item("Undo", "undo:", Target::firstResponder, cmd("z")),
                item("Redo", "redo:", Target::firstResponder, KeyEquivalent{"z", true, false, true}),
                separator(),
                item("Cut", "cut:", Target::firstResponder, cmd("x")),
                item("Copy", "copy:", Target::firstResponder, cmd("c")),
                item("Paste", "paste:", Target::firstResponder, cmd("v")),
                item("Select All", "selectAll:", Target::firstResponder, cmd("a")),
            }};
  Menu window{"Window",
              {
                  item("Minimize", "performMiniaturize:", Target::firstResponder, cmd("m")),
                  item("Close", "performClose:", Target::firstResponder, cmd("w")),
              },
              true};
  return {application, edit, window};
}

std::vector<MenuItem> dockMenu() {
  return {item("Shortcut List", "showList"), item("My Shortcuts…", "editShortcuts"),
          item("Settings…", "showSettings")};
}

std::optional<MenuItem> menuItemForKey(const std::vector<Menu>& menus, const KeyEquivalent& key) {
  for (const auto& menu : menus)
    for (const auto& entry : menu.items)
      if (entry.key && *entry.key == key) return entry;
  return std::nullopt;
}

}  // namespace corvane::app

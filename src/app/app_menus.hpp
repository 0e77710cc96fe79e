#pragma once
// The main menu and the Dock menu as data, so the Mac front end and the simulated session build
// the same items. Pure values.

#include <optional>
#include <string>
#include <vector>

namespace corvane::app {

struct KeyEquivalent {
  std::string key;  ///< lower case, as the menu item's key equivalent ("q", ",")
  bool command = true;
  bool option = false;
  bool shift = false;
  friend bool operator==(const KeyEquivalent&, const KeyEquivalent&) = default;
};

struct MenuItem {
  /// Who receives the action: the shell's own actions go to it, the standard ones to the
  /// application or the first responder.
  enum class Target { shell, application, firstResponder };

  std::string title;   ///< empty for a separator
  std::string action;  ///< the shell's action name ("showSettings") or the standard selector ("copy:")
  Target target = Target::shell;
  std::optional<KeyEquivalent> key;

  [[nodiscard]] bool isSeparator() const { return title.empty(); }
  friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

struct Menu {
  std::string title;  ///< "Corvane" for the application menu
  std::vector<MenuItem> items;
  bool isWindowsMenu = false;  ///< the menu the system fills with the open windows
  friend bool operator==(const Menu&, const Menu&) = default;
};

/// The application menu, "Edit" and "Window".
[[nodiscard]] std::vector<Menu> mainMenu();
/// "Shortcut List", "My Shortcuts…", "Settings…", without keys.
[[nodiscard]] std::vector<MenuItem> dockMenu();

/// The item whose key equivalent is `key` with exactly these modifiers, if any (what a key press
/// in one of the program's windows triggers).
[[nodiscard]] std::optional<MenuItem> menuItemForKey(const std::vector<Menu>& menus, const KeyEquivalent& key);

}  // namespace corvane::app

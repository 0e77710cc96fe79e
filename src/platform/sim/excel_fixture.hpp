#pragma once
// A description of Excel for Mac as the Accessibility API shows it, read from a fixture file
// (docs/fixture-format.md). Immutable once loaded and shared: the simulated Excel builds its live
// element tree from it and points into it for as long as it runs.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/geometry.hpp"

namespace corvane::platform::sim {

/// A value as a fixture writes it: text, a whole number or a number.
using FixtureValue = std::variant<std::string, std::int64_t, double>;

/// Where a ribbon control sits in its group when the fixture gives it no frame: a full-height column,
/// one of the three rows of small controls, or the dialog-launcher corner.
enum class Placement { large, row1, row2, row3, corner };

/// Where a title-bar item sits when it has no frame.
enum class Align { left, center, right };

/// The text attributes of an element, as the fixture and the live tree both hold them.
struct ElementText {
  std::string role;
  std::string subrole;
  std::string title;
  std::string description;
  std::string help;
  std::string identifier;

  /// The first non-empty of title, description and help, else the role.
  [[nodiscard]] const std::string& displayName() const {
    if (!title.empty()) return title;
    if (!description.empty()) return description;
    if (!help.empty()) return help;
    return role;
  }
};

/// One element of the description. Keys that only some elements have are empty elsewhere.
struct FixtureNode : ElementText {
  std::string path;  ///< where the fixture wrote it ("windows[0].children[1].tabs[0]")
  std::optional<FixtureValue> value;
  std::optional<Rect> frame;             ///< absolute; none: laid out from the parent
  std::optional<bool> enabled;           ///< none: enabled (and reported only for controls)
  std::optional<std::vector<std::string>> actions;  ///< none: the role's usual actions
  std::vector<FixtureNode> children;

  // What Excel does with it.
  std::optional<std::string> runs;    ///< the command pressing it runs (default: its name)
  std::optional<std::string> dialog;  ///< the dialog the command opens
  bool hasMenu = false;               ///< it opens a menu (or, in the menu bar, has a submenu)
  std::vector<FixtureNode> menu;      ///< that menu's items
  std::string keyChar;                ///< a menu item's key equivalent (AXMenuItemCmdChar)
  std::int64_t keyModifiers = 0;      ///< AXMenuItemCmdModifiers: 1 shift, 2 option, 4 control, 8 no command
  bool itemsWhenOpen = false;         ///< a menu-bar item whose items appear once its menu is opened
  bool closes = false;                ///< a dialog button that closes its dialog
  bool hung = false;                  ///< every call on it or inside it waits out its timeout

  // The ribbon.
  std::vector<FixtureNode> tabs;       ///< the ribbon tab group's tabs
  bool selected = false;               ///< the selected tab
  std::vector<FixtureNode> groups;     ///< a tab's groups, shown in its commands area
  std::optional<std::string> commandsDescription;  ///< a tab's commands area's; "" for none (default "<Tab> Tab Commands")
  std::optional<double> foldBelow;     ///< a group folds into one button in a narrower window
  std::optional<std::string> keyTip;   ///< a tab's or control's letters in Excel's own KeyTips (default: by label)
  Placement place = Placement::large;
  std::optional<double> width;
  Align align = Align::left;
};

enum class DialogKind { window, sheet };

/// The key that shows Excel's own KeyTips (Excel › Settings › Accessibility), tapped alone.
enum class KeyTipsKey { option, shiftOption };

/// A dialog a command opens, after a delay.
struct FixtureDialog {
  std::string name;
  DialogKind kind = DialogKind::window;
  double delay = 0.6;
  Size size{480, 320};
  FixtureNode node;  ///< the AXWindow or AXSheet with its controls
};

struct FixtureApplication {
  std::string title = "Microsoft Excel";
  std::int32_t pid = 4242;
  std::string bundleIdentifier = "com.microsoft.Excel";
  bool running = true;
  bool frontmost = true;
  double tabSwitchDelay = 0.12;  ///< seconds between a tab's selection and its commands appearing
  Size screen{1440, 900};

  // How long Excel takes. All 0 or false: an Excel that answers at once.
  double axLatency = 0;          ///< seconds each Accessibility call and window-list read costs
  double menuDelay = 0;          ///< seconds between opening a dropdown or menu and its popup appearing
  double windowListLag = 0;      ///< seconds the on-screen window list shows a new popup after the tree
  bool menuPressBlocks = false;  ///< the call opening a ribbon dropdown waits out its timeout (-25204)
  double commandsFill = 0;       ///< seconds a tab's commands take to fill in, group by group
  bool ribbonCollapsed = false;  ///< the ribbon starts collapsed: no commands area
  /// A tab switch keeps the commands area and replaces its groups, rather than making a new one.
  bool commandsAreaReused = false;

  // Excel's own KeyTips: off unless the user turned them on and chose their key.
  std::optional<KeyTipsKey> nativeKeyTips;
  double nativeKeyTipsDelay = 0;  ///< seconds between the key's release and the KeyTips appearing
};

/// What a capture with ax-dump recorded about where it was made; data only, Excel ignores it.
struct FixtureCapture {
  std::string tool;
  std::string excelVersion;
  std::string macOSVersion;
  std::string language;
  std::optional<Size> windowSize;
  std::string workbookContents;       ///< "left out" or "kept"
  std::vector<std::string> warnings;  ///< what the capture expected and did not find
};

struct ExcelFixture {
  std::string name;
  std::optional<FixtureCapture> capture;
  FixtureApplication application;
  std::vector<FixtureNode> windows;  ///< front to back
  std::vector<FixtureNode> menuBar;  ///< the system menu first
  std::map<std::string, FixtureDialog> dialogs;
};

}  // namespace corvane::platform::sim

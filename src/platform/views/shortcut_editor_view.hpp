#pragma once
// What the My Shortcuts page draws: the user's entries and the edit form, as plain data built by
// the shortcut editor model. Backends draw it, send button actions and typed values back, and feed
// key presses to the key catcher as CaughtKey values.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include "platform/views/view.hpp"

namespace corvane::platform::views {

enum class EditorAction {
  newShortcut,
  edit,    ///< entryIndex names the entry
  remove,  ///< entryIndex names the entry
  openFile,
  save,
  cancel,
  tryIt,
  recordKeys,  ///< start recording the key sequence again
  clearKeys,
  recordCombo,  ///< capture the next key press as the keystroke
};

struct EditorButton {
  std::string title;
  EditorAction action = EditorAction::save;
  bool enabled = true;
  int entryIndex = -1;
  friend bool operator==(const EditorButton&, const EditorButton&) = default;
};

/// One key press as the page's key catcher saw it: the virtual key code, the held modifiers and the
/// character the key types on the current layout without modifiers.
struct CaughtKey {
  std::uint16_t keyCode = 0;
  bool command = false;
  bool shift = false;
  bool option = false;
  bool control = false;
  std::string character;
  friend bool operator==(const CaughtKey&, const CaughtKey&) = default;
};

struct EditorEntryRow {
  int index = 0;  ///< position in the file's "shortcuts" array
  std::string keys;
  std::string name;
  std::string summary;
  bool disabled = false;
  std::vector<EditorButton> buttons;  ///< edit, remove
  friend bool operator==(const EditorEntryRow&, const EditorEntryRow&) = default;
};

enum class CheckLevel { ok, info, problem };

struct EditorChoice {
  std::string title;  ///< what the picker shows
  std::string value;  ///< what choosing it sets
  friend bool operator==(const EditorChoice&, const EditorChoice&) = default;
};

struct EditorForm {
  std::string heading;            ///< "New Shortcut" or "Edit Shortcut"
  std::vector<std::string> keys;  ///< the recorded keys, one cap each
  bool recording = false;
  std::string check;
  CheckLevel checkLevel = CheckLevel::info;

  std::vector<EditorChoice> kinds;  ///< "Ribbon button", "Menu command", "Keystroke"
  std::string kind;                 ///< the selected kind's value (ribbon, menu, keystroke)

  std::vector<EditorChoice> tabs;
  std::string tab;
  std::vector<EditorChoice> buttons;
  std::string button;
  std::vector<EditorChoice> items;  ///< the button's menu items; the first is "(none)" with value ""
  std::string item;

  std::string menuPath;

  std::string combo;
  std::string comboDisplay;  ///< ⇧⌘L, or empty when the text does not parse
  bool recordingCombo = false;

  std::string name;
  std::string namePlaceholder;  ///< the default name

  std::vector<EditorButton> buttonsRow;  ///< Try It, Cancel, Save
  friend bool operator==(const EditorForm&, const EditorForm&) = default;
};

struct ShortcutEditorView : View {
  std::string title;  ///< "My Shortcuts"
  std::vector<EditorEntryRow> entries;
  std::string emptyText;  ///< shown when there are no entries
  std::vector<EditorButton> listButtons;  ///< New Shortcut…, Edit File…
  std::optional<EditorForm> form;
  std::optional<std::string> saveError;
  friend bool operator==(const ShortcutEditorView&, const ShortcutEditorView&) = default;
};

}  // namespace corvane::platform::views

#include "authoring/shortcut_editor_model.hpp"

// The editor's panel: the view of the list and form, and the panel's actions turned into the
// model's commands.

#include <algorithm>

#include "platform/views/view_actions.hpp"

namespace corvane::authoring {
namespace {

using platform::views::CheckLevel;
using platform::views::EditorAction;
using platform::views::EditorButton;
using platform::views::EditorChoice;


std::vector<EditorChoice> choices(const std::vector<std::string>& values, const std::string& selected) {
  std::vector<EditorChoice> out;
  for (const auto& v : values) out.push_back({v, v});
  // A value the catalogue does not know (an edited entry's own) still shows as selected.
  if (!selected.empty() && std::ranges::find(values, selected) == values.end()) out.push_back({selected, selected});
  return out;
}

std::string_view kindValue(ShortcutEditorModel::Kind kind) {
  switch (kind) {
    case ShortcutEditorModel::Kind::ribbon: return "ribbon";
    case ShortcutEditorModel::Kind::menu: return "menu";
    case ShortcutEditorModel::Kind::keystroke: return "keystroke";
  }
  return "";
}

}  // namespace

std::string_view displayValue(ShortcutEditorModel::Kind kind) {
  switch (kind) {
    case ShortcutEditorModel::Kind::ribbon: return "Ribbon button";
    case ShortcutEditorModel::Kind::menu: return "Menu command";
    case ShortcutEditorModel::Kind::keystroke: return "Keystroke";
  }
  return "";
}

platform::views::ShortcutEditorView ShortcutEditorModel::view() const {
  platform::views::ShortcutEditorView v;
  v.title = "My Shortcuts";
  for (const auto& entry : entries_) {
    v.entries.push_back({entry.index, entry.keys, entry.name, entry.summary, entry.disabled,
                         {{"Edit", EditorAction::edit, true, entry.index},
                          {"Remove", EditorAction::remove, true, entry.index}}});
  }
  v.emptyText = "No shortcuts of your own yet. Make one with New Shortcut…";
  v.listButtons = {{"New Shortcut…", EditorAction::newShortcut, true, -1},
                   {"Edit File…", EditorAction::openFile, true, -1}};
  v.saveError = saveError_;
  if (!editing_) return v;

  platform::views::EditorForm form;
  form.heading = editingIndex_ ? "Edit Shortcut" : "New Shortcut";
  form.keys = keys_;
  form.recording = recording_;
  auto message = check();
  form.check = message.text;
  form.checkLevel = message.level;
  for (auto k : {Kind::ribbon, Kind::menu, Kind::keystroke}) {
    form.kinds.push_back({std::string(displayValue(k)), std::string(kindValue(k))});
  }
  form.kind = std::string(kindValue(kind_));
  form.tabs = choices(tabs_, tab_);
  form.tab = tab_;
  form.buttons = choices(buttons(), button_);
  form.button = button_;
  form.items.push_back({"(none)", ""});
  if (const auto* entry = catalogue_.button(tab_, button_)) {
    for (const auto& item : entry->items) {
      if (!item.item.empty()) form.items.push_back({item.item, item.item});
    }
  }
  if (!item_.empty() && std::ranges::find(form.items, item_, &EditorChoice::value) == form.items.end()) {
    form.items.push_back({item_, item_});
  }
  form.item = item_;
  form.menuPath = menuPath_;
  form.combo = combo_;
  if (auto combo = model::parseKeyCombo(combo_)) form.comboDisplay = model::displayText(*combo);
  form.recordingCombo = recordingCombo_;
  form.name = name_;
  form.namePlaceholder = defaultName();
  form.buttonsRow = {{"Try It", EditorAction::tryIt, canTry(), -1},
                     {"Cancel", EditorAction::cancel, true, -1},
                     {"Save", EditorAction::save, canSave(), -1}};
  v.form = std::move(form);
  return v;
}

void ShortcutEditorModel::perform(EditorAction action, int entryIndex) {
  switch (action) {
    case EditorAction::newShortcut: return newShortcut();
    case EditorAction::edit:
      if (const auto* entry = entryAt(entryIndex)) edit(*entry);
      return;
    case EditorAction::remove:
      if (const auto* entry = entryAt(entryIndex)) remove(*entry);
      return;
    case EditorAction::openFile: return openFile();
    case EditorAction::save:
      // The button is off while the form can't be saved; a failed write shows in saveError.
      save();
      return;
    case EditorAction::cancel: return cancel();
    case EditorAction::tryIt: return tryIt();
    case EditorAction::recordKeys:
      keys_.clear();
      return setRecording(true);
    case EditorAction::clearKeys: return clearKeys();
    case EditorAction::recordCombo: return setRecordingCombo(true);
  }
}

void ShortcutEditorModel::handle(const platform::PanelAction& action) {
  using Kind = platform::PanelAction::Kind;
  switch (action.kind) {
    case Kind::button:
      if (auto editorAction = platform::views::editorAction(action.id)) {
        int entry = -1;
        if (!action.text.empty() && action.text.size() < 10 &&
            std::all_of(action.text.begin(), action.text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
          entry = std::stoi(action.text);
        }
        perform(*editorAction, entry);
      }
      return;
    case Kind::select:
      if (action.id == "kind") {
        for (auto k : {ShortcutEditorModel::Kind::ribbon, ShortcutEditorModel::Kind::menu,
                       ShortcutEditorModel::Kind::keystroke}) {
          if (kindValue(k) == action.text) setKind(k);
        }
      } else if (action.id == "tab") {
        setTab(action.text);
      } else if (action.id == "button") {
        setButton(action.text);
      } else if (action.id == "item") {
        setItem(action.text);
      }
      return;
    case Kind::text:
      if (action.id == "menuPath") setMenuPath(action.text);
      if (action.id == "combo") setCombo(action.text);
      if (action.id == "name") setName(action.text);
      return;
    case Kind::key:
      handleKey(platform::views::caughtKey(action));
      return;
    case Kind::toggle:
    case Kind::closed:
      return;
  }
}

}  // namespace corvane::authoring

#pragma once
// The model behind Settings › My Shortcuts: lists the user's file, records keys, checks them live
// against the library, and writes the file as a generic JSON document so keys it does not know
// survive. Main thread only; owned by the shell, which replaces its library on every reload.

#include <expected>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "authoring/editor_catalogue.hpp"
#include "authoring/key_catcher.hpp"
#include "authoring/user_document.hpp"
#include "base/observable.hpp"
#include "model/shortcut.hpp"
#include "model/shortcut_library.hpp"
#include "platform/files.hpp"
#include "platform/panels.hpp"
#include "platform/views/shortcut_editor_view.hpp"

namespace corvane::authoring {

/// Callbacks into the application.
struct EditorActions {
  std::function<void(const model::Shortcut&)> tryShortcut;  ///< run it in Excel
  std::function<void()> reload;                             ///< reload the shortcuts
  std::function<void()> openFile;                           ///< open the file for hand editing
};

/// One listed entry of the file.
struct UserEntry {
  int index = 0;  ///< position in the file's "shortcuts" array
  std::string keys;
  std::string name;
  std::string summary;
  bool disabled = false;
  Json raw;  ///< the entry's object, whole
  friend bool operator==(const UserEntry&, const UserEntry&) = default;
};

struct CheckMessage {
  std::string text;
  platform::views::CheckLevel level = platform::views::CheckLevel::info;
  friend bool operator==(const CheckMessage&, const CheckMessage&) = default;
};

class ShortcutEditorModel final {
 public:
  enum class Kind { ribbon, menu, keystroke };
  static constexpr int kMaxKeys = static_cast<int>(model::kMaxOwnShortcutKeys);

  ShortcutEditorModel(platform::Files& files, std::string fileURL, model::LibraryPtr library, EditorActions actions);

  /// Tells observers after every change of any field.
  base::Signal<> changed;

  [[nodiscard]] const std::string& fileURL() const { return fileURL_; }
  [[nodiscard]] const model::LibraryPtr& library() const { return library_; }
  /// A reloaded library; rebuilds the catalogue.
  void setLibrary(model::LibraryPtr library);
  /// A reloaded library with the file's entries as they are now, shown together: the live check
  /// never meets a library and a list from different moments.
  void adopt(model::LibraryPtr library);
  [[nodiscard]] const std::vector<UserEntry>& entries() const { return entries_; }
  [[nodiscard]] bool editing() const { return editing_; }
  [[nodiscard]] std::optional<int> editingIndex() const { return editingIndex_; }
  [[nodiscard]] const std::vector<std::string>& keys() const { return keys_; }
  [[nodiscard]] bool recording() const { return recording_; }
  [[nodiscard]] Kind kind() const { return kind_; }
  [[nodiscard]] const std::string& tab() const { return tab_; }
  [[nodiscard]] const std::string& button() const { return button_; }
  [[nodiscard]] const std::string& item() const { return item_; }
  [[nodiscard]] const std::string& menuPath() const { return menuPath_; }
  [[nodiscard]] const std::string& combo() const { return combo_; }
  [[nodiscard]] bool recordingCombo() const { return recordingCombo_; }
  [[nodiscard]] const std::string& name() const { return name_; }
  [[nodiscard]] const std::optional<std::string>& saveError() const { return saveError_; }
  [[nodiscard]] const EditorCatalogue& catalogue() const { return catalogue_; }
  [[nodiscard]] const std::vector<std::string>& tabs() const { return tabs_; }
  /// The buttons of the selected tab, in picker order.
  [[nodiscard]] std::vector<std::string> buttons() const;

  // The form's fields as the user sets them.
  void setKind(Kind kind);
  /// Selects a tab and its first button.
  void setTab(const std::string& tab);
  /// Selects a button; its menu item is cleared.
  void setButton(const std::string& button);
  void setItem(const std::string& item);
  void setMenuPath(const std::string& menuPath);
  void setCombo(const std::string& combo);
  void setName(const std::string& name);
  void setRecording(bool on);
  void setRecordingCombo(bool on);
  void clearKeys();

  // Commands.
  void loadEntries();
  void newShortcut();
  void edit(const UserEntry& entry);
  void remove(const UserEntry& entry);
  /// Writes the form's shortcut, or refuses without touching the file when `canSave` is false. The
  /// error is why it refused, or the write failure (also in `saveError`). Not [[nodiscard]]: a
  /// button's caller shows `saveError` and may ignore the value.
  std::expected<void, std::string> save();
  void tryIt();
  /// Closes the form without writing.
  void cancel();

  /// Input from the key catcher.
  void receive(const RecordingInput& input);
  /// A key press on the page, mapped by the key catcher for the current recording.
  void handleKey(const platform::views::CaughtKey& key);

  [[nodiscard]] CheckMessage check() const;
  /// The keys pass the check and the form gives steps that load.
  [[nodiscard]] bool canSave() const;
  /// The steps the form gives can be tried (there are some and they decode).
  [[nodiscard]] bool canTry() const;
  [[nodiscard]] std::string defaultName() const;
  /// The form's step object ("do"), or none.
  [[nodiscard]] std::optional<Json> stepObject() const;

  [[nodiscard]] platform::views::ShortcutEditorView view() const;
  /// A button of the page; `entryIndex` names the entry of the edit and remove buttons.
  void perform(platform::views::EditorAction action, int entryIndex = -1);
  /// What the page's view sent: buttons by their action's name (a row's entry index as the text),
  /// the pickers `kind`/`tab`/`button`/`item`, the fields `menuPath`/`combo`/`name`, caught keys.
  /// Anything unknown is ignored.
  void handle(const platform::PanelAction& action);

 private:
  [[nodiscard]] std::string label() const;
  [[nodiscard]] std::string keyText() const;
  [[nodiscard]] std::string effectiveName() const;
  [[nodiscard]] std::optional<std::vector<model::Step>> formSteps() const;
  /// Why the form can't be saved, or none when it can.
  [[nodiscard]] std::optional<std::string> refusal() const;
  [[nodiscard]] const UserEntry* entryAt(int index) const;
  /// Reads the document for a change and writes it back after `change`; a failure goes to
  /// `saveError`. The caller then calls reloadAfterWrite.
  bool rewrite(const std::function<void(Json& shortcuts)>& change);
  /// After any write, successful or not: the list and the library as the file now is.
  void reloadAfterWrite();
  void readEntries();
  void fail(const std::string& description);
  void openFile();
  void notify() { changed.emit(); }

  platform::Files& files_;
  std::string fileURL_;
  model::LibraryPtr library_;
  EditorActions actions_;
  std::vector<UserEntry> entries_;
  bool editing_ = false;
  std::optional<int> editingIndex_;
  Json editingRaw_;  ///< the edited entry as it was read, to find it again if the file moved it
  std::vector<std::string> keys_;
  bool recording_ = false;
  Kind kind_ = Kind::ribbon;
  std::string tab_;
  std::string button_;
  std::string item_;
  std::string menuPath_;
  std::string combo_;
  bool recordingCombo_ = false;
  std::string name_;
  std::optional<std::string> saveError_;
  EditorCatalogue catalogue_;
  std::vector<std::string> tabs_;
};

/// "Ribbon button", "Menu command", "Keystroke".
[[nodiscard]] std::string_view displayValue(ShortcutEditorModel::Kind kind);

}  // namespace corvane::authoring

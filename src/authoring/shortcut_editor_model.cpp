#include "authoring/shortcut_editor_model.hpp"

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "excel/step_description.hpp"
#include "model/grammar.hpp"
#include "model/key_combo.hpp"
#include "model/shortcut_file.hpp"
#include "model/text.hpp"
#include "platform/views/view_actions.hpp"

namespace corvane::authoring {
namespace {

using platform::views::CheckLevel;
using platform::views::EditorAction;
using platform::views::EditorButton;
using platform::views::EditorChoice;

/// A keys text as the library would index it ("h  o" → "H O"); unparsable texts are upper-cased.
std::string normalKeys(std::string_view text) {
  if (auto keys = model::parseKeySequence(text)) return model::keyPathText(*keys);
  return model::text::upper(text);
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

/// True when the object has no key outside `allowed`.
bool onlyKeys(const Json& object, std::initializer_list<std::string_view> allowed) {
  return std::ranges::all_of(object.items(), [&](const auto& member) {
    return std::ranges::find(allowed, std::string_view(member.key())) != allowed.end();
  });
}

/// The position of the entry read as `raw` at `index`: there when it is still there, else wherever
/// the file now holds it, else none (the file changed under the editor).
std::optional<std::size_t> locate(const Json& shortcuts, int index, const Json& raw) {
  if (index >= 0 && static_cast<std::size_t>(index) < shortcuts.size() && shortcuts[static_cast<std::size_t>(index)] == raw) {
    return static_cast<std::size_t>(index);
  }
  for (std::size_t i = 0; i < shortcuts.size(); ++i) {
    if (shortcuts[i] == raw) return i;
  }
  return std::nullopt;
}

}  // namespace

ShortcutEditorModel::ShortcutEditorModel(platform::Files& files, std::string fileURL, model::LibraryPtr library,
                                         EditorActions actions)
    : files_(files), fileURL_(std::move(fileURL)), actions_(std::move(actions)) {
  setLibrary(std::move(library));
}

void ShortcutEditorModel::setLibrary(model::LibraryPtr library) {
  library_ = std::move(library);
  catalogue_ = library_ ? EditorCatalogue(*library_) : EditorCatalogue();
  tabs_ = catalogue_.tabNames();
  notify();
}

std::vector<std::string> ShortcutEditorModel::buttons() const {
  std::vector<std::string> out;
  if (const auto* list = catalogue_.buttons(tab_)) {
    for (const auto& b : *list) out.push_back(b.button);
  }
  return out;
}

// ---- Form fields ----

void ShortcutEditorModel::setKind(Kind kind) {
  kind_ = kind;
  notify();
}

void ShortcutEditorModel::setTab(const std::string& tab) {
  tab_ = tab;
  auto list = buttons();
  button_ = list.empty() ? std::string() : list.front();
  item_.clear();
  notify();
}

void ShortcutEditorModel::setButton(const std::string& button) {
  button_ = button;
  item_.clear();
  notify();
}

void ShortcutEditorModel::setItem(const std::string& item) {
  item_ = item;
  notify();
}

void ShortcutEditorModel::setMenuPath(const std::string& menuPath) {
  menuPath_ = menuPath;
  notify();
}

void ShortcutEditorModel::setCombo(const std::string& combo) {
  combo_ = combo;
  notify();
}

void ShortcutEditorModel::setName(const std::string& name) {
  name_ = name;
  notify();
}

void ShortcutEditorModel::setRecording(bool on) {
  recording_ = on;
  if (on) recordingCombo_ = false;
  notify();
}

void ShortcutEditorModel::setRecordingCombo(bool on) {
  recordingCombo_ = on;
  if (on) recording_ = false;
  notify();
}

void ShortcutEditorModel::clearKeys() {
  keys_.clear();
  notify();
}

// ---- Listing ----

void ShortcutEditorModel::loadEntries() {
  readEntries();
  notify();
}

void ShortcutEditorModel::adopt(model::LibraryPtr library) {
  readEntries();
  setLibrary(std::move(library));
}

void ShortcutEditorModel::readEntries() {
  std::vector<UserEntry> list;
  auto doc = readUserDocument(files_, fileURL_);
  if (doc) {
    auto it = doc->find("shortcuts");
    if (it != doc->end() && it->is_array()) {
      int index = 0;
      for (const auto& element : *it) {
        int i = index++;
        if (!element.is_object()) continue;
        UserEntry entry;
        entry.index = i;
        const auto* keys = stringAt(element, "keys");
        entry.keys = keys ? *keys : "?";
        const auto* name = stringAt(element, "name");
        entry.name = name ? *name : entry.keys;
        auto disabled = element.find("disabled");
        entry.disabled = disabled != element.end() && disabled->is_boolean() && disabled->get<bool>();
        if (entry.disabled) {
          if (startsWith(entry.name, "Example")) continue;  // the template's examples
          entry.summary = "Built-in shortcut turned off";
        } else if (auto steps = element.find("do"); steps != element.end()) {
          if (auto decoded = model::decodeStepOrList(compactText(*steps))) entry.summary = excel::describeSteps(*decoded);
        }
        entry.raw = element;
        list.push_back(std::move(entry));
      }
    }
  }
  entries_ = std::move(list);
}

const UserEntry* ShortcutEditorModel::entryAt(int index) const {
  auto it = std::ranges::find(entries_, index, &UserEntry::index);
  return it == entries_.end() ? nullptr : &*it;
}

// ---- Form commands ----

void ShortcutEditorModel::newShortcut() {
  editingIndex_.reset();
  editingRaw_ = Json();
  keys_.clear();
  kind_ = Kind::ribbon;
  tab_ = tabs_.empty() ? std::string("Home") : tabs_.front();
  auto list = buttons();
  button_ = list.empty() ? std::string() : list.front();
  item_.clear();
  menuPath_.clear();
  combo_.clear();
  name_.clear();
  saveError_.reset();
  recordingCombo_ = false;
  recording_ = true;
  editing_ = true;
  notify();
}

void ShortcutEditorModel::openFile() {
  if (actions_.openFile) actions_.openFile();
}

void ShortcutEditorModel::edit(const UserEntry& entry) {
  if (entry.disabled || !entry.raw.is_object()) return openFile();
  // The form holds at most four single-character keys; other keys texts are fixed by hand.
  auto keys = model::parseKeySequence(entry.keys, static_cast<std::size_t>(kMaxKeys));
  if (!keys) return openFile();
  auto doIt = entry.raw.find("do");
  if (doIt == entry.raw.end() || !doIt->is_object()) return openFile();
  const Json& step = *doIt;
  auto optionalString = [&](const char* key) { return !step.contains(key) || step[key].is_string(); };

  // Only what the form shows is editable here; anything more (an action, a second step kind) is
  // edited by hand so a save never drops it.
  if (step.contains("ribbon")) {
    const auto* action = stringAt(step, "action");
    bool plainPress = !step.contains("action") || (action != nullptr && *action == "press");
    if (!step["ribbon"].is_string() || !optionalString("tab") || !optionalString("item") || !plainPress ||
        !onlyKeys(step, {"ribbon", "tab", "item", "action"})) {
      return openFile();
    }
    kind_ = Kind::ribbon;
    const auto* tab = stringAt(step, "tab");
    tab_ = tab ? *tab : (tabs_.empty() ? std::string("Home") : tabs_.front());
    button_ = *stringAt(step, "ribbon");
    const auto* item = stringAt(step, "item");
    item_ = item ? *item : std::string();
  } else if (step.contains("menu")) {
    if (!step["menu"].is_string() || !onlyKeys(step, {"menu"})) return openFile();
    kind_ = Kind::menu;
    menuPath_ = *stringAt(step, "menu");
  } else if (step.contains("key")) {
    if (!step["key"].is_string() || !onlyKeys(step, {"key"})) return openFile();
    kind_ = Kind::keystroke;
    combo_ = *stringAt(step, "key");
  } else {
    return openFile();
  }
  editingIndex_ = entry.index;
  editingRaw_ = entry.raw;
  keys_ = std::move(*keys);
  // A missing "name" is shown as the keys in the list; the form leaves it empty for the default.
  const auto* name = stringAt(entry.raw, "name");
  name_ = name ? *name : std::string();
  saveError_.reset();
  recording_ = false;
  recordingCombo_ = false;
  editing_ = true;
  notify();
}

void ShortcutEditorModel::cancel() {
  editing_ = false;
  recording_ = false;
  recordingCombo_ = false;
  editingIndex_.reset();
  editingRaw_ = Json();
  notify();
}

void ShortcutEditorModel::fail(const std::string& description) { saveError_ = "Couldn't save: " + description; }

bool ShortcutEditorModel::rewrite(const std::function<void(Json& shortcuts)>& change) {
  auto edited = editUserShortcuts(files_, fileURL_, change);
  if (!edited) {
    fail(edited.error());
    return false;
  }
  saveError_.reset();
  return true;
}

void ShortcutEditorModel::reloadAfterWrite() {
  // The list first, so that the reload's library meets the entries it was built from.
  loadEntries();
  if (actions_.reload) actions_.reload();
}

std::expected<void, std::string> ShortcutEditorModel::save() {
  // Every caller is held to the form's own check, not only the page's button.
  if (auto reason = refusal()) return std::unexpected(std::move(*reason));
  auto step = stepObject();
  Json entry = Json::object();
  entry["keys"] = keyText();
  entry["name"] = effectiveName();
  entry["do"] = std::move(*step);
  const auto keysText = keyText();
  auto index = editingIndex_;
  auto raw = editingRaw_;
  bool written = rewrite([&](Json& shortcuts) {
    if (index) {
      if (auto at = locate(shortcuts, *index, raw)) {
        shortcuts[*at] = entry;
        return;
      }
    }
    Json kept = Json::array();
    for (auto& element : shortcuts) {
      const auto* keys = stringAt(element, "keys");
      if (keys != nullptr && normalKeys(*keys) == keysText) continue;
      kept.push_back(std::move(element));
    }
    kept.push_back(entry);
    shortcuts = std::move(kept);
  });
  // The form closes before the reload: checked against a library that now holds the saved
  // shortcut, it would claim to replace itself.
  if (written) {
    editing_ = false;
    recording_ = false;
    recordingCombo_ = false;
    editingIndex_.reset();
    editingRaw_ = Json();
  }
  reloadAfterWrite();
  if (!written) return std::unexpected(saveError_.value_or("Couldn't save"));
  return {};
}

void ShortcutEditorModel::remove(const UserEntry& listed) {
  // `listed` may live in `entries_`, which the rewrite reloads.
  const UserEntry entry = listed;
  bool removed = false;
  rewrite([&](Json& shortcuts) {
    if (auto at = locate(shortcuts, entry.index, entry.raw)) {
      shortcuts.erase(shortcuts.begin() + static_cast<std::ptrdiff_t>(*at));
      removed = true;
    }
  });
  if (removed && editingIndex_) {
    if (*editingIndex_ == entry.index) {
      cancel();
    } else if (*editingIndex_ > entry.index) {
      editingIndex_ = *editingIndex_ - 1;
    }
  }
  reloadAfterWrite();
}

void ShortcutEditorModel::tryIt() {
  auto steps = formSteps();
  if (!steps) return;
  model::Shortcut shortcut{keys_, effectiveName(), std::move(*steps), std::nullopt, std::nullopt};
  if (actions_.tryShortcut) actions_.tryShortcut(shortcut);
}

// ---- Recording ----

void ShortcutEditorModel::receive(const RecordingInput& input) {
  if (recordingCombo_) {
    if (const auto* combo = std::get_if<recording::Combo>(&input)) {
      combo_ = model::text::lower(combo->text);
      recordingCombo_ = false;
      notify();
    } else if (std::holds_alternative<recording::Done>(input)) {
      recordingCombo_ = false;
      notify();
    }
    return;
  }
  if (!recording_) return;
  if (const auto* character = std::get_if<recording::Character>(&input)) {
    if (static_cast<int>(keys_.size()) >= kMaxKeys) return;
    keys_.push_back(character->text);
  } else if (std::holds_alternative<recording::Delete>(input)) {
    if (keys_.empty()) return;
    keys_.pop_back();
  } else if (std::holds_alternative<recording::Done>(input)) {
    recording_ = false;
  } else {
    return;  // a combination is no key of a sequence
  }
  notify();
}

void ShortcutEditorModel::handleKey(const platform::views::CaughtKey& key) {
  auto input = recordingCombo_ ? catchComboKey(key) : catchSequenceKey(key);
  if (input) receive(*input);
}

// ---- Derived ----

std::string ShortcutEditorModel::keyText() const { return model::text::join(keys_, " "); }

std::string ShortcutEditorModel::label() const { return "⌥ " + keyText(); }

CheckMessage ShortcutEditorModel::check() const {
  if (keys_.empty()) {
    bool qFree = !library_ || library_->root().child("Q") == nullptr;
    return {qFree ? "Press up to 4 letters or digits. ⌥ Q … is free for your own shortcuts."
                  : "Press up to 4 letters or digits.",
            CheckLevel::info};
  }
  // The same judgement lint passes on a hand-written file.
  if (auto clash = library_ ? library_->clash(keys_) : std::nullopt) {
    switch (clash->kind) {
      case model::SequenceClash::Kind::tooLong:
        return {"Press at most " + std::to_string(kMaxKeys) + " keys.", CheckLevel::problem};
      case model::SequenceClash::Kind::prefixRuns:
        return {"⌥ " + model::keyPathText(clash->prefix) + " already runs “" + clash->name +
                    "”, so the rest would never be typed.",
                CheckLevel::problem};
      case model::SequenceClash::Kind::startsGroup:
        return {label() + " starts " + clash->name + ". Add another key.", CheckLevel::problem};
    }
  }
  const auto keysText = keyText();
  for (const auto& entry : entries_) {
    if (entry.disabled || normalKeys(entry.keys) != keysText) continue;
    if (editingIndex_ && entry.index == *editingIndex_) return {label() + " is this shortcut.", CheckLevel::ok};
    return {"Replaces your “" + entry.name + "” on " + label() + ".", CheckLevel::info};
  }
  if (library_) {
    if (const auto* shortcut = library_->shortcut(keys_)) {
      return {"Replaces the built-in “" + shortcut->name + "” on " + label() + ".", CheckLevel::info};
    }
  }
  return {"Free: no other shortcut uses " + label() + ".", CheckLevel::ok};
}

std::optional<Json> ShortcutEditorModel::stepObject() const {
  Json step = Json::object();
  switch (kind_) {
    case Kind::ribbon:
      if (button_.empty()) return std::nullopt;
      step["ribbon"] = button_;
      step["tab"] = tab_;
      if (!item_.empty()) step["item"] = item_;
      return step;
    case Kind::menu: {
      auto path = model::text::trim(menuPath_);
      if (path.empty()) return std::nullopt;
      step["menu"] = path;
      return step;
    }
    case Kind::keystroke:
      if (combo_.empty()) return std::nullopt;
      step["key"] = combo_;
      return step;
  }
  return std::nullopt;
}

std::optional<std::vector<model::Step>> ShortcutEditorModel::formSteps() const {
  auto step = stepObject();
  if (!step) return std::nullopt;
  auto steps = model::decodeStepOrList(compactText(*step));
  if (!steps || steps->empty()) return std::nullopt;
  return std::move(*steps);
}

bool ShortcutEditorModel::canTry() const { return formSteps().has_value(); }

bool ShortcutEditorModel::canSave() const { return !refusal().has_value(); }

std::optional<std::string> ShortcutEditorModel::refusal() const {
  if (keys_.empty()) return "Record the keys first.";
  if (auto message = check(); message.level == CheckLevel::problem) return std::move(message.text);
  auto step = stepObject();
  if (!step) return "Choose what the shortcut does first.";
  // A form whose step would not load (a keystroke such as "cmd+pgup") is not saved either.
  auto steps = model::decodeStepOrList(compactText(*step));
  if (!steps) return model::describe(steps.error());
  if (steps->empty()) return "Choose what the shortcut does first.";
  return std::nullopt;
}

std::string ShortcutEditorModel::defaultName() const {
  switch (kind_) {
    case Kind::ribbon: {
      if (const auto* entry = catalogue_.button(tab_, button_)) {
        auto it = std::ranges::find(entry->items, item_, &CatalogueItem::item);
        if (it != entry->items.end()) return it->name;
      }
      return button_;
    }
    case Kind::menu: {
      auto levels = model::text::split(model::text::trim(menuPath_), " > ");
      return levels.empty() ? std::string() : model::text::trim(levels.back());
    }
    case Kind::keystroke: {
      if (auto combo = model::parseKeyCombo(combo_)) return model::displayText(*combo);
      return combo_;
    }
  }
  return {};
}

std::string ShortcutEditorModel::effectiveName() const {
  auto trimmed = model::text::trim(name_);
  return trimmed.empty() ? defaultName() : trimmed;
}

}  // namespace corvane::authoring

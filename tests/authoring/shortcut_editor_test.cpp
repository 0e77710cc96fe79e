#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "authoring/shortcut_editor_model.hpp"
#include "editor_fixture.hpp"

namespace corvane::authoring {
namespace {

using platform::views::CaughtKey;
using platform::views::CheckLevel;
using platform::views::EditorAction;
using testing::buildLibrary;
using testing::TempFolder;
using Keys = std::vector<std::string>;

/// An editor over my-shortcuts.json in a temporary support folder (not yet created), with its
/// callbacks recorded.
struct Editor {
  TempFolder folder;
  platform::posix::PosixFiles files;
  std::string path = folder.path + "/Application Support/Corvane/my-shortcuts.json";
  int reloads = 0;
  int opened = 0;
  std::vector<model::Shortcut> tried;
  ShortcutEditorModel model{files, path, buildLibrary(),
                            EditorActions{[this](const model::Shortcut& s) { tried.push_back(s); },
                                          [this] { ++reloads; }, [this] { ++opened; }}};

  void write(const std::string& text) {
    ASSERT_TRUE(files.createFolders(folder.path + "/Application Support/Corvane"));
    ASSERT_TRUE(files.writeAtomic(path, text));
    model.loadEntries();
  }
  [[nodiscard]] Json document() {
    auto text = files.read(path);
    EXPECT_TRUE(text) << "the file is there";
    return text ? Json::parse(*text) : Json();
  }
  void type(const std::string& keys) {
    for (char c : keys) model.receive(recording::Character{std::string(1, c)});
  }
  [[nodiscard]] const UserEntry& entry(std::size_t i) const { return model.entries().at(i); }
};

std::string folder(const std::string& path) { return path.substr(0, path.rfind('/')); }

// ---- Listing ----

TEST(EditorList, ListsEntriesWithSummariesAndLeavesOutTheTemplateExamples) {
  Editor e;
  e.write(R"({"_help": ["x"], "shortcuts": [
      {"keys": "Q G", "name": "Example: gridlines on/off", "do": {"ribbon": "Gridlines", "tab": "View"}, "disabled": true},
      {"keys": "q w", "name": "Gridlines", "do": [{"ribbon": "Gridlines", "tab": "View"}, {"wait": 200}]},
      "not an entry",
      {"keys": "H A", "disabled": true},
      {"name": "No keys", "do": {"qat": "two"}},
      {"keys": "Q M", "do": {"menu": "Format > Cells…"}}
    ]})");
  const auto& entries = e.model.entries();
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].index, 1);
  EXPECT_EQ(entries[0].keys, "q w");
  EXPECT_EQ(entries[0].summary, "Ribbon View › Gridlines, then Wait 200 ms");
  EXPECT_EQ(entries[1].index, 3);
  EXPECT_TRUE(entries[1].disabled);
  EXPECT_EQ(entries[1].name, "H A");
  EXPECT_EQ(entries[1].summary, "Built-in shortcut turned off");
  EXPECT_EQ(entries[2].keys, "?");
  EXPECT_EQ(entries[2].summary, "") << "a \"do\" that does not decode has no summary";
  EXPECT_EQ(entries[3].name, "Q M");
  EXPECT_EQ(entries[3].summary, "Menu Format › Cells…");
  EXPECT_EQ(entries[3].raw, Json::parse(R"({"keys": "Q M", "do": {"menu": "Format > Cells…"}})"));
}

TEST(EditorList, AnUnreadableFileListsNothing) {
  Editor e;
  e.model.loadEntries();
  EXPECT_TRUE(e.model.entries().empty()) << "no file yet";
  for (const char* text : {"{ not json", "[1, 2]", R"({"shortcuts": {"keys": "Q"}})", ""}) {
    e.write(text);
    EXPECT_TRUE(e.model.entries().empty()) << text;
  }
  e.write(std::string(100000, '['));
  EXPECT_TRUE(e.model.entries().empty());
}

// ---- Recording and the key catcher ----

TEST(EditorRecording, AtMostFourKeysDeleteAndDone) {
  Editor e;
  e.model.newShortcut();
  EXPECT_TRUE(e.model.recording());
  e.model.receive(recording::Delete{});  // nothing to delete
  EXPECT_TRUE(e.model.keys().empty());
  e.type("QWER");
  e.type("T");  // a fifth key is ignored
  EXPECT_EQ(e.model.keys(), (Keys{"Q", "W", "E", "R"}));
  e.model.receive(recording::Combo{"cmd+f"});  // not a key of a sequence
  e.model.receive(recording::Delete{});
  EXPECT_EQ(e.model.keys(), (Keys{"Q", "W", "E"}));
  e.model.receive(recording::Done{});
  EXPECT_FALSE(e.model.recording());
  e.type("X");
  EXPECT_EQ(e.model.keys().size(), 3u) << "nothing is recorded once done";
}

TEST(EditorRecording, ACapturedComboIsStoredLowerCased) {
  Editor e;
  e.model.newShortcut();
  e.model.setKind(ShortcutEditorModel::Kind::keystroke);
  e.model.perform(EditorAction::recordCombo);
  EXPECT_FALSE(e.model.recording());
  e.model.handleKey(CaughtKey{3, true, true, false, false, "f"});
  EXPECT_EQ(e.model.combo(), "shift+cmd+f");
  EXPECT_FALSE(e.model.recordingCombo());
  e.model.setRecordingCombo(true);
  e.model.receive(recording::Combo{"CMD+F5"});
  EXPECT_EQ(e.model.combo(), "cmd+f5");
  e.model.setRecordingCombo(true);
  e.model.handleKey(CaughtKey{53, false, false, false, false, ""});  // Escape cancels
  EXPECT_EQ(e.model.combo(), "cmd+f5");
  EXPECT_FALSE(e.model.recordingCombo());
}

std::optional<RecordingInput> sequenceKey(std::uint16_t code, std::string character, bool cmd = false,
                                          bool shift = false, bool opt = false, bool ctrl = false) {
  return catchSequenceKey(CaughtKey{code, cmd, shift, opt, ctrl, std::move(character)});
}

TEST(KeyCatcher, MapsKeysAsTheRecorderNeedsThem) {
  using namespace recording;
  EXPECT_EQ(sequenceKey(36, "\r"), RecordingInput(Done{}));
  EXPECT_EQ(sequenceKey(53, "", true), RecordingInput(Done{}));
  EXPECT_EQ(sequenceKey(51, ""), RecordingInput(Delete{}));
  EXPECT_EQ(sequenceKey(4, "h"), RecordingInput(Character{"H"}));
  EXPECT_EQ(sequenceKey(4, "h", false, true), RecordingInput(Character{"H"})) << "Shift is allowed";
  EXPECT_EQ(sequenceKey(18, "1"), RecordingInput(Character{"1"}));
  // The layout's character counts, so a French or Cyrillic layout records what the key types.
  EXPECT_EQ(sequenceKey(12, "a"), RecordingInput(Character{"A"}));
  EXPECT_EQ(sequenceKey(0, "ф"), RecordingInput(Character{"Ф"}));
  // Held ⌘, ⌃ or ⌥ make a combination named by the key code, modifiers in a fixed order.
  EXPECT_EQ(sequenceKey(4, "h", true, true, true, true), RecordingInput(Combo{"ctrl+opt+shift+cmd+h"}));
  // Function, arrow and navigation keys are combinations even without modifiers.
  EXPECT_EQ(sequenceKey(96, ""), RecordingInput(Combo{"f5"}));
  EXPECT_EQ(sequenceKey(123, ""), RecordingInput(Combo{"left"}));
  // Punctuation and named keys use the shortest name.
  EXPECT_EQ(sequenceKey(24, "="), RecordingInput(Combo{"="}));
  EXPECT_EQ(sequenceKey(49, " "), RecordingInput(Combo{"space"}));
  EXPECT_EQ(sequenceKey(51, "", true), RecordingInput(Delete{}));
  EXPECT_EQ(sequenceKey(10, "§"), std::nullopt) << "a key with no name is ignored";

  EXPECT_EQ(catchComboKey(CaughtKey{36, false, false, false, false, "\r"}), RecordingInput(Combo{"return"}));
  EXPECT_EQ(catchComboKey(CaughtKey{53, true, false, false, false, ""}), RecordingInput(Combo{"cmd+esc"}));
  EXPECT_EQ(catchComboKey(CaughtKey{51, false, false, false, false, ""}), RecordingInput(Combo{"delete"}));
  EXPECT_EQ(catchComboKey(CaughtKey{0, false, false, false, false, "a"}), RecordingInput(Combo{"a"}));
}

// ---- The live check ----

TEST(EditorCheck, GivesTheFirstRuleThatApplies) {
  Editor e;
  e.write(R"({"shortcuts": [{"keys": "q  x", "name": "Mine", "do": {"key": "cmd+x"}}]})");
  e.model.newShortcut();
  auto check = [&](const Keys& keys) {
    e.model.clearKeys();
    for (const auto& k : keys) e.model.receive(recording::Character{k});
    return e.model.check();
  };
  EXPECT_EQ(check({}), (CheckMessage{"Press up to 4 letters or digits. ⌥ Q … is free for your own shortcuts.",
                                     CheckLevel::info}));
  EXPECT_EQ(check({"H"}), (CheckMessage{"⌥ H starts Home. Add another key.", CheckLevel::problem}));
  EXPECT_EQ(check({"H", "O"}), (CheckMessage{"⌥ H O starts Format. Add another key.", CheckLevel::problem}));
  EXPECT_EQ(check({"W"}), (CheckMessage{"⌥ W starts other shortcuts. Add another key.", CheckLevel::problem}));
  EXPECT_EQ(check({"H", "A", "X"}),
            (CheckMessage{"⌥ H A already runs “Align Left”, so the rest would never be typed.", CheckLevel::problem}));
  EXPECT_EQ(check({"Q", "X"}), (CheckMessage{"Replaces your “Mine” on ⌥ Q X.", CheckLevel::info}));
  EXPECT_EQ(check({"H", "A"}), (CheckMessage{"Replaces the built-in “Align Left” on ⌥ H A.", CheckLevel::info}));
  EXPECT_EQ(check({"Q", "G"}), (CheckMessage{"Free: no other shortcut uses ⌥ Q G.", CheckLevel::ok}));

  e.model.edit(e.entry(0));
  EXPECT_EQ(e.model.check(), (CheckMessage{"⌥ Q X is this shortcut.", CheckLevel::ok}));

  // Once the library has something under Q, the first line no longer offers it.
  e.model.setLibrary(buildLibrary(testing::kPinnedBuiltin, R"({"shortcuts": [{"keys": "Q X", "do": {"key": "a"}}]})"));
  EXPECT_EQ(check({}), (CheckMessage{"Press up to 4 letters or digits.", CheckLevel::info}));
}

TEST(EditorCheck, RefusesExactlyTheKeysLintWarnsOf) {
  const std::string user = R"({"shortcuts": [{"keys": "Q", "name": "Q alone", "do": {"key": "cmd+q"}},
      {"keys": "Q A", "name": "Q and A", "do": {"key": "cmd+a"}}, {"keys": "H A X", "do": {"key": "cmd+x"}},
      {"keys": "R S", "do": {"key": "cmd+s"}}]})";
  Editor e;
  e.write(user);
  auto library = buildLibrary(testing::kPinnedBuiltin, user);
  e.model.setLibrary(library);
  for (const auto& entry : e.model.entries()) {
    e.model.edit(entry);
    bool refused = e.model.check().level == CheckLevel::problem;
    bool warned = std::ranges::any_of(library->warnings(), [&](const std::string& w) {
      return w.starts_with("In your shortcut \"" + entry.keys + "\", ");
    });
    EXPECT_EQ(refused, warned) << entry.keys << ": " << e.model.check().text;
    EXPECT_EQ(e.model.canSave(), !warned) << entry.keys;
  }
  EXPECT_EQ(library->warnings().size(), 3u) << "Q, Q A and H A X; R S is fine";
}

TEST(EditorCheck, CanSaveNeedsKeysAStepAndNoProblem) {
  Editor e;
  e.model.newShortcut();
  EXPECT_EQ(e.model.tab(), "Home");
  EXPECT_EQ(e.model.button(), "Align Left");
  EXPECT_FALSE(e.model.canSave()) << "no keys";
  e.type("H");
  EXPECT_FALSE(e.model.canSave()) << "a problem";
  e.type("Z");
  EXPECT_TRUE(e.model.canSave());
  e.model.setKind(ShortcutEditorModel::Kind::menu);
  e.model.setMenuPath("   ");
  EXPECT_FALSE(e.model.canSave()) << "no step";
  e.model.setKind(ShortcutEditorModel::Kind::keystroke);
  e.model.setCombo("cmd+pgup");
  EXPECT_FALSE(e.model.canSave()) << "a keystroke that would not load";
  EXPECT_FALSE(e.model.canTry());
  e.model.setCombo("cmd+pageup");
  EXPECT_TRUE(e.model.canSave());
}

TEST(EditorForm, DefaultNamesByKind) {
  Editor e;
  e.model.newShortcut();
  e.model.setTab("Home");
  e.model.setButton("Format");
  e.model.setItem("AutoFit Column Width");
  EXPECT_EQ(e.model.defaultName(), "AutoFit Column Width");
  e.model.setItem("Something Else");
  EXPECT_EQ(e.model.defaultName(), "Format");
  e.model.setKind(ShortcutEditorModel::Kind::menu);
  e.model.setMenuPath("  Format > Column > AutoFit Selection ");
  EXPECT_EQ(e.model.defaultName(), "AutoFit Selection");
  e.model.setKind(ShortcutEditorModel::Kind::keystroke);
  e.model.setCombo("cmd+shift+l");
  EXPECT_EQ(e.model.defaultName(), "⇧⌘L");
  e.model.setCombo("hyper+l");
  EXPECT_EQ(e.model.defaultName(), "hyper+l");
}

TEST(EditorForm, CatalogueListsTabsButtonsAndItemsFromTheLibrary) {
  Editor e;
  EXPECT_EQ(e.model.tabs(), (Keys{"Home", "View", "Insert"}));
  const auto* home = e.model.catalogue().buttons("Home");
  ASSERT_NE(home, nullptr);
  ASSERT_EQ(home->size(), 2u);
  EXPECT_EQ((*home)[1].button, "Format");
  EXPECT_EQ((*home)[1].items, (std::vector<CatalogueItem>{{"AutoFit Column Width", "AutoFit Column Width"},
                                                          {"AutoFit Row Height", "AutoFit Row Height | Row Height"}}));
  // The tab comes from a "tab:" tip of a key prefix, and the ribbon step from inside "try".
  const auto* freeze = e.model.catalogue().button("View", "Freeze Panes");
  ASSERT_NE(freeze, nullptr);
  EXPECT_EQ(freeze->items, (std::vector<CatalogueItem>{{"Lock the top rows", "Freeze Panes"}}));
  e.model.newShortcut();
  e.model.setTab("View");
  EXPECT_EQ(e.model.button(), "Freeze Panes");
  auto form = e.model.view().form;
  ASSERT_TRUE(form);
  ASSERT_EQ(form->items.size(), 2u);
  EXPECT_EQ(form->items[0].title, "(none)");
  EXPECT_EQ(form->items[1].value, "Freeze Panes");

  e.model.setLibrary(buildLibrary(R"({"shortcuts": []})"));
  EXPECT_TRUE(e.model.tabs().empty());
  e.model.newShortcut();
  EXPECT_EQ(e.model.tab(), "Home");
  EXPECT_EQ(e.model.button(), "");
}

// ---- Saving ----

TEST(EditorSave, ANewShortcutIsAppendedWithHelpAndAPrettySortedFile) {
  Editor e;
  e.model.loadEntries();
  e.model.newShortcut();
  e.type("QG");
  e.model.setTab("View");
  EXPECT_EQ(e.model.defaultName(), "Freeze Panes") << "no item chosen: the button's own label";
  e.model.setItem("Freeze Panes");
  e.model.setName("  ");
  ASSERT_TRUE(e.model.canSave());
  e.model.save();
  EXPECT_EQ(e.model.saveError(), std::nullopt);
  EXPECT_FALSE(e.model.editing());
  EXPECT_EQ(e.reloads, 1);
  EXPECT_EQ(*e.files.read(e.path),
            "{\n"
            "  \"_help\": [\n"
            "    \"Your own shortcuts, layered on top of the built-in ones. Edit them in Corvane Settings › My "
            "Shortcuts, or here.\"\n"
            "  ],\n"
            "  \"shortcuts\": [\n"
            "    {\n"
            "      \"do\": {\n"
            "        \"item\": \"Freeze Panes\",\n"
            "        \"ribbon\": \"Freeze Panes\",\n"
            "        \"tab\": \"View\"\n"
            "      },\n"
            "      \"keys\": \"Q G\",\n"
            "      \"name\": \"Lock the top rows\"\n"
            "    }\n"
            "  ]\n"
            "}\n");
  ASSERT_EQ(e.model.entries().size(), 1u);
  EXPECT_EQ(e.entry(0).summary, "Ribbon View › Freeze Panes › Freeze Panes");
}

TEST(EditorSave, WhatTheFormSaysBeforeSavingIsWhatTheSaveDoes) {
  // Wired as the shell wires it: a save reloads the library from the file and the editor adopts it.
  TempFolder folder;
  platform::posix::PosixFiles files;
  std::string path = folder.path + "/my-shortcuts.json";
  std::unique_ptr<ShortcutEditorModel> model;
  model = std::make_unique<ShortcutEditorModel>(
      files, path, buildLibrary(),
      EditorActions{{}, [&] { model->adopt(buildLibrary(testing::kPinnedBuiltin, *files.read(path))); }, {}});
  std::vector<std::string> seen;
  auto subscription = model->changed.subscribe([&] {
    if (model->editing()) seen.push_back(model->check().text + " | " + model->view().form->button);
  });
  model->newShortcut();
  for (const auto* key : {"H", "Z", "Z"}) model->receive(recording::Character{key});
  model->receive(recording::Done{});
  // The chosen action is on the form before saving, not only in the file after.
  ASSERT_TRUE(model->view().form.has_value());
  EXPECT_EQ(model->view().form->tab, "Home");
  EXPECT_EQ(model->view().form->button, "Align Left");
  ASSERT_TRUE(model->save());
  EXPECT_FALSE(model->editing());
  EXPECT_EQ(seen.back(), "Free: no other shortcut uses ⌥ H Z Z. | Align Left")
      << "the form never claims, on its way out, to replace the shortcut it just saved";
  for (const auto& line : seen) EXPECT_EQ(line.find("Replaces"), std::string::npos) << line;
  ASSERT_EQ(model->entries().size(), 1u);
  ASSERT_TRUE(model->library()->shortcut(Keys{"H", "Z", "Z"}));

  // Recording the same keys again now names the saved shortcut as the user's own, never as built-in.
  model->newShortcut();
  for (const auto* key : {"H", "Z", "Z"}) model->receive(recording::Character{key});
  EXPECT_EQ(model->check(), (CheckMessage{"Replaces your “Align Left” on ⌥ H Z Z.", CheckLevel::info}));
}

TEST(EditorSave, NewKeysOfAnExistingEntryReplaceItAtTheEnd) {
  Editor e;
  e.write(R"({"_help": "mine", "groups": {"Q": "Quick"}, "future": {"x": [1, 2.5, null]}, "shortcuts": [
      {"keys": "q g", "name": "Old", "do": {"key": "cmd+g"}, "note": "old note"},
      {"keys": "Q H", "name": "Keep", "do": {"key": "cmd+h"}, "note": "kept", "extra": true},
      {"keys": "Q G", "name": "Also old", "do": {"key": "cmd+j"}}
    ]})");
  e.model.newShortcut();
  e.type("QG");
  e.model.setKind(ShortcutEditorModel::Kind::menu);
  e.model.setMenuPath(" View > Gridlines ");
  e.model.save();
  auto doc = e.document();
  EXPECT_EQ(doc["_help"], "mine") << "an existing _help is left as it is";
  EXPECT_EQ(doc["groups"], Json::parse(R"({"Q": "Quick"})"));
  EXPECT_EQ(doc["future"], Json::parse(R"({"x": [1, 2.5, null]})"));
  EXPECT_EQ(doc["shortcuts"], Json::parse(R"([
      {"keys": "Q H", "name": "Keep", "do": {"key": "cmd+h"}, "note": "kept", "extra": true},
      {"keys": "Q G", "name": "Gridlines", "do": {"menu": "View > Gridlines"}}])"));
}

TEST(EditorSave, EditingKeepsThePositionAndReplacesTheWholeEntry) {
  Editor e;
  e.write(R"({"shortcuts": [
      {"keys": "Q A", "name": "First", "do": {"key": "cmd+a"}},
      {"keys": "Q B", "name": "Second", "do": {"ribbon": "Bold", "tab": "Home", "item": "", "action": "press"}, "note": "n"},
      {"keys": "Q C", "name": "Third", "do": {"menu": "Edit > Copy"}}
    ]})");
  e.model.edit(e.entry(1));
  ASSERT_TRUE(e.model.editing());
  EXPECT_FALSE(e.model.recording());
  EXPECT_EQ(e.model.editingIndex(), 1);
  EXPECT_EQ(e.model.keys(), (Keys{"Q", "B"}));
  EXPECT_EQ(e.model.kind(), ShortcutEditorModel::Kind::ribbon);
  EXPECT_EQ(e.model.button(), "Bold");
  EXPECT_EQ(e.model.name(), "Second");
  e.model.perform(EditorAction::recordKeys);
  e.type("QZ");
  e.model.setName("Bold it");
  e.model.perform(EditorAction::save);
  auto shortcuts = e.document()["shortcuts"];
  ASSERT_EQ(shortcuts.size(), 3u);
  EXPECT_EQ(shortcuts[1], Json::parse(R"({"keys": "Q Z", "name": "Bold it", "do": {"ribbon": "Bold", "tab": "Home"}})"));
  EXPECT_EQ(shortcuts[2]["name"], "Third");
  EXPECT_TRUE(e.document().contains("_help")) << "_help added when missing";
}

TEST(EditorSave, AnEntryTheFileMovedIsStillTheOneReplaced) {
  Editor e;
  e.write(R"({"shortcuts": [{"keys": "Q A", "name": "A", "do": {"key": "a"}}, {"keys": "Q B", "name": "B", "do": {"key": "b"}}]})");
  e.model.edit(e.entry(1));
  // Edited by hand meanwhile: an entry inserted before it.
  ASSERT_TRUE(e.files.writeAtomic(e.path, R"({"shortcuts": [{"keys": "Q N", "do": {"key": "n"}},
      {"keys": "Q A", "name": "A", "do": {"key": "a"}}, {"keys": "Q B", "name": "B", "do": {"key": "b"}}]})"));
  e.model.setCombo("c");
  e.model.save();
  auto shortcuts = e.document()["shortcuts"];
  ASSERT_EQ(shortcuts.size(), 3u);
  EXPECT_EQ(shortcuts[1]["name"], "A");
  EXPECT_EQ(shortcuts[2], Json::parse(R"({"keys": "Q B", "name": "B", "do": {"key": "c"}})"));
}

TEST(EditorSave, AFailedWriteKeepsTheOldFileAndSaysWhy) {
  Editor e;
  const std::string original = R"({"shortcuts": [{"keys": "Q A", "do": {"key": "a"}}]})";
  e.write(original);
  testing::FailingFiles failing;
  int reloads = 0;
  ShortcutEditorModel model(failing, e.path, buildLibrary(), EditorActions{nullptr, [&] { ++reloads; }, nullptr});
  model.loadEntries();
  model.newShortcut();
  model.receive(recording::Character{"Q"});
  model.receive(recording::Character{"B"});
  model.save();
  EXPECT_EQ(model.saveError(), "Couldn't save: No space left on device");
  EXPECT_TRUE(model.editing()) << "the form stays open";
  EXPECT_EQ(reloads, 1);
  EXPECT_EQ(*e.files.read(e.path), original);
  EXPECT_EQ(model.view().saveError, "Couldn't save: No space left on device");
  model.remove(model.entries().at(0));
  EXPECT_EQ(*e.files.read(e.path), original);
}

TEST(EditorSave, AFileThatCantBeReadIsNeverOverwritten) {
  Editor e;
  const std::string broken = "{\"shortcuts\": [ {\"keys\": \"Q A\", \"do\": {\"key\": \"a\"}} ";  // hand edit half done
  e.write(broken);
  e.model.newShortcut();
  e.type("QB");
  e.model.save();
  ASSERT_TRUE(e.model.saveError());
  EXPECT_TRUE(e.model.saveError()->starts_with("Couldn't save: my-shortcuts.json isn't valid JSON (")) << *e.model.saveError();
  EXPECT_EQ(*e.files.read(e.path), broken);

  e.write(R"({"shortcuts": "oops"})");
  e.model.save();
  EXPECT_EQ(e.model.saveError(),
            "Couldn't save: the file's \"shortcuts\" isn't a list, so it was left as it is. Fix it with Edit File… first.");
}

// A synced file is often a link; a hand-edited file may repeat a key or hold numbers a double
// cannot carry. A save must keep all of it exactly.
TEST(EditorSave, WritesThroughALinkAndKeepsTheLink) {
  Editor e;
  TempFolder synced;
  const std::string target = synced.path + "/my-shortcuts.json";
  ASSERT_TRUE(e.files.writeAtomic(target, R"({"shortcuts": []})"));
  ASSERT_TRUE(e.files.createFolders(folder(e.path)));
  std::filesystem::create_symlink(target, e.path);
  e.model.loadEntries();
  e.model.newShortcut();
  e.type("QB");
  e.model.setKind(ShortcutEditorModel::Kind::menu);
  e.model.setMenuPath("View > Gridlines");
  e.model.save();
  EXPECT_EQ(e.model.saveError(), std::nullopt);
  EXPECT_TRUE(std::filesystem::is_symlink(e.path)) << "the link itself stays";
  EXPECT_NE(e.files.read(target)->find("Gridlines"), std::string::npos) << "the file it points to has the shortcut";
}

TEST(EditorSave, ARepeatedKeyMakesTheFileUnreadableAndItIsLeftByteForByte) {
  for (const std::string repeated : {
           R"({"shortcuts": [{"keys": "Q A", "do": {"key": "a"}}], "shortcuts": [{"keys": "Q B", "do": {"key": "b"}}]})",
           R"({"shortcuts": [{"keys": "Q A", "keys": "Q C", "do": {"key": "a"}}]})",
           R"({"groups": {"Q": "One", "Q": "Two"}})"}) {
    Editor e;
    e.write(repeated);
    e.model.newShortcut();
    e.type("QZ");
    e.model.setKind(ShortcutEditorModel::Kind::menu);
    e.model.setMenuPath("View > Gridlines");
    e.model.save();
    ASSERT_TRUE(e.model.saveError()) << repeated;
    EXPECT_NE(e.model.saveError()->find("appears twice"), std::string::npos) << *e.model.saveError();
    EXPECT_EQ(*e.files.read(e.path), repeated);
  }
}

TEST(EditorSave, NumbersKeepTheirText) {
  Editor e;
  e.write(R"({"future": {"big": 123456789012345678901234567890, "tenth": 0.10, "e": 1E2, "n": -7},)"
          R"( "shortcuts": [{"keys": "Q W", "do": {"wait": 1500.0}}]})");
  e.model.newShortcut();
  e.type("QB");
  e.model.setKind(ShortcutEditorModel::Kind::menu);
  e.model.setMenuPath("View > Gridlines");
  e.model.save();
  ASSERT_EQ(e.model.saveError(), std::nullopt);
  auto text = *e.files.read(e.path);
  for (const char* kept : {"123456789012345678901234567890", "0.10", "1E2", "-7", "1500.0"}) {
    EXPECT_NE(text.find(kept), std::string::npos) << kept << " in\n" << text;
  }
  EXPECT_EQ(e.model.entries().at(0).summary, "Wait 1500 ms") << "the kept text still decodes";
}

// The simulated session's "editor save" once wrote ⌥ H over the Home group: a save that the form's
// own check refuses must write nothing, whoever calls it.
TEST(EditorSave, AFormThatCantBeSavedIsRefusedAndTheFileKept) {
  const std::string original = R"({"shortcuts": [{"keys": "Q A", "name": "Mine", "do": {"key": "cmd+a"}}]})";
  struct Case {
    const char* what;
    std::function<void(Editor&)> fill;
    const char* reason;
  };
  const Case cases[] = {
      {"keys that start a group",
       [](Editor& e) {
         e.model.newShortcut();
         e.type("H");
       },
       "⌥ H starts Home. Add another key."},
      {"keys behind a shortcut",
       [](Editor& e) {
         e.model.newShortcut();
         e.type("ZA");
       },
       "⌥ Z already runs “Zoom”, so the rest would never be typed."},
      {"no keys",
       [](Editor& e) { e.model.newShortcut(); },
       "Record the keys first."},
      {"nothing to do",
       [](Editor& e) {
         e.model.newShortcut();
         e.type("QB");
         e.model.setKind(ShortcutEditorModel::Kind::keystroke);
       },
       "Choose what the shortcut does first."},
      {"a keystroke that does not load",
       [](Editor& e) {
         e.model.newShortcut();
         e.type("QB");
         e.model.setKind(ShortcutEditorModel::Kind::keystroke);
         e.model.setCombo("cmd+pgup");
       },
       "Unknown key \"pgup\" in \"cmd+pgup\""},
      {"an entry edited onto a group",
       [](Editor& e) {
         e.model.edit(e.entry(0));
         e.model.clearKeys();
         e.model.setRecording(true);
         e.type("H");
       },
       "⌥ H starts Home. Add another key."},
  };
  for (const auto& c : cases) {
    Editor e;
    e.write(original);
    c.fill(e);
    ASSERT_FALSE(e.model.canSave()) << c.what;
    auto saved = e.model.save();
    ASSERT_FALSE(saved) << c.what;
    EXPECT_EQ(saved.error(), c.reason) << c.what;
    EXPECT_EQ(*e.files.read(e.path), original) << c.what;
    EXPECT_EQ(e.reloads, 0) << c.what << ": nothing changed, nothing to reload";
    EXPECT_TRUE(e.model.editing()) << c.what << ": the form stays open";
    EXPECT_EQ(e.model.saveError(), std::nullopt) << c.what << ": no write failed";
  }
}

TEST(EditorSave, ASaveReportsAFailedWriteAsItsResultToo) {
  Editor e;
  e.write(R"({"shortcuts": []})");
  testing::FailingFiles failing;
  ShortcutEditorModel model(failing, e.path, buildLibrary(), EditorActions{});
  model.newShortcut();
  model.receive(recording::Character{"Q"});
  model.receive(recording::Character{"B"});
  auto saved = model.save();
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.error(), "Couldn't save: No space left on device");

  Editor ok;
  ok.model.newShortcut();
  ok.type("QB");
  EXPECT_TRUE(ok.model.save());
  EXPECT_EQ(ok.reloads, 1);
}

TEST(EditorSave, TryingRunsTheFormWithoutWriting) {
  Editor e;
  e.model.newShortcut();
  e.type("QT");
  e.model.setKind(ShortcutEditorModel::Kind::keystroke);
  e.model.setCombo("cmd+shift+l");
  e.model.perform(EditorAction::tryIt);
  ASSERT_EQ(e.tried.size(), 1u);
  EXPECT_EQ(e.tried[0].keys, (Keys{"Q", "T"}));
  EXPECT_EQ(e.tried[0].name, "⇧⌘L");
  ASSERT_EQ(e.tried[0].steps.size(), 1u);
  EXPECT_EQ(e.tried[0].steps[0].as<model::KeyStep>()->combo.keyCode, 37);
  EXPECT_FALSE(e.files.exists(e.path));
  e.model.setCombo("");
  e.model.tryIt();
  EXPECT_EQ(e.tried.size(), 1u);
}

TEST(EditorEdit, EntriesTheFormCantShowOpenTheFile) {
  Editor e;
  e.write(R"({"shortcuts": [
      {"keys": "Q A", "disabled": true},
      {"keys": "Q B", "do": [{"key": "a"}]},
      {"keys": "Q C", "do": {"ribbon": "Paste", "action": "menu"}},
      {"keys": "Q D", "do": {"qat": 2}},
      {"keys": "Q E", "do": {"menu": "Edit > Copy", "wait": 100}},
      {"keys": "Q F"},
      {"keys": "Q W E R T", "do": {"key": "a"}},
      {"keys": "QW E", "do": {"key": "a"}},
      {"keys": "Q G", "do": {"key": "cmd+g"}}
    ]})");
  // Keys the form can't hold (more than four, or not single characters) are fixed by hand too.
  for (std::size_t i = 0; i < 8; ++i) e.model.edit(e.entry(i));
  EXPECT_EQ(e.opened, 8);
  EXPECT_FALSE(e.model.editing());
  e.model.perform(EditorAction::edit, 8);
  EXPECT_TRUE(e.model.editing());
  EXPECT_EQ(e.model.kind(), ShortcutEditorModel::Kind::keystroke);
  EXPECT_EQ(e.model.combo(), "cmd+g");
  EXPECT_EQ(e.model.name(), "") << "no \"name\": the default name applies";
  EXPECT_EQ(e.model.view().form->heading, "Edit Shortcut");
}

TEST(EditorRemove, RemovesTheListedEntry) {
  Editor e;
  e.write(R"({"_help": ["h"], "shortcuts": [{"keys": "Q A", "do": {"key": "a"}}, {"keys": "Q B", "do": {"key": "b"}},
      {"keys": "Q C", "do": {"key": "c"}}]})");
  e.model.edit(e.entry(2));
  e.model.perform(EditorAction::remove, 0);
  auto doc = e.document();
  EXPECT_EQ(doc["shortcuts"].size(), 2u);
  EXPECT_EQ(doc["_help"], Json::parse(R"(["h"])"));
  EXPECT_EQ(e.model.editingIndex(), 1) << "the edited entry moved up";
  EXPECT_EQ(e.model.entries().size(), 2u);
  e.model.remove(e.entry(1));
  EXPECT_FALSE(e.model.editing()) << "removing the edited entry closes the form";
  EXPECT_EQ(e.document()["shortcuts"], Json::parse(R"([{"keys": "Q B", "do": {"key": "b"}}])"));
}

TEST(EditorView, DescribesTheListAndTheForm) {
  Editor e;
  e.write(R"({"shortcuts": [{"keys": "Q A", "name": "Mine", "do": {"key": "a"}}]})");
  auto v = e.model.view();
  EXPECT_EQ(v.title, "My Shortcuts");
  ASSERT_EQ(v.entries.size(), 1u);
  EXPECT_EQ(v.entries[0].buttons.at(1).action, EditorAction::remove);
  EXPECT_FALSE(v.form);
  e.model.perform(EditorAction::newShortcut);
  v = e.model.view();
  ASSERT_TRUE(v.form);
  EXPECT_EQ(v.form->heading, "New Shortcut");
  EXPECT_TRUE(v.form->recording);
  EXPECT_EQ(v.form->kinds.at(1).title, "Menu command");
  EXPECT_EQ(v.form->namePlaceholder, "Align Left");
  EXPECT_EQ(v.form->checkLevel, CheckLevel::info);
  EXPECT_FALSE(v.form->buttonsRow.at(2).enabled) << "Save waits for keys";
  e.model.perform(EditorAction::cancel);
  EXPECT_FALSE(e.model.view().form);
}

}  // namespace
}  // namespace corvane::authoring

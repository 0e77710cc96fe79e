#include <gtest/gtest.h>

#include "model/grammar.hpp"
#include "model/shortcut_library.hpp"
#include "support/golden.hpp"

namespace corvane::model {
namespace {

using Keys = std::vector<std::string>;

LibraryPtr build(const std::string& builtin, const std::optional<std::string>& user = std::nullopt) {
  std::optional<ShortcutSource> userSource;
  if (user) userSource = ShortcutSource::fromBytes("your", "my-shortcuts.json", *user);
  return ShortcutLibrary::build(ShortcutSource::fromBytes("built-in", "shortcuts.json", builtin), userSource);
}

Keys keysOf(const LibraryPtr& lib) {
  Keys out;
  for (const auto& s : lib->shortcuts()) out.push_back(keyPathText(s.keys) + "=" + s.name);
  return out;
}

const char* kBuiltin = R"({
  "groups": {"h": "Home", "H O": "Format"},
  "tips": {"h": "tab:Home"},
  "macros": {"bold": {"ribbon": "Bold", "tab": "Home"}},
  "shortcuts": [
    {"keys": "H O I", "name": "AutoFit Column Width", "do": {"ribbon": "Format", "item": "AutoFit Column Width"}},
    {"keys": "H O A", "name": "AutoFit Row Height", "do": {"ribbon": "Format", "item": "AutoFit Row Height"}},
    {"keys": "H 1", "name": "Bold", "do": {"use": "bold"}},
    {"keys": "H W", "name": "Wrap Text", "do": {"ribbon": "Wrap Text"}},
    {"keys": "1", "name": "First button", "do": {"qat": 1}}
  ]})";

TEST(Library, WithoutUserFileHoldsTheValidBuiltInEntries) {
  auto lib = build(kBuiltin);
  EXPECT_TRUE(lib->warnings().empty());
  EXPECT_EQ(keysOf(lib), (Keys{"H O I=AutoFit Column Width", "H O A=AutoFit Row Height", "H 1=Bold",
                               "H W=Wrap Text", "1=First button"}));
  // Macros are resolved into a non-optional sequence.
  const auto& bold = lib->shortcuts()[2];
  ASSERT_EQ(bold.steps.size(), 1u);
  const auto* seq = bold.steps[0].as<SequenceStep>();
  ASSERT_NE(seq, nullptr);
  EXPECT_FALSE(seq->optional);
  EXPECT_TRUE(seq->steps[0].is<RibbonStep>());
}

TEST(Library, UserEntriesReplaceInPlaceDisableAndAppend) {
  auto lib = build(kBuiltin, R"({"shortcuts": [
      {"keys": "h w", "name": "My wrap", "do": {"key": "cmd+1"}},
      {"keys": "H O A", "disabled": true},
      {"keys": "H 1"},
      {"keys": "Q G", "name": "Gridlines", "do": {"ribbon": "Gridlines", "tab": "View"}},
      {"keys": "Z Z", "disabled": true}
    ]})");
  EXPECT_EQ(keysOf(lib), (Keys{"H O I=AutoFit Column Width", "H 1=Bold", "H W=My wrap", "1=First button",
                               "Q G=Gridlines"}));
  EXPECT_EQ(lib->warnings(), (Keys{"Skipped your shortcut \"H 1\": \"H 1\" has nothing to do"}));
  EXPECT_EQ(lib->node(Keys{"H", "O", "A"}), nullptr);
  for (const auto& option : lib->options(Keys{"H", "O"})) EXPECT_NE(option.key, "A");
}

TEST(Library, DisabledThenRedefinedKeysMoveToTheEnd) {
  auto lib = build(kBuiltin, R"({"shortcuts": [
      {"keys": "H W", "disabled": true},
      {"keys": "H W", "name": "Wrap again", "do": {"qat": 2}}
    ]})");
  EXPECT_EQ(keysOf(lib), (Keys{"H O I=AutoFit Column Width", "H O A=AutoFit Row Height", "H 1=Bold",
                               "1=First button", "H W=Wrap again"}));
}

TEST(Library, NameDefaultsToTheKeyText) {
  auto lib = build(R"({"shortcuts": [{"keys": "q  g", "do": {"qat": 1}}]})");
  EXPECT_EQ(lib->shortcuts()[0].name, "Q G");
}

TEST(Library, OptionsShowGroupsEnterRowsAndMore) {
  auto lib = build(R"({"groups": {"h o": "Format"}, "shortcuts": [
      {"keys": "H", "name": "Home things", "do": {"qat": 1}},
      {"keys": "H O I", "name": "AutoFit", "do": {"qat": 2}},
      {"keys": "H B X Y", "name": "Deep", "do": {"qat": 3}},
      {"keys": "H A", "name": "Center", "do": {"qat": 4}},
      {"keys": "H B", "name": "Borders", "do": {"qat": 5}}
    ]})");
  EXPECT_EQ(lib->options(Keys{}), (std::vector<HUDOption>{{"H", "Home things", true}}));
  EXPECT_EQ(lib->options(Keys{"H"}), (std::vector<HUDOption>{{"⏎", "Home things", false},
                                                             {"A", "Center", false},
                                                             {"B", "Borders", true},
                                                             {"O", "Format", true}}));
  EXPECT_EQ(lib->options(Keys{"H", "B"}), (std::vector<HUDOption>{{"⏎", "Borders", false}, {"X", "More", true}}));
  EXPECT_TRUE(lib->options(Keys{"Z"}).empty());
  EXPECT_EQ(lib->node(Keys{}), &lib->root());
}

TEST(Library, MacrosResolveAcrossFilesAndUserMacrosWin) {
  auto lib = build(R"({"macros": {"m": {"qat": 1}}, "shortcuts": [
      {"keys": "A", "do": {"use": "m"}},
      {"keys": "B", "do": {"use": "onlyInUser"}}
    ]})",
                   R"({"macros": {"m": {"qat": 9}, "onlyInUser": {"qat": 7}}})");
  // Replacing a built-in macro changes built-in shortcuts, so it is allowed but said.
  EXPECT_EQ(lib->warnings(), (std::vector<std::string>{
                                 "Your macro \"m\" replaces the built-in one, and with it every built-in shortcut that uses it"}));
  auto first = flatten(lib->shortcuts()[0].steps);
  EXPECT_EQ(first[0].as<QatStep>()->number, 9);
  EXPECT_EQ(flatten(lib->shortcuts()[1].steps)[0].as<QatStep>()->number, 7);
}

TEST(Library, MacroDepthCountsOnlyUseExpansions) {
  // m1 uses m2 ... m8 uses m9, each through a firstOf and a sequence (which do not count). The steps
  // of m_k are reached at depth k - (j - 1) when a shortcut starts the chain at m_j; depth 8 fails.
  std::string macros;
  for (int i = 1; i <= 8; ++i) {
    macros += "\"m" + std::to_string(i) + "\": {\"try\": {\"steps\": {\"use\": \"m" + std::to_string(i + 1) + "\"}}},";
  }
  macros += R"("m9": {"qat": 1})";
  auto lib = build(R"({"macros": {)" + macros + R"(}, "shortcuts": [
      {"keys": "A", "do": {"use": "m1"}},
      {"keys": "B", "do": {"use": "m2"}},
      {"keys": "C", "do": {"use": "m3"}},
      {"keys": "D", "do": {"use": "x"}},
      {"keys": "E", "do": {"use": "nope"}}
    ]})",
                   R"({"macros": {"x": {"use": "y"}, "y": [{"qat": 1}, {"use": "x"}]}})");
  EXPECT_EQ(keysOf(lib), (Keys{"C=C"}));
  EXPECT_EQ(lib->warnings(), (Keys{"Skipped built-in shortcut \"A\": Macros nested too deeply",
                                   "Skipped built-in shortcut \"B\": Macros nested too deeply",
                                   "Skipped built-in shortcut \"D\": Macros nested too deeply",
                                   "Skipped built-in shortcut \"E\": Unknown macro \"nope\""}));
}

TEST(Library, WarningsGolden) {
  auto lib = build(R"({"shortcuts": [
      {"keys": "HO I", "do": {"qat": 1}},
      {"keys": "   ", "do": {"qat": 1}},
      {"keys": "A", "do": {"qat": "x"}},
      {"keys": "B", "do": []},
      {"keys": "C"},
      {"keys": "D", "do": {"tab": "Home"}},
      {"keys": "E", "do": {"key": "cmd+pgup"}}
    ]})",
                   "{ not json");
  std::string text;
  for (const auto& w : lib->warnings()) text += w + "\n";
  testing::expectGolden("model/library_warnings.golden", text);

  auto unreadable = ShortcutLibrary::build(
      ShortcutSource{"built-in", "shortcuts.json",
                     []() -> std::expected<std::string, std::string> { return std::unexpected("No such file"); }},
      std::nullopt);
  EXPECT_EQ(unreadable->warnings(), (Keys{"Couldn't read built-in shortcuts file (shortcuts.json): No such file"}));
  EXPECT_TRUE(unreadable->shortcuts().empty());
}

TEST(Library, BrokenUserFileKeepsBuiltIns) {
  auto lib = build(kBuiltin, R"({"shortcuts": [{"name": "no keys"}]})");
  EXPECT_EQ(lib->shortcuts().size(), 5u);
  EXPECT_EQ(lib->warnings(), (Keys{"Couldn't read your shortcuts file (my-shortcuts.json): missing \"keys\""}));
}

TEST(Library, TipTargets) {
  auto lib = build(R"({"tips": {"h": "tab:Home", "H Z": "corner:Font"}, "shortcuts": [
      {"keys": "H O I", "do": {"try": [{"key": "cmd+1"}, {"ribbon": "Format", "item": "Column > AutoFit"}, {"ribbon": "Plain"}]}},
      {"keys": "H W", "do": {"steps": [{"ribbon": "Wrap Text|Wrap"}]}},
      {"keys": "H Z", "do": {"qat": 1}},
      {"keys": "1", "do": [{"key": "cmd+1"}, {"qat": 4}]},
      {"keys": "2", "do": {"titlebar": "Share"}},
      {"keys": "3", "do": {"key": "cmd+1"}}
    ]})");
  using K = TipTarget::Kind;
  EXPECT_EQ(lib->tipTarget(Keys{"H"}, false), (TipTarget{K::tab, {"Home"}, 0}));
  EXPECT_EQ(lib->tipTarget(Keys{"H", "Z"}, false), (TipTarget{K::corner, {"Font"}, 0}));
  // Outside a menu the item-less ribbon step counts; inside a menu the item's last level does.
  EXPECT_EQ(lib->tipTarget(Keys{"H", "O", "I"}, false), (TipTarget{K::control, {"Plain"}, 0}));
  EXPECT_EQ(lib->tipTarget(Keys{"H", "O", "I"}, true), (TipTarget{K::control, {"AutoFit"}, 0}));
  EXPECT_EQ(lib->tipTarget(Keys{"H", "W"}, false), (TipTarget{K::control, {"Wrap Text", "Wrap"}, 0}));
  EXPECT_FALSE(lib->tipTarget(Keys{"H", "W"}, true));
  EXPECT_EQ(lib->tipTarget(Keys{"1"}, false), (TipTarget{K::qat, {}, 4}));
  EXPECT_EQ(lib->tipTarget(Keys{"2"}, false), (TipTarget{K::titlebar, {"Share"}, 0}));
  EXPECT_FALSE(lib->tipTarget(Keys{"3"}, false));
  EXPECT_FALSE(lib->tipTarget(Keys{"H", "O"}, false));
}

TEST(Library, PlannedTipsByLevel) {
  auto lib = build(R"({"tips": {"H": "tab:Home", "H B": "Borders"}, "shortcuts": [
      {"keys": "H W", "do": {"ribbon": "Wrap Text"}},
      {"keys": "H B O", "do": {"ribbon": "Borders", "item": "Bottom Border"}},
      {"keys": "H X Y Z W", "do": {"ribbon": "Deep"}},
      {"keys": "H X A", "do": {"ribbon": "Two"}},
      {"keys": "H X Y C", "do": {"ribbon": "Three"}},
      {"keys": "H Q", "do": {"qat": 3}},
      {"keys": "1", "do": {"qat": 1}},
      {"keys": "2", "do": {"ribbon": "Not at root"}}
    ]})");
  auto root = lib->plannedTips(Keys{}, false);
  ASSERT_EQ(root.size(), 2u);
  EXPECT_EQ(root[0].text, "1");
  EXPECT_EQ(root[1].text, "H");
  EXPECT_TRUE(root[1].opensMenu);

  std::vector<std::string> texts;
  for (const auto& tip : lib->plannedTips(Keys{"H"}, false)) texts.push_back(tip.text);
  // Q is a qat target (root-only), X has no target of its own, so its children get two- and
  // three-letter badges; the four-key path is never planned.
  EXPECT_EQ(texts, (Keys{"B", "W", "XA", "XYC"}));

  auto menu = lib->plannedTips(Keys{"H", "B"}, true);
  ASSERT_EQ(menu.size(), 1u);
  EXPECT_EQ(menu[0].keys, (Keys{"H", "B", "O"}));
  EXPECT_EQ(menu[0].target.labels, Keys{"Bottom Border"});
  EXPECT_TRUE(lib->plannedTips(Keys{"Z"}, false).empty());
}

TEST(LibraryLint, SystemKeystrokesAndWaitsOverAMinuteAreWarnedOfWhereverTheyHide) {
  auto lib = build(R"({"macros": {"spot": {"key": "cmd+space"}}, "shortcuts": [
      {"keys": "Q A", "name": "Spotlight", "do": {"use": "spot"}},
      {"keys": "Q B", "name": "Apps", "do": {"try": [{"ribbon": "Bold"}, {"key": "cmd+tab"}]}},
      {"keys": "Q C", "name": "Lock", "do": {"steps": [{"key": "ctrl+cmd+q"}], "optional": true}},
      {"keys": "Q D", "name": "Day", "do": [{"wait": 86400000}, {"key": "return"}]},
      {"keys": "Q E", "name": "Minute", "do": [{"wait": 60000}, {"key": "cmd+b"}, {"key": "opt+space"}]},
      {"keys": "Q F", "name": "Shot", "do": {"key": "cmd+shift+3"}}
    ]})");
  std::vector<std::string> expected{
      "In built-in shortcut \"Q A\", the keystroke ⌘Space never reaches Excel: macOS opens Spotlight",
      "In built-in shortcut \"Q B\", the keystroke ⌘Tab never reaches Excel: macOS switches applications",
      "In built-in shortcut \"Q C\", the keystroke ⌃⌘Q never reaches Excel: macOS locks the screen",
      "In built-in shortcut \"Q D\", a wait of 86400 seconds is cut to 60: a run waits a minute at most",
      "In built-in shortcut \"Q F\", the keystroke ⇧⌘3 never reaches Excel: macOS takes a screenshot"};
  EXPECT_EQ(lib->warnings(), expected) << "a minute exactly, ⌘B and ⌥ Space are fine";
  EXPECT_EQ(lib->shortcuts().size(), 6u) << "warned of, never skipped";
}

}  // namespace
}  // namespace corvane::model

namespace corvane::model {
namespace {

// What lint says of a user file beyond what fails to decode: each of these was silent before.
TEST(LibraryLint, MistakesThatLoadButDoNotDoWhatTheUserMeant) {
  auto lib = build(R"({"macros": {"goTo": {"qat": 1}}, "shortcuts": [{"keys": "E G", "do": {"use": "goTo"}},
                                                                       {"keys": "H O I", "name": "AutoFit", "do": {"qat": 2}}]})",
                   "{\"shortcut\": [], \"_help\": [\"comments are fine\"], \"macros\": {\"goTo\": {\"key\": \"cmd+a\"}},"
                   " \"shortcuts\": [{\"keys\": \"q g\", \"do\": {\"qat\": 3}}, {\"keys\": \"Q G\", \"do\": {\"qat\": 4}},"
                   " {\"keys\": \"Q \\u200b\", \"do\": {\"qat\": 5}}, {\"keys\": \"Q \\u0000\", \"do\": {\"qat\": 5}},"
                   " {\"keys\": \"Q \\ufeff\", \"do\": {\"qat\": 6}}, {\"keys\": \"H O I\", \"name\": \"Mine\", \"do\": {\"qat\": 7}}]}");
  std::vector<std::string> expected{
      "Ignored \"shortcut\" in your shortcuts file (my-shortcuts.json): only groups, tips, macros and shortcuts are read",
      "Your macro \"goTo\" replaces the built-in one, and with it every built-in shortcut that uses it",
      "\"q g\" and \"Q G\" in your shortcuts file are the same keys (case doesn't matter): the later one is used",
      "Skipped your shortcut \"Q \u200b\": a key nobody can type (U+200B)",
      std::string("Skipped your shortcut \"Q ") + '\0' + "\": a key nobody can type (U+0000)",
      "Skipped your shortcut \"Q \ufeff\": a key nobody can type (U+FEFF)"};
  EXPECT_EQ(lib->warnings(), expected);
  EXPECT_TRUE(lib->replacesBuiltin("H O I"));
  EXPECT_FALSE(lib->replacesBuiltin("E G"));
  EXPECT_FALSE(lib->replacesBuiltin("Q G")) << "new keys replace nothing";
  EXPECT_EQ(lib->shortcut(std::vector<std::string>{"Q", "G"})->steps.at(0).as<QatStep>()->number, 4);
}

TEST(LibraryLint, KeysTheEditorRefusesAreNamedAndStillLoad) {
  // Each shortcut the editor would refuse is named once, by the editor's own judgement.
  auto lib = build(kBuiltin, R"({"groups": {"Q": "Quick"}, "shortcuts": [
      {"keys": "H", "name": "Home alone", "do": {"qat": 1}},
      {"keys": "H W X", "name": "Wrap more", "do": {"qat": 2}},
      {"keys": "Q", "name": "Q alone", "do": {"qat": 3}},
      {"keys": "Q A", "name": "Q and A", "do": {"qat": 4}},
      {"keys": "V W X Y Z", "name": "Five", "do": {"qat": 5}},
      {"keys": "Z Y", "name": "Fine", "do": {"qat": 6}}]})");
  EXPECT_EQ(lib->warnings(),
            (Keys{"In your shortcut \"H\", ⌥ H starts Home, so “Home alone” runs only with Return; the editor refuses "
                  "these keys",
                  "In your shortcut \"H W X\", ⌥ H W already runs “Wrap Text”, which now waits for Return; the editor "
                  "refuses these keys",
                  "In your shortcut \"Q\", ⌥ Q starts Quick, so “Q alone” runs only with Return; the editor refuses these "
                  "keys",
                  "In your shortcut \"Q A\", ⌥ Q already runs “Q alone”, which now waits for Return; the editor refuses "
                  "these keys",
                  "In your shortcut \"V W X Y Z\", 5 keys: more than the 4 the editor records, so it can only be changed "
                  "by hand"}));
  EXPECT_EQ(lib->shortcuts().size(), 11u) << "warned of, not skipped";
  // The built-in file is the implementer's: its own shapes are not linted.
  EXPECT_TRUE(build(R"({"shortcuts": [{"keys": "A", "do": {"qat": 1}}, {"keys": "A B", "do": {"qat": 2}}]})")
                  ->warnings()
                  .empty());
}

TEST(LibraryClash, KeysAreJudgedAsIfTheirOwnShortcutWereReplaced) {
  using Kind = SequenceClash::Kind;
  auto lib = build(kBuiltin, R"({"shortcuts": [{"keys": "Q", "do": {"qat": 3}}, {"keys": "Q A", "do": {"qat": 4}},
                                              {"keys": "Q B C", "do": {"qat": 5}}]})");
  auto clash = [&](const Keys& keys) { return lib->clash(keys); };
  EXPECT_EQ(clash({"H", "Z"}), std::nullopt);
  EXPECT_EQ(clash({"H", "O", "I"}), std::nullopt) << "replacing a leaf is fine";
  EXPECT_EQ(clash({"H"}), (SequenceClash{Kind::startsGroup, {}, "Home"}));
  EXPECT_EQ(clash({"H", "O"}), (SequenceClash{Kind::startsGroup, {}, "Format"}));
  EXPECT_EQ(clash({"Q"}), (SequenceClash{Kind::startsGroup, {}, "other shortcuts"})) << "its own name is no group's";
  EXPECT_EQ(clash({"1", "A"}), (SequenceClash{Kind::prefixRuns, {"1"}, "First button"}));
  EXPECT_EQ(clash({"H", "1", "A", "B"}), (SequenceClash{Kind::prefixRuns, {"H", "1"}, "Bold"}));
  // Q has Q A and Q B C below it: taking one away leaves it a group, so neither clashes through Q...
  EXPECT_EQ(clash({"Q", "A"}), std::nullopt);
  EXPECT_EQ(clash({"Q", "B", "C"}), std::nullopt);
  EXPECT_EQ(clash({"Q", "Z"}), std::nullopt);
  // ...but with only one shortcut below, Q would end there.
  auto single = build(kBuiltin, R"({"shortcuts": [{"keys": "Q", "do": {"qat": 3}}, {"keys": "Q B C", "do": {"qat": 5}}]})");
  EXPECT_EQ(single->clash(Keys{"Q", "B", "C"}), (SequenceClash{Kind::prefixRuns, {"Q"}, "Q"}));
  EXPECT_EQ(single->clash(Keys{"Q", "B"}), (SequenceClash{Kind::startsGroup, {}, "other shortcuts"}));
  EXPECT_EQ(single->clash(Keys{"A", "B", "C", "D", "E"}), (SequenceClash{Kind::tooLong, {}, {}}));
  EXPECT_EQ(single->clash(Keys{"A", "B", "C", "D"}), std::nullopt);
}

}  // namespace
}  // namespace corvane::model

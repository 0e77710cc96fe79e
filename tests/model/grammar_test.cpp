#include <gtest/gtest.h>

#include <cctype>

#include "model/grammar.hpp"
#include "model/key_combo.hpp"
#include "model/key_names.hpp"

namespace corvane::model {
namespace {

using Keys = std::vector<std::string>;

TEST(KeySequence, SplitsAtSpacesOnlyAndUpperCases) {
  EXPECT_EQ(*parseKeySequence("h  o i"), (Keys{"H", "O", "I"}));
  EXPECT_EQ(*parseKeySequence("  q g "), (Keys{"Q", "G"}));
  EXPECT_EQ(*parseKeySequence("1 /"), (Keys{"1", "/"}));
  // A tab is not a separator, so "h\to" is one two-character key.
  EXPECT_FALSE(parseKeySequence("h\to").has_value());
}

TEST(KeySequence, EmptyAndBlankFail) {
  EXPECT_EQ(parseKeySequence("").error().description, "Empty key sequence");
  EXPECT_EQ(parseKeySequence("   ").error().description, "Empty key sequence");
}

TEST(KeySequence, MultiCharacterKeyQuotesTheWholeInput) {
  EXPECT_EQ(parseKeySequence("HO I").error().description,
            "\"HO I\": each key must be a single character, separated by spaces");
  EXPECT_EQ(parseKeySequence(" h oi ").error().description,
            "\" h oi \": each key must be a single character, separated by spaces");
}

TEST(KeySequence, OneUserPerceivedCharacterIsOneKey) {
  // Precomposed and decomposed É, the Option sign and a flag each count as one character.
  EXPECT_EQ(*parseKeySequence("\xC3\xA9"), (Keys{"\xC3\x89"}));
  EXPECT_EQ(*parseKeySequence("e\xCC\x81 x"), (Keys{"E\xCC\x81", "X"}));
  EXPECT_EQ(*parseKeySequence("⌥"), (Keys{"⌥"}));
  EXPECT_EQ(parseKeySequence("\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA").value().size(), 1u);
  // Unicode-aware upper-casing.
  EXPECT_EQ(*parseKeySequence("ж"), (Keys{"Ж"}));
}

TEST(KeyNames, TableHasEightyOneEntriesWithDistinctNames) {
  auto table = keyNameTable();
  ASSERT_EQ(table.size(), 81u);
  for (std::size_t i = 0; i < table.size(); ++i) {
    for (std::size_t j = i + 1; j < table.size(); ++j) EXPECT_NE(table[i].name, table[j].name);
  }
  EXPECT_EQ(keyCodeForName("enter"), 76);
  EXPECT_EQ(keyCodeForName("return"), 36);
  EXPECT_EQ(keyCodeForName("backspace"), keyCodeForName("delete"));
  EXPECT_EQ(keyCodeForName("\\"), 42);
  EXPECT_EQ(keyCodeForName("f10"), 109);
  EXPECT_FALSE(keyCodeForName("pgup").has_value());
  EXPECT_FALSE(keyCodeForName("A").has_value()) << "names are lower-case";
}

TEST(KeyNames, ReverseLookups) {
  EXPECT_EQ(oneCharacterNameForCode(4), "H");
  EXPECT_EQ(oneCharacterNameForCode(27), "-");
  EXPECT_FALSE(oneCharacterNameForCode(36).has_value());
  EXPECT_EQ(shortestNameForCode(53), "esc");
  EXPECT_EQ(shortestNameForCode(51), "delete");
  EXPECT_EQ(shortestNameForCode(27), "-");
  EXPECT_EQ(shortestNameForCode(96), "f5");
  EXPECT_FALSE(shortestNameForCode(200).has_value());
}

TEST(KeyNames, EveryNamedKeyIsClassifiedOnce) {
  // A key is a function key, a navigation key or neither; the named F keys and the keys above
  // the arrows are what the classification says, and no typing key is taken for either.
  for (const auto& entry : keyNameTable()) {
    bool function = keycode::isFunctionKey(entry.code);
    bool navigation = keycode::isNavigationKey(entry.code);
    EXPECT_FALSE(function && navigation) << entry.name;
    bool namedF = entry.name.size() >= 2 && entry.name[0] == 'f' && std::isdigit(entry.name[1]);
    EXPECT_EQ(function, namedF) << entry.name;
    bool namedNavigation = entry.name == "home" || entry.name == "end" || entry.name == "pageup" ||
                           entry.name == "pagedown" || entry.name == "forwarddelete" || entry.name == "left" ||
                           entry.name == "right" || entry.name == "up" || entry.name == "down";
    EXPECT_EQ(navigation, namedNavigation) << entry.name;
  }
  EXPECT_EQ(keycode::kFunctionKeys[0], *keyCodeForName("f1"));
  EXPECT_EQ(keycode::kFunctionKeys[11], *keyCodeForName("f12"));
  EXPECT_TRUE(keycode::isFunctionKey(90));   // F20, unnamed but still a function key
  EXPECT_FALSE(keycode::isArrowKey(122));
  EXPECT_TRUE(keycode::isArrowKey(keycode::kUp) && keycode::isArrowKey(keycode::kLeft));
}

TEST(KeyCombo, ParsesModifiersInAnyCaseAndSpacing) {
  auto combo = parseKeyCombo("Cmd+Shift+F5");
  ASSERT_TRUE(combo);
  EXPECT_EQ(combo->keyCode, 96);
  EXPECT_TRUE(combo->command);
  EXPECT_TRUE(combo->shift);
  EXPECT_FALSE(combo->option);
  EXPECT_FALSE(combo->control);
  EXPECT_EQ(combo->text, "Cmd+Shift+F5");

  auto spaced = parseKeyCombo("ctrl + a");
  ASSERT_TRUE(spaced);
  EXPECT_TRUE(spaced->control);
  EXPECT_EQ(spaced->keyCode, 0);

  auto symbols = parseKeyCombo("⌥+⇧+K");
  ASSERT_TRUE(symbols);
  EXPECT_TRUE(symbols->option && symbols->shift);
  EXPECT_EQ(symbols->keyCode, 40);

  auto repeated = parseKeyCombo("cmd+command+\t⌘ +s");
  ASSERT_TRUE(repeated);
  EXPECT_TRUE(repeated->command);
}

TEST(KeyCombo, ErrorMessagesQuoteTheInput) {
  EXPECT_EQ(parseKeyCombo("cmd+").error().description, "Key combo \"cmd+\" has no key");
  EXPECT_EQ(parseKeyCombo("").error().description, "Key combo \"\" has no key");
  EXPECT_EQ(parseKeyCombo("cmd+ ").error().description, "Key combo \"cmd+ \" has no key");
  EXPECT_EQ(parseKeyCombo("Hyper+a").error().description, "Unknown modifier \"hyper\" in \"Hyper+a\"");
  EXPECT_EQ(parseKeyCombo("cmd+PgUp").error().description, "Unknown key \"pgup\" in \"cmd+PgUp\"");
  EXPECT_EQ(parseKeyCombo("⌘⇧k").error().description, "Unknown key \"⌘⇧k\" in \"⌘⇧k\"");
  EXPECT_EQ(parseKeyCombo("+a").error().description, "Unknown modifier \"\" in \"+a\"");
}

TEST(KeyCombo, DisplayTextOrdersModifiersAndCapitalises) {
  EXPECT_EQ(displayText(*parseKeyCombo("cmd+shift+l")), "⇧⌘L");
  EXPECT_EQ(displayText(*parseKeyCombo("ctrl+alt+F12")), "⌃⌥F12");
  EXPECT_EQ(displayText(*parseKeyCombo("shift+ctrl+cmd+opt+pagedown")), "⌃⌥⇧⌘Pagedown");
  EXPECT_EQ(displayText(*parseKeyCombo("ctrl + a")), "⌃A");
  EXPECT_EQ(displayText(*parseKeyCombo("=")), "=");
  EXPECT_EQ(displayText(*parseKeyCombo("RETURN")), "Return");
}

TEST(Alternatives, SplitTrimAndDropEmpty) {
  EXPECT_EQ(splitAlternatives("AutoFit Column Width | AutoFit Columns"),
            (Keys{"AutoFit Column Width", "AutoFit Columns"}));
  EXPECT_TRUE(splitAlternatives("").empty());
  EXPECT_TRUE(splitAlternatives("|").empty());
  EXPECT_EQ(splitAlternatives(" a || b |"), (Keys{"a", "b"}));
}

TEST(MenuPath, SplitsAtSpacedArrowAndKeepsEmptyLevels) {
  EXPECT_EQ(splitMenuPath("Format > Column > AutoFit Selection|AutoFit"),
            (MenuPath{{"Format"}, {"Column"}, {"AutoFit Selection", "AutoFit"}}));
  EXPECT_EQ(splitMenuPath("Format>Cells"), (MenuPath{{"Format>Cells"}}));
  EXPECT_EQ(splitMenuPath("Edit >  > Paste"), (MenuPath{{"Edit"}, {}, {"Paste"}}));
  EXPECT_EQ(splitMenuPath(""), (MenuPath{{}}));
}

TEST(LeadingRibbonTarget, DescendsIntoFirstChildrenOnly) {
  RibbonStep ribbon{{"Wrap Text"}, "Home", MenuPath{{"Item"}}, RibbonAction::menu};
  Step nested = FirstOfStep{{SequenceStep{{ribbon, KeyStep{*parseKeyCombo("cmd+1")}}, false}}};
  auto target = leadingRibbonTarget(nested);
  ASSERT_TRUE(target);
  EXPECT_EQ(target->labels, Keys{"Wrap Text"});
  EXPECT_EQ(target->item, (MenuPath{{"Item"}}));
  EXPECT_EQ(target->action, RibbonAction::menu);

  Step keyFirst = FirstOfStep{{KeyStep{*parseKeyCombo("cmd+1")}, ribbon}};
  EXPECT_FALSE(leadingRibbonTarget(keyFirst));
  EXPECT_FALSE(leadingRibbonTarget(Step{FirstOfStep{}}));
  EXPECT_FALSE(leadingRibbonTarget(Step{QatStep{1}}));
}

TEST(Flatten, ReplacesGroupingStepsByTheirChildrenInOrder) {
  std::vector<Step> steps{QatStep{1}, FirstOfStep{{QatStep{2}, SequenceStep{{QatStep{3}}, true}}}, QatStep{4}};
  std::vector<Step> expected{QatStep{1}, QatStep{2}, QatStep{3}, QatStep{4}};
  EXPECT_EQ(flatten(steps), expected);
}

}  // namespace
}  // namespace corvane::model

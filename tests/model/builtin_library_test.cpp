// The shipped shortcuts file: it loads cleanly, every key path it labels exists, and its steps keep
// the rules the file is written by (a tab on every ribbon step, keystrokes as the last resort).

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "model/grammar.hpp"
#include "model/shortcut_library.hpp"
#include "support/builtin_library.hpp"

namespace corvane::model {
namespace {

using corvane::testing::builtinLibrary;
using corvane::testing::forEachStep;
using Keys = std::vector<std::string>;

const std::map<std::string, std::string> kTabs{{"H", "Home"},     {"N", "Insert"}, {"P", "Page Layout"},
                                               {"M", "Formulas"}, {"A", "Data"},   {"R", "Review"},
                                               {"W", "View"}};

Keys parsed(const std::string& keyText) {
  auto keys = parseKeySequence(keyText);
  EXPECT_TRUE(keys.has_value()) << keyText;
  return keys.value_or(Keys{});
}

void walk(const TrieNode& node, Keys& path, const std::function<void(const Keys&, const TrieNode&)>& visit) {
  visit(path, node);
  for (const auto& [key, child] : node.children()) {
    path.push_back(key);
    walk(*child, path, visit);
    path.pop_back();
  }
}

TEST(BuiltinLibrary, LoadsWithoutWarningsAndHoldsTheFullSet) {
  auto lib = builtinLibrary();
  EXPECT_EQ(lib->warnings(), Keys{});
  EXPECT_GE(lib->shortcuts().size(), 300u);
}

TEST(BuiltinLibrary, RootHoldsTheTabsTheQuickAccessDigitsAndTheOldMenusButLeavesQFree) {
  auto lib = builtinLibrary();
  std::set<std::string> root;
  for (const auto& [key, child] : lib->root().children()) root.insert(key);
  std::set<std::string> expected{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "H", "N", "P", "M",
                                 "A", "R", "W", "E", "I", "O", "D", "T", "F"};
  EXPECT_EQ(root, expected);
  EXPECT_EQ(lib->node(Keys{"Q"}), nullptr);
}

TEST(BuiltinLibrary, EveryGroupAndTipKeyNamesAnExistingNode) {
  auto lib = builtinLibrary();
  for (const auto& [keys, label] : lib->groups()) {
    const auto* node = lib->node(parsed(keys));
    ASSERT_NE(node, nullptr) << "group " << keys;
    EXPECT_TRUE(node->hasChildren()) << "group " << keys << " leads nowhere";
    EXPECT_FALSE(label.empty()) << keys;
  }
  for (const auto& [keys, target] : lib->tips()) {
    EXPECT_NE(lib->node(parsed(keys)), nullptr) << "tip " << keys;
  }
}

TEST(BuiltinLibrary, NoKeyListRowSaysMore) {
  auto lib = builtinLibrary();
  Keys path;
  int groupsSeen = 0;
  walk(lib->root(), path, [&](const Keys& at, const TrieNode& node) {
    if (!node.hasChildren()) return;
    ++groupsSeen;
    EXPECT_TRUE(lib->groups().contains(keyPathText(at)) || at.empty()) << keyPathText(at) << " has no group label";
    for (const auto& option : lib->options(at)) {
      EXPECT_NE(option.label, "More") << keyPathText(at) << " " << option.key;
    }
  });
  EXPECT_GT(groupsSeen, 40);
}

TEST(BuiltinLibrary, EveryTabKeyHasATabTipAndTheHomeLetterOfItsTab) {
  auto lib = builtinLibrary();
  for (const auto& [key, tab] : kTabs) {
    ASSERT_TRUE(lib->tips().contains(key)) << key;
    EXPECT_EQ(lib->tips().at(key), "tab:" + tab);
    EXPECT_EQ(lib->groups().at(key), tab);
    auto target = lib->tipTarget(Keys{key}, false);
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->kind, TipTarget::Kind::tab);
  }
}

TEST(BuiltinLibrary, DigitsPressTheQuickAccessButtonsByPosition) {
  auto lib = builtinLibrary();
  std::vector<std::pair<Keys, std::int64_t>> expected;
  for (int n = 1; n <= 9; ++n) expected.push_back({Keys{std::to_string(n)}, n});
  for (int digit = 9, n = 10; digit >= 4; --digit, ++n) expected.push_back({Keys{"0", std::to_string(digit)}, n});
  for (const auto& [keys, number] : expected) {
    const auto* shortcut = lib->shortcut(keys);
    ASSERT_NE(shortcut, nullptr) << keyPathText(keys);
    ASSERT_EQ(shortcut->steps.size(), 1u);
    const auto* qat = shortcut->steps[0].as<QatStep>();
    ASSERT_NE(qat, nullptr) << keyPathText(keys);
    EXPECT_EQ(qat->number, number) << keyPathText(keys);
    EXPECT_EQ(lib->tipTarget(keys, false), (TipTarget{TipTarget::Kind::qat, {}, number}));
  }
  // 0 alone only leads on: the tenth button is 0 9, as in Excel for Windows.
  EXPECT_EQ(lib->shortcut(Keys{"0"}), nullptr);
}

TEST(BuiltinLibrary, TabShortcutsNameTheirOwnTabOnEveryRibbonStep) {
  auto lib = builtinLibrary();
  for (const auto& shortcut : lib->shortcuts()) {
    auto tab = kTabs.find(shortcut.keys.front());
    forEachStep(shortcut.steps, [&](const Step& step) {
      const auto* ribbon = step.as<RibbonStep>();
      if (ribbon == nullptr) return;
      // Without a tab a run from another tab would look for the control in the wrong place.
      ASSERT_TRUE(ribbon->tab.has_value()) << keyPathText(shortcut.keys);
      if (tab != kTabs.end()) {
        EXPECT_EQ(*ribbon->tab, tab->second) << keyPathText(shortcut.keys);
      }
      EXPECT_FALSE(ribbon->labels.empty()) << keyPathText(shortcut.keys);
    });
    if (tab != kTabs.end()) {
      ASSERT_FALSE(shortcut.steps.empty());
      EXPECT_TRUE(leadingRibbonTarget(shortcut.steps.front()).has_value())
          << keyPathText(shortcut.keys) << " should start on the ribbon";
    }
  }
}

TEST(BuiltinLibrary, KeystrokesAreTheLastResort) {
  auto lib = builtinLibrary();
  int fallbacks = 0;
  for (const auto& shortcut : lib->shortcuts()) {
    forEachStep(shortcut.steps, [&](const Step& step) {
      const auto* choice = step.as<FirstOfStep>();
      if (choice == nullptr) return;
      EXPECT_GE(choice->steps.size(), 2u) << keyPathText(shortcut.keys);
      bool keySeen = false;
      for (const auto& alternative : choice->steps) {
        if (alternative.is<KeyStep>()) {
          keySeen = true;
          ++fallbacks;
          continue;
        }
        EXPECT_FALSE(keySeen) << keyPathText(shortcut.keys) << ": a step after a keystroke never runs";
      }
    });
  }
  EXPECT_GT(fallbacks, 50);
}

TEST(BuiltinLibrary, RibbonCommandsThatExcelForMacHasInItsMenusFallBackToThem) {
  auto lib = builtinLibrary();
  auto menuOf = [&](const std::string& keys) {
    const auto* shortcut = lib->shortcut(parsed(keys));
    EXPECT_NE(shortcut, nullptr) << keys;
    MenuPath found;
    if (shortcut == nullptr) return found;
    for (const auto& step : flatten(shortcut->steps)) {
      if (const auto* menu = step.as<MenuStep>(); menu != nullptr && found.empty()) found = menu->path;
    }
    return found;
  };
  EXPECT_EQ(menuOf("H O I"), splitMenuPath("Format > Column > AutoFit Selection"));
  EXPECT_EQ(menuOf("H O A"), splitMenuPath("Format > Row > AutoFit"));
  EXPECT_EQ(menuOf("H O R"), splitMenuPath("Format > Sheet > Rename"));
  EXPECT_EQ(menuOf("A T"), splitMenuPath("Data > AutoFilter|Filter"));
  EXPECT_EQ(menuOf("H O E"), splitMenuPath("Format > Cells…"));
  EXPECT_EQ(menuOf("O C A"), splitMenuPath("Format > Column > AutoFit Selection"));
  EXPECT_EQ(menuOf("I R"), splitMenuPath("Insert > Rows"));
  EXPECT_EQ(menuOf("D F F"), splitMenuPath("Data > AutoFilter|Filter"));
  EXPECT_EQ(menuOf("E S V"), splitMenuPath("Edit > Paste Special…"));
}

TEST(BuiltinLibrary, AbsorbOnlyFollowsCommandsThatWaitForTypingOrReturn) {
  auto lib = builtinLibrary();
  for (const auto& shortcut : lib->shortcuts()) {
    bool focuses = false;
    bool clicks = false;
    forEachStep(shortcut.steps, [&](const Step& step) {
      if (const auto* r = step.as<RibbonStep>(); r != nullptr && r->action == RibbonAction::focus) focuses = true;
      if (step.is<ClickStep>()) clicks = true;
    });
    if (focuses) {
      EXPECT_EQ(shortcut.absorb, "return") << keyPathText(shortcut.keys);
    }
    if (shortcut.absorb) {
      EXPECT_TRUE(focuses || clicks) << keyPathText(shortcut.keys);
    }
  }
}

TEST(BuiltinLibrary, EveryMenuItemShortcutHasABadgeTargetInsideItsOpenMenu) {
  auto lib = builtinLibrary();
  int items = 0;
  for (const auto& shortcut : lib->shortcuts()) {
    if (kTabs.find(shortcut.keys.front()) == kTabs.end()) continue;
    auto leading = leadingRibbonTarget(shortcut.steps.front());
    if (!leading || !leading->item || leading->item->empty()) continue;
    ++items;
    auto target = lib->tipTarget(shortcut.keys, true);
    ASSERT_TRUE(target.has_value()) << keyPathText(shortcut.keys);
    EXPECT_EQ(target->kind, TipTarget::Kind::control);
    EXPECT_EQ(target->labels, leading->item->back()) << keyPathText(shortcut.keys);
    // The key that opens the menu has a badge target of its own (the dropdown), or is planned as
    // part of a two-letter badge one level up.
    Keys opener(shortcut.keys.begin(), shortcut.keys.end() - 1);
    if (leading->item->size() == 1 && opener.size() >= 2) {
      auto openerTarget = lib->tipTarget(opener, false);
      ASSERT_TRUE(openerTarget.has_value()) << keyPathText(opener);
      EXPECT_EQ(openerTarget->labels, leading->labels) << keyPathText(opener);
    }
  }
  EXPECT_GT(items, 100);
}

}  // namespace
}  // namespace corvane::model

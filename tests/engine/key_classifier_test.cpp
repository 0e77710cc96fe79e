#include "engine/key_classifier.hpp"

#include <gtest/gtest.h>

#include "model/text.hpp"
#include "platform/sim/sim_key_layout.hpp"
#include "test_library.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::engine {
namespace {

using platform::sim::SimKeyLayout;

class KeyClassifierTest : public ::testing::Test {
 protected:
  platform::sim::VirtualTime time;
  SimKeyLayout layout{time.main()};
  KeyClassifier classifier{layout};
};

TEST_F(KeyClassifierTest, FixedKeysDoNotAskTheLayout) {
  EXPECT_EQ(classifier.classify(36), EngineKey::enter());
  EXPECT_EQ(classifier.classify(76), EngineKey::enter());
  EXPECT_EQ(classifier.classify(49), EngineKey::space());
  EXPECT_EQ(classifier.classify(51), EngineKey::backspace());
  EXPECT_EQ(classifier.classify(53), EngineKey::escape());
  for (std::uint16_t code : {48, 64, 79, 80, 90, 96, 97, 98, 99, 100, 101, 103, 105, 106, 107, 109, 111, 113, 115,
                             116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126}) {
    EXPECT_EQ(classifier.classify(code), EngineKey::other()) << code;
  }
  EXPECT_EQ(layout.translationCount(), 0u);
}

TEST_F(KeyClassifierTest, TheUsLayoutGivesUpperCaseCharacters) {
  EXPECT_EQ(classifier.classify(4), EngineKey::ofChar("H"));
  EXPECT_EQ(classifier.classify(0), EngineKey::ofChar("A"));
  EXPECT_EQ(classifier.classify(18), EngineKey::ofChar("1"));
  EXPECT_EQ(classifier.classify(44), EngineKey::ofChar("/"));
  EXPECT_EQ(classifier.classify(41), EngineKey::ofChar(";"));
  EXPECT_EQ(classifier.classify(10), EngineKey::ofChar("§"));
  EXPECT_EQ(classifier.classify(83), EngineKey::ofChar("1"));  // keypad 1
}

TEST_F(KeyClassifierTest, KeysWithoutAUsableCharacterAreOther) {
  EXPECT_EQ(classifier.classify(71), EngineKey::other());   // keypad Clear types Escape
  EXPECT_EQ(classifier.classify(102), EngineKey::other());  // types nothing
  layout.overrideCharacter(5, "gg");
  layout.overrideCharacter(6, "\t");
  layout.overrideCharacter(7, "\u00a0");
  layout.overrideCharacter(8, "");
  for (std::uint16_t code : {5, 6, 7, 8}) EXPECT_EQ(classifier.classify(code), EngineKey::other()) << code;
}

TEST_F(KeyClassifierTest, ACyrillicSourceStillGivesLatinLetters) {
  layout.select(SimKeyLayout::Source::russian);
  EXPECT_EQ(classifier.classify(4), EngineKey::ofChar("H"));
  EXPECT_EQ(classifier.classify(31), EngineKey::ofChar("O"));
}

TEST_F(KeyClassifierTest, AnUntranslatableLayoutFallsBackToTheKeyNames) {
  layout.select(SimKeyLayout::Source::untranslatable);
  EXPECT_EQ(classifier.classify(4), EngineKey::ofChar("H"));
  EXPECT_EQ(classifier.classify(44), EngineKey::ofChar("/"));
  EXPECT_EQ(classifier.classify(50), EngineKey::ofChar("`"));
  EXPECT_EQ(classifier.classify(10), EngineKey::other());  // no one-character name
  EXPECT_EQ(classifier.classify(36), EngineKey::enter());
}

TEST_F(KeyClassifierTest, ResultsAreCachedUntilTheInputSourceChanges) {
  EXPECT_EQ(classifier.classify(4), EngineKey::ofChar("H"));
  auto asked = layout.translationCount();
  layout.overrideCharacter(4, "j");
  EXPECT_EQ(classifier.classify(4), EngineKey::ofChar("H"));  // cached
  EXPECT_EQ(layout.translationCount(), asked);
  EXPECT_EQ(classifier.cachedCount(), 1u);

  layout.select(SimKeyLayout::Source::untranslatable);
  layout.overrideCharacter(4, "j");
  // The notification arrives on the main queue, not at once.
  EXPECT_EQ(classifier.classify(4), EngineKey::ofChar("H"));
  time.runUntilIdle();
  EXPECT_EQ(classifier.cachedCount(), 0u);
  EXPECT_EQ(classifier.classify(4), EngineKey::ofChar("J"));
}

TEST_F(KeyClassifierTest, ANotificationAfterTheClassifierIsGoneIsHarmless) {
  {
    KeyClassifier shortLived{layout};
    (void)shortLived.classify(4);
    layout.select(SimKeyLayout::Source::russian);
  }
  time.runUntilIdle();
  EXPECT_EQ(classifier.classify(4), EngineKey::ofChar("H"));
}

TEST(CharacterKey, OneVisibleCharacterUpperCased) {
  EXPECT_EQ(characterKey("q"), EngineKey::ofChar("Q"));
  EXPECT_EQ(characterKey("ß"), EngineKey::ofChar(model::text::upper("ß")));  // as the key grammar spells it
  EXPECT_EQ(characterKey("é"), EngineKey::ofChar("É"));
  EXPECT_EQ(characterKey("e\u0301"), EngineKey::ofChar("E\u0301"));  // one character, two code points
  EXPECT_EQ(characterKey(" "), std::nullopt);
  EXPECT_EQ(characterKey("\x7f"), std::nullopt);
  EXPECT_EQ(characterKey("\xc2\x85"), std::nullopt);  // U+0085, a C1 control
  EXPECT_EQ(characterKey("ab"), std::nullopt);
  EXPECT_EQ(characterKey(""), std::nullopt);
}

}  // namespace
}  // namespace corvane::engine

#include "engine/sequence_engine.hpp"

#include <gtest/gtest.h>

#include "test_library.hpp"

namespace corvane::engine {
namespace {

using model::SearchTrigger;
using Path = std::vector<std::string>;

EngineKey ch(const char* c) { return EngineKey::ofChar(c); }

class SequenceEngineTest : public ::testing::Test {
 protected:
  SequenceEngine engine{testing::libraryFrom(testing::kKeyboardLibrary)};

  // Option pressed at `down`, released at `up`, nothing in between.
  EngineEffects tapOption(double down, double up) {
    EXPECT_TRUE(engine.flagsChanged(true, false, true, down).empty());
    return engine.flagsChanged(false, false, true, up);
  }
  KeyDownResult key(const EngineKey& k, double now, bool option = false, bool cmd = false, bool repeat = false,
                    bool allowed = true) {
    return engine.keyDown(k, option, cmd, repeat, allowed, now);
  }
  ShowEffect showAt(const Path& path) { return ShowEffect{path, engine.library()->options(path)}; }
  RunEffect runOf(const Path& keys) { return RunEffect{*engine.library()->shortcut(keys)}; }
};

TEST_F(SequenceEngineTest, StartsIdleWithTheDocumentedSettings) {
  EXPECT_FALSE(engine.inSequence());
  EXPECT_TRUE(engine.holdToStart());
  EXPECT_DOUBLE_EQ(engine.tapWindow(), 0.8);
  EXPECT_DOUBLE_EQ(engine.doubleTapWindow(), 0.45);
  EXPECT_EQ(engine.searchTrigger(), SearchTrigger::doubleTapOption);
  EXPECT_DOUBLE_EQ(engine.enteredAt(), -10);
  EXPECT_FALSE(engine.absorb().has_value());
}

TEST_F(SequenceEngineTest, ATapShowsTheRootAndALongerHoldDoesNothing) {
  EXPECT_EQ(tapOption(0, 0.5), (EngineEffects{showAt({})}));
  EXPECT_EQ(engine.path(), Path{});

  SequenceEngine held{testing::libraryFrom(testing::kKeyboardLibrary)};
  EXPECT_TRUE(held.flagsChanged(true, false, true, 0).empty());
  EXPECT_TRUE(held.flagsChanged(false, false, true, 0.9).empty());
  EXPECT_FALSE(held.inSequence());
}

TEST_F(SequenceEngineTest, ThePressArmsAndOnlyAnUntouchedPressCounts) {
  EXPECT_TRUE(engine.flagsChanged(true, false, true, 1).empty());
  EXPECT_TRUE(engine.optionCandidate());
  EXPECT_DOUBLE_EQ(engine.optionDownAt(), 1);
  // Shift while Option is held changes nothing.
  EXPECT_TRUE(engine.flagsChanged(true, false, true, 1.1).empty());
  EXPECT_TRUE(engine.optionCandidate());
  // A key typed while Option is down (not a shortcut's first key) makes it no tap.
  EXPECT_EQ(key(ch("Z"), 1.2, true), (KeyDownResult{false, {}}));
  EXPECT_TRUE(engine.flagsChanged(false, false, true, 1.3).empty());
  EXPECT_FALSE(engine.inSequence());
}

TEST_F(SequenceEngineTest, HoldToStartSwallowsTheFirstKeyAndTheReleaseIsNoTap) {
  EXPECT_TRUE(engine.flagsChanged(true, false, true, 0).empty());
  EXPECT_EQ(key(ch("H"), 0.1, true), (KeyDownResult{true, {showAt({"H"})}}));
  EXPECT_TRUE(engine.flagsChanged(false, false, true, 0.2).empty());
  EXPECT_EQ(engine.path(), Path{"H"});
  EXPECT_EQ(key(ch("W"), 0.3), (KeyDownResult{true, {HideEffect{}, runOf({"H", "W"})}}));
}

TEST_F(SequenceEngineTest, HoldToStartNeedsTheSettingAFirstKeyAndNoRepeatOrCommand) {
  engine.setHoldToStart(false);
  EXPECT_EQ(key(ch("H"), 0, true), (KeyDownResult{false, {}}));
  engine.setHoldToStart(true);
  EXPECT_EQ(key(ch("Z"), 0, true), (KeyDownResult{false, {}}));        // no shortcut starts with Z
  EXPECT_EQ(key(ch("H"), 0, true, true), (KeyDownResult{false, {}}));  // ⌥⌘H
  EXPECT_EQ(key(ch("H"), 0, true, false, true), (KeyDownResult{false, {}}));
  EXPECT_EQ(key(EngineKey::other(), 0, true), (KeyDownResult{false, {}}));
  EXPECT_FALSE(engine.inSequence());
  // A one-key shortcut runs at once.
  EXPECT_EQ(key(ch("Q"), 1, true), (KeyDownResult{true, {HideEffect{}, runOf({"Q"})}}));
  EXPECT_FALSE(engine.inSequence());
}

TEST_F(SequenceEngineTest, ASecondTapSoonAfterOpensTheSearchOnlyWithTheDoubleTapTrigger) {
  ASSERT_EQ(tapOption(1.0, 1.05), (EngineEffects{showAt({})}));
  EXPECT_EQ(tapOption(1.2, 1.35), (EngineEffects{HideEffect{}, OpenSearchEffect{}}));
  EXPECT_FALSE(engine.inSequence());

  for (auto trigger : {SearchTrigger::optionSlash, SearchTrigger::optionSpace, SearchTrigger::off}) {
    engine.setSearchTrigger(trigger);
    ASSERT_EQ(tapOption(10.0, 10.05), (EngineEffects{showAt({})}));
    EXPECT_EQ(tapOption(10.2, 10.35), (EngineEffects{HideEffect{}}));
  }
  engine.setSearchTrigger(SearchTrigger::doubleTapOption);
  ASSERT_EQ(tapOption(20.0, 20.05), (EngineEffects{showAt({})}));
  EXPECT_EQ(tapOption(20.3, 20.55), (EngineEffects{HideEffect{}}));  // 0.5 s after the first release
}

TEST_F(SequenceEngineTest, TheFirstTapEverIsNeverTheSecondOfADoubleTap) {
  // The start value of enteredAt keeps a tap at t = 0 from pairing with nothing.
  EXPECT_EQ(tapOption(0, 0.1), (EngineEffects{showAt({})}));
}

TEST_F(SequenceEngineTest, TappingAgainAfterTypingClosesTheKeyList) {
  ASSERT_EQ(tapOption(0, 0.1), (EngineEffects{showAt({})}));
  EXPECT_EQ(key(ch("H"), 0.2).effects, (EngineEffects{showAt({"H"})}));
  EXPECT_EQ(tapOption(0.3, 0.35), (EngineEffects{HideEffect{}}));
  EXPECT_FALSE(engine.inSequence());
}

TEST_F(SequenceEngineTest, CommandOrControlEndsTheSequenceAndPassesTheKey) {
  ASSERT_FALSE(tapOption(0, 0.1).empty());
  EXPECT_EQ(key(ch("C"), 0.5, false, true), (KeyDownResult{false, {HideEffect{}}}));
  EXPECT_FALSE(engine.inSequence());

  ASSERT_FALSE(tapOption(1, 1.1).empty());
  EXPECT_EQ(engine.flagsChanged(false, true, true, 1.5), (EngineEffects{HideEffect{}}));
  EXPECT_FALSE(engine.inSequence());
}

TEST_F(SequenceEngineTest, RepeatsInASequenceAreSwallowedSilently) {
  ASSERT_FALSE(tapOption(0, 0.1).empty());
  ASSERT_EQ(key(ch("H"), 0.2).effects, (EngineEffects{showAt({"H"})}));
  EXPECT_EQ(key(ch("H"), 0.7, false, false, true), (KeyDownResult{true, {}}));
  EXPECT_EQ(key(EngineKey::escape(), 0.8, false, false, true), (KeyDownResult{true, {}}));
  EXPECT_EQ(engine.path(), Path{"H"});
}

TEST_F(SequenceEngineTest, AWrongKeyStaysBackspaceGoesBackEscapeEnds) {
  ASSERT_FALSE(tapOption(0, 0.1).empty());
  ASSERT_EQ(key(ch("H"), 0.2).effects, (EngineEffects{showAt({"H"})}));
  EXPECT_EQ(key(ch("Z"), 0.3), (KeyDownResult{true, {InvalidKeyEffect{{"H"}, "Z"}}}));
  EXPECT_EQ(engine.path(), Path{"H"});
  EXPECT_EQ(key(EngineKey::backspace(), 0.4), (KeyDownResult{true, {showAt({})}}));
  EXPECT_EQ(engine.path(), Path{});
  EXPECT_EQ(key(EngineKey::escape(), 0.5), (KeyDownResult{true, {HideEffect{}}}));
  EXPECT_FALSE(engine.inSequence());
}

TEST_F(SequenceEngineTest, EscapeBelowTheTopGoesBackOneLevel) {
  ASSERT_FALSE(tapOption(0, 0.1).empty());
  (void)key(ch("H"), 0.2);
  (void)key(ch("O"), 0.3);
  EXPECT_EQ(key(EngineKey::escape(), 0.4), (KeyDownResult{true, {showAt({"H"})}}));
}

TEST_F(SequenceEngineTest, EnterRunsTheShortcutOfAPrefixNodeWhichListsItFirst) {
  ASSERT_FALSE(tapOption(0, 0.1).empty());
  auto shown = key(ch("N"), 0.2);
  ASSERT_EQ(shown.effects.size(), 1u);
  const auto& options = std::get<ShowEffect>(shown.effects[0]).options;
  ASSERT_EQ(options.size(), 2u);
  EXPECT_EQ(options[0], (model::HUDOption{"⏎", "Insert Menu", false}));
  EXPECT_EQ(options[1], (model::HUDOption{"T", "Table", false}));
  EXPECT_EQ(key(EngineKey::enter(), 0.3), (KeyDownResult{true, {HideEffect{}, runOf({"N"})}}));
  EXPECT_FALSE(engine.inSequence());

  ASSERT_FALSE(tapOption(1, 1.1).empty());
  (void)key(ch("N"), 1.2);
  EXPECT_EQ(key(ch("T"), 1.3), (KeyDownResult{true, {HideEffect{}, runOf({"N", "T"})}}));
}

TEST_F(SequenceEngineTest, EnterWithoutAShortcutHereOnlyEnds) {
  ASSERT_FALSE(tapOption(0, 0.1).empty());
  EXPECT_EQ(key(EngineKey::enter(), 0.2), (KeyDownResult{true, {HideEffect{}}}));
  ASSERT_FALSE(tapOption(1, 1.1).empty());
  (void)key(ch("H"), 1.2);
  EXPECT_EQ(key(EngineKey::enter(), 1.3), (KeyDownResult{true, {HideEffect{}}}));
}

TEST_F(SequenceEngineTest, SpaceAndOtherKeysEndTheSequenceSwallowed) {
  for (const auto& k : {EngineKey::space(), EngineKey::other()}) {
    ASSERT_FALSE(tapOption(0, 0.1).empty());
    EXPECT_EQ(key(k, 0.2), (KeyDownResult{true, {HideEffect{}}}));
    EXPECT_FALSE(engine.inSequence());
  }
}

TEST_F(SequenceEngineTest, AnAbsorbSwallowsOneMatchingPressBeforeItsDeadline) {
  auto runFontSize = [&](double at) {
    ASSERT_FALSE(tapOption(at - 1, at - 0.9).empty());
    (void)key(ch("H"), at - 0.5);
    (void)key(ch("F"), at - 0.2);
    ASSERT_EQ(key(ch("S"), at).effects, (EngineEffects{HideEffect{}, runOf({"H", "F", "S"})}));
  };
  runFontSize(10);
  EXPECT_EQ(engine.absorb(), (Absorb{EngineKey::enter(), 12.0}));
  EXPECT_EQ(key(EngineKey::enter(), 11.5), (KeyDownResult{true, {}}));
  EXPECT_EQ(key(EngineKey::enter(), 11.6), (KeyDownResult{false, {}}));

  runFontSize(20);
  EXPECT_EQ(key(EngineKey::enter(), 22.0), (KeyDownResult{true, {}}));  // not later than the deadline

  runFontSize(30);
  EXPECT_EQ(key(EngineKey::enter(), 32.5), (KeyDownResult{false, {}}));

  runFontSize(40);
  EXPECT_EQ(key(ch("A"), 40.5), (KeyDownResult{false, {}}));  // any other key uses it up
  EXPECT_EQ(key(EngineKey::enter(), 40.6), (KeyDownResult{false, {}}));

  runFontSize(50);
  EXPECT_EQ(key(EngineKey::enter(), 50.5, true), (KeyDownResult{false, {}}));  // with Option held: used up
  EXPECT_FALSE(engine.absorb().has_value());

  runFontSize(60);
  EXPECT_EQ(key(EngineKey::enter(), 60.5, false, false, false, false), (KeyDownResult{false, {}}));
  EXPECT_FALSE(engine.absorb().has_value());  // a press while not allowed clears it too
}

TEST_F(SequenceEngineTest, OnlyTheLastRunsAbsorbCounts) {
  ASSERT_FALSE(tapOption(9, 9.1).empty());
  (void)key(ch("H"), 9.2);
  (void)key(ch("F"), 9.3);
  ASSERT_EQ(key(ch("S"), 9.4).effects.size(), 2u);
  ASSERT_TRUE(engine.absorb().has_value());
  // Another shortcut, without an absorb, runs within the window.
  ASSERT_FALSE(tapOption(9.6, 9.7).empty());
  (void)key(ch("H"), 9.8);
  ASSERT_EQ(key(ch("W"), 9.9).effects.size(), 2u);
  EXPECT_FALSE(engine.absorb().has_value());
  EXPECT_EQ(key(EngineKey::enter(), 10.0), (KeyDownResult{false, {}}));
}

TEST_F(SequenceEngineTest, AbsorbTextsMapToKeys) {
  EXPECT_EQ(absorbKey("enter"), EngineKey::enter());
  EXPECT_EQ(absorbKey("Return"), EngineKey::enter());
  EXPECT_EQ(absorbKey("ESC"), EngineKey::escape());
  EXPECT_EQ(absorbKey("escape"), EngineKey::escape());
  EXPECT_EQ(absorbKey("x"), EngineKey::ofChar("X"));
  EXPECT_EQ(absorbKey("é"), EngineKey::ofChar("É"));
  EXPECT_EQ(absorbKey("tab"), std::nullopt);
  EXPECT_EQ(absorbKey(""), std::nullopt);
  EXPECT_EQ(absorbKey("xy"), std::nullopt);

  // X absorbs "esc".
  EXPECT_EQ(key(ch("X"), 5, true), (KeyDownResult{true, {HideEffect{}, runOf({"X"})}}));
  EXPECT_EQ(key(EngineKey::escape(), 5.1), (KeyDownResult{true, {}}));
}

TEST_F(SequenceEngineTest, OptionSlashOpensTheSearchUnlessAShortcutStartsWithSlash) {
  engine.setSearchTrigger(SearchTrigger::optionSlash);
  ASSERT_FALSE(tapOption(0, 0.1).empty());
  EXPECT_EQ(key(ch("/"), 0.2), (KeyDownResult{true, {HideEffect{}, OpenSearchEffect{}}}));
  EXPECT_FALSE(engine.inSequence());

  // Only at the top of a sequence.
  ASSERT_FALSE(tapOption(1, 1.1).empty());
  (void)key(ch("H"), 1.2);
  EXPECT_EQ(key(ch("/"), 1.3), (KeyDownResult{true, {InvalidKeyEffect{{"H"}, "/"}}}));

  (void)engine.setLibrary(testing::libraryFrom(
      R"({"shortcuts":[{"keys":"/ F","name":"Find","do":{"key":"cmd+f"}},{"keys":"/ G","name":"Go","do":{"key":"cmd+g"}}]})"));
  (void)engine.reset();
  ASSERT_FALSE(tapOption(2, 2.1).empty());
  EXPECT_EQ(key(ch("/"), 2.2), (KeyDownResult{true, {showAt({"/"})}}));
}

TEST_F(SequenceEngineTest, OptionSpaceOpensTheSearchOnlyWhileIdle) {
  EXPECT_EQ(key(EngineKey::space(), 0, true), (KeyDownResult{false, {}}));  // other triggers: Excel's
  engine.setSearchTrigger(SearchTrigger::optionSpace);
  EXPECT_EQ(key(EngineKey::space(), 1, true), (KeyDownResult{true, {OpenSearchEffect{}}}));
  EXPECT_EQ(key(EngineKey::space(), 1.5, true, false, true), (KeyDownResult{false, {}}));
  EXPECT_EQ(key(EngineKey::space(), 2, true, true), (KeyDownResult{false, {}}));
  ASSERT_FALSE(tapOption(3, 3.1).empty());
  EXPECT_EQ(key(EngineKey::space(), 3.2, true), (KeyDownResult{true, {HideEffect{}}}));
}

TEST_F(SequenceEngineTest, NotAllowedPassesEverythingAndEndsASequence) {
  ASSERT_FALSE(tapOption(0, 0.1).empty());
  EXPECT_EQ(key(ch("H"), 0.2, false, false, false, false), (KeyDownResult{false, {HideEffect{}}}));
  EXPECT_EQ(key(ch("H"), 0.3, true, false, false, false), (KeyDownResult{false, {}}));
  EXPECT_TRUE(engine.flagsChanged(true, false, false, 1).empty());
  EXPECT_TRUE(engine.flagsChanged(false, false, false, 1.1).empty());
  EXPECT_FALSE(engine.inSequence());

  ASSERT_FALSE(tapOption(2, 2.1).empty());
  EXPECT_EQ(engine.flagsChanged(true, false, false, 2.2), (EngineEffects{HideEffect{}}));
}

TEST_F(SequenceEngineTest, ResetEndsASequenceAndDisarms) {
  EXPECT_TRUE(engine.reset().empty());
  ASSERT_FALSE(tapOption(0, 0.1).empty());
  EXPECT_EQ(engine.reset(), (EngineEffects{HideEffect{}}));
  EXPECT_TRUE(engine.reset().empty());
  // A click between press and release: no tap.
  EXPECT_TRUE(engine.flagsChanged(true, false, true, 1).empty());
  EXPECT_TRUE(engine.reset().empty());
  EXPECT_TRUE(engine.flagsChanged(false, false, true, 1.1).empty());
  EXPECT_FALSE(engine.inSequence());
}

TEST_F(SequenceEngineTest, AReplacedLibraryServesTheNextKey) {
  ASSERT_FALSE(tapOption(0, 0.1).empty());
  (void)key(ch("H"), 0.2);
  (void)engine.setLibrary(testing::libraryFrom(R"({"shortcuts":[{"keys":"H K","name":"Keep","do":{"key":"cmd+k"}}]})"));
  EXPECT_EQ(key(ch("W"), 0.3), (KeyDownResult{true, {InvalidKeyEffect{{"H"}, "W"}}}));
  auto ran = key(ch("K"), 0.4);
  ASSERT_EQ(ran.effects.size(), 2u);
  EXPECT_EQ(std::get<RunEffect>(ran.effects[1]).shortcut.name, "Keep");
}

TEST_F(SequenceEngineTest, AReloadThatRemovesTheOpenLevelEndsTheSequenceAndTheNextKeysReachExcel) {
  const char* kept = R"({"shortcuts":[{"keys":"H K","name":"Keep","do":{"key":"cmd+k"}}]})";
  const char* without = R"({"shortcuts":[{"keys":"K","name":"Keep","do":{"key":"cmd+k"}}]})";
  const char* leaf = R"({"shortcuts":[{"keys":"H","name":"Home","do":{"key":"cmd+k"}}]})";
  // At the root, or idle, a reload ends nothing.
  EXPECT_TRUE(engine.setLibrary(testing::libraryFrom(without)).empty());
  ASSERT_FALSE(tapOption(0, 0.1).empty());
  EXPECT_TRUE(engine.setLibrary(testing::libraryFrom(without)).empty());
  EXPECT_TRUE(engine.inSequence());
  (void)engine.reset();

  // The open level survives: the sequence goes on.
  (void)engine.setLibrary(testing::libraryFrom(kept));
  ASSERT_FALSE(tapOption(1, 1.1).empty());
  (void)key(ch("H"), 1.2);
  EXPECT_TRUE(engine.setLibrary(testing::libraryFrom(kept)).empty());
  EXPECT_EQ(engine.path(), (std::optional<std::vector<std::string>>{{"H"}}));

  // Gone, or become a key with nothing after it: the sequence ends, and keys pass, a minute later too.
  for (const char* replacement : {without, leaf}) {
    (void)engine.setLibrary(testing::libraryFrom(kept));
    (void)engine.reset();
    ASSERT_FALSE(tapOption(2, 2.1).empty());
    (void)key(ch("H"), 2.2);
    EXPECT_EQ(engine.setLibrary(testing::libraryFrom(replacement)), (EngineEffects{HideEffect{}})) << replacement;
    EXPECT_FALSE(engine.inSequence());
    EXPECT_EQ(key(ch("K"), 2.3), (KeyDownResult{false, {}}));
    EXPECT_EQ(key(ch("K"), 62.3), (KeyDownResult{false, {}}));
  }
}

TEST_F(SequenceEngineTest, AReplacedLibraryShowsItsOwnRows) {
  ASSERT_EQ(tapOption(0, 0.1), (EngineEffects{showAt({})}));
  (void)engine.reset();
  (void)engine.setLibrary(testing::libraryFrom(R"({"shortcuts":[{"keys":"K","name":"Keep","do":{"key":"cmd+k"}}]})"));
  EXPECT_EQ(tapOption(1, 1.1), (EngineEffects{ShowEffect{{}, {{"K", "Keep", false}}}}));
}

TEST_F(SequenceEngineTest, AnEmptyLibraryStillTapsAndEnds) {
  SequenceEngine empty{nullptr};
  EXPECT_TRUE(empty.flagsChanged(true, false, true, 0).empty());
  EXPECT_EQ(empty.flagsChanged(false, false, true, 0.1), (EngineEffects{ShowEffect{{}, {}}}));
  EXPECT_EQ(empty.keyDown(ch("H"), false, false, false, true, 0.2),
            (KeyDownResult{true, {InvalidKeyEffect{{}, "H"}}}));
  EXPECT_EQ(empty.keyDown(EngineKey::enter(), false, false, false, true, 0.3), (KeyDownResult{true, {HideEffect{}}}));
}

TEST(EngineKey, EqualityLooksAtTheCharacterOnlyForChars) {
  EXPECT_EQ(EngineKey::ofChar("A"), EngineKey::ofChar("A"));
  EXPECT_NE(EngineKey::ofChar("A"), EngineKey::ofChar("B"));
  EXPECT_EQ((EngineKey{EngineKey::Kind::escape, "x"}), EngineKey::escape());
  EXPECT_NE(EngineKey::escape(), EngineKey::enter());
}

TEST_F(SequenceEngineTest, AnOptionPressThatShiftJoinedIsNoTap) {
  EXPECT_TRUE(engine.flagsChanged(true, false, true, 1).empty());
  engine.shiftJoinedOption();
  EXPECT_FALSE(engine.optionCandidate());
  EXPECT_TRUE(engine.flagsChanged(false, false, true, 1.1).empty());
  EXPECT_FALSE(engine.inSequence());
  // Nor does it close a sequence that is open.
  EXPECT_EQ(tapOption(2, 2.1), (EngineEffects{showAt({})}));
  EXPECT_TRUE(engine.flagsChanged(true, false, true, 3).empty());
  engine.shiftJoinedOption();
  EXPECT_TRUE(engine.flagsChanged(false, false, true, 3.1).empty());
  EXPECT_TRUE(engine.inSequence());
  // The next press is a tap again.
  EXPECT_EQ(tapOption(4, 4.1), (EngineEffects{HideEffect{}}));
}

}  // namespace
}  // namespace corvane::engine

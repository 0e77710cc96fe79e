#include "engine/key_tap.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <thread>

#include "platform/sim/sim_event_tap.hpp"
#include "platform/sim/sim_key_layout.hpp"
#include "platform/sim/sim_panels.hpp"
#include "platform/sim/sim_secure_input.hpp"
#include "platform/sim/virtual_time.hpp"
#include "test_library.hpp"

namespace corvane::engine {
namespace {

using platform::Verdict;
using platform::sim::flagsEvent;
using platform::sim::keyDownEvent;
using platform::sim::keyUpEvent;
using platform::sim::mouseDownEvent;
using Lines = std::vector<std::string>;

constexpr std::uint64_t kOption = platform::flags::kOption;
constexpr std::uint16_t kH = 4, kO = 31, kI = 34, kW = 13, kZ = 6, kReturn = 36;

std::string describe(const EngineEffects& effects) {
  std::ostringstream out;
  for (std::size_t i = 0; i < effects.size(); ++i) {
    if (i > 0) out << ", ";
    PrintTo(effects[i], &out);
  }
  return out.str();
}

class KeyTapTest : public ::testing::Test {
 protected:
  // The clock starts below 20 s, where a first Secure Input report must still be made.
  platform::sim::VirtualTime time{platform::sim::VirtualTime::defaultEpoch(), 5.0};
  platform::sim::SimEventTap tap;
  platform::sim::SimKeyLayout layout{time.main()};
  platform::sim::SimSecureInput secureInput;
  SequenceEngine engine{testing::libraryFrom(testing::kKeyboardLibrary)};
  Lines delivered;  ///< what reached the shell, in order
  Lines logLines;
  bool inCallback = false;
  bool allowed = true;
  bool trusted = true;
  std::unique_ptr<KeyTap> keyTap;

  void SetUp() override {
    keyTap = std::make_unique<KeyTap>(engine, KeyTapServices{tap, layout, secureInput, time, time,
                                                             [this](const std::string& m) { logLines.push_back(m); },
                                                             [this] { return trusted; }});
    keyTap->isAllowed = [this] { return allowed; };
    keyTap->onPermissionLost = [this] { record("permission-lost"); };
    keyTap->onEffects = [this](const EngineEffects& effects) { record(describe(effects)); };
    keyTap->onMouseCancel = [this] { record("mouse-cancel"); };
    keyTap->onClick = [this](platform::Point p) {
      record("click " + std::to_string(static_cast<int>(p.x)) + " " + std::to_string(static_cast<int>(p.y)));
    };
    keyTap->onSecureInput = [this](const std::optional<std::string>& owner) {
      record("secure-input " + owner.value_or("-"));
    };
    ASSERT_TRUE(keyTap->start());
  }

  void record(std::string line) {
    EXPECT_FALSE(inCallback) << line << " was delivered inside the tap's callback";
    delivered.push_back(std::move(line));
  }
  Verdict send(const platform::RawEvent& event) {
    inCallback = true;
    auto verdict = tap.inject(event);
    inCallback = false;
    return verdict;
  }
  Verdict flags(std::uint64_t f) { return send(flagsEvent(f)); }
  Verdict down(std::uint16_t code, std::uint64_t f = 0, bool repeat = false) {
    return send(keyDownEvent(code, f, repeat));
  }
  Verdict up(std::uint16_t code, std::uint64_t f = 0) { return send(keyUpEvent(code, f)); }
  /// Runs the main queue and returns what was delivered since the last call.
  Lines pump() {
    time.runUntilIdle();
    return std::exchange(delivered, {});
  }
  void tapOption() {
    EXPECT_EQ(flags(kOption), Verdict::pass);
    EXPECT_EQ(flags(0), Verdict::pass);
  }
};

TEST_F(KeyTapTest, OptionHOIIsSwallowedAndEachEffectArrivesAfterTheCallback) {
  tapOption();
  EXPECT_TRUE(delivered.empty());
  EXPECT_EQ(pump(), (Lines{"show [] (4 options)"}));

  EXPECT_EQ(down(kH), Verdict::drop);
  EXPECT_TRUE(delivered.empty());
  EXPECT_EQ(up(kH), Verdict::drop);
  EXPECT_EQ(pump(), (Lines{"show [H] (4 options)"}));

  EXPECT_EQ(down(kO), Verdict::drop);
  EXPECT_EQ(up(kO), Verdict::drop);
  EXPECT_EQ(pump(), (Lines{"show [H O] (2 options)"}));

  EXPECT_EQ(down(kI), Verdict::drop);
  EXPECT_TRUE(delivered.empty());
  EXPECT_EQ(pump(), (Lines{"hide, run AutoFit Column Width"}));
  EXPECT_EQ(up(kI), Verdict::drop);
  EXPECT_TRUE(keyTap->swallowedKeyUps().empty());

  // Idle again: typing reaches Excel.
  EXPECT_EQ(down(kW), Verdict::pass);
  EXPECT_EQ(up(kW), Verdict::pass);
  EXPECT_TRUE(pump().empty());
}

TEST_F(KeyTapTest, EffectsOfSeveralEventsArriveInEventOrder) {
  tapOption();
  (void)down(kH);
  (void)down(kZ);
  (void)down(kReturn);
  EXPECT_EQ(pump(), (Lines{"show [] (4 options)", "show [H] (4 options)", "invalidKey [H] Z", "hide"}));
}

TEST_F(KeyTapTest, StartInstallsOneTapForTheFiveEventTypes) {
  EXPECT_EQ(tap.createCount(), 1);
  EXPECT_EQ(tap.mask(), (1u << 10) | (1u << 11) | (1u << 12) | (1u << 1) | (1u << 3));
  EXPECT_TRUE(tap.isEnabled());
  EXPECT_TRUE(keyTap->isRunning());
  EXPECT_TRUE(keyTap->start());
  EXPECT_EQ(tap.createCount(), 1);
}

TEST_F(KeyTapTest, AFailedCreateInstallsNothing) {
  keyTap->stop();
  tap.setCreateFails(true);
  EXPECT_FALSE(keyTap->start());
  EXPECT_FALSE(keyTap->isInstalled());
  tap.setCreateFails(false);
  EXPECT_TRUE(keyTap->start());
  EXPECT_TRUE(keyTap->isRunning());
}

TEST_F(KeyTapTest, StopRemovesTheTapTheWatchdogAndSwallowedReleases) {
  tapOption();
  ASSERT_EQ(down(kH), Verdict::drop);
  ASSERT_FALSE(keyTap->swallowedKeyUps().empty());
  keyTap->stop();
  EXPECT_FALSE(tap.isValid());
  EXPECT_FALSE(keyTap->isRunning());
  EXPECT_TRUE(keyTap->swallowedKeyUps().empty());
  EXPECT_EQ(up(kH), Verdict::pass);  // nothing sees it any more
  time.advanceBy(30);
  EXPECT_TRUE(logLines.empty());
  EXPECT_EQ(tap.createCount(), 1);
}

TEST_F(KeyTapTest, AReleaseFollowsItsPress) {
  EXPECT_EQ(down(kW), Verdict::pass);
  EXPECT_EQ(up(kW), Verdict::pass);
  tapOption();
  EXPECT_EQ(down(kH), Verdict::drop);
  EXPECT_EQ(down(kH, 0, true), Verdict::drop);
  EXPECT_EQ(down(kH, 0, true), Verdict::drop);
  EXPECT_EQ(up(kH), Verdict::drop);
  EXPECT_EQ(up(kH), Verdict::pass);  // only the one release
  EXPECT_TRUE(keyTap->swallowedKeyUps().empty());
}

TEST_F(KeyTapTest, AKeyExcelSawGoDownKeepsItsReleaseEvenIfItsRepeatsAreSwallowed) {
  EXPECT_EQ(down(kW), Verdict::pass);  // W held, Excel has it
  tapOption();                          // a tap between two repeats
  EXPECT_EQ(down(kW, 0, true), Verdict::drop);
  EXPECT_EQ(up(kW), Verdict::pass);
  EXPECT_TRUE(keyTap->swallowedKeyUps().empty());
}

TEST_F(KeyTapTest, ARepeatThatReachesExcelBringsItsReleaseAlong) {
  tapOption();
  EXPECT_EQ(down(kH), Verdict::drop);
  EXPECT_EQ(send(mouseDownEvent(false, {1, 1})), Verdict::pass);  // the click ends the sequence
  EXPECT_EQ(down(kH, 0, true), Verdict::pass);                    // Excel now sees H repeating
  EXPECT_EQ(up(kH), Verdict::pass);
}

TEST_F(KeyTapTest, TaggedEventsAreNeverShownToTheEngine) {
  tapOption();
  ASSERT_EQ(pump().size(), 1u);
  auto event = keyDownEvent(kH);
  event.userData = platform::kSyntheticEventTag;
  EXPECT_EQ(send(event), Verdict::pass);
  auto click = mouseDownEvent(false, {3, 4});
  click.userData = platform::kSyntheticEventTag;
  EXPECT_EQ(send(click), Verdict::pass);
  EXPECT_TRUE(pump().empty());
  EXPECT_EQ(engine.path(), std::vector<std::string>{});
}

TEST_F(KeyTapTest, AMouseDownCancelsASequenceWithoutDeliveringItsHide) {
  tapOption();
  (void)pump();
  EXPECT_EQ(send(mouseDownEvent(true, {10, 20})), Verdict::pass);
  EXPECT_EQ(pump(), (Lines{"mouse-cancel"}));
  EXPECT_FALSE(engine.inSequence());

  tapOption();
  (void)pump();
  EXPECT_EQ(send(mouseDownEvent(false, {10, 20})), Verdict::pass);
  EXPECT_EQ(pump(), (Lines{"mouse-cancel"}));  // no click for learning hints either
}

TEST_F(KeyTapTest, AnIdleLeftClickIsReportedOnlyWhileAllowed) {
  EXPECT_EQ(send(mouseDownEvent(false, {120, 45})), Verdict::pass);
  EXPECT_EQ(send(mouseDownEvent(true, {120, 45})), Verdict::pass);
  EXPECT_EQ(pump(), (Lines{"click 120 45"}));
  allowed = false;
  EXPECT_EQ(send(mouseDownEvent(false, {1, 2})), Verdict::pass);
  EXPECT_TRUE(pump().empty());
}

TEST_F(KeyTapTest, ALayoutChangeReachesClassification) {
  layout.select(platform::sim::SimKeyLayout::Source::russian);
  (void)pump();
  EXPECT_EQ(down(kH, kOption), Verdict::drop);  // hold-to-start with the Latin H
  EXPECT_EQ(pump(), (Lines{"show [H] (4 options)"}));
}

TEST_F(KeyTapTest, SecureInputBlocksTapsAndIsReportedAtMostEvery20Seconds) {
  secureInput.addApplication(77, "Keychain Access");
  secureInput.turnOn(77);
  EXPECT_EQ(flags(kOption), Verdict::pass);  // the Option key still reaches the applications
  EXPECT_EQ(flags(0), Verdict::pass);
  EXPECT_EQ(pump(), (Lines{"secure-input Keychain Access"}));  // at uptime 5: the first report is made
  EXPECT_FALSE(engine.inSequence());

  time.advanceBy(20);  // exactly 20 s later: still quiet
  tapOption();
  EXPECT_TRUE(pump().empty());
  time.advanceBy(0.5);
  tapOption();
  EXPECT_EQ(pump(), (Lines{"secure-input Keychain Access"}));

  secureInput.turnOn(std::nullopt);
  time.advanceBy(21);
  tapOption();
  EXPECT_EQ(pump(), (Lines{"secure-input -"}));

  secureInput.turnOn(99);  // an owner that is not a running application
  time.advanceBy(21);
  tapOption();
  EXPECT_EQ(pump(), (Lines{"secure-input -"}));
}

TEST_F(KeyTapTest, SecureInputHidesAnOpenSequence) {
  tapOption();
  (void)pump();
  secureInput.turnOn(std::nullopt);
  EXPECT_EQ(flags(kOption), Verdict::pass);
  EXPECT_EQ(pump(), (Lines{"hide", "secure-input -"}));
}

TEST_F(KeyTapTest, SecureInputIsNotCheckedWhileNotAllowed) {
  secureInput.turnOn(std::nullopt);
  allowed = false;
  tapOption();
  EXPECT_TRUE(pump().empty());
  EXPECT_FALSE(keyTap->lastSecureNotice().has_value());
}

TEST_F(KeyTapTest, ATapTheSystemSwitchedOffIsTurnedBackOnWithALogLine) {
  EXPECT_EQ(tap.disableByTimeout(), Verdict::pass);
  EXPECT_TRUE(tap.isEnabled());
  EXPECT_EQ(tap.disableByUserInput(), Verdict::pass);
  EXPECT_TRUE(tap.isEnabled());
  EXPECT_EQ(logLines, (Lines{"Keyboard listener paused by macOS (too slow); turned back on",
                             "Keyboard listener paused by macOS (user input); turned back on"}));
  EXPECT_TRUE(pump().empty());
}

TEST_F(KeyTapTest, TheWatchdogReenablesASilentlyDisabledTapEveryFiveSeconds) {
  std::vector<bool> onUtilityQueue;
  keyTap.reset();
  keyTap = std::make_unique<KeyTap>(engine, KeyTapServices{tap, layout, secureInput, time, time,
                                                           [&](const std::string& m) {
                                                             logLines.push_back(m);
                                                             onUtilityQueue.push_back(
                                                                 time.global(platform::QoS::utility).isCurrent());
                                                           },
                                                           {}});
  ASSERT_TRUE(keyTap->start());
  tap.switchOffSilently();
  time.advanceBy(4.9);
  EXPECT_FALSE(tap.isEnabled());
  time.advanceBy(0.1);
  EXPECT_TRUE(tap.isEnabled());
  EXPECT_EQ(logLines, (Lines{"Keyboard listener was switched off by macOS; turned back on"}));
  EXPECT_EQ(onUtilityQueue, (std::vector<bool>{true}));
  time.advanceBy(5);  // still on: nothing to do
  EXPECT_EQ(logLines.size(), 1u);
  tap.switchOffSilently();
  time.advanceBy(5);
  EXPECT_EQ(logLines.size(), 2u);
  EXPECT_EQ(tap.createCount(), 2);  // one per start; the watchdog never creates a tap
}

TEST_F(KeyTapTest, WorkPostedBeforeTheTapIsDestroyedDoesNothing) {
  tapOption();
  keyTap.reset();
  EXPECT_TRUE(pump().empty());
  EXPECT_FALSE(tap.isValid());
}

TEST_F(KeyTapTest, ACallbackMayStopTheTap) {
  keyTap->onEffects = [this](const EngineEffects&) { keyTap->stop(); };
  tapOption();
  (void)pump();
  EXPECT_FALSE(keyTap->isInstalled());
  EXPECT_EQ(down(kH), Verdict::pass);
}

TEST_F(KeyTapTest, NotAllowedEndsTheSequenceAndLetsKeysThrough) {
  tapOption();
  (void)pump();
  allowed = false;
  EXPECT_EQ(down(kH), Verdict::pass);
  EXPECT_EQ(up(kH), Verdict::pass);
  EXPECT_EQ(pump(), (Lines{"hide"}));
}

// --- The permission withdrawn while the tap runs ---

TEST_F(KeyTapTest, ATapTheSystemSwitchedOffStaysOffOnceThePermissionIsGone) {
  trusted = false;
  EXPECT_EQ(tap.disableByUserInput(), Verdict::pass);
  EXPECT_FALSE(tap.isEnabled()) << "switched on again untrusted, it would hold every key of the Mac";
  EXPECT_TRUE(logLines.empty()) << "the shell says what happened";
  EXPECT_EQ(pump(), (Lines{"permission-lost"}));
  EXPECT_EQ(tap.disableByTimeout(), Verdict::pass);
  EXPECT_FALSE(tap.isEnabled());
  EXPECT_EQ(pump(), (Lines{"permission-lost"}));
}

TEST_F(KeyTapTest, TheWatchdogLeavesATapOffUntilThePermissionReturns) {
  tap.switchOffSilently();
  trusted = false;
  time.advanceBy(10.5);
  EXPECT_FALSE(tap.isEnabled());
  EXPECT_TRUE(logLines.empty());
  trusted = true;
  time.advanceBy(5);
  EXPECT_TRUE(tap.isEnabled());
}

TEST_F(KeyTapTest, TheEngineAndTheSettingsItReadsAreSafeToChangeWhileTheTapThreadTypes) {
  // The tap's thread types sequences while the main thread reloads the library, applies settings,
  // ends sequences, reads the path, switches sequences off and on and opens and closes a key panel
  // (what the shell's isAllowed reads): each side sees the engine and the settings whole. Run
  // under ThreadSanitizer by the tsan preset.
  auto first = testing::libraryFrom(testing::kKeyboardLibrary);
  auto second = testing::libraryFrom(testing::kKeyboardLibrary);
  platform::sim::SimPanels panels{time};
  auto palette = panels.create(platform::PanelKind::palette, {400, 300});
  std::atomic<bool> switchedOn{true};
  keyTap->isAllowed = [&] { return switchedOn.load() && !panels.ownWindowIsKey(); };
  std::atomic<bool> done{false};
  std::thread tapThread([&] {
    for (int i = 0; i < 300; ++i) {
      (void)tap.inject(flagsEvent(kOption));
      (void)tap.inject(flagsEvent(0));
      for (auto code : {kH, kO, kI}) {
        (void)tap.inject(keyDownEvent(code));
        (void)tap.inject(keyUpEvent(code));
      }
    }
    done = true;
  });
  int swaps = 0;
  while (!done) {
    // The settings change on their own turns too, as the shell changes them without the tap's lock.
    if (swaps % 2 == 0) {
      keyTap->updateEngine([&](SequenceEngine& e) {
        (void)e.setLibrary(swaps % 4 == 0 ? first : second);
        e.setHoldToStart(swaps % 3 != 0);
      });
      (void)keyTap->resetEngine();
      (void)keyTap->enginePath();
    } else {
      switchedOn = swaps % 7 != 1;
      if (swaps % 3 == 0) {
        palette->makeKeyAndOrderFront();
      } else {
        palette->orderOut();
      }
    }
    ++swaps;
  }
  tapThread.join();
  palette->orderOut();
  (void)keyTap->resetEngine();
  EXPECT_FALSE(keyTap->enginePath().has_value());
  EXPECT_GT(swaps, 0);
  time.runUntilIdle();
}

// --- Option alone, and Excel's own KeyTips ---

constexpr std::uint64_t kShift = platform::flags::kShift;

class OptionReleaseTest : public KeyTapTest {
 protected:
  void SetUp() override {
    KeyTapTest::SetUp();
    keyTap->onOptionReleased = [this] { record("option-released"); };
  }
};

TEST_F(OptionReleaseTest, ShiftWithOptionIsNoTapWhicheverGoesDownFirst) {
  // ⇧ then ⌥, released in either order; ⌥ then ⇧: Excel's ⇧⌥, not a sequence.
  EXPECT_EQ(flags(kShift), Verdict::pass);
  EXPECT_EQ(flags(kShift | kOption), Verdict::pass);
  EXPECT_EQ(flags(kShift), Verdict::pass);
  EXPECT_EQ(flags(0), Verdict::pass);
  (void)flags(kShift);
  (void)flags(kShift | kOption);
  (void)flags(kOption);
  (void)flags(0);
  (void)flags(kOption);
  (void)flags(kOption | kShift);
  (void)flags(kOption);
  (void)flags(0);
  EXPECT_TRUE(pump().empty());
  EXPECT_FALSE(engine.inSequence());
  // ⌥ alone still is.
  tapOption();
  EXPECT_EQ(pump(), (Lines{"show [] (4 options)", "option-released"}));
}

TEST_F(OptionReleaseTest, IsReportedAfterEveryReleaseTheProgramTookPartIn) {
  tapOption();
  EXPECT_EQ(pump(), (Lines{"show [] (4 options)", "option-released"})) << "a tap that starts a sequence";
  time.advanceBy(1.0);  // no double tap
  tapOption();
  EXPECT_EQ(pump(), (Lines{"hide", "option-released"})) << "a tap that ends one";
  // Held while the keys were typed (and dropped): Excel saw ⌥ go down and up with nothing between.
  (void)flags(kOption);
  EXPECT_EQ(down(kH, kOption), Verdict::drop);
  (void)up(kH, kOption);
  (void)flags(0);
  EXPECT_EQ(pump(), (Lines{"show [H] (4 options)", "option-released"}));
  // During a sequence, a hold too long for a tap.
  (void)flags(kOption);
  time.advanceBy(1.0);
  (void)flags(0);
  EXPECT_EQ(pump(), (Lines{"option-released"}));
  EXPECT_TRUE(engine.inSequence());
}

TEST_F(OptionReleaseTest, IsNotReportedWhenTheProgramStayedOut) {
  (void)flags(kOption);
  time.advanceBy(1.0);
  (void)flags(0);
  // ⌥ with a key that is no shortcut: Excel types it.
  (void)flags(kOption);
  EXPECT_EQ(down(kZ, kOption), Verdict::pass);
  (void)flags(0);
  // ⇧⌥.
  (void)flags(kShift);
  (void)flags(kShift | kOption);
  (void)flags(kShift);
  (void)flags(0);
  // Not allowed (Excel not in front, or switched off).
  allowed = false;
  tapOption();
  EXPECT_TRUE(pump().empty());
}

}  // namespace
}  // namespace corvane::engine

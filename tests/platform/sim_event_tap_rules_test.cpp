// The simulated tap keeps the Mac's rules: its callback runs on its own queue; a callback queue busy
// past the time-out gets the tap switched off and lets the waiting keys through; clicks are never
// held; losing the permission switches the tap off, and switching it on again untrusted holds keys.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/sim_event_tap.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::platform::sim {
namespace {

constexpr std::uint64_t kAll = eventMaskBit(EventType::keyDown) | eventMaskBit(EventType::keyUp) |
                               eventMaskBit(EventType::flagsChanged) | eventMaskBit(EventType::leftMouseDown);

class TapRules : public ::testing::Test {
 protected:
  VirtualTime time;
  std::shared_ptr<Queue> tapQueue = time.makeSerialQueue("tap", QoS::userInteractive);
  std::shared_ptr<Queue> system = time.makeSerialQueue("hid", QoS::userInteractive);
  SimEventTap tap;
  std::vector<std::string> handled;  ///< what the handler saw, with the queue it ran on
  std::vector<std::string> onward;   ///< what reached the applications, in order

  void SetUp() override { install(*tapQueue); }

  void install(Queue& callbackQueue) {
    tap.runOn(callbackQueue, *system);
    ASSERT_TRUE(tap.create(kAll, [this, &callbackQueue](const RawEvent& e) {
      handled.push_back(name(e) + (callbackQueue.isCurrent() ? "" : " (wrong queue)"));
      return e.type == EventType::keyDown ? Verdict::drop : Verdict::pass;
    }));
    tap.enable(true);
  }
  static std::string name(const RawEvent& e) {
    switch (e.type) {
      case EventType::keyDown: return "down " + std::to_string(e.keyCode);
      case EventType::keyUp: return "up " + std::to_string(e.keyCode);
      case EventType::flagsChanged: return "flags";
      case EventType::leftMouseDown: return "click";
      case EventType::tapDisabledByTimeout: return "disabled: time-out";
      case EventType::tapDisabledByUserInput: return "disabled: user input";
      default: return "other";
    }
  }
  void post(const RawEvent& e) {
    tap.post(e, [this, e](Verdict v) { onward.push_back(name(e) + (v == Verdict::pass ? " passed" : " dropped")); });
  }
  /// The queue's thread is busy for `seconds` from now.
  void busy(Queue& queue, double seconds) {
    queue.async([this, seconds] { time.sleep(seconds); });
  }
  /// Something happens `seconds` from now, on the window server's queue (never the busy one).
  void at(double seconds, std::function<void()> work) { (void)system->after(seconds, std::move(work)); }
  void postAt(double seconds, const RawEvent& e) {
    at(seconds, [this, e] { post(e); });
  }
};

TEST_F(TapRules, AnIdleCallbackQueueDecidesEveryKeyOnItsOwnQueue) {
  post(keyDownEvent(4));
  post(keyUpEvent(4));
  EXPECT_TRUE(onward.empty()) << "nothing goes on before the handler answers";
  time.runUntilIdle();
  EXPECT_EQ(handled, (std::vector<std::string>{"down 4", "up 4"}));
  EXPECT_EQ(onward, (std::vector<std::string>{"down 4 dropped", "up 4 passed"}));
  EXPECT_TRUE(tap.isEnabled());
  EXPECT_EQ(tap.timedOutCount(), 0u);
}

TEST_F(TapRules, ABusyCallbackQueueUnderTheTimeOutOnlyDelaysTheVerdict) {
  busy(*tapQueue, 0.9);
  postAt(0.05, keyDownEvent(4));
  std::size_t atHalf = 99;
  at(0.5, [&] { atHalf = onward.size(); });
  time.runUntilIdle();
  EXPECT_EQ(atHalf, 0u) << "the key waits for the busy thread";
  EXPECT_EQ(onward, (std::vector<std::string>{"down 4 dropped"}));
  EXPECT_TRUE(tap.isEnabled());
  EXPECT_EQ(tap.timedOutCount(), 0u);
}

TEST_F(TapRules, ABusyCallbackQueuePastTheTimeOutSwitchesTheTapOffAndLetsKeysThrough) {
  busy(*tapQueue, 3);
  postAt(0.05, keyDownEvent(4));
  postAt(0.35, keyDownEvent(31));
  bool enabledJustBefore = false;
  std::vector<std::string> justBefore, justAfter;
  at(1.04, [&] {
    enabledJustBefore = tap.isEnabled();
    justBefore = onward;
  });
  at(1.06, [&] { justAfter = onward; });
  postAt(1.2, keyDownEvent(34));  // while off: at once, unseen
  std::vector<std::string> afterOff;
  at(1.21, [&] { afterOff = onward; });
  time.runUntilIdle();
  EXPECT_TRUE(enabledJustBefore);
  EXPECT_TRUE(justBefore.empty());
  EXPECT_EQ(justAfter, (std::vector<std::string>{"down 4 passed", "down 31 passed"}))
      << "once the first key has waited a second, everything waiting goes on unfiltered";
  EXPECT_EQ(afterOff.back(), "down 34 passed");
  // Once free, the handler hears that it was switched off, and never sees the keys that went on.
  EXPECT_EQ(handled, (std::vector<std::string>{"disabled: time-out"}));
  EXPECT_FALSE(tap.isEnabled());
  EXPECT_EQ(tap.timedOutCount(), 2u);
  tap.enable(true);
  post(keyDownEvent(4));
  time.runUntilIdle();
  EXPECT_EQ(onward.back(), "down 4 dropped");
}

TEST_F(TapRules, AStalledMainQueueDoesNotReachATapOnItsOwnQueue) {
  busy(time.main(), 3);
  for (int i = 0; i < 3; ++i) postAt(0.05 + 0.15 * i, keyDownEvent(static_cast<std::uint16_t>(4 + i)));
  std::size_t duringStall = 0;
  at(1.5, [&] { duringStall = onward.size(); });
  time.runUntilIdle();
  EXPECT_EQ(duringStall, 3u) << "decided during the stall";
  EXPECT_EQ(onward, (std::vector<std::string>{"down 4 dropped", "down 5 dropped", "down 6 dropped"}));
  EXPECT_TRUE(tap.isEnabled());
}

TEST(TapRulesOnTheMainQueue, AStalledMainQueueLeaksKeysWhenTheCallbackRunsThere) {
  // How the tap behaved with its source on the main run loop: the stall reaches the keyboard.
  VirtualTime time;
  auto system = time.makeSerialQueue("hid", QoS::userInteractive);
  SimEventTap tap;
  tap.runOn(time.main(), *system);
  ASSERT_TRUE(tap.create(kAll, [](const RawEvent&) { return Verdict::drop; }));
  tap.enable(true);
  time.main().async([&] { time.sleep(3); });
  int passed = 0;
  for (int i = 0; i < 3; ++i) {
    (void)system->after(0.05 + 0.15 * i, [&] {
      tap.post(keyDownEvent(4), [&](Verdict v) { passed += v == Verdict::pass ? 1 : 0; });
    });
  }
  time.runUntilIdle();
  EXPECT_EQ(passed, 3);
  EXPECT_FALSE(tap.isEnabled());
}

TEST_F(TapRules, ClicksAreNeverHeldEvenByABusyQueue) {
  busy(*tapQueue, 5);
  postAt(0.05, mouseDownEvent(false, {10, 10}));
  std::vector<std::string> atOnce;
  bool enabledLater = false;
  at(0.06, [&] { atOnce = onward; });
  at(2, [&] { enabledLater = tap.isEnabled(); });
  time.runUntilIdle();
  EXPECT_EQ(atOnce, (std::vector<std::string>{"click passed"}));
  EXPECT_TRUE(enabledLater) << "a listen-only event never times the tap out";
  EXPECT_EQ(handled, (std::vector<std::string>{"click"}));
}

TEST_F(TapRules, ClicksPassWhateverTheHandlerSays) {
  tap.invalidate();
  ASSERT_TRUE(tap.create(kAll, [](const RawEvent&) { return Verdict::drop; }));
  tap.enable(true);
  EXPECT_EQ(tap.inject(mouseDownEvent(false, {1, 1})), Verdict::pass);
  EXPECT_EQ(tap.inject(keyDownEvent(4)), Verdict::drop);
}

TEST_F(TapRules, LosingThePermissionSwitchesTheTapOffAndTellsTheHandler) {
  tap.setTrusted(false);
  EXPECT_FALSE(tap.isEnabled());
  post(keyDownEvent(4));
  EXPECT_EQ(onward, (std::vector<std::string>{"down 4 passed"}));
  time.runUntilIdle();
  EXPECT_EQ(handled, (std::vector<std::string>{"disabled: user input"}));
  tap.invalidate();
  EXPECT_FALSE(tap.create(kAll, [](const RawEvent&) { return Verdict::pass; })) << "no new tap without it";
}

TEST_F(TapRules, ATapSwitchedOnWithoutThePermissionHoldsTheKeyboard) {
  tap.setTrusted(false);
  time.runUntilIdle();
  tap.enable(true);
  post(keyDownEvent(4));
  post(keyUpEvent(4));
  EXPECT_EQ(onward, (std::vector<std::string>{"down 4 dropped", "up 4 dropped"}));
  EXPECT_EQ(tap.heldCount(), 2u);
  EXPECT_EQ(tap.inject(keyDownEvent(31)), Verdict::drop);
  tap.setTrusted(true);
  post(keyUpEvent(31));
  time.runUntilIdle();
  EXPECT_EQ(onward.back(), "up 31 passed");
}

TEST_F(TapRules, InvalidatingPassesWhatWaitsAndSilencesTheHandler) {
  busy(*tapQueue, 0.5);
  postAt(0.05, keyDownEvent(4));
  std::vector<std::string> atInvalidate;
  at(0.1, [&] {
    tap.invalidate();
    atInvalidate = onward;
  });
  time.runUntilIdle();
  EXPECT_EQ(atInvalidate, (std::vector<std::string>{"down 4 passed"}));
  EXPECT_TRUE(handled.empty());
}

}  // namespace
}  // namespace corvane::platform::sim

#include <gtest/gtest.h>

#include "platform/sim/sim_event_tap.hpp"
#include "platform/sim/sim_key_layout.hpp"
#include "platform/sim/sim_secure_input.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::platform::sim {
namespace {

TEST(SimEventTap, WithoutAnEnabledTapEventsPassUnseen) {
  SimEventTap tap;
  EXPECT_EQ(tap.inject(keyDownEvent(4)), Verdict::pass);
  int seen = 0;
  ASSERT_TRUE(tap.create(eventMaskBit(EventType::keyDown), [&](const RawEvent&) {
    ++seen;
    return Verdict::drop;
  }));
  EXPECT_FALSE(tap.isEnabled());  // a new tap waits for enable
  EXPECT_EQ(tap.inject(keyDownEvent(4)), Verdict::pass);
  tap.enable(true);
  EXPECT_EQ(tap.inject(keyDownEvent(4)), Verdict::drop);
  EXPECT_EQ(tap.inject(keyUpEvent(4)), Verdict::pass);  // not in the mask
  EXPECT_EQ(seen, 1);
  tap.invalidate();
  tap.enable(true);
  EXPECT_FALSE(tap.isEnabled());
  EXPECT_EQ(tap.inject(keyDownEvent(4)), Verdict::pass);
  EXPECT_EQ(seen, 1);
}

TEST(SimEventTap, CreationCanFail) {
  SimEventTap tap;
  tap.setCreateFails(true);
  EXPECT_FALSE(tap.create(~0ull, [](const RawEvent&) { return Verdict::pass; }));
  EXPECT_FALSE(tap.isValid());
  EXPECT_EQ(tap.createCount(), 1);
}

TEST(SimEventTap, TheSystemSwitchesTheTapOffAndSaysSo) {
  SimEventTap tap;
  std::vector<EventType> types;
  ASSERT_TRUE(tap.create(eventMaskBit(EventType::keyDown), [&](const RawEvent& e) {
    types.push_back(e.type);
    return Verdict::pass;
  }));
  tap.enable(true);
  EXPECT_EQ(tap.disableByTimeout(), Verdict::pass);
  EXPECT_FALSE(tap.isEnabled());
  tap.enable(true);
  EXPECT_EQ(tap.disableByUserInput(), Verdict::pass);
  EXPECT_EQ(types, (std::vector<EventType>{EventType::tapDisabledByTimeout, EventType::tapDisabledByUserInput}));
  tap.enable(true);
  tap.switchOffSilently();
  EXPECT_FALSE(tap.isEnabled());
  EXPECT_TRUE(tap.isValid());
  EXPECT_EQ(types.size(), 2u);
}

TEST(SimEventTap, AHandlerMayRemoveItsOwnTap) {
  SimEventTap tap;
  ASSERT_TRUE(tap.create(eventMaskBit(EventType::keyDown), [&](const RawEvent&) {
    tap.invalidate();
    return Verdict::drop;
  }));
  tap.enable(true);
  EXPECT_EQ(tap.inject(keyDownEvent(4)), Verdict::drop);
  EXPECT_FALSE(tap.isValid());
}

TEST(SimKeyLayout, SwitchingSourcesNotifiesOnTheMainQueue) {
  VirtualTime time;
  SimKeyLayout layout(time.main());
  int changes = 0;
  layout.setChangeHandler([&] { ++changes; });
  EXPECT_EQ(layout.character(4), "h");
  EXPECT_EQ(layout.character(36), "\r");
  EXPECT_EQ(layout.character(122), "\x10");
  EXPECT_EQ(layout.character(102), "");
  layout.select(SimKeyLayout::Source::russian);
  EXPECT_EQ(changes, 0);
  time.runUntilIdle();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(layout.sourceName(), "Russian – PC");
  EXPECT_EQ(layout.character(4), "h");
  layout.select(SimKeyLayout::Source::untranslatable);
  EXPECT_EQ(layout.character(4), std::nullopt);
  time.runUntilIdle();
  EXPECT_EQ(changes, 2);
}

TEST(SimKeyLayout, ANotificationForAGoneLayoutIsDropped) {
  VirtualTime time;
  int changes = 0;
  {
    SimKeyLayout layout(time.main());
    layout.setChangeHandler([&] { ++changes; });
    layout.select(SimKeyLayout::Source::russian);
  }
  time.runUntilIdle();
  EXPECT_EQ(changes, 0);
}

TEST(SimSecureInput, ReportsItsOwnerOnlyWhileOn) {
  SimSecureInput secure;
  secure.addApplication(12, "Terminal");
  EXPECT_FALSE(secure.isEnabled());
  secure.turnOn(12);
  EXPECT_TRUE(secure.isEnabled());
  EXPECT_EQ(secure.ownerPid(), 12);
  EXPECT_EQ(secure.applicationName(12), "Terminal");
  EXPECT_EQ(secure.applicationName(13), std::nullopt);
  secure.turnOff();
  EXPECT_EQ(secure.ownerPid(), std::nullopt);
}

}  // namespace
}  // namespace corvane::platform::sim

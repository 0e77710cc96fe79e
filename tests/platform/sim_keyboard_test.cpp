#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "platform/sim/sim_event_tap.hpp"
#include "platform/sim/sim_key_layout.hpp"
#include "platform/sim/sim_secure_input.hpp"
#include "platform/sim/virtual_key_codes.hpp"
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

TEST(SimKeyLayout, NamedKeysTypeWhatAMacTypes) {
  VirtualTime time;
  SimKeyLayout layout(time.main());
  const std::pair<std::uint16_t, const char*> keys[] = {
      {vk::kReturn, "\r"},          {vk::kTab, "\t"},          {vk::kSpace, " "},
      {vk::kDelete, "\x08"},        {vk::kEscape, "\x1b"},     {vk::kKeypadClear, "\x1b"},
      {vk::kKeypadEnter, "\x03"},   {vk::kHome, "\x01"},       {vk::kPageUp, "\x0b"},
      {vk::kForwardDelete, "\x7f"}, {vk::kEnd, "\x04"},        {vk::kPageDown, "\x0c"},
      {vk::kLeftArrow, "\x1c"},     {vk::kRightArrow, "\x1d"}, {vk::kDownArrow, "\x1f"},
      {vk::kUpArrow, "\x1e"}};
  for (const auto& [code, typed] : keys) EXPECT_EQ(layout.character(code), typed) << code;
  // Each function key is its own key (no two names share a code, none is a typing key) and types
  // the function-key character; the keys around them that type nothing stay silent.
  std::set<std::uint16_t> distinct(vk::kFunctionKeys.begin(), vk::kFunctionKeys.end());
  EXPECT_EQ(distinct.size(), vk::kFunctionKeys.size());
  for (auto code : vk::kFunctionKeys) EXPECT_EQ(layout.character(code), "\x10") << code;
  for (std::uint16_t code : {102, 104, 110, 127}) {
    EXPECT_FALSE(vk::isFunctionKey(code)) << code;
    EXPECT_EQ(layout.character(code), "") << code;
  }
  EXPECT_EQ(vk::kFunctionKeys.front(), vk::kF1);
  EXPECT_EQ(vk::kFunctionKeys.back(), vk::kF20);
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

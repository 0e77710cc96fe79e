// A seeded random event stream through the key tap and the engine, shaped like real input: keys go
// down and up in pairs with repeats in between, modifiers change, the mouse clicks, Excel comes and
// goes, Secure Input and the system switch things off. Invariants are checked after every event.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>

#include "engine/key_tap.hpp"
#include "platform/sim/sim_event_tap.hpp"
#include "platform/sim/sim_key_layout.hpp"
#include "platform/sim/sim_secure_input.hpp"
#include "platform/sim/virtual_time.hpp"
#include "test_library.hpp"

namespace corvane::engine {
namespace {

using platform::Verdict;

// A million events take about a second, three under the sanitizers; CORVANE_SOAK_EVENTS runs more.
std::uint64_t soakEvents() {
  if (const char* n = std::getenv("CORVANE_SOAK_EVENTS")) return std::strtoull(n, nullptr, 10);
  return 1'000'000;
}

// Letters on the library's paths, keys that lead nowhere, and the editing and navigation keys.
constexpr std::uint16_t kKeys[] = {4,  31, 34, 0, 13, 18, 3, 1, 45, 17, 12, 7,   6,   44,
                                   36, 53, 51, 49, 48, 123, 102, 83, 76, 122, 10};
constexpr std::uint64_t kModifiers[] = {platform::flags::kOption, platform::flags::kShift,
                                        platform::flags::kControl, platform::flags::kCommand};

TEST(KeyTapSoak, RandomHardwareLikeInputKeepsEveryInvariant) {
  platform::sim::VirtualTime time;
  platform::sim::SimEventTap tap;
  platform::sim::SimKeyLayout layout{time.main()};
  platform::sim::SimSecureInput secureInput;
  secureInput.addApplication(501, "Password Field");
  SequenceEngine engine{testing::libraryFrom(testing::kKeyboardLibrary)};
  std::uint64_t logLines = 0;
  KeyTap keyTap(engine, {tap, layout, secureInput, time, time, [&](const std::string&) { ++logLines; }, {}});

  bool inCallback = false;
  bool allowed = true;
  std::map<std::string, std::uint64_t> counts;
  std::vector<double> secureReports;
  keyTap.isAllowed = [&] { return allowed; };
  keyTap.onEffects = [&](const EngineEffects& effects) {
    ASSERT_FALSE(inCallback);
    ASSERT_FALSE(effects.empty());
    for (const auto& e : effects) ++counts[std::to_string(e.index())];
  };
  keyTap.onMouseCancel = [&] {
    ASSERT_FALSE(inCallback);
    ++counts["mouse-cancel"];
  };
  keyTap.onClick = [&](platform::Point) {
    ASSERT_FALSE(inCallback);
    ++counts["click"];
  };
  keyTap.onSecureInput = [&](const std::optional<std::string>&) {
    ASSERT_FALSE(inCallback);
    secureReports.push_back(time.uptime());
  };
  ASSERT_TRUE(keyTap.start());

  std::mt19937_64 random(20260302);
  auto roll = [&](std::uint64_t n) { return random() % n; };
  // Per held key: whether its release must be dropped (its press was, and Excel saw no later press).
  std::map<std::uint16_t, bool> held;
  std::uint64_t modifiers = 0;
  std::uint64_t drops = 0;
  auto send = [&](const platform::RawEvent& event) {
    inCallback = true;
    auto verdict = tap.inject(event);
    inCallback = false;
    return verdict;
  };

  const auto total = soakEvents();
  for (std::uint64_t i = 0; i < total; ++i) {
    // Mostly brisk typing, now and then a pause; effects are delivered as time moves on.
    time.advanceBy(roll(10) == 0 ? 0.5 + static_cast<double>(roll(3000)) / 1000 : static_cast<double>(roll(300)) / 1000);
    auto dice = roll(1000);
    if (dice < 300 && held.size() < 4) {  // a key goes down
      auto code = kKeys[roll(std::size(kKeys))];
      if (held.contains(code)) continue;
      auto verdict = send(platform::sim::keyDownEvent(code, modifiers));
      held[code] = verdict == Verdict::drop;
      drops += verdict == Verdict::drop;
    } else if (dice < 420 && !held.empty()) {  // a held key repeats
      auto it = std::next(held.begin(), static_cast<long>(roll(held.size())));
      if (send(platform::sim::keyDownEvent(it->first, modifiers, true)) == Verdict::pass) it->second = false;
    } else if (dice < 720 && !held.empty()) {  // a held key comes up
      auto it = std::next(held.begin(), static_cast<long>(roll(held.size())));
      auto verdict = send(platform::sim::keyUpEvent(it->first, modifiers));
      ASSERT_EQ(verdict == Verdict::drop, it->second) << "release of key " << it->first << " at event " << i;
      held.erase(it);
    } else if (dice < 900) {  // a modifier changes, Option most of all
      constexpr auto kOthers = ~platform::flags::kOption;
      if ((modifiers & kOthers) != 0 && roll(2) == 0) {
        modifiers &= ~kOthers;  // Shift, Control and Command are held briefly
      } else {
        modifiers ^= roll(10) < 7 ? kModifiers[0] : kModifiers[1 + roll(3)];
      }
      ASSERT_EQ(send(platform::sim::flagsEvent(modifiers)), Verdict::pass);
    } else if (dice < 960) {
      ASSERT_EQ(send(platform::sim::mouseDownEvent(roll(2) == 0, {double(roll(1000)), double(roll(800))})),
                Verdict::pass);
    } else if (dice < 975) {
      allowed = roll(4) != 0;  // Excel is frontmost most of the time
    } else if (dice < 985) {
      if (secureInput.isEnabled()) {
        secureInput.turnOff();
      } else {
        secureInput.turnOn(roll(2) == 0 ? std::optional<std::int32_t>(501) : std::nullopt);
      }
    } else if (dice < 990) {
      ASSERT_EQ(roll(2) == 0 ? tap.disableByTimeout() : tap.disableByUserInput(), Verdict::pass);
      ASSERT_TRUE(tap.isEnabled());
    }
    if (held.empty()) {
      ASSERT_TRUE(keyTap.swallowedKeyUps().empty()) << "at event " << i;
    }
    ASSERT_LE(keyTap.swallowedKeyUps().size(), held.size());
  }
  time.runUntilIdle();
  for (const auto& [what, n] : counts) std::printf("%s: %llu\n", what.c_str(), static_cast<unsigned long long>(n));
  std::printf("drops %llu, secure reports %zu, log lines %llu\n", static_cast<unsigned long long>(drops),
              secureReports.size(), static_cast<unsigned long long>(logLines));

  for (std::size_t i = 1; i < secureReports.size(); ++i) EXPECT_GT(secureReports[i] - secureReports[i - 1], 20.0);
  // The stream really exercised the machinery.
  EXPECT_GT(drops, total / 100);
  EXPECT_GT(counts["0"], total / 1000);  // show
  EXPECT_GT(counts["2"], 0u);            // run
  EXPECT_GT(counts["4"], 0u);            // openSearch
  EXPECT_GT(counts["mouse-cancel"], 0u);
  EXPECT_GT(counts["click"], 0u);
  EXPECT_FALSE(secureReports.empty());
  EXPECT_GT(logLines, 0u);
}

}  // namespace
}  // namespace corvane::engine

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <variant>

#include "base/preferences.hpp"
#include "platform/posix/json_file_defaults.hpp"
#include "platform/posix/posix_paths.hpp"
#include "support/fork_child.hpp"
#include "support/temp_folder.hpp"

namespace corvane::app {
namespace {

using Clock = std::chrono::steady_clock;

void spinUntil(Clock::time_point deadline) {
  while (Clock::now() < deadline) {
  }
}

/// Forks a child that flips `enabled` (one write of the whole settings file); returns once it is
/// about to.
pid_t forkToggle(const platform::Paths& paths) {
  return corvane::testing::forkWhenReady([&paths] {
    platform::posix::JsonFileDefaults store(paths);
    base::Preferences prefs(store);
    prefs.toggleEnabled();
    return 0;
  });
}

// The settings file is rewritten whole on every change. A child killed at any moment of that
// write must leave the file as it was or as it became: never cut, never set aside as damaged.
TEST(PreferencesCrashSafety, AWriteKilledAtAnyMomentLeavesTheOldFileOrTheNew) {
  corvane::testing::TempFolder home;
  auto paths = platform::posix::makePaths(home.path);
  const auto file = platform::posix::defaultsFile(paths);
  // A long list makes each write long enough to be cut in the middle.
  const std::vector<std::string> padding(1500, std::string(8, 'x'));
  {
    platform::posix::JsonFileDefaults store(paths);
    store.set("padding", padding);
    store.set("enabled", true);
  }

  Clock::duration writeTime = Clock::duration::max();
  for (int i = 0; i < 3; ++i) {
    auto start = Clock::now();
    pid_t child = forkToggle(paths);
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    writeTime = std::min(writeTime, Clock::now() - start);
  }
  std::mt19937_64 random(20261206);
  auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(writeTime).count();
  std::uniform_int_distribution<std::int64_t> delay(0, nanos * 12 / 10);

  int killed = 0;
  for (int round = 0; round < 60; ++round) {
    pid_t child = forkToggle(paths);
    auto start = Clock::now();
    ASSERT_GT(child, 0);
    spinUntil(start + std::chrono::nanoseconds(delay(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (!WIFEXITED(status)) ++killed;

    std::vector<std::string> problems;
    platform::posix::JsonFileDefaults store(paths, "", [&](const std::string& m) { problems.push_back(m); });
    ASSERT_TRUE(problems.empty()) << "round " << round << ": " << problems.front();
    auto enabled = store.raw("enabled");
    ASSERT_TRUE(enabled && std::holds_alternative<bool>(*enabled)) << "round " << round;
    ASSERT_EQ(store.raw("padding"), platform::DefaultsValue(padding)) << "round " << round;
  }
  RecordProperty("killed", killed);
}

}  // namespace
}  // namespace corvane::app

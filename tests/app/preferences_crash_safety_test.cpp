#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "base/preferences.hpp"
#include "platform/posix/json_file_defaults.hpp"
#include "platform/posix/posix_paths.hpp"
#include "support/fork_child.hpp"
#include "support/temp_folder.hpp"

namespace corvane::app {
namespace {

/// The child's work: flip `enabled` (one write of the whole settings file).
std::function<int()> toggling(const platform::Paths& paths) {
  return [paths] {
    platform::posix::JsonFileDefaults store(paths);
    base::Preferences prefs(store);
    prefs.toggleEnabled();
    return 0;
  };
}

// The settings file is rewritten whole on every change. A child killed at any moment of that
// write must leave the file as it was or as it became: never cut, never set aside as damaged.
TEST(PreferencesCrashSafety, AWriteKilledAtAnyMomentLeavesTheOldFileOrTheNew) {
  corvane::testing::TempFolder home;
  auto paths = platform::posix::makePaths(home.path);
  // A long list makes each write long enough to be cut in the middle.
  const std::vector<std::string> padding(1500, std::string(8, 'x'));
  {
    platform::posix::JsonFileDefaults store(paths);
    store.set("padding", padding);
    store.set("enabled", true);
  }

  corvane::testing::KillLoop loop;
  loop.rounds = 60;
  loop.seed = 20261206;
  loop.prepare = [&](int) { return toggling(paths); };
  loop.verify = [&](int round, const corvane::testing::ChildEnd&) {
    std::vector<std::string> problems;
    platform::posix::JsonFileDefaults store(paths, "", [&](const std::string& m) { problems.push_back(m); });
    ASSERT_TRUE(problems.empty()) << "round " << round << ": " << problems.front();
    auto enabled = store.raw("enabled");
    ASSERT_TRUE(enabled && std::holds_alternative<bool>(*enabled)) << "round " << round;
    ASSERT_EQ(store.raw("padding"), platform::DefaultsValue(padding)) << "round " << round;
  };
  auto tally = corvane::testing::killAtRandomMoments(loop);
  RecordProperty("killed", tally.killed);
}

}  // namespace
}  // namespace corvane::app

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <random>

#include "app/user_shortcuts_file.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/sim/sim_workspace.hpp"
#include "platform/sim/virtual_time.hpp"
#include "support/fork_child.hpp"
#include "support/temp_folder.hpp"

namespace corvane::app {
namespace {

using SteadyClock = std::chrono::steady_clock;

/// Forks a child that creates the user file from the template; returns once it is about to.
pid_t forkOpenForEditing(const platform::Paths& paths) {
  return corvane::testing::forkWhenReady([&paths] {
    platform::posix::PosixFiles files;
    platform::sim::VirtualTime time;
    platform::sim::SimWorkspace workspace(time);
    base::ActivityLog log(files, time, time, paths.logFile, paths.home);
    base::AppStatus status;
    UserShortcutsFile userFile(files, workspace, paths, paths.home + "/none.json", log, status);
    userFile.openForEditing();
    return 0;
  });
}

// A child killed at any moment of creating the file leaves no file or the whole template, never a
// part of it (which would then be kept, since an existing file is never rewritten).
TEST(TemplateCrashSafety, KilledAtRandomMomentsLeavesNoFileOrTheWholeTemplate) {
  std::mt19937 random(8);
  int complete = 0;
  int absent = 0;
  for (int round = 0; round < 30; ++round) {
    corvane::testing::TempFolder folder;
    platform::Paths paths{folder.path, folder.path + "/support", folder.path + "/Corvane.log", folder.path,
                          folder.path, folder.path};
    pid_t child = forkOpenForEditing(paths);
    ASSERT_GT(child, 0);
    auto deadline = SteadyClock::now() + std::chrono::microseconds(random() % 400);
    while (SteadyClock::now() < deadline) {
    }
    ::kill(child, SIGKILL);
    int statusCode = 0;
    ::waitpid(child, &statusCode, 0);

    platform::posix::PosixFiles files;
    auto text = files.read(paths.supportFolder + "/my-shortcuts.json");
    if (!text) {
      ++absent;
      continue;
    }
    EXPECT_EQ(*text, UserShortcutsFile::kTemplate) << "round " << round;
    ++complete;
  }
  EXPECT_EQ(complete + absent, 30);
}

}  // namespace
}  // namespace corvane::app

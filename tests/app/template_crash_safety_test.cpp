#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>

#include "app/user_shortcuts_file.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/sim/sim_workspace.hpp"
#include "platform/sim/virtual_time.hpp"
#include "support/temp_folder.hpp"

namespace corvane::app {
namespace {

using SteadyClock = std::chrono::steady_clock;

/// Forks a child that creates the user file from the template and exits; returns once it starts.
pid_t forkOpenForEditing(const platform::Paths& paths) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  std::fflush(nullptr);
  pid_t child = ::fork();
  if (child == 0) {
    ::close(ready[0]);
    platform::posix::PosixFiles files;
    platform::sim::VirtualTime time;
    platform::sim::SimWorkspace workspace(time);
    base::ActivityLog log(files, time, time, paths.logFile, paths.home);
    base::AppStatus status;
    UserShortcutsFile userFile(files, workspace, paths, paths.home + "/none.json", log, status);
    (void)!::write(ready[1], "r", 1);
    userFile.openForEditing();
    ::_exit(0);
  }
  ::close(ready[1]);
  char byte = 0;
  if (child > 0) (void)!::read(ready[0], &byte, 1);
  ::close(ready[0]);
  return child;
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

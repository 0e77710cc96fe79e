// The POSIX backend's OS-specific pieces, which differ between Linux (inotify, st_mtim, /proc) and a
// Mac (kqueue, st_mtimespec, the loader): each test holds on both. Real time, bounded waits.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>

#include "platform/posix/executable_path.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/posix/threaded_scheduler.hpp"
#include "support/temp_folder.hpp"

namespace corvane::platform::posix {
namespace {

using corvane::testing::TempFolder;

/// Pumps the main queue until `count` reaches `want`; whether it did within five seconds.
bool pumpUntil(ThreadedScheduler& scheduler, const std::atomic<int>& count, int want) {
  return scheduler.runMainUntil([&] { return count.load() >= want; }, 5);
}

TEST(PosixFolderWatch, SeesASaveByRenameACreationAndADeletionOnTheMainQueue) {
  TempFolder folder;
  ThreadedScheduler scheduler;
  PosixFiles files(&scheduler.main());
  std::atomic<int> calls{0};
  std::atomic<bool> offMain{false};
  auto watch = files.watchFolder(folder.path, [&] {
    if (!scheduler.main().isCurrent()) offMain = true;
    ++calls;
  });
  ASSERT_NE(watch, nullptr);

  // How editors and Corvane save: a temporary file renamed over the old one.
  ASSERT_TRUE(files.writeAtomic(folder.path + "/my-shortcuts.json", "{}"));
  ASSERT_TRUE(pumpUntil(scheduler, calls, 1));

  int seen = calls;
  ASSERT_TRUE(files.remove(folder.path + "/my-shortcuts.json"));
  ASSERT_TRUE(pumpUntil(scheduler, calls, seen + 1));

  seen = calls;
  ASSERT_TRUE(files.createFolders(folder.path + "/inner"));
  ASSERT_TRUE(pumpUntil(scheduler, calls, seen + 1));
  EXPECT_FALSE(offMain);
}

TEST(PosixFolderWatch, NothingArrivesOnceTheWatchIsDestroyedEvenWhenAlreadyQueued) {
  TempFolder folder;
  ThreadedScheduler scheduler;
  PosixFiles files(&scheduler.main());
  std::atomic<int> calls{0};
  auto watch = files.watchFolder(folder.path, [&] { ++calls; });
  ASSERT_NE(watch, nullptr);
  ASSERT_TRUE(files.writeAtomic(folder.path + "/a.json", "1"));
  // Give the change time to reach the main queue without running it, then end the watch.
  ::usleep(50'000);
  watch.reset();
  ASSERT_TRUE(files.writeAtomic(folder.path + "/b.json", "2"));
  scheduler.runMain(0.05);
  EXPECT_EQ(calls, 0);
}

TEST(PosixFolderWatch, AMissingFolderOrNoQueueGivesNoWatch) {
  TempFolder folder;
  ThreadedScheduler scheduler;
  PosixFiles withQueue(&scheduler.main());
  EXPECT_EQ(withQueue.watchFolder(folder.path + "/missing", [] {}), nullptr);
  PosixFiles withoutQueue;
  EXPECT_EQ(withoutQueue.watchFolder(folder.path, [] {}), nullptr);
}

TEST(PosixFiles, TheModificationDateKeepsNanoseconds) {
  TempFolder folder;
  PosixFiles files;
  auto path = folder.path + "/dated.txt";
  ASSERT_TRUE(files.writeAtomic(path, "x"));
  const timespec times[2] = {{1'700'000'000, 123'456'789}, {1'700'000'000, 123'456'789}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  auto date = files.modificationDate(path);
  ASSERT_TRUE(date.has_value());
  // Some file systems keep coarser times; every one keeps the whole seconds.
  EXPECT_EQ(date->unixNanos / 1'000'000'000, 1'700'000'000);
  EXPECT_LE(date->unixNanos % 1'000'000'000, 123'456'789);
  EXPECT_FALSE(files.modificationDate(folder.path + "/missing").has_value());
}

TEST(ExecutablePath, IsTheAbsoluteFolderHoldingThisTestProgram) {
  auto folder = executableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.front(), '/');
  EXPECT_NE(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder) / "corvane_platform_tests"));
}

}  // namespace
}  // namespace corvane::platform::posix

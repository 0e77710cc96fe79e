#include "base/activity_log.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "model/text.hpp"
#include "platform/posix/posix_clock.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/posix/threaded_scheduler.hpp"
#include "platform/sim/memory_files.hpp"
#include "platform/sim/virtual_time.hpp"
#include "support/temp_folder.hpp"

namespace corvane::base {
namespace {

constexpr const char* kHome = "/Users/alice";
constexpr const char* kLogFile = "/Users/alice/Library/Logs/Corvane.log";

class ActivityLogTest : public ::testing::Test {
 protected:
  platform::sim::VirtualTime time;  // uptime 1000 s: 09:16:40 on the simulated day
  platform::sim::MemoryFiles files{time, time.main()};
  ActivityLog log{files, time, time, kLogFile, kHome};

  std::string content() { return files.read(kLogFile).value_or("<missing>"); }
  void writeLines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) text += "line " + std::to_string(i) + "\n";
    ASSERT_TRUE(files.createFolders("/Users/alice/Library/Logs"));
    ASSERT_TRUE(files.writeAtomic(kLogFile, text));
  }
};

TEST_F(ActivityLogTest, AppendsStampedLinesOnItsQueueCreatingTheFolder) {
  log.log("Corvane started with 12 shortcuts");
  EXPECT_FALSE(files.exists(kLogFile));  // the file work waits for the log queue
  time.advanceBy(1.5);
  log.log("⚠️ Keys “H Z” lead nowhere");
  time.runUntilIdle();
  EXPECT_EQ(content(),
            "2026-03-02 09:16:40.000  Corvane started with 12 shortcuts\n"
            "2026-03-02 09:16:41.500  ⚠️ Keys “H Z” lead nowhere\n");
}

TEST_F(ActivityLogTest, AFileOfExactlyTheLimitIsKeptOneByteMoreStartsAfresh) {
  ASSERT_TRUE(files.createFolders("/Users/alice/Library/Logs"));
  ASSERT_TRUE(files.writeAtomic(kLogFile, std::string(2'000'000, 'x')));
  log.log("kept");
  time.runUntilIdle();
  EXPECT_EQ(files.size(kLogFile), 2'000'000u + 30u);

  ASSERT_TRUE(files.writeAtomic(kLogFile, std::string(2'000'001, 'x')));
  log.log("fresh");
  time.runUntilIdle();
  EXPECT_EQ(content(), "2026-03-02 09:16:40.000  fresh\n");
}

TEST_F(ActivityLogTest, WriteFailuresAreIgnoredAndLaterLinesStillArrive) {
  files.failWrites("/Users/alice/Library");
  log.log("lost");
  time.runUntilIdle();
  EXPECT_FALSE(files.exists(kLogFile));
  files.clearFailures();
  log.log("arrives");
  time.runUntilIdle();
  EXPECT_EQ(content(), "2026-03-02 09:16:40.000  arrives\n");
}

TEST_F(ActivityLogTest, TheTailKeepsTheLast200Lines) {
  writeLines(150);
  auto tail = log.logTail();
  EXPECT_EQ(model::text::split(tail, "\n").size(), 150u);
  EXPECT_TRUE(tail.starts_with("line 1\n"));
  EXPECT_TRUE(tail.ends_with("line 150"));

  writeLines(500);
  tail = log.logTail();
  auto lines = model::text::split(tail, "\n");
  ASSERT_EQ(lines.size(), 200u);
  EXPECT_EQ(lines.front(), "line 301");
  EXPECT_EQ(lines.back(), "line 500");

  writeLines(200);
  EXPECT_TRUE(log.logTail().starts_with("line 1\n"));
  writeLines(201);
  EXPECT_TRUE(log.logTail().starts_with("line 2\n"));
}

TEST_F(ActivityLogTest, TheTailShowsTheHomeFolderAsTilde) {
  ASSERT_TRUE(files.createFolders("/Users/alice/Library/Logs"));
  ASSERT_TRUE(files.writeAtomic(
      kLogFile, "Reloading /Users/alice/Library/Application Support/Corvane/my-shortcuts.json\n"
                "home is /Users/alice\nnot /Users/alicea but /Users/alice/x and /Users/alice.\n"));
  EXPECT_EQ(log.logTail(),
            "Reloading ~/Library/Application Support/Corvane/my-shortcuts.json\n"
            "home is ~\nnot /Users/alicea but ~/x and ~.");
}

// Whatever follows the home folder, it is hidden, unless an ASCII letter or digit makes it another
// account's folder (account names are ASCII): a name that merely starts the same is left whole.
TEST(AbbreviateHomeFolder, HidesTheHomeWhateverFollowsButNotALongerName) {
  struct Row {
    const char* home;
    const char* text;
    const char* expected;
  };
  const Row rows[] = {
      {"/Users/ann", "/Users/ann/Library/Logs/Corvane.log", "~/Library/Logs/Corvane.log"},
      {"/Users/ann", "/Users/ann", "~"},
      {"/Users/ann", "saved in /Users/ann.", "saved in ~."},
      {"/Users/ann", "(/Users/ann), /Users/ann: /Users/ann;", "(~), ~: ~;"},
      {"/Users/ann", "/Users/ann.lee/x", "~.lee/x"},
      {"/Users/ann", "/Users/ann-backup/x", "~-backup/x"},
      {"/Users/ann", "/Users/ann_old/x", "~_old/x"},
      {"/Users/ann", "/Users/annä/x", "~ä/x"},
      {"/Users/ann", "Couldn't read “/Users/ann”", "Couldn't read “~”"},
      {"/Users/ann", "/Users/ann… and /Users/ann’s", "~… and ~’s"},
      {"/Users/ann", "/Users/ann\t/Users/ann\n", "~\t~\n"},
      {"/Users/ann", "/Users/anne/x", "/Users/anne/x"},
      {"/Users/ann", "/Users/ann2/x", "/Users/ann2/x"},
      {"/Users/ann", "/Users/Anne and /Users/annZ", "/Users/Anne and /Users/annZ"},
      {"/Users/ann", "/Users/anne/x then /Users/ann/x", "/Users/anne/x then ~/x"},
      {"/Users/ann", "/Users/an/x", "/Users/an/x"},
      {"/Users/ann/", "/Users/ann.", "~."},
      {"/Users/ann.lee", "/Users/ann.lee/x and /Users/ann.lee.", "~/x and ~."},
      {"/Users/ann.lee", "/Users/ann.leex and /Users/ann.le", "/Users/ann.leex and /Users/ann.le"},
      {"/Users/ann-marie_2", "/Users/ann-marie_2-old", "~-old"},
      {"/Users/zoë", "/Users/zoë/x, /Users/zoë…, /Users/zoëy", "~/x, ~…, /Users/zoëy"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(abbreviateHomeFolder(row.text, row.home), row.expected) << "home " << row.home << ", text " << row.text;
  }
}

TEST_F(ActivityLogTest, AMissingUnreadableOrEmptyLogHasTheEmptyText) {
  EXPECT_EQ(log.logTail(), "(The activity log is empty.)");
  writeLines(3);
  files.failReads(kLogFile);
  EXPECT_EQ(log.logTail(), "(The activity log is empty.)");
  files.clearFailures();
  ASSERT_TRUE(files.writeAtomic(kLogFile, ""));
  EXPECT_EQ(log.logTail(), "(The activity log is empty.)");
}

TEST(AbbreviateHomeFolder, IgnoresAnEmptyOrRootHome) {
  EXPECT_EQ(abbreviateHomeFolder("/a/b", ""), "/a/b");
  EXPECT_EQ(abbreviateHomeFolder("/a/b", "/"), "/a/b");
  EXPECT_EQ(abbreviateHomeFolder("/a/b", "/a/"), "~/b");
}

// A link planted where the log lives once had lines appended to another file, and that file's
// contents sent with a problem report.
TEST(ActivityLogOnDisk, ALinkedLogIsNeitherWrittenThroughNorRead) {
  testing::TempFolder folder;
  ASSERT_FALSE(folder.path.empty());
  std::filesystem::create_directories(folder.path + "/Logs");
  auto file = folder.path + "/Logs/Corvane.log";
  auto other = folder.path + "/notes.txt";
  platform::posix::PosixFiles files;
  ASSERT_TRUE(files.writeAtomic(other, "private notes\n"));
  std::filesystem::create_symlink(other, file);
  platform::sim::VirtualTime time;
  ActivityLog log(files, time, time, file, folder.path);
  log.log("Corvane started with 3 shortcuts");
  time.runUntilIdle();
  EXPECT_EQ(files.read(other).value(), "private notes\n");
  EXPECT_EQ(log.logTail(), "(The activity log is empty.)");
}

TEST(ActivityLogThreads, LinesFromFourThreadsNeverInterleaveOrGoMissing) {
  testing::TempFolder folder;
  ASSERT_FALSE(folder.path.empty());
  auto file = folder.path + "/Logs/Corvane.log";
  platform::posix::PosixClock clock;
  platform::posix::PosixFiles files;
  platform::posix::ThreadedScheduler scheduler;
  ActivityLog log(files, clock, scheduler, file, folder.path);

  constexpr int kPerThread = 500;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&log, t] {
      for (int i = 0; i < kPerThread; ++i) log.log("thread " + std::to_string(t) + " line " + std::to_string(i));
    });
  }
  for (auto& thread : threads) thread.join();
  ASSERT_TRUE(scheduler.waitForQueues(20));

  auto content = files.read(file);
  ASSERT_TRUE(content.has_value());
  std::istringstream in(*content);
  std::regex pattern(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3}  thread (\d) line (\d+))");
  std::map<int, int> next;
  std::string line;
  int count = 0;
  while (std::getline(in, line)) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, pattern)) << line;
    int t = std::stoi(m[1]);
    EXPECT_EQ(std::stoi(m[2]), next[t]++) << "thread " << t << " out of order";
    ++count;
  }
  EXPECT_EQ(count, 4 * kPerThread);
}

}  // namespace
}  // namespace corvane::base

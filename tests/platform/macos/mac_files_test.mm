#include "platform/macos/mac_files.hpp"

#include <dirent.h>
#import <Foundation/Foundation.h>
#include <gtest/gtest.h>
#include <sys/time.h>

#include <cstdlib>
#include <vector>

#include "run_loop.hpp"

namespace corvane::platform::macos {
namespace {

class MacFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = std::string(NSTemporaryDirectory().UTF8String) + "corvane-files-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    [[NSFileManager defaultManager] removeItemAtPath:@(folder_.c_str()) error:nil];
  }

  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder_.c_str())) {
      while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
      }
      closedir(dir);
    }
    return names;
  }

  MacFiles files_;
  std::string folder_;
};

TEST_F(MacFilesTest, AnAtomicWriteReplacesTheWholeFileAndLeavesNothingBehind) {
  std::string path = folder_ + "/my-shortcuts.json";
  ASSERT_TRUE(files_.writeAtomic(path, "a longer first version\n"));
  ASSERT_TRUE(files_.writeAtomic(path, "short\n"));
  EXPECT_EQ(files_.read(path), "short\n");
  EXPECT_EQ(files_.size(path), 6u);
  EXPECT_EQ(entries(), std::vector<std::string>{"my-shortcuts.json"});
}

TEST_F(MacFilesTest, FailuresAreValuesThatNameThePath) {
  std::string missing = folder_ + "/no/such/folder/file.txt";
  auto written = files_.writeAtomic(missing, "x");
  ASSERT_FALSE(written);
  EXPECT_NE(written.error().description.find(missing), std::string::npos);
  EXPECT_FALSE(files_.read(missing));
  EXPECT_FALSE(files_.remove(missing));
  EXPECT_FALSE(files_.exists(missing));
  EXPECT_FALSE(files_.modificationDate(missing));
}

TEST_F(MacFilesTest, AppendCreatesThenExtends) {
  std::string log = folder_ + "/Logs/Corvane.log";
  ASSERT_TRUE(files_.createFolders(folder_ + "/Logs"));
  ASSERT_TRUE(files_.createFolders(folder_ + "/Logs"));
  ASSERT_TRUE(files_.append(log, "one\n"));
  ASSERT_TRUE(files_.append(log, "two\n"));
  EXPECT_EQ(files_.read(log), "one\ntwo\n");
  ASSERT_TRUE(files_.copy(log, folder_ + "/copy.log"));
  EXPECT_EQ(files_.read(folder_ + "/copy.log"), "one\ntwo\n");
  ASSERT_TRUE(files_.remove(log));
  EXPECT_FALSE(files_.exists(log));
}

TEST_F(MacFilesTest, TheModificationDateFollowsAWrite) {
  std::string path = folder_ + "/dated.txt";
  ASSERT_TRUE(files_.writeAtomic(path, "old"));
  timeval past[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
  ASSERT_EQ(utimes(path.c_str(), past), 0);
  EXPECT_EQ(files_.modificationDate(path)->unixNanos, 1'000'000'000LL * 1'000'000'000LL);
  ASSERT_TRUE(files_.writeAtomic(path, "new"));
  EXPECT_GT(files_.modificationDate(path)->unixNanos, 1'000'000'000LL * 1'000'000'000LL);
}

TEST_F(MacFilesTest, AWatchSeesAFileSavedByRenameAndStopsWhenDestroyed) {
  int calls = 0;
  auto watch = files_.watchFolder(folder_, [&] { ++calls; });
  ASSERT_NE(watch, nullptr);
  ASSERT_TRUE(files_.writeAtomic(folder_ + "/my-shortcuts.json", "{}"));
  EXPECT_TRUE(testing::runMainLoopUntil([&] { return calls > 0; }));
  watch.reset();
  int before = calls;
  ASSERT_TRUE(files_.writeAtomic(folder_ + "/other.json", "{}"));
  testing::runMainLoopFor(0.3);
  EXPECT_EQ(calls, before);
  EXPECT_EQ(files_.watchFolder(folder_ + "/missing", [] {}), nullptr);
}

}  // namespace
}  // namespace corvane::platform::macos

#include <gtest/gtest.h>

#include "platform/sim/memory_defaults.hpp"
#include "platform/sim/memory_files.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::platform::sim {
namespace {

TEST(MemoryDefaults, SuitesShareOneSetAndMissingOnesDoNotOpen) {
  MemoryDefaults standard;
  EXPECT_EQ(standard.openSuite("other"), nullptr);
  auto created = standard.createSuite("other");
  created->set("k", std::string("v"));
  auto opened = standard.openSuite("other");
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(opened->getString("k"), "v");
  EXPECT_FALSE(standard.has("k"));
  EXPECT_EQ(standard.suiteOpenCount(), 2u);
}

TEST(MemoryDefaults, TypedGettersTreatOtherTypesAsMissing) {
  MemoryDefaults d;
  d.set("list", std::vector<std::string>{"a", "b"});
  d.set("counts", std::map<std::string, std::int64_t>{{"x", 3}});
  d.set("flag", std::string("true"));
  EXPECT_EQ(d.getStringList("list"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(d.getIntDictionary("counts")->at("x"), 3);
  EXPECT_EQ(d.getBool("flag"), std::nullopt);
  EXPECT_TRUE(d.has("flag"));
  d.remove("flag");
  EXPECT_FALSE(d.has("flag"));
  EXPECT_EQ(d.writeCount(), 4u);
}

class MemoryFilesTest : public ::testing::Test {
 protected:
  VirtualTime time;
  MemoryFiles files{time, time.main()};
};

TEST_F(MemoryFilesTest, WritesNeedTheirFolderAndAppendCreates) {
  EXPECT_FALSE(files.writeAtomic("/a/b.txt", "x").has_value());
  ASSERT_TRUE(files.createFolders("/a//"));
  EXPECT_TRUE(files.exists("/a"));
  ASSERT_TRUE(files.append("/a/b.txt", "one "));
  ASSERT_TRUE(files.append("/a/b.txt", "two"));
  EXPECT_EQ(files.read("/a/b.txt"), "one two");
  EXPECT_EQ(files.size("/a/b.txt"), 7u);
  ASSERT_TRUE(files.copy("/a/b.txt", "/a/c.txt"));
  ASSERT_TRUE(files.remove("/a/b.txt"));
  EXPECT_FALSE(files.exists("/a/b.txt"));
  EXPECT_FALSE(files.remove("/a/b.txt").has_value());
  EXPECT_EQ(files.filePaths(), (std::vector<std::string>{"/a/c.txt"}));
  EXPECT_EQ(files.read("/a").error().description, "Couldn't open /a: Is a directory");
}

TEST_F(MemoryFilesTest, ModificationDatesFollowTheClockAndNeverRepeat) {
  ASSERT_TRUE(files.createFolders("/d"));
  ASSERT_TRUE(files.writeAtomic("/d/1", "a"));
  ASSERT_TRUE(files.writeAtomic("/d/2", "b"));  // same virtual instant
  auto first = *files.modificationDate("/d/1");
  auto second = *files.modificationDate("/d/2");
  EXPECT_EQ(first, time.now());
  EXPECT_GT(second.unixNanos, first.unixNanos);
  time.advanceBy(3);
  ASSERT_TRUE(files.writeAtomic("/d/1", "c"));
  EXPECT_EQ(*files.modificationDate("/d/1"), time.now());
}

TEST_F(MemoryFilesTest, InjectedFailuresHitTheirPrefixOnly) {
  ASSERT_TRUE(files.createFolders("/w/locked"));
  files.failWrites("/w/locked", "Operation not permitted");
  auto failed = files.writeAtomic("/w/locked/f", "x");
  ASSERT_FALSE(failed.has_value());
  EXPECT_EQ(failed.error().description, "Couldn't write /w/locked/f: Operation not permitted");
  EXPECT_TRUE(files.writeAtomic("/w/lockedness", "x").has_value());
  files.failReads("/w/lockedness");
  EXPECT_FALSE(files.read("/w/lockedness").has_value());
  files.clearFailures();
  EXPECT_TRUE(files.writeAtomic("/w/locked/f", "x").has_value());
  EXPECT_EQ(files.read("/w/lockedness"), "x");
}

TEST_F(MemoryFilesTest, WatchesReportChangesInTheirFolderOnTheMainQueue) {
  ASSERT_TRUE(files.createFolders("/s/sub"));
  EXPECT_EQ(files.watchFolder("/nowhere", [] {}), nullptr);
  int events = 0;
  auto watch = files.watchFolder("/s", [&] {
    EXPECT_TRUE(time.main().isCurrent());
    ++events;
  });
  ASSERT_NE(watch, nullptr);
  ASSERT_TRUE(files.writeAtomic("/s/my-shortcuts.json", "{}"));
  ASSERT_TRUE(files.writeAtomic("/s/sub/deeper", "{}"));  // another folder
  EXPECT_EQ(events, 0);
  time.runUntilIdle();
  EXPECT_EQ(events, 1);
  ASSERT_TRUE(files.remove("/s/my-shortcuts.json"));
  watch.reset();  // ended before the report is delivered
  time.runUntilIdle();
  EXPECT_EQ(events, 1);
  EXPECT_EQ(files.watchCount(), 0u);
}

}  // namespace
}  // namespace corvane::platform::sim

#include "base/former_settings.hpp"

#include <gtest/gtest.h>

#include "platform/sim/memory_defaults.hpp"
#include "platform/sim/memory_files.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::base {
namespace {

using platform::DefaultsValue;

class FormerSettingsTest : public ::testing::Test {
 protected:
  platform::sim::VirtualTime time;
  platform::sim::MemoryFiles files{time, time.main()};
  platform::sim::MemoryDefaults standard;
  platform::Paths paths{.home = "/Users/bo",
                        .supportFolder = "/Users/bo/Library/Application Support/Corvane",
                        .logFile = "/Users/bo/Library/Logs/Corvane.log",
                        .desktop = "/Users/bo/Desktop",
                        .temporaryFolder = "/tmp",
                        .formerSupportFolder = "/Users/bo/Library/Application Support/Pellmark"};

  void writeFormerFile(const std::string& bytes) {
    ASSERT_TRUE(files.createFolders(paths.formerSupportFolder));
    ASSERT_TRUE(files.writeAtomic(paths.formerShortcutsFile(), bytes));
  }
};

TEST_F(FormerSettingsTest, CopiesOnlyTheListedKeysTheStandardStoreLacks) {
  auto former = standard.createSuite("local.pellmark.Pellmark");
  former->set("enabled", true);
  former->set("holdToStart", false);
  former->set("tipStyle", std::string("classic"));
  former->set("alwaysShowKeyList", true);
  former->set("showInDock", false);  // not one of the imported keys
  former->set("keyListMode", std::int64_t{7});  // copied unchanged, whatever it holds
  standard.set("enabled", false);

  importFormerSettings(standard, files, paths);
  EXPECT_EQ(standard.raw("enabled"), DefaultsValue(false));
  EXPECT_EQ(standard.raw("holdToStart"), DefaultsValue(false));
  EXPECT_EQ(standard.raw("tipStyle"), DefaultsValue(std::string("classic")));
  EXPECT_EQ(standard.raw("alwaysShowKeyList"), DefaultsValue(true));
  EXPECT_EQ(standard.raw("keyListMode"), DefaultsValue(std::int64_t{7}));
  EXPECT_FALSE(standard.has("showInDock"));
  EXPECT_EQ(standard.raw("importedOldSettings"), DefaultsValue(true));
}

TEST_F(FormerSettingsTest, RunsOncePerUserEvenWhenNothingWasFound) {
  importFormerSettings(standard, files, paths);
  EXPECT_EQ(standard.raw("importedOldSettings"), DefaultsValue(true));
  auto opens = standard.suiteOpenCount();

  auto former = standard.createSuite("local.pellmark.Pellmark");
  former->set("tipSize", std::string("large"));
  writeFormerFile("{}");
  importFormerSettings(standard, files, paths);
  EXPECT_EQ(standard.suiteOpenCount(), opens);
  EXPECT_FALSE(standard.has("tipSize"));
  EXPECT_FALSE(files.exists(paths.userShortcutsFile()));
}

TEST_F(FormerSettingsTest, CopiesTheShortcutsFileIntoANewFolder) {
  writeFormerFile(R"({"shortcuts":[]})");
  importFormerSettings(standard, files, paths);
  EXPECT_EQ(files.read(paths.userShortcutsFile()), R"({"shortcuts":[]})");
}

TEST_F(FormerSettingsTest, NeverReplacesTheUsersOwnFile) {
  writeFormerFile("old");
  ASSERT_TRUE(files.createFolders(paths.supportFolder));
  ASSERT_TRUE(files.writeAtomic(paths.userShortcutsFile(), "mine"));
  importFormerSettings(standard, files, paths);
  EXPECT_EQ(files.read(paths.userShortcutsFile()), "mine");
}

TEST_F(FormerSettingsTest, FileErrorsEndTheImportSilentlyButItIsStillDone) {
  writeFormerFile("old");
  files.failWrites("/Users/bo/Library/Application Support/Corvane");
  importFormerSettings(standard, files, paths);
  EXPECT_FALSE(files.exists(paths.userShortcutsFile()));
  EXPECT_EQ(standard.raw("importedOldSettings"), DefaultsValue(true));
}

}  // namespace
}  // namespace corvane::base

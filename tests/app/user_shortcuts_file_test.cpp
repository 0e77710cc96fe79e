#include "app/user_shortcuts_file.hpp"

#include <gtest/gtest.h>

#include "base/library_loader.hpp"
#include "platform/sim/memory_files.hpp"
#include "platform/sim/sim_workspace.hpp"
#include "platform/sim/virtual_time.hpp"
#include "support/golden.hpp"

namespace corvane::app {
namespace {

using platform::sim::OpenRequest;

const platform::Paths kPaths{"/home/u",          "/home/u/Library/Application Support/Corvane",
                             "/home/u/Library/Logs/Corvane.log", "/home/u/Desktop", "/tmp",
                             "/home/u/Library/Application Support/Pellmark"};
constexpr const char* kBuiltin = "/app/shortcuts.json";

class UserFileTest : public ::testing::Test {
 protected:
  UserFileTest() {
    EXPECT_TRUE(files.createFolders("/app"));
    EXPECT_TRUE(files.writeAtomic(kBuiltin, corvane::testing::readDataFile("libraries/home-basic.json")));
    userFile.onReload = [this](const Reload& reload) { reloads.push_back(reload); };
  }

  void writeUser(const std::string& text) {
    ASSERT_TRUE(files.createFolders(kPaths.supportFolder));
    ASSERT_TRUE(files.writeAtomic(userFile.userFile(), text));
  }
  std::string logText() {
    time.runUntilIdle();
    return log.logTail();
  }

  platform::sim::VirtualTime time;
  platform::sim::MemoryFiles files{time, time.main()};
  platform::sim::SimWorkspace workspace{time};
  base::ActivityLog log{files, time, time, kPaths.logFile, kPaths.home};
  base::AppStatus status;
  UserShortcutsFile userFile{files, workspace, kPaths, kBuiltin, log, status};
  std::vector<Reload> reloads;
};

TEST_F(UserFileTest, OpeningAMissingFileWritesTheTemplateByteForByteThenRevealsAndOpens) {
  userFile.openForEditing();
  auto written = files.read(userFile.userFile());
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(*written, corvane::testing::readDataFile("app/my-shortcuts-template.json"));
  EXPECT_EQ(written->back(), '\n');
  using K = OpenRequest::Kind;
  EXPECT_EQ(workspace.openRequests(), (std::vector<OpenRequest>{{K::reveal, userFile.userFile(), ""},
                                                                {K::fileWithApplication, userFile.userFile(), "TextEdit"}}));
  // The template's examples are disabled: it adds nothing and warns about nothing.
  auto library = userFile.loadLibrary();
  auto builtinOnly = base::loadLibrary(files, kBuiltin, std::nullopt);
  EXPECT_EQ(library->shortcuts().size(), builtinOnly->shortcuts().size());
  EXPECT_TRUE(library->warnings().empty());
}

TEST_F(UserFileTest, OpeningAnExistingFileLeavesItAndDeletesTheReferenceCopy) {
  writeUser("{\"shortcuts\": []}");
  ASSERT_TRUE(files.writeAtomic(userFile.referenceCopy(), "{}"));
  auto before = files.modificationDate(userFile.userFile());
  workspace.setInstalledApplications({});
  userFile.openForEditing();
  EXPECT_EQ(*files.read(userFile.userFile()), "{\"shortcuts\": []}");
  EXPECT_EQ(files.modificationDate(userFile.userFile()), before);
  EXPECT_FALSE(files.exists(userFile.referenceCopy()));
  // Without the text editor the default application opens it, still after the reveal.
  ASSERT_EQ(workspace.openRequests().size(), 2u);
  EXPECT_EQ(workspace.openRequests()[1].kind, OpenRequest::Kind::file);
}

TEST_F(UserFileTest, AFolderThatCannotBeWrittenIsIgnoredQuietly) {
  files.failWrites(kPaths.supportFolder);
  userFile.openForEditing();
  EXPECT_FALSE(files.exists(userFile.userFile()));
  EXPECT_EQ(workspace.openRequests().size(), 2u);  // still revealed and opened, as asked
}

TEST_F(UserFileTest, LoadingLogsEachWarningAndPublishesCountAndWarnings) {
  writeUser(R"({"shortcuts": [{"keys": "Q A"}, {"keys": "Q B", "name": "Copy", "do": {"key": "cmd+c"}}]})");
  auto library = userFile.loadLibrary();
  EXPECT_EQ(status.shortcutCount.get(), static_cast<int>(library->shortcuts().size()));
  ASSERT_EQ(status.warnings.get().size(), 1u);
  EXPECT_NE(logText().find("⚠️ Skipped your shortcut \"Q A\""), std::string::npos);
  EXPECT_EQ(userFile.loadedFileDate(), files.modificationDate(userFile.userFile()));
}

TEST_F(UserFileTest, FiveProblemsGiveTheCountAndTheFirstThree) {
  writeUser(R"({"shortcuts": [{"keys": "Q A"}, {"keys": "Q B"}, {"keys": "Q C"}, {"keys": "Q D"}, {"keys": "Q E"}]})");
  auto reload = userFile.reloadShortcuts();
  auto count = std::to_string(reload.library->shortcuts().size());
  EXPECT_EQ(reload.notice.message,
            "Loaded " + count + " shortcuts. 5 problem(s), listed in Settings › My Shortcuts.\n"
            "Skipped your shortcut \"Q A\": \"Q A\" has nothing to do\n"
            "Skipped your shortcut \"Q B\": \"Q B\" has nothing to do\n"
            "Skipped your shortcut \"Q C\": \"Q C\" has nothing to do");
  EXPECT_TRUE(reload.notice.isError);
  EXPECT_EQ(reload.notice.seconds, 7);
  ASSERT_EQ(reloads.size(), 1u);
  EXPECT_EQ(reloads[0].library, reload.library);
}

TEST_F(UserFileTest, OneOrNoProblemNoticesAreExact) {
  writeUser(R"({"shortcuts": [{"keys": "Q A"}]})");
  auto one = userFile.reloadShortcuts().notice;
  EXPECT_EQ(one.message.substr(one.message.find(". ") + 2),
            "1 problem(s), listed in Settings › My Shortcuts.\nSkipped your shortcut \"Q A\": \"Q A\" has nothing to do");
  writeUser(R"({"shortcuts": []})");
  auto none = userFile.reloadShortcuts();
  EXPECT_EQ(none.notice, (ReloadNotice{"Loaded " + std::to_string(none.library->shortcuts().size()) + " shortcuts",
                                       false, 2}));
}

TEST_F(UserFileTest, AnEditorSaveReloadsOncePerNewDate) {
  writeUser(R"({"shortcuts": []})");
  (void)userFile.loadLibrary();
  ASSERT_TRUE(userFile.startWatching());
  // An editor writes a temporary file and renames it over the old one: several folder events.
  ASSERT_TRUE(files.writeAtomic(userFile.userFile(),
                                R"({"shortcuts": [{"keys": "Q Z", "name": "Mine", "do": {"key": "cmd+z"}}]})"));
  ASSERT_TRUE(files.writeAtomic(kPaths.supportFolder + "/unrelated.txt", "x"));
  time.runUntilIdle();
  ASSERT_EQ(reloads.size(), 1u);
  EXPECT_NE(reloads[0].library->shortcut(std::vector<std::string>{"Q", "Z"}), nullptr);
  EXPECT_NE(logText().find("my-shortcuts.json changed: reloading"), std::string::npos);
  // Same date again: nothing.
  EXPECT_FALSE(userFile.checkUserFileChanged());
  EXPECT_EQ(reloads.size(), 1u);
}

TEST_F(UserFileTest, DeletingAndRecreatingTheFileEachCountAsAChange) {
  writeUser(R"({"shortcuts": [{"keys": "Q Z", "name": "Mine", "do": {"key": "cmd+z"}}]})");
  (void)userFile.loadLibrary();
  ASSERT_TRUE(userFile.startWatching());
  ASSERT_TRUE(files.remove(userFile.userFile()));
  time.runUntilIdle();
  ASSERT_EQ(reloads.size(), 1u);
  EXPECT_EQ(reloads[0].library->shortcut(std::vector<std::string>{"Q", "Z"}), nullptr);
  EXPECT_EQ(userFile.loadedFileDate(), std::nullopt);
  // Both missing: no change.
  EXPECT_FALSE(userFile.checkUserFileChanged());
  writeUser(R"({"shortcuts": []})");
  time.runUntilIdle();
  EXPECT_EQ(reloads.size(), 2u);
}

TEST_F(UserFileTest, AChangeMadeWhileNotWatchingIsFoundByTheNextCheck) {
  (void)userFile.loadLibrary();
  writeUser(R"({"shortcuts": []})");
  time.runUntilIdle();
  EXPECT_TRUE(reloads.empty());
  EXPECT_TRUE(userFile.checkUserFileChanged());  // as when Excel comes to the front
  EXPECT_EQ(reloads.size(), 1u);
}

TEST(UserFileLifetime, AWatchOutlivedByItsEventsDoesNothing) {
  platform::sim::VirtualTime time;
  platform::sim::MemoryFiles files{time, time.main()};
  platform::sim::SimWorkspace workspace{time};
  base::ActivityLog log{files, time, time, kPaths.logFile, kPaths.home};
  base::AppStatus status;
  int reloads = 0;
  {
    UserShortcutsFile userFile{files, workspace, kPaths, kBuiltin, log, status};
    userFile.onReload = [&](const Reload&) { ++reloads; };
    ASSERT_TRUE(userFile.startWatching());
    ASSERT_TRUE(files.writeAtomic(userFile.userFile(), "{}"));
  }
  time.runUntilIdle();
  EXPECT_EQ(reloads, 0);
  EXPECT_EQ(files.watchCount(), 0u);
}

TEST_F(UserFileTest, AReloadHandlerMayDestroyTheFile) {
  auto owned = std::make_unique<UserShortcutsFile>(files, workspace, kPaths, kBuiltin, log, status);
  owned->onReload = [&](const Reload&) { owned.reset(); };
  writeUser("{}");
  auto reload = owned->reloadShortcuts();
  EXPECT_EQ(owned, nullptr);
  EXPECT_NE(reload.library, nullptr);
}

}  // namespace
}  // namespace corvane::app

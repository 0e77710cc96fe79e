#include <gtest/gtest.h>

#include <filesystem>

#include "platform/posix/posix_files.hpp"
#include "platform/posix/posix_paths.hpp"

namespace corvane::platform::posix {
namespace {

struct TempDir {
  std::string path;
  TempDir() {
    path = std::filesystem::temp_directory_path() / ("corvane-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                                                     std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    std::filesystem::create_directories(path);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
};

TEST(PosixFiles, WriteReadAppendRemove) {
  TempDir dir;
  PosixFiles files;
  auto file = dir.path + "/a/b/c.txt";
  EXPECT_FALSE(files.writeAtomic(file, "x").has_value()) << "no folder yet";
  ASSERT_TRUE(files.createFolders(dir.path + "/a/b"));
  ASSERT_TRUE(files.writeAtomic(file, "hello"));
  ASSERT_TRUE(files.append(file, " world"));
  EXPECT_EQ(files.read(file).value(), "hello world");
  EXPECT_EQ(files.size(file), 11u);
  EXPECT_TRUE(files.modificationDate(file).has_value());
  ASSERT_TRUE(files.writeAtomic(file, "new"));
  EXPECT_EQ(files.read(file).value(), "new");
  ASSERT_TRUE(files.copy(file, dir.path + "/copy.txt"));
  EXPECT_EQ(files.read(dir.path + "/copy.txt").value(), "new");
  ASSERT_TRUE(files.remove(file));
  EXPECT_FALSE(files.exists(file));
  EXPECT_FALSE(files.read(file).has_value());
  EXPECT_FALSE(files.remove(file).has_value());
  // No temporary files are left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path + "/a/b"), {}), 0);
}

TEST(PosixPaths, HomeOverridesXdgAndUsesTheMacLayout) {
  auto env = [](const char* name) -> std::optional<std::string> {
    std::string n = name;
    if (n == "HOME") return "/home/u";
    if (n == "XDG_CONFIG_HOME") return "/cfg";
    return std::nullopt;
  };
  auto withHome = makePaths("/h", env);
  EXPECT_EQ(withHome.userShortcutsFile(), "/h/Library/Application Support/Corvane/my-shortcuts.json");
  EXPECT_EQ(withHome.logFile, "/h/Library/Logs/Corvane.log");
  EXPECT_EQ(withHome.desktop, "/h/Desktop");
  EXPECT_EQ(withHome.formerShortcutsFile(), "/h/Library/Application Support/Pellmark/my-shortcuts.json");
  EXPECT_EQ(defaultsFile(withHome), "/h/Library/Application Support/Corvane/defaults.json");
  EXPECT_EQ(defaultsFile(withHome, "local.pellmark.Pellmark"),
            "/h/Library/Application Support/Corvane/local.pellmark.Pellmark.json");

  auto xdg = makePaths(std::nullopt, env);
#if defined(__APPLE__)
  // A Mac has no XDG folders: the command line uses the application's, under $HOME.
  EXPECT_EQ(xdg.supportFolder, "/home/u/Library/Application Support/Corvane");
  EXPECT_EQ(xdg.logFile, "/home/u/Library/Logs/Corvane.log");
  EXPECT_EQ(xdg.desktop, "/home/u/Desktop");
#else
  EXPECT_EQ(xdg.supportFolder, "/cfg/corvane");
  EXPECT_EQ(xdg.logFile, "/home/u/.local/state/corvane/Corvane.log");
  EXPECT_EQ(xdg.desktop, "/home/u/Desktop");
  EXPECT_EQ(xdg.formerShortcutsFile(), "/cfg/pellmark/my-shortcuts.json");
#endif
}

}  // namespace
}  // namespace corvane::platform::posix

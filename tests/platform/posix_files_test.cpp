#include <gtest/gtest.h>

#include <sys/stat.h>

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

// Hostile files: each of these once blocked start-up, aborted, or took a second of time and a
// gigabyte of memory. Each must be refused at once with a message, and nothing written to it.
TEST(PosixFilesSafety, ReadsRefuseWhatIsNotARegularFileOrTooLarge) {
  TempDir dir;
  PosixFiles files;
  auto fifo = dir.path + "/fifo.json";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto fromFifo = files.read(fifo);  // blocked forever before: nobody writes to it
  ASSERT_FALSE(fromFifo);
  EXPECT_NE(fromFifo.error().description.find("isn't a regular file"), std::string::npos);

  auto zero = dir.path + "/zero.json";
  std::filesystem::create_symlink("/dev/zero", zero);
  auto fromZero = files.read(zero);
  ASSERT_FALSE(fromZero);
  EXPECT_NE(fromZero.error().description.find("isn't a regular file"), std::string::npos);
  EXPECT_FALSE(files.read(dir.path));

  auto big = dir.path + "/big.json";
  ASSERT_TRUE(files.writeAtomic(big, "{}"));
  std::filesystem::resize_file(big, kMaxReadBytes);
  EXPECT_TRUE(files.read(big)) << "exactly the limit is read";
  std::filesystem::resize_file(big, kMaxReadBytes + 1);
  auto tooBig = files.read(big);
  ASSERT_FALSE(tooBig);
  EXPECT_NE(tooBig.error().description.find("larger than 10 MB"), std::string::npos) << tooBig.error().description;
}

TEST(PosixFilesSafety, AtomicWritesGoThroughALinkAndLeaveOtherKindsAlone) {
  TempDir dir;
  PosixFiles files;
  ASSERT_TRUE(files.createFolders(dir.path + "/synced"));
  auto target = dir.path + "/synced/real.json";
  auto link = dir.path + "/link.json";
  ASSERT_TRUE(files.writeAtomic(target, "old"));
  std::filesystem::create_symlink(target, link);
  ASSERT_TRUE(files.writeAtomic(link, "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(files.read(target).value(), "new");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path + "/synced"), {}), 1) << "no temporary left";

  auto fifo = dir.path + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(files.writeAtomic(fifo, "x"));
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  auto dangling = dir.path + "/dangling";
  std::filesystem::create_symlink(dir.path + "/nowhere", dangling);
  EXPECT_FALSE(files.writeAtomic(dangling, "x"));
}

TEST(PosixFilesSafety, NewFilesAreTheOwnersOnlyAndOldFilesKeepTheirMode) {
  TempDir dir;
  PosixFiles files;
  auto perms = [](const std::string& p) { return std::filesystem::status(p).permissions() & std::filesystem::perms::all; };
  using std::filesystem::perms;
  ASSERT_TRUE(files.writeAtomic(dir.path + "/new.json", "x"));
  EXPECT_EQ(perms(dir.path + "/new.json"), perms::owner_read | perms::owner_write);
  ASSERT_TRUE(files.append(dir.path + "/new.log", "x"));
  EXPECT_EQ(perms(dir.path + "/new.log"), perms::owner_read | perms::owner_write);
  std::filesystem::permissions(dir.path + "/new.json", perms::owner_read | perms::owner_write | perms::group_read);
  ASSERT_TRUE(files.writeAtomic(dir.path + "/new.json", "y"));
  EXPECT_EQ(perms(dir.path + "/new.json"), perms::owner_read | perms::owner_write | perms::group_read);
}

TEST(PosixFilesSafety, AppendingAndReadingOurOwnFileNeverFollowALink) {
  TempDir dir;
  PosixFiles files;
  auto other = dir.path + "/other.txt";
  auto log = dir.path + "/Corvane.log";
  ASSERT_TRUE(files.writeAtomic(other, "secret\n"));
  std::filesystem::create_symlink(other, log);
  auto appended = files.append(log, "line\n");
  ASSERT_FALSE(appended);
  EXPECT_NE(appended.error().description.find("symbolic link"), std::string::npos) << appended.error().description;
  EXPECT_EQ(files.read(other).value(), "secret\n");
  EXPECT_FALSE(files.readOwnFile(log));
  EXPECT_TRUE(files.read(log)) << "an ordinary read follows it";

  auto fifo = dir.path + "/fifo.log";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(files.append(fifo, "line\n"));
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

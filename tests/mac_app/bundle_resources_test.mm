#import <Foundation/Foundation.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "mac_app/bundle_resources.hpp"
#include "support/temp_folder.hpp"

namespace corvane::mac_app {
namespace {

namespace fs = std::filesystem;

void touch(const fs::path& path) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << "{}";
}

/// Paths compared as the file system resolves them (a Mac's temporary folder is behind a link).
fs::path resolved(const fs::path& path) { return fs::weakly_canonical(path); }

NSBundle* bundleAt(const fs::path& folder) {
  NSString* path = [NSString stringWithUTF8String:folder.c_str()];
  if (path == nil) return nil;
  return [NSBundle bundleWithPath:path];
}

TEST(BuiltinShortcutsFile, IsTheBundlesResourceWhenThereIsOne) {
  testing::TempFolder temp;
  fs::path app = fs::path(temp.path) / "Corvane.app";
  touch(app / "Contents/Resources/shortcuts.json");
  std::ofstream(app / "Contents/Info.plist")
      << R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)"
      << R"(<key>CFBundleIdentifier</key><string>app.corvane.test</string></dict></plist>)";
  NSBundle* bundle = bundleAt(app);
  ASSERT_NE(bundle, nil);
  EXPECT_EQ(resolved(builtinShortcutsFile(bundle)), resolved(app / "Contents/Resources/shortcuts.json"));
}

TEST(BuiltinShortcutsFile, FallsBackToResourcesInTheBundleNeverTheWorkingFolder) {
  testing::TempFolder temp;
  // A bare executable's bundle is its folder: the file sits in Resources beside it.
  fs::path bare = fs::path(temp.path) / "bare";
  touch(bare / "Resources/shortcuts.json");
  NSBundle* bundle = bundleAt(bare);
  ASSERT_NE(bundle, nil);
  EXPECT_EQ(resolved(builtinShortcutsFile(bundle)), resolved(bare / "Resources/shortcuts.json"));

  // A bundle whose resource is missing still names the path inside it; the loader reports it.
  fs::path broken = fs::path(temp.path) / "Broken.app";
  fs::create_directories(broken / "Contents/MacOS");
  EXPECT_EQ(resolved(builtinShortcutsFile(bundleAt(broken))), resolved(broken / "Contents/Resources/shortcuts.json"));
}

}  // namespace
}  // namespace corvane::mac_app

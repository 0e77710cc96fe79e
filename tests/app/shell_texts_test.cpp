#include <gtest/gtest.h>

#include "app/app_menus.hpp"
#include "app/secure_input_warning.hpp"
#include "app/version_notice.hpp"
#include "platform/sim/memory_defaults.hpp"

namespace corvane::app {
namespace {

TEST(SecureInputWarning, MessageDependsOnTheOwner) {
  auto unknown = secureInputWarning(std::nullopt);
  // The log goes out with problem reports: the owner's name stays out of it whoever it is.
  EXPECT_EQ(unknown.logLine, "Secure Input is on: macOS hides the letters you type from Corvane");
  EXPECT_EQ(unknown.message,
            "macOS Secure Input is on, so Corvane can't see your keys. Close any open password field, or lock and "
            "unlock your Mac (⌃⌘Q).");
  EXPECT_EQ(secureInputWarning(std::string()), unknown);

  auto login = secureInputWarning(std::string("loginwindow"));
  EXPECT_EQ(login.message,
            "macOS left Secure Input on after unlocking, so Corvane can't see your keys. Lock and unlock your Mac (⌃⌘Q).");
  EXPECT_EQ(login.logLine, unknown.logLine);

  auto other = secureInputWarning(std::string("1Password"));
  EXPECT_EQ(other.message,
            "1Password has Secure Input on (a password field), so Corvane can't see your keys. Close it or quit "
            "1Password.");
  EXPECT_EQ(other.logLine.find("1Password"), std::string::npos);
  EXPECT_EQ(SecureInputWarning::kSeconds, 8);
}

TEST(VersionNotice, OnlyAChangedVersionGetsANotice) {
  EXPECT_EQ(versionNotice(std::nullopt, "2.1"), std::nullopt);
  EXPECT_EQ(versionNotice(std::string("2.1"), "2.1"), std::nullopt);
  auto notice = versionNotice(std::string("2.0"), "2.1");
  ASSERT_TRUE(notice.has_value());
  EXPECT_EQ(notice->message, "Corvane 2.1 is installed");
  EXPECT_EQ(notice->lines, (std::vector<std::string>{"See what's changed in this version.", "Updated from 2.0"}));
  EXPECT_EQ(notice->action.id, VersionNotice::kActionId);
}

TEST(VersionNotice, EachRunStoresItsVersionSoTheNoticeComesOnce) {
  platform::sim::MemoryDefaults defaults;
  EXPECT_EQ(recordRunVersion(defaults, "2.0"), std::nullopt);  // first run
  EXPECT_EQ(defaults.getString("lastRunVersion"), "2.0");
  EXPECT_TRUE(recordRunVersion(defaults, "2.1").has_value());
  EXPECT_EQ(recordRunVersion(defaults, "2.1"), std::nullopt);
  // A value of the wrong type reads as no previous version.
  defaults.set("lastRunVersion", true);
  EXPECT_EQ(recordRunVersion(defaults, "2.2"), std::nullopt);
}

TEST(AppMenus, MainMenuHasTheItemsKeysAndTargets) {
  auto menus = mainMenu();
  ASSERT_EQ(menus.size(), 3u);
  std::vector<std::string> titles;
  for (const auto& item : menus[0].items) titles.push_back(item.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"About Corvane", "Check for Updates…", "", "Settings…", "Shortcut List",
                                              "My Shortcuts…", "", "Hide Corvane", "Hide Others", "Show All", "",
                                              "Quit Corvane"}));
  EXPECT_EQ(menus[1].title, "Edit");
  EXPECT_EQ(menus[2].title, "Window");
  EXPECT_TRUE(menus[2].isWindowsMenu);
  EXPECT_FALSE(menus[1].isWindowsMenu);

  auto settings = menuItemForKey(menus, {","});
  ASSERT_TRUE(settings.has_value());
  EXPECT_EQ(settings->action, "showSettings");
  EXPECT_EQ(settings->target, MenuItem::Target::shell);
  EXPECT_EQ(menuItemForKey(menus, {"l"})->action, "showList");
  EXPECT_EQ(menuItemForKey(menus, {"q"})->action, "terminate:");
  // The modifiers are part of the key: ⌘H hides, ⌥⌘H hides the others, ⇧⌘Z redoes.
  EXPECT_EQ(menuItemForKey(menus, {"h"})->title, "Hide Corvane");
  EXPECT_EQ(menuItemForKey(menus, {"h", true, true, false})->title, "Hide Others");
  EXPECT_EQ(menuItemForKey(menus, {"z", true, false, true})->title, "Redo");
  EXPECT_EQ(menuItemForKey(menus, {"z"})->title, "Undo");
  EXPECT_EQ(menuItemForKey(menus, {"k"}), std::nullopt);
  // Editing goes to whatever has the focus.
  EXPECT_EQ(menuItemForKey(menus, {"c"})->target, MenuItem::Target::firstResponder);
  // Items without a key: My Shortcuts…, About.
  for (const auto& item : menus[0].items)
    if (item.title == "My Shortcuts…" || item.title == "About Corvane") {
      EXPECT_FALSE(item.key.has_value());
    }
}

TEST(AppMenus, DockMenuHasThreeShellItemsWithoutKeys) {
  auto dock = dockMenu();
  ASSERT_EQ(dock.size(), 3u);
  EXPECT_EQ(dock[0].title, "Shortcut List");
  EXPECT_EQ(dock[1].action, "editShortcuts");
  EXPECT_EQ(dock[2].action, "showSettings");
  for (const auto& item : dock) {
    EXPECT_FALSE(item.key.has_value());
    EXPECT_EQ(item.target, MenuItem::Target::shell);
  }
}

}  // namespace
}  // namespace corvane::app

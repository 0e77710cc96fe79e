// The keyboard side: the tap, the layout, Secure Input, the pointer and the window list. Nothing
// here posts an event: a test must never type into the session it runs in.

#include <gtest/gtest.h>

#include <cctype>

#include "platform/macos/mac_accessibility.hpp"
#include "platform/macos/mac_event_tap.hpp"
#include "platform/macos/mac_input_poster.hpp"
#include "platform/macos/mac_key_layout.hpp"
#include "platform/macos/mac_paths.hpp"
#include "platform/macos/mac_secure_input.hpp"
#include "platform/macos/mac_window_list.hpp"

namespace corvane::platform::macos {
namespace {

TEST(MacEventTap, ATrustedProcessGetsATapThatStaysOffUntilEnabled) {
  MacEventTap tap;
  std::uint64_t mask = eventMaskBit(EventType::keyDown) | eventMaskBit(EventType::keyUp) |
                       eventMaskBit(EventType::flagsChanged) | eventMaskBit(EventType::leftMouseDown) |
                       eventMaskBit(EventType::rightMouseDown);
  bool created = tap.create(mask, [](const RawEvent&) { return Verdict::pass; });
  // With the permission a tap is always made. Without it macOS leaves out the kinds of event the
  // process may not see and refuses only when none is left, so either answer is possible there.
  if (MacAccessibility().isTrusted(false)) EXPECT_TRUE(created);
  if (!created) {
    EXPECT_FALSE(tap.isValid());
    return;
  }
  EXPECT_TRUE(tap.isValid());
  EXPECT_FALSE(tap.isEnabled());
  tap.enable(true);
  EXPECT_TRUE(tap.isEnabled());
  // Invalidating ends the tap's own thread and returns; a second time does nothing.
  tap.invalidate();
  EXPECT_FALSE(tap.isValid());
  EXPECT_FALSE(tap.isEnabled());
  tap.invalidate();
  // A new tap after the old one: a new thread.
  if (tap.create(mask, [](const RawEvent&) { return Verdict::pass; })) EXPECT_FALSE(tap.isEnabled());
}

TEST(MacKeyLayout, KeysTranslateWithoutModifiersOnTheAsciiLayout) {
  MacKeyLayout layout;
  // Key 0 is a Latin letter on every ASCII-capable layout (A, Q on AZERTY, ...).
  auto letter = layout.character(0);
  ASSERT_TRUE(letter);
  ASSERT_EQ(letter->size(), 1u);
  EXPECT_TRUE(std::isalpha(static_cast<unsigned char>((*letter)[0])));
  EXPECT_EQ(layout.character(49), " ");
  EXPECT_EQ(layout.character(36), "\r");
  layout.setChangeHandler([] {});
  layout.setChangeHandler(nullptr);
}

TEST(MacSecureInput, UnknownProcessesHaveNoName) {
  MacSecureInput secure;
  EXPECT_FALSE(secure.applicationName(-1));
  if (auto pid = secure.ownerPid()) EXPECT_GT(*pid, 0);
}

TEST(MacPaths, TheUsersFoldersInTheMacLayout) {
  Paths paths = macPaths();
  auto endsWith = [](const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
  };
  EXPECT_EQ(paths.supportFolder, paths.home + "/Library/Application Support/Corvane");
  EXPECT_EQ(paths.formerSupportFolder, paths.home + "/Library/Application Support/Pellmark");
  EXPECT_EQ(paths.logFile, paths.home + "/Library/Logs/Corvane.log");
  EXPECT_TRUE(endsWith(paths.desktop, "/Desktop"));
  EXPECT_FALSE(paths.temporaryFolder.empty());
  EXPECT_FALSE(endsWith(paths.temporaryFolder, "/"));
  EXPECT_TRUE(endsWith(paths.userShortcutsFile(), "/Corvane/my-shortcuts.json"));
}

TEST(MacInputPoster, ThePointerAndTheWindowsCanBeRead) {
  MacInputPoster poster;
  EXPECT_TRUE(poster.pointerLocation());
  for (const WindowInfo& window : MacWindowList().onScreenWindows()) {
    EXPECT_GT(window.ownerPid, 0);
    EXPECT_GE(window.bounds.width, 0);
    EXPECT_GE(window.bounds.height, 0);
  }
}

}  // namespace
}  // namespace corvane::platform::macos

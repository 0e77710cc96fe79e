#pragma once
// Writes a running Excel's accessibility tree as a simulator fixture (docs/fixture-format.md):
// the workbook windows with their title bar and ribbon — every tab's groups, selecting each tab in
// turn — and the menu bar with its items and key equivalents. Plain C++ over the Accessibility
// interface, so the simulated Excel can be captured the same way in tests. One thread: the caller's.

#include <cstddef>
#include <cstdint>
#include <expected>
#include <string>
#include <vector>

#include "platform/accessibility.hpp"
#include "platform/clock.hpp"
#include "platform/geometry.hpp"

namespace corvane::tools {

/// The application to capture, as the workspace knows it.
struct DumpTarget {
  std::int32_t pid = 0;
  std::string title = "Microsoft Excel";
  std::string bundleIdentifier = "com.microsoft.Excel";
  bool frontmost = true;
  platform::Size screen{1440, 900};  ///< the main screen, in points
};

struct DumpOptions {
  std::string name = "captured";
  /// Select every ribbon tab in turn to capture its groups (the selected tab is restored after);
  /// false captures the selected tab's groups only and leaves Excel untouched.
  bool allTabs = true;
  /// How long a newly selected tab is given to show its commands.
  double tabSwitchWait = 0.5;
  /// The walk stops adding elements after this many, so a runaway tree cannot exhaust memory.
  std::size_t maxElements = 20000;
};

struct Dump {
  std::string json;                ///< the fixture document, pretty-printed, ending in a newline
  std::vector<std::string> notes;  ///< what was left out, for the user
  std::size_t elements = 0;
};

/// The fixture of the application `target`; the error says why nothing could be read.
[[nodiscard]] std::expected<Dump, std::string> dumpExcel(platform::Accessibility& ax, platform::Clock& clock,
                                                         const DumpTarget& target, const DumpOptions& options);

/// A menu item's key equivalent in the fixture's notation ("⇧⌘S"), or "" when the character is
/// not one printable character (function keys, arrows) and so cannot be written.
[[nodiscard]] std::string keyEquivalentText(const std::string& character, std::int64_t modifiers);

}  // namespace corvane::tools

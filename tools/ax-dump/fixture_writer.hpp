#pragma once
// Writes a running Excel as a simulator fixture (docs/fixture-format.md): the workbook windows with
// their title bar and ribbon — every tab's groups, selecting each tab in turn, the groups a narrow
// window folds away, the items of each dropdown and gallery — the menu bar with every menu's items
// (each opened in turn), and the times Excel took, measured on the spot, as the fixture's timing
// keys. The ribbon, its commands area, its groups, the Quick Access Toolbar and the title bar are
// found by their roles and places, as the product's lookups find them; descriptions are only data.
// Nothing of the workbook is written: no values or texts of the grid, the formula bar, the sheet
// tabs or the cells, and neutral window titles and file names (unless `keepValues`).
// Plain C++ over the automation layer's services, so the simulated Excel is captured the same way in
// tests. One thread: the caller's.

#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <vector>

#include "excel/excel_app.hpp"
#include "platform/geometry.hpp"

namespace corvane::tools {

/// The application to capture, as the workspace knows it.
struct DumpTarget {
  std::int32_t pid = 0;
  std::string title = "Microsoft Excel";
  std::string bundleIdentifier = "com.microsoft.Excel";
  platform::Size screen{1440, 900};  ///< the main screen, in points
  std::string excelVersion;          ///< "" when unknown
  std::string macOSVersion;
  std::string language;              ///< the language Excel shows itself in
};

struct DumpOptions {
  std::string name = "captured";
  /// Select every ribbon tab in turn to capture its groups (the selected tab is restored after);
  /// false captures the selected tab's groups only.
  bool allTabs = true;
  /// Open each ribbon dropdown and gallery, each folded group and each menu-bar menu to capture what
  /// it holds (each is closed again with Escape, sent only while Excel is in front). False leaves
  /// every menu shut.
  bool openMenus = true;
  /// Keep what the workbook shows (values, titles and descriptions of the grid, the formula bar and
  /// the sheet tabs; the window titles and file names).
  bool keepValues = false;
  /// The walk stops adding elements after this many, so a runaway tree cannot exhaust memory.
  std::size_t maxElements = 20000;
};

/// What the capture found, for the summary printed after it.
struct DumpSummary {
  struct Tab {
    std::string title;
    int groups = 0;
    int controls = 0;
    int folded = 0;     ///< groups the window's width folds away
    int dropdowns = 0;  ///< dropdowns and galleries whose items were captured
  };
  std::vector<Tab> tabs;
  int quickAccessButtons = 0;
  int menus = 0;
  int menuItems = 0;
  /// What the capture expected and did not find, or could not do.
  std::vector<std::string> warnings;
};

struct Dump {
  std::string json;  ///< the fixture document, pretty-printed, ending in a newline
  std::size_t elements = 0;
  DumpSummary summary;
};

/// The fixture of the application `target`; the error says why nothing could be read.
[[nodiscard]] std::expected<Dump, std::string> dumpExcel(const excel::ExcelServices& services, const DumpTarget& target,
                                                         const DumpOptions& options);

/// The summary as lines of text: tabs, groups and controls per tab, menus and items, warnings.
[[nodiscard]] std::string summaryText(const Dump& dump);

/// A menu item's key equivalent in the fixture's notation ("⇧⌘S"), or "" when the character is
/// not one printable character (function keys, arrows) and so cannot be written.
[[nodiscard]] std::string keyEquivalentText(const std::string& character, std::int64_t modifiers);

}  // namespace corvane::tools

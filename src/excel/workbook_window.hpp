#pragma once
// Excel's workbook window and its parts: which window carries the ribbon, its tab group, its title
// bar. Runs on the actions queue. Nothing here depends on a description no public source confirms:
// the ribbon is found by role.

#include <optional>
#include <vector>

#include "excel/action_error.hpp"
#include "excel/excel_app.hpp"
#include "excel/ribbon_reads.hpp"

namespace corvane::excel {

/// The window's facts (WindowFacts), read once per work while nothing changed Excel.
[[nodiscard]] WindowFacts windowFacts(const ExcelApp& excel, const platform::Element& window);

/// The window carrying the ribbon, matched against the on-screen window list; else the main,
/// focused or first window. No window at all is the no-workbook error.
[[nodiscard]] ActionResult<platform::Element> findWorkbookWindow(const ExcelApp& excel);

/// The ribbon of a window: its direct `AXTabGroup` child (with several, the first that has a
/// description of any kind). None without one.
[[nodiscard]] std::optional<platform::Element> ribbonTabGroup(const ExcelApp& excel, const platform::Element& window);

/// A document window (not a dialog) with a ribbon.
[[nodiscard]] bool carriesRibbon(const ExcelApp& excel, const platform::Element& window);

/// What a ribbon lookup searches: the window's tab group (its tabs and the open tab's commands),
/// never the sheet; the window itself only when it has no tab group.
[[nodiscard]] std::vector<platform::Element> ribbonRoots(const ExcelApp& excel, const platform::Element& window);

/// The window's title bar (its `AXToolbar` children: the Quick Access Toolbar, the title, Share),
/// each part of the window asked briefly, so that a busy one elsewhere holds nothing up.
[[nodiscard]] std::vector<platform::Element> titleBarParts(const ExcelApp& excel, const platform::Element& window);

/// Narrower than 1150 points; none without a window frame.
[[nodiscard]] std::optional<bool> isNarrow(const ExcelApp& excel, const platform::Element& window);

}  // namespace corvane::excel

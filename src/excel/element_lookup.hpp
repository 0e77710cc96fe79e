#pragma once
// Finding Excel's workbook window and ribbon controls by their English labels, and operating them.
// Runs on the actions queue; may block (in virtual time: sleep) for a few seconds while it polls.

#include <optional>
#include <string>
#include <vector>

#include "excel/action_error.hpp"
#include "excel/excel_app.hpp"
#include "excel/ribbon_scan.hpp"
#include "model/step.hpp"

namespace corvane::excel {

inline constexpr std::size_t kRibbonScanLimit = 6000;
inline constexpr std::size_t kDropdownScanLimit = 3000;
inline constexpr std::size_t kTabScanLimit = 2500;

/// The window carrying the ribbon, matched against the on-screen window list; else the main,
/// focused or first window. No window at all is the no-workbook error.
[[nodiscard]] ActionResult<platform::Element> findWorkbookWindow(const ExcelApp& excel);

/// The ribbon tab group ("AXTabGroup" described "ribbon") of a window.
[[nodiscard]] bool carriesRibbon(const ExcelApp& excel, const platform::Element& window);

/// Selects a ribbon tab (not pressed when already selected) and waits up to 0.8 s for its commands.
[[nodiscard]] ActionStatus selectTab(const ExcelApp& excel, const platform::Element& window, const std::string& tab);

/// A ribbon step: the control by its labels, optionally on a tab, optionally an item of its menu.
[[nodiscard]] ActionStatus ribbonStep(const ExcelApp& excel, const model::RibbonStep& step);

/// Press, open or focus a known element; `name` is used in messages.
[[nodiscard]] ActionStatus ribbonAction(const ExcelApp& excel, const platform::Element& element,
                                        model::RibbonAction action, const std::string& name);

/// AXPress; when Excel does not respond, a click at the element's centre.
[[nodiscard]] ActionStatus press(const ExcelApp& excel, const platform::Element& element, const std::string& name);

/// Opens a control's menu ("AXShowMenu" when offered, else "AXPress") under a short timeout.
void openMenu(const ExcelApp& excel, const platform::Element& element);

/// A tagged left click at a point (accessibility coordinates); the pointer goes back afterwards.
void clickAt(const ExcelApp& excel, platform::Point point);

/// Excel's open menus and popovers: non-standard windows other than the main one that are on screen.
[[nodiscard]] std::vector<platform::Element> popupWindows(const ExcelApp& excel,
                                                          const std::optional<platform::Element>& mainWindow);

/// Is Excel in English (its ribbon tabs include Home and Formulas)? None when it cannot be told.
[[nodiscard]] std::optional<bool> isEnglish(const ExcelApp& excel, const platform::Element& window);

/// Narrower than 1150 points; none without a window frame.
[[nodiscard]] std::optional<bool> isNarrow(const ExcelApp& excel, const platform::Element& window);

}  // namespace corvane::excel

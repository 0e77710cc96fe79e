#pragma once
// Finding Excel's workbook window and ribbon controls by their English labels, and operating them.
// Runs on the actions queue; may block (in virtual time: sleep) for a few seconds while it polls.
// Nothing here depends on a description no public source confirms: the ribbon is found by role,
// and a tab's commands area by its appearing.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "excel/action_error.hpp"
#include "excel/excel_app.hpp"
#include "excel/folded_groups.hpp"
#include "excel/ribbon_model.hpp"
#include "excel/ribbon_scan.hpp"
#include "model/step.hpp"

namespace corvane::excel {

inline constexpr std::size_t kRibbonScanLimit = 6000;
inline constexpr std::size_t kDropdownScanLimit = 3000;
inline constexpr std::size_t kTabScanLimit = 2500;

/// The window carrying the ribbon, matched against the on-screen window list; else the main,
/// focused or first window. No window at all is the no-workbook error.
[[nodiscard]] ActionResult<platform::Element> findWorkbookWindow(const ExcelApp& excel);

/// The ribbon of a window: its direct `AXTabGroup` child (with several, the first that has a
/// description of any kind). None without one.
[[nodiscard]] std::optional<platform::Element> ribbonTabGroup(const ExcelApp& excel, const platform::Element& window);

/// A document window (not a dialog) with a ribbon.
[[nodiscard]] bool carriesRibbon(const ExcelApp& excel, const platform::Element& window);

/// One tab of the ribbon as it was read.
struct RibbonTab {
  platform::Element element;
  std::string title;
  bool open = false;  ///< its value is 1
};

/// The tab group's children as read at one moment: its tabs (radio buttons) and the open tab's
/// commands area (none on a collapsed ribbon).
struct RibbonTabs {
  std::vector<RibbonTab> tabs;
  std::vector<platform::Element> children;
  std::optional<platform::Element> area;
  std::size_t unanswered = 0;  ///< children that did not answer briefly: passed over for the rest of the work
};
[[nodiscard]] RibbonTabs ribbonTabs(const ExcelApp& excel, const platform::Element& tabGroup);

/// Presses a tab (on a collapsed ribbon, `area` none, that also shows it, and is noted in the
/// work's changes) and, with `wait`, waits up to 0.8 s for its commands area: a new scroll area
/// among the tab group's children. Answers that area, none when it did not come in time.
[[nodiscard]] ActionResult<std::optional<platform::Element>> openRibbonTab(
    const ExcelApp& excel, const platform::Element& tabGroup, const RibbonTab& tab,
    const std::optional<platform::Element>& area, const std::string& name, bool wait);

/// The title of the ribbon's open tab (value 1), or none.
[[nodiscard]] std::optional<std::string> openTabTitle(const ExcelApp& excel, const platform::Element& tabGroup);

/// The open tab's commands area: the tab group's `AXScrollArea` child. None on a collapsed ribbon.
[[nodiscard]] std::optional<platform::Element> commandsArea(const ExcelApp& excel, const platform::Element& tabGroup);

/// Selects a ribbon tab (not pressed when already open) and waits up to 0.8 s for its commands to
/// appear; shows a collapsed ribbon (noting it in the work's changes, so it can be collapsed again).
[[nodiscard]] ActionStatus selectTab(const ExcelApp& excel, const platform::Element& window, const std::string& tab);

/// Shows a collapsed ribbon's open tab, as selectTab does for a named one.
void showCollapsedRibbon(const ExcelApp& excel, const platform::Element& window);

/// Collapses the ribbon again when this work showed it.
void collapseShownRibbon(const ExcelApp& excel);

/// What a ribbon lookup searches: the window's tab group (its tabs and the open tab's commands),
/// never the sheet; the window itself only when it has no tab group.
[[nodiscard]] std::vector<platform::Element> ribbonRoots(const ExcelApp& excel, const platform::Element& window);

/// The window's title bar (its `AXToolbar` children: the Quick Access Toolbar, the title, Share),
/// each part of the window asked briefly, so that a busy one elsewhere holds nothing up.
[[nodiscard]] std::vector<platform::Element> titleBarParts(const ExcelApp& excel, const platform::Element& window);

/// Scans the window's ribbon for controls. When `complete` finds the scan lacking, the open tab's
/// commands may still be coming (whoever switched the tab) or filling in: scans again whenever they
/// change, until they keep still (up to 0.8 s when they may still be another tab's).
[[nodiscard]] RibbonScan scanRibbon(const ExcelApp& excel, const platform::Element& window,
                                    const std::function<bool(const RibbonScan&)>& complete);

/// scanRibbon, teaching `model` what the scan saw of a settled ribbon (a few reads more: the
/// window's and tab group's frames and the tab group's children).
[[nodiscard]] RibbonScan scanRibbonAndLearn(const ExcelApp& excel, const platform::Element& window,
                                            RibbonModel& model,
                                            const std::function<bool(const RibbonScan&)>& complete);

/// One tab's commands area, scanned as scanRibbon scans a window.
[[nodiscard]] RibbonScan scanCommands(const ExcelApp& excel, const platform::Element& area,
                                      const std::function<bool(const RibbonScan&)>& complete);

/// A ribbon step: the control by its labels, optionally on a tab, optionally an item of its menu.
/// A control the narrow window folded away is looked for in the tab's folded groups (the one
/// `memory` names first, then left to right), and `memory` learns where it was. While `ribbon`
/// holds, its controls stand in for a walk of the ribbon; a tab switch drops it.
[[nodiscard]] ActionStatus ribbonStep(const ExcelApp& excel, const model::RibbonStep& step,
                                      FoldedGroupMemory* memory = nullptr, RibbonModel* ribbon = nullptr);

/// Press, open or focus a known element; `name` is used in messages. Opening succeeds only once a
/// new popup is on screen.
[[nodiscard]] ActionStatus ribbonAction(const ExcelApp& excel, const platform::Element& element,
                                        model::RibbonAction action, const std::string& name);

/// AXPress. An answer of "cannot complete" counts as done, unless the press waited out its whole
/// timeout: then it counts only when a new window (a menu, a dialog) came on screen. A refused
/// press falls back to a click at the element's centre, but only when the element at that point is
/// the element itself or inside it.
[[nodiscard]] ActionStatus press(const ExcelApp& excel, const platform::Element& element, const std::string& name);

/// Opens a control's menu ("AXShowMenu" when offered, else "AXPress") under a short timeout.
void openMenu(const ExcelApp& excel, const platform::Element& element,
              double timeout = ExcelApp::kActionTimeout);

/// Closes `count` menus this work opened, innermost first: Escape, posted only while Excel is in front.
void closeOpenedMenus(const ExcelApp& excel, int count);

/// Closes the menus Excel shows (dropdowns, folded groups' popups; never a dialog) with Escape, one
/// at a time, up to five: what an earlier shortcut left open would take this run's presses (a press
/// on an open group's button closes it).
void closeLeftoverMenus(const ExcelApp& excel);

/// A tagged left click at a point (accessibility coordinates); the pointer goes back afterwards.
/// False, with nothing posted, when Excel is not in front (the work stops).
bool clickAt(const ExcelApp& excel, platform::Point point);

/// Excel's open menus and popovers: non-standard windows other than the main one that are on screen.
[[nodiscard]] std::vector<platform::Element> popupWindows(const ExcelApp& excel,
                                                          const std::optional<platform::Element>& mainWindow);

/// Polls (every 20 ms, up to `seconds`) for a popup that is not in `baseline`.
[[nodiscard]] std::optional<platform::Element> waitForNewPopup(const ExcelApp& excel,
                                                               const std::optional<platform::Element>& mainWindow,
                                                               const std::vector<platform::Element>& baseline,
                                                               double seconds);

/// Is Excel in English (its ribbon tabs include Home and Formulas)? None when it cannot be told.
[[nodiscard]] std::optional<bool> isEnglish(const ExcelApp& excel, const platform::Element& window);

/// Narrower than 1150 points; none without a window frame.
[[nodiscard]] std::optional<bool> isNarrow(const ExcelApp& excel, const platform::Element& window);

}  // namespace corvane::excel

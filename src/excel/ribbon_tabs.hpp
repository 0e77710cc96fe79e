#pragma once
// The ribbon's tabs: reading them, switching to one and waiting for its commands, and scanning the
// open tab's commands while they may still be filling in. Runs on the actions queue; may block (in
// virtual time: sleep) for a few seconds while it polls. A tab's commands area is found by its
// appearing, never by a description.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "excel/action_error.hpp"
#include "excel/excel_app.hpp"
#include "excel/ribbon_model.hpp"
#include "excel/ribbon_scan.hpp"

namespace corvane::excel {

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

/// Is Excel in English (its ribbon tabs include Home and Formulas)? None when it cannot be told.
[[nodiscard]] std::optional<bool> isEnglish(const ExcelApp& excel, const platform::Element& window);
/// The same from tabs already read.
[[nodiscard]] std::optional<bool> isEnglish(const std::vector<RibbonTab>& tabs);

}  // namespace corvane::excel

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
#include "excel/ribbon_reads.hpp"
#include "excel/ribbon_scan.hpp"

namespace corvane::excel {

/// The tab group's children (RibbonTabs), each asked briefly; read once per work while nothing
/// changed Excel.
[[nodiscard]] RibbonTabs ribbonTabs(const ExcelApp& excel, const platform::Element& tabGroup);
/// The same, but only as far as the commands area and the tab called `tabKey` (a label key; empty:
/// the area alone) need: the area first, then the tabs in order up to that one. What it leaves
/// unread (`whole` false) a later call of either reads on from.
[[nodiscard]] RibbonTabs ribbonTabsFor(const ExcelApp& excel, const platform::Element& tabGroup,
                                       const std::string& tabKey);

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

/// What a walk of the open tab's groups read.
struct GroupWalk {
  RibbonScan scan;             ///< the tabs, the commands area and the controls of the groups read
  std::size_t groupsRead = 0;  ///< groups read, from the first
  bool whole = false;          ///< every group was read
};

/// Reads the open tab's groups left to right, each with all its controls, until `enough` is
/// satisfied, starting where `known` (a snapshot of this ribbon with only some groups read, or
/// none) stopped. None when the window's ribbon is not a tab group with a commands area.
[[nodiscard]] std::optional<GroupWalk> walkGroups(const ExcelApp& excel, const platform::Element& window,
                                                  const std::function<bool(const RibbonScan&)>& enough,
                                                  const RibbonSnapshot* known);

/// Teaches `model` a walk of the open tab's groups, made while nothing changed Excel: the tabs and
/// the groups read (never as the whole commands, which only a full scan is). No call to Excel when
/// the work's reads still hold.
void learnWalk(const ExcelApp& excel, const platform::Element& window, RibbonModel& model, const GroupWalk& walk,
               const RibbonSnapshot* known);

/// scanRibbon going on from a scan of the open tab's commands already made (`first`).
[[nodiscard]] RibbonScan scanRibbonFrom(const ExcelApp& excel, const platform::Element& window, RibbonScan first,
                                        const std::function<bool(const RibbonScan&)>& complete);

/// One tab's commands area, scanned as scanRibbon scans a window.
[[nodiscard]] RibbonScan scanCommands(const ExcelApp& excel, const platform::Element& area,
                                      const std::function<bool(const RibbonScan&)>& complete);

/// Is Excel in English (its ribbon tabs include Home and Formulas)? None when it cannot be told.
[[nodiscard]] std::optional<bool> isEnglish(const ExcelApp& excel, const platform::Element& window);
/// The same from tabs already read.
[[nodiscard]] std::optional<bool> isEnglish(const std::vector<RibbonTab>& tabs);

}  // namespace corvane::excel

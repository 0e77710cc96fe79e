#pragma once
// Acting on a known control: pressing it, opening its menu or putting the cursor in it, with a
// synthetic click as the last resort, and only on the control itself. Runs on the actions queue.

#include <string>

#include "excel/action_error.hpp"
#include "excel/excel_app.hpp"
#include "model/step.hpp"

namespace corvane::excel {

/// Press, open or focus a known element; `name` is used in messages. Opening succeeds only once a
/// new popup is on screen. `seenEnabled`: the element was read enabled by this work since the last
/// thing that may have changed Excel, so it is not asked again.
[[nodiscard]] ActionStatus ribbonAction(const ExcelApp& excel, const platform::Element& element,
                                        model::RibbonAction action, const std::string& name,
                                        bool seenEnabled = false);

/// AXPress. An answer of "cannot complete" counts as done, unless the press waited out its whole
/// timeout: then it counts only when a new window (a menu, a dialog) came on screen. A refused
/// press falls back to a click at the element's centre, but only when the element at that point is
/// the element itself or inside it.
[[nodiscard]] ActionStatus press(const ExcelApp& excel, const platform::Element& element, const std::string& name);

/// A tagged left click at a point (accessibility coordinates); the pointer goes back afterwards.
/// False, with nothing posted, when Excel is not in front (the work stops).
bool clickAt(const ExcelApp& excel, platform::Point point);

}  // namespace corvane::excel

#pragma once
// The walk into a ribbon dropdown: opening the control's menu and each level's item in turn, and
// acting on the last one; a folded group's popup on the way is seen through. Runs on the actions
// queue; each level is waited for a bounded time, and menus it opened are closed on failure.

#include <cstdint>
#include <optional>
#include <string>

#include "excel/action_error.hpp"
#include "excel/excel_app.hpp"
#include "excel/popups_and_menus.hpp"
#include "excel/ribbon_scan.hpp"
#include "model/step.hpp"

namespace corvane::excel {

/// Where a ribbon step found its control.
struct Located {
  RibbonCandidate control;
  int openMenus = 0;  ///< menus opened to reach it (a folded group's popup), still open
  /// The work's epoch when `control` was read, if this work read it (not a kept ribbon's).
  std::optional<std::uint64_t> readAt;
};

/// Opens `found`'s menu and walks the step's item levels; `maybeFolded`: the control may be a
/// folded group's button. `name` is used in messages.
[[nodiscard]] ActionStatus walkDropdown(const ExcelApp& excel, const model::RibbonStep& step, Located found,
                                        bool maybeFolded, MatchMode mode, MainWindow& mainWindow,
                                        const std::string& name);

}  // namespace corvane::excel

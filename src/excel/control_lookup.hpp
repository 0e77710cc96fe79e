#pragma once
// Locating a ribbon control by its labels and running a ribbon step: the control on the open tab
// (from the ribbon model while it holds, confirmed before use), else in a folded group, then acted
// on or walked into. Runs on the actions queue.

#include "excel/action_error.hpp"
#include "excel/excel_app.hpp"
#include "excel/folded_groups.hpp"
#include "excel/ribbon_model.hpp"
#include "model/step.hpp"

namespace corvane::excel {

/// A ribbon step: the control by its labels, optionally on a tab, optionally an item of its menu.
/// The open tab's groups are read left to right up to the first that holds an enabled control of
/// the first label (the rest of the tab is never read then); otherwise the whole tab decides. A
/// control the narrow window folded away is looked for in the tab's folded groups (the one
/// `memory` names first, then left to right), and `memory` learns where it was. While `ribbon`
/// holds, what it knows stands in for reading the ribbon; a walk of a tab this work did not open
/// teaches it, and a tab switch drops it.
[[nodiscard]] ActionStatus ribbonStep(const ExcelApp& excel, const model::RibbonStep& step,
                                      FoldedGroupMemory* memory = nullptr, RibbonModel* ribbon = nullptr);

}  // namespace corvane::excel

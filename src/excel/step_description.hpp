#pragma once
// The one-line description of a step, used in the activity log, the shortcut editor and the list.

#include <string>
#include <vector>

#include "model/step.hpp"

namespace corvane::excel {

[[nodiscard]] std::string describeStep(const model::Step& step);
/// The steps' descriptions joined by ", then " (a shortcut's whole summary).
[[nodiscard]] std::string describeSteps(const std::vector<model::Step>& steps);
/// A menu path as text: each level's first alternative (marker removed) joined by " › ".
[[nodiscard]] std::string menuPathText(const model::MenuPath& path);

}  // namespace corvane::excel

#pragma once
// A plain-text picture of every view model the core builds, one string per line: what the
// simulated session prints and what the sim's panels measure to find their fitting size.

#include <string>
#include <vector>

#include "platform/geometry.hpp"
#include "platform/views/view.hpp"

namespace corvane::platform::sim {

[[nodiscard]] std::vector<std::string> renderTextLines(const views::View& view);
/// The lines joined, each ending in a line break.
[[nodiscard]] std::string renderText(const views::View& view);

/// The size a backend would give the view: the text lines at 13 points in the fixed metric
/// (0.6 × size per character, 18 points a line) with 12 points of margin across and 8 down; fixed
/// widths and heights the view states win.
[[nodiscard]] Size measureView(const views::View& view);

}  // namespace corvane::platform::sim

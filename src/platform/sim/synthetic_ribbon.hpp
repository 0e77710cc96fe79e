#pragma once
// A made-up Excel with a very large ribbon, for benchmarks of a ribbon scan. Pure function.

#include <cstddef>

#include "platform/sim/excel_fixture.hpp"

namespace corvane::platform::sim {

/// An Excel whose workbook window holds `elements` elements (the window, its title bar, tabs and the
/// selected tab's commands included; at least 30): groups of large buttons, menu buttons, check
/// boxes and small buttons in rows, labelled "Group N" and "Command N.M".
[[nodiscard]] ExcelFixture syntheticRibbonFixture(std::size_t elements);

}  // namespace corvane::platform::sim

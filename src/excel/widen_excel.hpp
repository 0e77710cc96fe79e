#pragma once

#include "excel/excel_app.hpp"
#include "platform/screens.hpp"

namespace corvane::excel {

/// Makes Excel's workbook window fill the usable area of the screen it is on (the fix for folded
/// ribbon groups). Does nothing when the window or a screen cannot be found.
void widenExcel(const ExcelApp& excel, platform::Screens& screens);

}  // namespace corvane::excel

#pragma once

#include <optional>
#include <vector>

#include "excel/excel_app.hpp"
#include "platform/screens.hpp"

namespace corvane::excel {

/// The screens as the main thread read them, for work on another queue (AppKit answers only there).
struct ScreenLayout {
  std::vector<platform::ScreenInfo> screens;
  std::optional<platform::ScreenInfo> main;
};

/// Main thread.
[[nodiscard]] ScreenLayout readScreens(platform::Screens& screens);

/// Makes Excel's workbook window fill the usable area of the screen it is on (the fix for folded
/// ribbon groups). Does nothing when the window or a screen cannot be found. Any queue.
void widenExcel(const ExcelApp& excel, const ScreenLayout& layout);
/// The same on the main thread, reading the screens itself.
void widenExcel(const ExcelApp& excel, platform::Screens& screens);

}  // namespace corvane::excel

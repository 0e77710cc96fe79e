#include "excel/widen_excel.hpp"

#include "excel/ax_names.hpp"
#include "excel/element_lookup.hpp"

namespace corvane::excel {

ScreenLayout readScreens(platform::Screens& screens) { return ScreenLayout{screens.screens(), screens.mainScreen()}; }

void widenExcel(const ExcelApp& excel, platform::Screens& screens) { widenExcel(excel, readScreens(screens)); }

void widenExcel(const ExcelApp& excel, const ScreenLayout& layout) {
  auto window = findWorkbookWindow(excel);
  if (!window) return;
  auto frame = excel.frame(*window);
  if (!frame) return;
  const auto& all = layout.screens;
  double top = all.empty() ? 0 : all.front().frame.maxY();
  platform::Point centre{frame->midX(), top - frame->midY()};
  std::optional<platform::ScreenInfo> screen;
  for (const auto& s : all) {
    if (s.frame.contains(centre)) {
      screen = s;
      break;
    }
  }
  if (!screen) screen = layout.main;
  if (!screen) return;
  const auto& visible = screen->visibleFrame;
  (void)excel.ax().setAttribute(*window, ax::kPosition, platform::Point{visible.minX(), top - visible.maxY()});
  (void)excel.ax().setAttribute(*window, ax::kSize, platform::Size{visible.width, visible.height});
}

}  // namespace corvane::excel

#include "excel/widen_excel.hpp"

#include "excel/ax_names.hpp"
#include "excel/element_lookup.hpp"

namespace corvane::excel {

void widenExcel(const ExcelApp& excel, platform::Screens& screens) {
  auto window = findWorkbookWindow(excel);
  if (!window) return;
  auto frame = excel.frame(*window);
  if (!frame) return;
  auto all = screens.screens();
  double top = all.empty() ? 0 : all.front().frame.maxY();
  platform::Point centre{frame->midX(), top - frame->midY()};
  std::optional<platform::ScreenInfo> screen;
  for (const auto& s : all) {
    if (s.frame.contains(centre)) {
      screen = s;
      break;
    }
  }
  if (!screen) screen = screens.mainScreen();
  if (!screen) return;
  const auto& visible = screen->visibleFrame;
  (void)excel.ax().setAttribute(*window, ax::kPosition, platform::Point{visible.minX(), top - visible.maxY()});
  (void)excel.ax().setAttribute(*window, ax::kSize, platform::Size{visible.width, visible.height});
}

}  // namespace corvane::excel

#pragma once
// The on-screen window list of the simulated desktop: Excel's open menus and popups (at the popup
// menu layer), its dialogs and workbook windows (layer 0), and other applications' windows a test
// sets. Thread-safe; owned by SimExcel, which defines it with its calls (sim_excel_ax_calls.cpp).

#include "platform/accessibility.hpp"

namespace corvane::platform::sim {

class SimExcel;

class SimWindowList final : public WindowList {
 public:
  explicit SimWindowList(SimExcel& excel) : excel_(excel) {}
  [[nodiscard]] std::vector<WindowInfo> onScreenWindows() override;

 private:
  SimExcel& excel_;
};

}  // namespace corvane::platform::sim

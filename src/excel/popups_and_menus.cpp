#include "excel/popups_and_menus.hpp"

#include <algorithm>
#include <array>

#include "excel/ax_names.hpp"
#include "excel/ax_reads.hpp"

namespace corvane::excel {

using platform::Element;
using namespace detail;

const std::optional<Element>& MainWindow::operator()() {
  if (!read_) read_ = excel_.element(excel_.application(), ax::kMainWindow);
  return *read_;
}

std::vector<Element> popupWindows(const ExcelApp& excel, const std::optional<Element>& mainWindow) {
  static constexpr std::array<std::string_view, 4> kNames{ax::kRole, ax::kSubrole, ax::kPosition, ax::kSize};
  std::vector<Element> popups;
  auto bounds = excel.onScreenWindowBounds();
  for (const auto& child : excel.children(excel.application())) {
    if (mainWindow && child == *mainWindow) continue;
    auto v = readAll(excel, child, kNames);
    if (text(v[0]) != ax::kWindowRole || text(v[1]) == ax::kStandardWindow) continue;
    auto frame = frameOf(v[2], v[3]);
    if (!frame) continue;
    bool onScreen = std::any_of(bounds.begin(), bounds.end(), [&](const auto& b) { return framesMatch(*frame, b); });
    if (onScreen) popups.push_back(child);
  }
  return popups;
}

std::optional<Element> waitForNewPopup(const ExcelApp& excel, const std::optional<Element>& mainWindow,
                                       const std::vector<Element>& baseline, double seconds) {
  double deadline = excel.clock().uptime() + seconds;
  while (excel.clock().uptime() < deadline && excel.pause(kPopupPoll)) {
    for (const auto& popup : popupWindows(excel, mainWindow)) {
      if (std::find(baseline.begin(), baseline.end(), popup) != baseline.end()) continue;
      excel.changes().popupAwaited.reset();
      return popup;
    }
  }
  return std::nullopt;
}

void openMenu(const ExcelApp& excel, const Element& element, const std::vector<Element>& before, double timeout) {
  auto& changes = excel.changes();
  if (!changes.popupsBefore) changes.popupsBefore = before;
  changes.popupAwaited = ExcelApp::Changes::AwaitedPopup{excel.clock().uptime(), before};
  excel.performWithin(element, excel.offersAction(element, ax::kShowMenu) ? ax::kShowMenu : ax::kPress, timeout);
}

void closeMenusOfCalledOffWork(const ExcelApp& excel, const ExcelApp::Changes& changes) {
  if (!changes.popupsBefore) return;
  const auto& before = *changes.popupsBefore;
  if (const auto& awaited = changes.popupAwaited) {
    // The menu asked for last may still be coming: Excel opens it after the press however long it
    // took. Once something is on screen that was not before that press, it has come.
    auto came = [&] {
      auto popups = popupWindows(excel, std::nullopt);
      return std::any_of(popups.begin(), popups.end(), [&](const Element& popup) {
        return std::find(awaited->before.begin(), awaited->before.end(), popup) == awaited->before.end();
      });
    };
    double until = awaited->pressedAt + kCancelledMenuWait;
    while (!came() && excel.clock().uptime() < until && excel.pause(kPopupPoll)) {
    }
  }
  int open = 0;
  for (const auto& popup : popupWindows(excel, std::nullopt)) {
    // Menus and popovers only: a dialog the work opened is the user's now, and Escape would cancel it.
    if (std::find(before.begin(), before.end(), popup) != before.end()) continue;
    if (excel.string(popup, ax::kSubrole) == ax::kUnknownSubrole) ++open;
  }
  closeOpenedMenus(excel, open);
}

void closeOpenedMenus(const ExcelApp& excel, int count) {
  for (int i = 0; i < count; ++i) {
    // Escape only goes to Excel while it is in front.
    if (!frontmost(excel)) continue;
    excel.postEscape();
    excel.clock().sleep(kMenuCloseWait);
    excel.noteChange();
  }
}

void closeLeftoverMenus(const ExcelApp& excel) {
  // A menu is a window of its own: with one window of Excel's on screen, none is open, and the
  // window server tells that without asking Excel.
  if (excel.onScreenWindowBounds().size() <= 1) return;
  auto mainWindow = excel.element(excel.application(), ax::kMainWindow);
  for (int i = 0; i < 5 && !excel.stopped(); ++i) {
    auto popups = popupWindows(excel, mainWindow);
    // Dropdowns and folded groups' popups are windows of the AXUnknown subrole; a dialog is not,
    // and Escape would cancel it.
    bool menuOpen = std::any_of(popups.begin(), popups.end(), [&](const Element& popup) {
      return excel.string(popup, ax::kSubrole) == ax::kUnknownSubrole;
    });
    if (!menuOpen) return;
    closeOpenedMenus(excel, 1);
  }
}

}  // namespace corvane::excel

#pragma once
// Excel's open menus and popovers: finding them on screen, waiting for a new one, opening a
// control's menu and closing menus with Escape. Runs on the actions queue.

#include <optional>
#include <vector>

#include "excel/excel_app.hpp"

namespace corvane::excel {

/// How long a popup is polled for after an opener was pressed, and how often.
inline constexpr double kPopupPoll = 0.02;
/// After an Escape, the moment a menu takes to close before anything else is read or pressed.
inline constexpr double kMenuCloseWait = 0.08;

/// How long after its opener's press a menu may still come when the run was called off meanwhile.
inline constexpr double kCancelledMenuWait = 1.0;

/// Opens a control's menu ("AXShowMenu" when offered, else "AXPress") under a short timeout, and
/// notes in the work's changes that its menu is awaited; `before`: the popups on screen before.
void openMenu(const ExcelApp& excel, const platform::Element& element, const std::vector<platform::Element>& before,
              double timeout = ExcelApp::kActionTimeout);

/// Closes `count` menus this work opened, innermost first: Escape, posted only while Excel is in front.
void closeOpenedMenus(const ExcelApp& excel, int count);

/// Closes the menus Excel shows (dropdowns, folded groups' popups; never a dialog) with Escape, one
/// at a time, up to five: what an earlier shortcut left open would take this run's presses (a press
/// on an open group's button closes it).
void closeLeftoverMenus(const ExcelApp& excel);

/// Excel's open menus and popovers: non-standard windows other than the main one that are on screen.
[[nodiscard]] std::vector<platform::Element> popupWindows(const ExcelApp& excel,
                                                          const std::optional<platform::Element>& mainWindow);

/// After the user called a work off: waits (up to kCancelledMenuWait after the press) for a menu
/// it asked for that has not come yet, then closes every menu or popover that was not on screen
/// before its first opener press (`changes` is the called-off work's; `excel` a fresh work's).
/// Escape only, and only while Excel is in front; nothing when the work pressed no opener.
void closeMenusOfCalledOffWork(const ExcelApp& excel, const ExcelApp::Changes& changes);

/// Polls (every 20 ms, up to `seconds`) for a popup that is not in `baseline`.
[[nodiscard]] std::optional<platform::Element> waitForNewPopup(const ExcelApp& excel,
                                                               const std::optional<platform::Element>& mainWindow,
                                                               const std::vector<platform::Element>& baseline,
                                                               double seconds);

/// Excel's main window, read on first need: most steps never need it.
class MainWindow {
 public:
  explicit MainWindow(const ExcelApp& excel) : excel_(excel) {}
  const std::optional<platform::Element>& operator()();

 private:
  const ExcelApp& excel_;
  std::optional<std::optional<platform::Element>> read_;
};

}  // namespace corvane::excel

#pragma once
// Excel's own KeyTips, as key tips meet them: Excel for Mac 16 can show ribbon KeyTips of its own on
// a key the user chooses, and on Option they answer the same tap the program answers. While they
// show, the application element has static-text children (the badges); nothing else of Excel's
// sits there, so they are found by role alone, under the application, never by their letters or a
// window. Plain functions over an ExcelApp, on the queue that owns it (the actions queue); every
// call is bounded by the app's session.

#include "excel/excel_app.hpp"

namespace corvane::feedback {

/// What meeting Excel's KeyTips came to, told to the shell on the main thread.
struct ExcelKeyTipsMet {
  bool closed = false;           ///< Escape took them away; false: they stayed, or Excel was not in front
  bool badgesWithdrawn = false;  ///< badges already drawn were taken away again because they stayed
  friend bool operator==(const ExcelKeyTipsMet&, const ExcelKeyTipsMet&) = default;
};

/// Escapes posted at most while they show: the first leaves them, or goes back a level when Excel
/// is showing a tab's; the second leaves from there.
inline constexpr int kExcelKeyTipsEscapes = 2;
/// How long each Escape is given to take them away, and how often that is looked at.
inline constexpr double kExcelKeyTipsLeaveWait = 0.3;
inline constexpr double kExcelKeyTipsPoll = 0.05;
/// The most children of the application looked at: windows, the menu bar and badges.
inline constexpr std::size_t kExcelKeyTipsChildLimit = 200;

/// Whether Excel's KeyTips show: some child of the application element is an AXStaticText.
[[nodiscard]] bool excelKeyTipsShowing(const excel::ExcelApp& excel);

/// Whether Excel is the frontmost application ("AXFrontmost" of its application element): only then
/// does an Escape posted reach it.
[[nodiscard]] bool excelInFront(const excel::ExcelApp& excel);

/// Takes Excel's KeyTips away: posts Escape while they show, at most `kExcelKeyTipsEscapes` times,
/// waiting up to `kExcelKeyTipsLeaveWait` after each. Posts nothing unless Excel is in front. True
/// when they are gone.
[[nodiscard]] bool leaveExcelKeyTips(const excel::ExcelApp& excel);

}  // namespace corvane::feedback

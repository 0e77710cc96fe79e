#pragma once
// The shortcut check (looks for every shortcut's target in the running Excel without pressing
// anything but ribbon tabs and, in a narrow window, the buttons of folded groups, whose popups it
// closes again) and the menu map (Excel's whole menu tree as text).

#include <optional>
#include <string>
#include <vector>

#include "excel/excel_app.hpp"
#include "excel/folded_groups.hpp"
#include "excel/ribbon_model.hpp"
#include "model/shortcut.hpp"

namespace corvane::excel {

struct CheckResult {
  /// `uncertain`: something is there, but not surely the target, so a run presses nothing.
  /// `unreachable`: Excel stopped answering (or the permission went) before the target could be
  /// looked for; nothing is known of it, so it is not "not found".
  enum class Status { found, notFound, notCheckable, uncertain, unreachable };
  Status status = Status::notCheckable;
  std::string note;
  friend bool operator==(const CheckResult&, const CheckResult&) = default;
};

[[nodiscard]] CheckResult checkStep(const ExcelApp& excel, const model::Step& step);
[[nodiscard]] CheckResult checkShortcut(const ExcelApp& excel, const model::Shortcut& shortcut);

/// The report's text with the counts it states, so callers need not read them back out of it.
struct ShortcutCheckReport {
  std::string text;
  int found = 0;
  int notFound = 0;
  int notCheckable = 0;
  int unreachable = 0;
  /// Why the lines can't be trusted (Excel isn't in English) or weren't made (no workbook); said
  /// first in the text.
  std::optional<std::string> blocked;
  int uncertain = 0;
  std::vector<CheckResult> results;  ///< one per shortcut, in the order checked
};

/// The whole report, header (with `dateText`), counts and one line per shortcut. Leaves the ribbon
/// on the Home tab. Each tab's folded groups are opened at most once, and `memory` learns which
/// one held which control. The open tab's commands come from `ribbon` while it holds; the check's
/// own tab switches drop it.
[[nodiscard]] ShortcutCheckReport checkShortcuts(const ExcelApp& excel, const std::vector<model::Shortcut>& shortcuts,
                                                 const std::string& dateText, FoldedGroupMemory* memory = nullptr,
                                                 RibbonModel* ribbon = nullptr);

/// One report line: icon ("⚠️" for an uncertain target), "  ⌥ ", keys padded or cut to 8 characters, two spaces, the name, and the
/// note on its own line indented 12 spaces.
[[nodiscard]] std::string checkLine(const model::Shortcut& shortcut, const CheckResult& result);

/// Excel's menu-bar tree as far as it could be read.
struct MenuMap {
  std::string text;     ///< one line an item, with key equivalents and greyed-out items
  std::string problem;  ///< empty when every menu was read; else where the map stops and why
  [[nodiscard]] bool complete() const { return problem.empty(); }
  /// The text and, when it is incomplete, the problem as its last line: a saved map never looks whole
  /// when it is not.
  [[nodiscard]] std::string fileText() const;
};

/// Reads Excel's menus; the first menu that does not answer ends the map, which says where.
[[nodiscard]] MenuMap menuMap(const ExcelApp& excel);

inline constexpr const char* kCheckFileName = "shortcut-check.txt";
inline constexpr const char* kMenuMapFileName = "excel-menu-map.txt";

}  // namespace corvane::excel

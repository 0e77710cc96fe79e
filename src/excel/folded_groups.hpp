#pragma once
// Ribbon groups that Excel folded away because its window is narrow. Such a group shows as one menu
// button, named like the group, in the group's place in the tab's commands area; pressing it shows
// the group's controls in a popup, and only then are they in the tree. Found by that shape alone, so
// no group name or language is assumed. Runs on the actions queue.

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "excel/action_error.hpp"
#include "excel/excel_app.hpp"
#include "excel/ribbon_scan.hpp"

namespace corvane::excel {

/// One folded group as its button shows it.
struct FoldedGroup {
  platform::Element button;  ///< the menu button the group folded into
  std::string name;          ///< the button's name: the group's
};

/// The folded groups of a tab's commands area, left to right: each is a child of the area that holds
/// nothing but one menu button, named like the child itself (or the child has no name).
[[nodiscard]] std::vector<FoldedGroup> foldedGroups(const ExcelApp& excel, const platform::Element& area);

/// The folded group a ribbon menu button stands for (as foldedGroups finds them), or none when it is
/// an ordinary menu button. A few reads.
[[nodiscard]] std::optional<FoldedGroup> foldedGroupOf(const ExcelApp& excel, const platform::Element& button);

/// Opens a folded group (its opener's answer waited for up to `openerTimeout`) and waits (up to
/// 1.5 s) for its popup, answering it. A button that opened
/// nothing in that time fails as not responding to its press; an Excel that stopped answering fails
/// with the work's own error.
[[nodiscard]] ActionResult<platform::Element> openFoldedGroup(const ExcelApp& excel, const FoldedGroup& group,
                                                              const std::optional<platform::Element>& mainWindow,
                                                              double openerTimeout = ExcelApp::kActionTimeout);

/// The ribbon controls in an open folded group's popup; while it is still empty, waits up to 1 s
/// for them.
[[nodiscard]] RibbonScan scanFoldedPopup(const ExcelApp& excel, const platform::Element& popup);

/// Which folded group held which control, so that a later run opens that group first; and which
/// controls no folded group held, so that a later run with the same folded groups opens none.
/// Keyed by the step's tab and labels. Owned by the action runner for the program's life and used
/// on its queue; guarded all the same.
class FoldedGroupMemory final {
 public:
  /// The label key of the group that held the control.
  [[nodiscard]] std::optional<std::string> groupFor(const std::string& tab,
                                                    const std::vector<std::string>& labels) const;
  void remember(const std::string& tab, const std::vector<std::string>& labels, const std::string& group);
  void forget(const std::string& tab, const std::vector<std::string>& labels);
  /// Whether these very groups (by name, in order) were all searched for the control in vain.
  [[nodiscard]] bool knownAbsent(const std::string& tab, const std::vector<std::string>& labels,
                                 const std::vector<FoldedGroup>& groups) const;
  void rememberAbsent(const std::string& tab, const std::vector<std::string>& labels,
                      const std::vector<FoldedGroup>& groups);
  /// Controls whose group is known.
  [[nodiscard]] std::size_t size() const;

 private:
  static std::string keyOf(const std::string& tab, const std::vector<std::string>& labels);
  static std::string namesOf(const std::vector<FoldedGroup>& groups);

  mutable std::mutex mutex_;
  std::map<std::string, std::string> groups_;
  std::map<std::string, std::string> absent_;  ///< the groups searched, as namesOf gives them
};

}  // namespace corvane::excel

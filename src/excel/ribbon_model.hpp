#pragma once
// What a ribbon scan learned (the workbook window, the open tab, its commands area, the controls
// and their frames; after a run, only the groups it read up to its control), kept between key-tip
// taps, runs and the check, so that a ribbon that has not changed is not walked again. It is reused
// only while a few batched reads show that it still holds: the same main window with the same
// frame, the same open tab, the same commands area with the same frame and groups. Any doubt drops
// it. Nothing is ever pressed or clicked from it directly: a press acts on the element handle,
// which a changed Excel refuses, and a click re-reads the frame and hit-tests it first. Shared by
// the runner and the key tips on the actions queue; guarded all the same (a reload of the
// shortcuts drops it from the main thread).

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "excel/excel_app.hpp"
#include "excel/ribbon_scan.hpp"

namespace corvane::excel {

/// The ribbon as one scan saw it.
struct RibbonSnapshot {
  std::uint64_t generation = 0;  ///< which learning this is; anything derived from it is as fresh
  platform::Element window;
  platform::Rect windowFrame;
  platform::Element tabGroup;
  std::optional<platform::Rect> tabGroupFrame;
  std::vector<platform::Element> tabGroupChildren;  ///< the tabs and the commands area
  platform::Element openTab;
  std::string openTabKey;  ///< the label key of its name
  ScannedArea area;  ///< the open tab's commands area, its frame and groups
  RibbonScan scan;   ///< the tabs, and with `commands` the open tab's controls
  bool commands = false;
  /// Without `commands`: how many of the commands area's groups, from the first, have their
  /// controls in `scan` (a run that stopped at the group holding its control).
  std::size_t groupsRead = 0;
  /// `scan` holds every tab; a run may have read only its own (the key tips need them all).
  bool tabsWhole = true;
};

class RibbonModel final {
 public:
  /// The kept snapshot when a look at Excel shows that it still holds; otherwise it is dropped and
  /// the answer is none. Four reads: the window, the tab group's children, the open tab, the
  /// commands area.
  [[nodiscard]] std::optional<RibbonSnapshot> current(const ExcelApp& excel);
  /// Keeps what a scan of the window's tab group saw (`commands`: the whole group; else only its
  /// children, the tabs and the commands area), when it shows a settled ribbon: an open tab and a
  /// commands area. Drops the old snapshot either way. Answers what it kept. No call to Excel.
  struct Seen {
    platform::Element window;
    platform::Rect windowFrame;
    platform::Element tabGroup;
    std::optional<platform::Rect> tabGroupFrame;
    std::vector<platform::Element> tabGroupChildren;
    bool tabsWhole = true;
  };
  std::optional<RibbonSnapshot> learn(Seen seen, RibbonScan scan, bool commands, std::size_t groupsRead = 0);
  /// Forgets the snapshot: Excel changed under us (a tab switch, a press), or the shortcuts were
  /// reloaded.
  void drop();
  [[nodiscard]] bool holdsSnapshot() const;

 private:
  mutable std::mutex mutex_;
  std::optional<RibbonSnapshot> snapshot_;
  std::uint64_t generation_ = 0;
};

}  // namespace corvane::excel

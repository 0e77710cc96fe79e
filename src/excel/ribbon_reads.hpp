#pragma once
// What one piece of work read of the workbook window and its ribbon: plain data, kept by the work's
// ExcelApp while nothing it did (a press, a keystroke, a wait) can have changed Excel, so that the
// window, the tab group and the tabs are read once per work and not once per lookup.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "excel/ribbon_scan.hpp"
#include "platform/accessibility.hpp"

namespace corvane::excel {

/// What one batched read of a window tells: a document window (not a dialog), its frame, and its
/// ribbon when it is a document window.
struct WindowFacts {
  bool document = false;
  std::optional<platform::Rect> frame;
  std::optional<platform::Element> tabGroup;
};

/// One tab of the ribbon as it was read.
struct RibbonTab {
  platform::Element element;
  std::string title;
  bool open = false;  ///< its value is 1
};

/// How one child of the tab group answered.
struct TabGroupChildRead {
  enum class State : std::uint8_t { unread, silent, failed, answered };
  State state = State::unread;
  std::vector<std::optional<platform::AXValue>> values;  ///< kScanAttributes, when answered
};

/// The tab group's children as read at one moment: its tabs (radio buttons) and the open tab's
/// commands area (none on a collapsed ribbon). A run may read only the commands area and the tabs
/// up to its own (`whole` false); everything else is then as if the unread children were not there.
struct RibbonTabs {
  std::vector<RibbonTab> tabs;
  std::vector<platform::Element> children;
  std::optional<platform::Element> area;
  std::string areaDescription;  ///< the commands area's, which may name its tab
  std::size_t unanswered = 0;  ///< children that did not answer briefly: passed over for the rest of the work
  std::optional<platform::Rect> frame;  ///< the tab group's
  /// The same reads as a scan of the tab group's first level: the tabs as candidates and the
  /// commands area with its frame and groups.
  RibbonScan level;
  std::vector<TabGroupChildRead> reads;  ///< one per child, in `children`'s order
  bool whole = false;                    ///< every child was read
};

/// The reads a work keeps while its ExcelSession's epoch stands.
struct RibbonMemo {
  std::uint64_t epoch = 0;
  std::optional<std::pair<platform::Element, WindowFacts>> window;
  std::optional<std::pair<platform::Element, RibbonTabs>> tabs;  ///< of a tab group
};

}  // namespace corvane::excel

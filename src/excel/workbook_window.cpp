#include "excel/workbook_window.hpp"

#include <array>
#include <utility>

#include "excel/ax_names.hpp"
#include "excel/ax_reads.hpp"

namespace corvane::excel {

using platform::Element;
using namespace detail;

namespace {

/// What a part of the window is (role, description), asked briefly: a part that is busy (a formula
/// bar, a sheet full of objects) is passed over for the rest of the work and never holds it up.
constexpr std::array<std::string_view, 2> kPartNames{ax::kRole, ax::kDescription};

std::array<std::optional<platform::AXValue>, 2> whatPartIs(const ExcelApp& excel, const Element& part) {
  return readBriefly(excel, part, kPartNames);
}

WindowFacts readWindowFacts(const ExcelApp& excel, const Element& window) {
  static constexpr std::array<std::string_view, 4> kNames{ax::kSubrole, ax::kPosition, ax::kSize, ax::kChildren};
  auto v = readAll(excel, window, kNames);
  WindowFacts facts;
  auto subrole = text(v[0]);
  // Dialogs may carry tab groups of their own (Format Cells); a workbook window is a standard one.
  facts.document = subrole.empty() || subrole == ax::kStandardWindow;
  facts.frame = frameOf(v[1], v[2]);
  if (!facts.document) return facts;
  std::optional<Element> first;
  std::optional<Element> described;
  for (const auto& child : platform::valueAs<std::vector<Element>>(v[3]).value_or(std::vector<Element>{})) {
    // Once a ribbon is found, the window's other parts are asked briefly: a silent one is passed
    // over. Before that, a silent part may be the ribbon itself, and Excel is not answering.
    auto c = first ? whatPartIs(excel, child) : readAll(excel, child, kPartNames);
    if (text(c[0]) != ax::kTabGroup) continue;
    if (!first) first = child;
    // A description may tell one tab group from another; none is ever required.
    if (!text(c[1]).empty()) {
      // The first described one is the answer: the parts after it are never asked.
      described = child;
      break;
    }
  }
  facts.tabGroup = described ? described : first;
  return facts;
}

}  // namespace

WindowFacts windowFacts(const ExcelApp& excel, const Element& window) {
  if (const auto& known = excel.memo().window; known && known->first == window) return known->second;
  auto facts = readWindowFacts(excel, window);
  if (!excel.stopped()) excel.memo().window = std::pair{window, facts};
  return facts;
}

std::optional<Element> ribbonTabGroup(const ExcelApp& excel, const Element& window) {
  return windowFacts(excel, window).tabGroup;
}

bool carriesRibbon(const ExcelApp& excel, const Element& window) {
  return windowFacts(excel, window).tabGroup.has_value();
}

ActionResult<Element> findWorkbookWindow(const ExcelApp& excel) {
  const auto& app = excel.application();
  auto windows = excel.elements(app, ax::kWindows);
  std::vector<std::pair<Element, std::optional<platform::Rect>>> ribbonWindows;
  for (const auto& window : windows) {
    auto facts = windowFacts(excel, window);
    if (facts.tabGroup) ribbonWindows.emplace_back(window, facts.frame);
  }
  if (!ribbonWindows.empty()) {
    for (const auto& bounds : excel.onScreenWindowBounds()) {
      for (const auto& [window, frame] : ribbonWindows) {
        if (frame && framesMatch(*frame, bounds)) return window;
      }
    }
  }
  std::optional<Element> fallback = excel.element(app, ax::kMainWindow);
  if (!fallback) fallback = excel.element(app, ax::kFocusedWindow);
  if (!fallback && !windows.empty()) fallback = windows.front();
  // With no workbook open Excel shows its start window ("Open new and recent files"): no workbook.
  if (!fallback || excel.string(*fallback, ax::kIdentifier) == ax::kStartWindowIdentifier) {
    return std::unexpected(ActionError::noWorkbook());
  }
  return *fallback;
}

std::vector<Element> titleBarParts(const ExcelApp& excel, const Element& window) {
  std::vector<Element> parts;
  for (const auto& child : excel.children(window)) {
    if (text(whatPartIs(excel, child)[0]) == ax::kToolbar) parts.push_back(child);
  }
  return parts;
}

std::vector<Element> ribbonRoots(const ExcelApp& excel, const Element& window) {
  // The ribbon alone: the sheet beside it may hold thousands of objects, or one that hangs.
  if (auto tabGroup = ribbonTabGroup(excel, window)) return {*tabGroup};
  return {window};
}

std::optional<bool> isNarrow(const ExcelApp& excel, const Element& window) {
  auto frame = excel.frame(window);
  if (!frame) return std::nullopt;
  return frame->width < 1150;
}

}  // namespace corvane::excel

#include "excel/folded_groups.hpp"

#include <algorithm>
#include <array>
#include <tuple>

#include "excel/ax_names.hpp"
#include "excel/popups_and_menus.hpp"
#include "excel/label_key.hpp"

namespace corvane::excel {

using platform::Element;

namespace {

constexpr double kFoldedPopupWait = 1.5;  ///< for a folded group's popup to come on screen
constexpr double kEmptyPopupWait = 1.0;   ///< for an empty popup to fill in
constexpr double kEmptyPopupPoll = 0.04;  ///< while it fills in

std::string text(const std::optional<platform::AXValue>& v) { return platform::valueAs<std::string>(v).value_or(""); }

/// The key of the first non-empty of two names.
std::string nameKey(const std::optional<platform::AXValue>& first, const std::optional<platform::AXValue>& second) {
  auto name = text(first);
  if (name.empty()) name = text(second);
  return labelKey(name);
}

/// What a folded group's container and its one child show.
struct Shape {
  std::string containerKey;  ///< empty: the container has no name
  std::vector<Element> children;
};

/// The one child of `shape`, when it is a menu button named like the container (or the container is
/// unnamed): the folded group. One batched read of the child.
std::optional<FoldedGroup> foldedFrom(const ExcelApp& excel, const Shape& shape) {
  if (shape.children.size() != 1) return std::nullopt;
  static constexpr std::array<std::string_view, 3> kNames{ax::kRole, ax::kTitle, ax::kDescription};
  const auto& button = shape.children.front();
  auto values = excel.ax().copyMultipleAttributes(button, kNames);
  if (!values || values->size() != kNames.size()) return std::nullopt;
  if (text((*values)[0]) != ax::kMenuButton) return std::nullopt;
  auto name = text((*values)[1]);
  if (name.empty()) name = text((*values)[2]);
  auto key = labelKey(name);
  if (key.empty() || (!shape.containerKey.empty() && shape.containerKey != key)) return std::nullopt;
  return FoldedGroup{button, name};
}

ActionError stoppedError(const ExcelApp& excel) {
  return excel.stopError().value_or(ActionError::general("Corvane stopped before Excel answered"));
}

}  // namespace

std::vector<FoldedGroup> foldedGroups(const ExcelApp& excel, const Element& area) {
  static constexpr std::array<std::string_view, 4> kNames{ax::kTitle, ax::kDescription, ax::kChildren, ax::kPosition};
  // (x, tree order, group): the tree order as tie-break keeps the tree's order where positions tie,
  // without stable_sort, whose temporary buffer clang refuses as deprecated in C++23.
  std::vector<std::tuple<double, std::size_t, FoldedGroup>> found;
  for (const auto& child : excel.children(area)) {
    auto values = excel.ax().copyMultipleAttributes(child, kNames);
    if (!values || values->size() != kNames.size()) continue;
    const auto& v = *values;
    Shape shape{nameKey(v[0], v[1]), platform::valueAs<std::vector<Element>>(v[2]).value_or(std::vector<Element>{})};
    auto group = foldedFrom(excel, shape);
    if (!group) continue;
    auto position = platform::valueAs<platform::Point>(v[3]);
    found.emplace_back(position ? position->x : 0.0, found.size(), std::move(*group));
  }
  // Left to right as the user sees them; the tree's order where positions tie or are unknown.
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
  });
  std::vector<FoldedGroup> groups;
  groups.reserve(found.size());
  for (auto& [x, order, group] : found) groups.push_back(std::move(group));
  return groups;
}

std::optional<FoldedGroup> foldedGroupOf(const ExcelApp& excel, const Element& button) {
  auto container = excel.element(button, ax::kParent);
  if (!container) return std::nullopt;
  static constexpr std::array<std::string_view, 4> kNames{ax::kTitle, ax::kDescription, ax::kChildren, ax::kParent};
  auto values = excel.ax().copyMultipleAttributes(*container, kNames);
  if (!values || values->size() != kNames.size()) return std::nullopt;
  const auto& v = *values;
  Shape shape{nameKey(v[0], v[1]), platform::valueAs<std::vector<Element>>(v[2]).value_or(std::vector<Element>{})};
  if (shape.children.size() != 1 || shape.children.front() != button) return std::nullopt;
  // Only on the ribbon itself: inside a folded group's popup the same shape is the real control.
  auto area = platform::valueAs<Element>(v[3]);
  if (!area || area->isNull() || excel.role(*area) != ax::kScrollArea) return std::nullopt;
  return foldedFrom(excel, shape);
}

ActionResult<Element> openFoldedGroup(const ExcelApp& excel, const FoldedGroup& group,
                                      const std::optional<Element>& mainWindow, double openerTimeout) {
  auto baseline = popupWindows(excel, mainWindow);
  openMenu(excel, group.button, baseline, openerTimeout);
  if (auto popup = waitForNewPopup(excel, mainWindow, baseline, kFoldedPopupWait)) return *popup;
  if (excel.stopped()) return std::unexpected(stoppedError(excel));
  // Nothing came: a silent Excel stops the work on this read, a live one just ignored the press.
  (void)excel.role(group.button);
  if (excel.stopped()) return std::unexpected(stoppedError(excel));
  // A popup that came after all is not left open.
  auto now = popupWindows(excel, mainWindow);
  bool late = std::any_of(now.begin(), now.end(), [&](const Element& popup) {
    return std::find(baseline.begin(), baseline.end(), popup) == baseline.end();
  });
  if (late) closeOpenedMenus(excel, 1);
  return std::unexpected(ActionError::general("Excel didn't respond to “" + group.name + "”"));
}

RibbonScan scanFoldedPopup(const ExcelApp& excel, const Element& popup) {
  auto scan = ribbonScan(excel.ax(), {popup}, false, kDropdownScanLimit);
  double deadline = excel.clock().uptime() + kEmptyPopupWait;
  while (scan.candidates.empty() && excel.clock().uptime() < deadline && excel.pause(kEmptyPopupPoll)) {
    scan = ribbonScan(excel.ax(), {popup}, false, kDropdownScanLimit);
  }
  return scan;
}

std::string FoldedGroupMemory::keyOf(const std::string& tab, const std::vector<std::string>& labels) {
  std::string key = labelKey(stripMarker(tab).name);
  for (const auto& label : labels) key += "\n" + label;
  return key;
}

std::optional<std::string> FoldedGroupMemory::groupFor(const std::string& tab,
                                                       const std::vector<std::string>& labels) const {
  std::lock_guard lock(mutex_);
  auto it = groups_.find(keyOf(tab, labels));
  if (it == groups_.end()) return std::nullopt;
  return it->second;
}

void FoldedGroupMemory::remember(const std::string& tab, const std::vector<std::string>& labels,
                                 const std::string& group) {
  std::lock_guard lock(mutex_);
  auto key = keyOf(tab, labels);
  groups_.insert_or_assign(key, labelKey(group));
  absent_.erase(key);
}

void FoldedGroupMemory::forget(const std::string& tab, const std::vector<std::string>& labels) {
  std::lock_guard lock(mutex_);
  groups_.erase(keyOf(tab, labels));
}

std::string FoldedGroupMemory::namesOf(const std::vector<FoldedGroup>& groups) {
  std::string names;
  for (const auto& group : groups) names += labelKey(group.name) + "\n";
  return names;
}

bool FoldedGroupMemory::knownAbsent(const std::string& tab, const std::vector<std::string>& labels,
                                    const std::vector<FoldedGroup>& groups) const {
  std::lock_guard lock(mutex_);
  auto it = absent_.find(keyOf(tab, labels));
  return it != absent_.end() && it->second == namesOf(groups);
}

void FoldedGroupMemory::rememberAbsent(const std::string& tab, const std::vector<std::string>& labels,
                                       const std::vector<FoldedGroup>& groups) {
  std::lock_guard lock(mutex_);
  auto key = keyOf(tab, labels);
  groups_.erase(key);
  absent_.insert_or_assign(key, namesOf(groups));
}

std::size_t FoldedGroupMemory::size() const {
  std::lock_guard lock(mutex_);
  return groups_.size();
}

}  // namespace corvane::excel

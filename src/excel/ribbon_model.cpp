#include "excel/ribbon_model.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include "excel/ax_names.hpp"

namespace corvane::excel {

using platform::Element;

namespace {

template <typename T>
const T* get(const std::vector<std::optional<platform::AXValue>>& values, std::size_t i) {
  return i < values.size() && values[i] ? std::get_if<T>(&*values[i]) : nullptr;
}

std::optional<platform::Rect> frameIn(const std::vector<std::optional<platform::AXValue>>& values, std::size_t at) {
  const auto* position = get<platform::Point>(values, at);
  const auto* size = get<platform::Size>(values, at + 1);
  if (position == nullptr || size == nullptr) return std::nullopt;
  return platform::Rect{position->x, position->y, size->width, size->height};
}

/// Whether Excel still shows what the snapshot saw. Any read that fails or differs is a doubt.
bool stillHolds(const ExcelApp& excel, const RibbonSnapshot& snapshot) {
  static constexpr std::array<std::string_view, 3> kWindow{ax::kMain, ax::kPosition, ax::kSize};
  auto window = excel.ax().copyMultipleAttributes(snapshot.window, kWindow);
  if (!window || window->size() != kWindow.size()) return false;
  // Another window in front (a new workbook, a dialog) or a moved or resized one.
  const auto* main = get<bool>(*window, 0);
  if (main == nullptr || !*main || frameIn(*window, 1) != snapshot.windowFrame) return false;

  // A tab come or gone (a contextual tab), or the commands area replaced.
  auto children = excel.ax().copyAttribute(snapshot.tabGroup, ax::kChildren);
  if (!children) return false;
  const auto* tabGroupChildren = std::get_if<std::vector<Element>>(&*children);
  if (tabGroupChildren == nullptr || *tabGroupChildren != snapshot.tabGroupChildren) return false;

  auto value = excel.ax().copyAttribute(snapshot.openTab, ax::kValue);
  if (!value) return false;
  const auto* whole = std::get_if<std::int64_t>(&*value);
  const auto* number = std::get_if<double>(&*value);
  if (!((whole != nullptr && *whole == 1) || (number != nullptr && *number == 1.0))) return false;

  // A tab's commands replaced, refilled or refolded (a narrower window folds groups away).
  static constexpr std::array<std::string_view, 3> kArea{ax::kPosition, ax::kSize, ax::kChildren};
  auto area = excel.ax().copyMultipleAttributes(snapshot.area.element, kArea);
  if (!area || area->size() != kArea.size()) return false;
  const auto* groups = get<std::vector<Element>>(*area, 2);
  return frameIn(*area, 0) == snapshot.area.frame && groups != nullptr && *groups == snapshot.area.children;
}

}  // namespace

std::optional<RibbonSnapshot> RibbonModel::current(const ExcelApp& excel) {
  std::optional<RibbonSnapshot> kept;
  {
    std::lock_guard lock(mutex_);
    kept = snapshot_;
  }
  if (!kept) return std::nullopt;
  // Read without the lock: Excel may take its time.
  if (stillHolds(excel, *kept) && !excel.stopped()) return kept;
  std::lock_guard lock(mutex_);
  if (snapshot_ && snapshot_->generation == kept->generation) snapshot_.reset();
  return std::nullopt;
}

std::optional<RibbonSnapshot> RibbonModel::learn(Seen seen, RibbonScan scan, bool commands, std::size_t groupsRead) {
  std::lock_guard lock(mutex_);
  snapshot_.reset();
  ++generation_;
  const RibbonCandidate* open = nullptr;
  for (const auto& candidate : scan.candidates) {
    if (candidate.selected && candidate.role == ax::kRadioButton) {
      open = &candidate;
      break;
    }
  }
  // A collapsed ribbon (no commands area) or no open tab: nothing settled to keep.
  if (open == nullptr || !scan.area) return std::nullopt;
  const auto& children = seen.tabGroupChildren;
  if (std::find(children.begin(), children.end(), scan.area->element) == children.end()) return std::nullopt;
  RibbonSnapshot snapshot;
  snapshot.generation = generation_;
  snapshot.window = seen.window;
  snapshot.windowFrame = seen.windowFrame;
  snapshot.tabGroup = seen.tabGroup;
  snapshot.tabGroupFrame = seen.tabGroupFrame;
  snapshot.tabGroupChildren = std::move(seen.tabGroupChildren);
  snapshot.openTab = open->element;
  snapshot.openTabKey = open->labels.empty() ? std::string() : open->labels.front();
  snapshot.area = *scan.area;
  snapshot.scan = std::move(scan);
  snapshot.commands = commands;
  snapshot.tabsWhole = seen.tabsWhole;
  snapshot.groupsRead = commands ? 0 : std::min(groupsRead, snapshot.area.children.size());
  snapshot_ = std::move(snapshot);
  return snapshot_;
}

void RibbonModel::drop() {
  std::lock_guard lock(mutex_);
  snapshot_.reset();
  ++generation_;
}

bool RibbonModel::holdsSnapshot() const {
  std::lock_guard lock(mutex_);
  return snapshot_.has_value();
}

}  // namespace corvane::excel

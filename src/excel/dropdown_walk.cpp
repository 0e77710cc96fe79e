#include "excel/dropdown_walk.hpp"

#include <algorithm>
#include <optional>
#include <vector>

#include "excel/ax_names.hpp"
#include "excel/ax_reads.hpp"
#include "excel/folded_groups.hpp"
#include "excel/label_key.hpp"
#include "excel/press_and_click.hpp"

namespace corvane::excel {

using platform::Element;
using namespace detail;

namespace {

constexpr double kMenuLevelWait = 1.5;   ///< for each level's item to show up
constexpr double kMenuLevelPoll = 0.04;

std::string levelName(const std::vector<std::string>& level) {
  auto name = firstLabel(level);
  return name.empty() ? "?" : name;
}

/// A deep scan without the roles only a deep scan collects: the controls of a folded group's popup.
RibbonScan controlsOnly(const RibbonScan& scan) {
  RibbonScan out;
  out.visited = scan.visited;
  for (const auto& candidate : scan.candidates) {
    const auto& role = candidate.role;
    if (role == ax::kMenuItem || role == ax::kCell || role == ax::kStaticText) continue;
    out.candidates.push_back(candidate);
  }
  return out;
}

}  // namespace

ActionStatus walkDropdown(const ExcelApp& excel, const model::RibbonStep& step, Located found, bool maybeFolded,
                          MatchMode mode, MainWindow& mainWindow, const std::string& name) {
  if (!found.control.enabled) {
    closeOpenedMenus(excel, found.openMenus);
    return std::unexpected(ActionError::greyedOut(name));
  }
  auto dropdown = found.control.element;
  std::optional<bool> standsForGroup;
  auto baseline = popupWindows(excel, mainWindow());
  // Popups open before the walk (a folded group's) hold controls, not the items sought.
  auto outer = baseline;
  auto unlisted = [](const std::vector<Element>& popups, const std::vector<Element>& known) {
    std::vector<Element> out;
    for (const auto& popup : popups) {
      if (std::find(known.begin(), known.end(), popup) == known.end()) out.push_back(popup);
    }
    return out;
  };
  openMenu(excel, dropdown, baseline);
  int opened = found.openMenus + 1;
  const auto& levels = *step.item;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    auto level = levelName(levels[i]);
    std::optional<RibbonCandidate> hit;
    double deadline = excel.clock().uptime() + kMenuLevelWait;
    while (!hit && excel.clock().uptime() < deadline && excel.pause(kMenuLevelPoll)) {
      auto current = popupWindows(excel, mainWindow());
      auto fresh = unlisted(current, baseline);
      auto open = unlisted(current, outer);
      if (!fresh.empty()) excel.changes().popupAwaited.reset();
      std::optional<RibbonCandidate> inner;
      for (const auto* roots : {&fresh, &open}) {
        if (hit || inner || roots->empty()) continue;
        auto menuScan = ribbonScan(excel.ax(), *roots, true, kDropdownScanLimit);
        hit = ribbonMatch(levels[i], MatchMode::press, true, {}, menuScan);
        if (!maybeFolded || i != 0 || roots != &fresh) continue;
        // A popup holding a control named like its opener is a folded group's (when the opener's
        // place says so): the item is in that control's own menu.
        auto named = ribbonMatch(step.labels, mode, false, {dropdown}, controlsOnly(menuScan));
        if (!named) continue;
        if (!standsForGroup) standsForGroup = foldedGroupOf(excel, dropdown).has_value();
        if (!*standsForGroup) continue;
        inner = std::move(named);
        hit.reset();
      }
      if (!hit && !inner) {
        // The opener itself is never its own item.
        auto buttonScan = ribbonScan(excel.ax(), {dropdown}, true, kDropdownScanLimit);
        hit = ribbonMatch(levels[i], MatchMode::press, true, {dropdown}, buttonScan);
      }
      if (!inner) continue;
      maybeFolded = false;
      if (!inner->enabled) {
        closeOpenedMenus(excel, opened);
        return std::unexpected(ActionError::greyedOut(name));
      }
      dropdown = inner->element;
      baseline = current;
      outer = current;
      openMenu(excel, dropdown, baseline);
      ++opened;
      deadline = excel.clock().uptime() + kMenuLevelWait;
    }
    if (!hit) {
      if (excel.stopped()) return std::unexpected(stoppedError(excel));
      closeOpenedMenus(excel, opened);
      return std::unexpected(ActionError::notFound(level, "Couldn't find “" + level + "” in the " + name + " menu"));
    }
    if (i + 1 == levels.size()) {
      auto done = ribbonAction(excel, hit->element, step.action, level);
      if (!done) {
        closeOpenedMenus(excel, opened);
        return done;
      }
      return {};
    }
    baseline = popupWindows(excel, mainWindow());
    openMenu(excel, hit->element, baseline);
    ++opened;
  }
  return {};
}

}  // namespace corvane::excel

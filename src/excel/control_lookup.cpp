#include "excel/control_lookup.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include "excel/ax_names.hpp"
#include "excel/ax_reads.hpp"
#include "excel/dropdown_walk.hpp"
#include "excel/label_key.hpp"
#include "excel/popups_and_menus.hpp"
#include "excel/press_and_click.hpp"
#include "excel/ribbon_tabs.hpp"
#include "excel/workbook_window.hpp"

namespace corvane::excel {

using platform::Element;
using namespace detail;

namespace {

/// The folded groups of the window's open tab, left to right.
std::vector<FoldedGroup> foldedGroupsIn(const ExcelApp& excel, const Element& window) {
  auto tabGroup = ribbonTabGroup(excel, window);
  if (!tabGroup) return {};
  auto area = commandsArea(excel, *tabGroup);
  if (!area) return {};
  return foldedGroups(excel, *area);
}

/// What a search of folded groups found.
struct FoldedSearch {
  std::optional<std::pair<RibbonCandidate, FoldedGroup>> hit;  ///< with its group's popup open
  bool complete = true;  ///< every group was looked into
};

/// Opens the groups in turn and looks in each popup for the labels; the first hit ends the search
/// with its popup open, every miss closes its popup again. A group that does not open ends the
/// search: the control stays hidden, and a wider window shows it.
ActionResult<FoldedSearch> findInFoldedGroups(const ExcelApp& excel, const std::vector<FoldedGroup>& groups,
                                              MainWindow& mainWindow, const std::vector<std::string>& labels,
                                              MatchMode mode) {
  for (const auto& group : groups) {
    auto popup = openFoldedGroup(excel, group, mainWindow());
    if (!popup) {
      if (excel.stopped()) return std::unexpected(popup.error());
      return FoldedSearch{std::nullopt, false};
    }
    auto hit = ribbonMatch(labels, mode, false, {}, scanFoldedPopup(excel, *popup));
    if (excel.stopped()) return std::unexpected(stoppedError(excel));
    if (hit) return FoldedSearch{std::pair{std::move(*hit), group}, true};
    closeOpenedMenus(excel, 1);
  }
  return FoldedSearch{};
}

/// Whether a control the ribbon model holds is still the one it saw, as Excel shows it now: the
/// same role and frame, and a name that still matches. One read; its enabled state is read afresh.
bool confirmed(const ExcelApp& excel, RibbonCandidate& control) {
  static constexpr std::array<std::string_view, 6> kNames{ax::kRole,     ax::kTitle, ax::kDescription,
                                                          ax::kPosition, ax::kSize,  ax::kEnabled};
  auto v = readAll(excel, control.element, kNames);
  auto role = text(v[0]);
  if (role != control.role && !(control.role == ax::kGallery && role == ax::kScrollArea)) return false;
  if (frameOf(v[3], v[4]) != control.frame) return false;
  auto title = labelKey(text(v[1]));
  auto description = labelKey(text(v[2]));
  // A control known by its identifier or its group's name keeps no title or description to compare.
  bool named = !title.empty() || !description.empty();
  bool same = std::any_of(control.labels.begin(), control.labels.end(),
                          [&](const std::string& key) { return key == title || key == description; });
  if (named && !same) return false;
  control.enabled = platform::valueAs<bool>(v[5]).value_or(true);
  return true;
}

/// Finds the step's control: on the ribbon, else in a folded group. `memory` sends the search
/// straight to the group that held it last time, spares a search that found nothing in the same
/// folded groups before, and learns where it is now.
ActionResult<std::optional<Located>> locate(const ExcelApp& excel, const Element& window, MainWindow& mainWindow,
                                            const model::RibbonStep& step, MatchMode mode,
                                            FoldedGroupMemory* memory, RibbonModel* model,
                                            std::optional<RibbonSnapshot> ribbon) {
  const auto tab = step.tab.value_or("");
  auto remembered = memory != nullptr ? memory->groupFor(tab, step.labels) : std::nullopt;
  std::string tried;
  if (remembered) {
    std::vector<FoldedGroup> straight;
    for (const auto& group : foldedGroupsIn(excel, window)) {
      if (labelKey(group.name) == *remembered) straight.push_back(group);
    }
    auto found = findInFoldedGroups(excel, straight, mainWindow, step.labels, mode);
    if (!found) return std::unexpected(found.error());
    if (found->hit) return Located{std::move(found->hit->first), 1, std::nullopt};
    // Not there any more (the window was widened, Excel changed): search as if new.
    memory->forget(tab, step.labels);
    if (!straight.empty()) tried = *remembered;
  }
  std::optional<RibbonCandidate> match;
  auto enough = [&](const RibbonScan& s) { return settles(step.labels, mode, s); };
  // The ribbon as it was seen, while it holds: all its controls, or the groups a run read up to the
  // one it needed. A control it lacks, or that is no longer what it was, is looked for afresh.
  if (ribbon && (ribbon->commands || enough(ribbon->scan))) match = ribbonMatch(step.labels, mode, false, {}, ribbon->scan);
  if (match && !confirmed(excel, *match)) {
    if (model != nullptr) model->drop();
    match.reset();
    ribbon.reset();
  }
  // When this work read the control itself and nothing has happened since, its enabled state is
  // known and need not be asked again before the press.
  std::optional<std::uint64_t> readAt;
  if (match) readAt = excel.session().epoch();
  if (!match) {
    auto complete = [&](const RibbonScan& s) { return ribbonMatch(step.labels, mode, false, {}, s).has_value(); };
    // What the walk saw is kept, so that the next key tips or run on this ribbon need not walk it
    // again; a control taken from it is still confirmed before it is acted on. Not after this
    // work's own tab switch: the walk may stop at the control while the tab is still filling in.
    bool teach = model != nullptr && excel.changes().tabSwitchedAt < 0;
    const RibbonSnapshot* known = ribbon && !ribbon->commands ? &*ribbon : nullptr;
    // The groups left to right, up to the first that holds an enabled control of the name: a run
    // reads what it needs, not the whole tab. All of them known already: nothing to walk.
    std::optional<GroupWalk> walk;
    if (ribbon && ribbon->commands) {
      walk = GroupWalk{ribbon->scan, ribbon->area.children.size(), true};
    } else {
      auto before = excel.session().epoch();
      walk = walkGroups(excel, window, enough, known);
      if (walk && teach) learnWalk(excel, window, *model, *walk, known);
      // Controls a kept ribbon held were read earlier, so only a walk from the start counts.
      if (known == nullptr && excel.session().epoch() == before) readAt = before;
    }
    if (walk && enough(walk->scan)) {
      match = ribbonMatch(step.labels, mode, false, {}, walk->scan);
    } else {
      readAt.reset();
      // Not there (yet): the tab's commands may still be coming in, or the control is folded away.
      auto scan = walk && walk->whole ? scanRibbonFrom(excel, window, std::move(walk->scan), complete)
                                      : scanRibbon(excel, window, complete);
      match = ribbonMatch(step.labels, mode, false, {}, scan);
    }
  }
  if (excel.stopped()) return std::unexpected(stoppedError(excel));
  if (match) return Located{std::move(*match), 0, readAt};
  auto groups = foldedGroupsIn(excel, window);
  if (groups.empty() || (memory != nullptr && memory->knownAbsent(tab, step.labels, groups))) return std::nullopt;
  auto others = groups;
  std::erase_if(others, [&](const FoldedGroup& g) { return !tried.empty() && labelKey(g.name) == tried; });
  auto found = findInFoldedGroups(excel, others, mainWindow, step.labels, mode);
  if (!found) return std::unexpected(found.error());
  if (!found->hit) {
    if (memory != nullptr && found->complete) memory->rememberAbsent(tab, step.labels, groups);
    return std::nullopt;
  }
  if (memory != nullptr) memory->remember(tab, step.labels, found->hit->second.name);
  return Located{std::move(found->hit->first), 1, std::nullopt};
}

}  // namespace

ActionStatus ribbonStep(const ExcelApp& excel, const model::RibbonStep& step, FoldedGroupMemory* memory,
                        RibbonModel* model) {
  auto name = firstLabel(step.labels);
  if (name.empty()) name = "?";
  auto ribbon = model != nullptr ? model->current(excel) : std::nullopt;
  auto window = ribbon ? ActionResult<Element>(ribbon->window) : findWorkbookWindow(excel);
  if (!window) return std::unexpected(excel.stopped() ? stoppedError(excel) : window.error());
  bool tabOpen = ribbon && step.tab && labelKey(stripMarker(*step.tab).name) == ribbon->openTabKey;
  if (step.tab && !tabOpen) {
    // Whatever the model knew was another tab's.
    if (model != nullptr) model->drop();
    ribbon.reset();
    if (auto selected = selectTab(excel, *window, *step.tab); !selected) return selected;
  } else if (!ribbon) {
    // A kept ribbon is a shown one.
    showCollapsedRibbon(excel, *window);
  }
  bool hasItems = step.item && !step.item->empty();
  auto mode = hasItems ? MatchMode::dropdownButton : MatchMode::press;
  MainWindow mainWindow(excel);
  auto located = locate(excel, *window, mainWindow, step, mode, memory, model, ribbon);
  if (!located) return std::unexpected(located.error());
  if (!*located) {
    return std::unexpected(ActionError::notFound(
        name, "Couldn't find “" + name + "” on the " + (step.tab ? *step.tab + " " : std::string()) +
                  "ribbon. If the Excel window is narrow, widen it so the button shows."));
  }
  auto& found = **located;
  // A control named like its group shows, once the group is folded, as the group's button: the
  // control itself is inside.
  bool maybeFolded = found.openMenus == 0 && found.control.enabled && found.control.role == ax::kMenuButton;

  if (!hasItems) {
    if (auto folded = maybeFolded ? foldedGroupOf(excel, found.control.element) : std::nullopt) {
      auto popup = openFoldedGroup(excel, *folded, mainWindow());
      if (!popup) return std::unexpected(popup.error());
      auto inner = ribbonMatch(step.labels, mode, false, {}, scanFoldedPopup(excel, *popup));
      if (excel.stopped()) return std::unexpected(stoppedError(excel));
      if (inner) {
        found = Located{std::move(*inner), 1, std::nullopt};
      } else if (step.action != model::RibbonAction::focus) {
        // Pressing or opening the group's button shows its popup, and there it is.
        excel.changes().menuLeftOpen = true;
        return {};
      } else {
        closeOpenedMenus(excel, 1);
      }
    }
    bool seenEnabled = found.readAt == excel.session().epoch() && found.control.enabled;
    auto done = ribbonAction(excel, found.control.element, step.action, name, seenEnabled);
    if (!done) {
      if (!excel.stopped()) closeOpenedMenus(excel, found.openMenus);
      return done;
    }
    // The cursor in a box of a folded group's popup keeps the popup open for the user.
    if (found.openMenus > 0 && step.action == model::RibbonAction::focus) excel.changes().menuLeftOpen = true;
    return done;
  }

  return walkDropdown(excel, step, std::move(found), maybeFolded, mode, mainWindow, name);
}

}  // namespace corvane::excel

#include "feedback/key_tip_controller.hpp"

// Finding each planned tip's element on the actions queue: a level's scan, the cached level on a
// ribbon that still holds, and the one tip resolved against what the scan saw.

#include <algorithm>
#include <exception>
#include <utility>

#include "excel/ax_names.hpp"
#include "excel/element_lookup.hpp"
#include "excel/label_key.hpp"
#include "excel/menus_and_toolbars.hpp"
#include "model/grammar.hpp"

namespace corvane::feedback {

namespace ax = excel::ax;
using platform::Element;

std::optional<KeyTip> KeyTipController::resolve(const excel::ExcelApp& excel, const model::PlannedTip& planned,
                                                const excel::RibbonScan& candidates, bool menuOpen,
                                                const std::optional<platform::Rect>& ribbonArea,
                                                const TitleBar& titleBar, Element& element) {
  const auto& qat = titleBar.qat;
  using Kind = model::TipTarget::Kind;
  KeyTip tip;
  tip.text = planned.text;
  tip.keys = planned.keys;
  const auto& target = planned.target;
  switch (target.kind) {
    case Kind::tab: {
      auto match = excel::ribbonMatch(target.labels, excel::MatchMode::tab, true, {}, candidates);
      if (!match) return std::nullopt;
      element = match->element;
      tip.frame = match->frame;
      tip.enabled = match->enabled;
      tip.placement = KeyTip::Placement::tab;
      tip.target = excel::firstLabel(target.labels);
      return tip;
    }
    case Kind::control:
    case Kind::corner: {
      auto mode = planned.opensMenu ? excel::MatchMode::dropdownButton : excel::MatchMode::press;
      auto match = excel::ribbonMatch(target.labels, mode, menuOpen, {}, candidates);
      if (!match) return std::nullopt;
      element = match->element;
      tip.enabled = match->enabled;
      tip.target = excel::firstLabel(target.labels);
      if (target.kind == Kind::corner) {
        // A launcher is a plain button: a menu button by the group's name is the whole group, folded
        // away in a narrow window, and pressing it would only show the group.
        if (match->role == ax::kMenuButton) return std::nullopt;
        // The badge sits under the corner of the ribbon group the launcher belongs to.
        Element current = match->element;
        for (int level = 0; level < 3; ++level) {
          auto parent = excel.element(current, ax::kParent);
          if (!parent) return std::nullopt;
          current = *parent;
          if (excel.role(current) != ax::kGroup) continue;
          auto frame = excel.frame(current);
          if (!frame) return std::nullopt;
          tip.frame = *frame;
          tip.placement = KeyTip::Placement::corner;
          return tip;
        }
        return std::nullopt;
      }
      tip.frame = match->frame;
      const auto& f = tip.frame;
      if (menuOpen) {
        tip.placement = f.width > 3 * f.height ? KeyTip::Placement::menuItem : KeyTip::Placement::bottom;
      } else if (!ribbonArea || ribbonArea->height <= 0 || f.height >= 0.6 * ribbonArea->height) {
        tip.placement = KeyTip::Placement::bottom;
      } else {
        double r = (f.midY() - ribbonArea->minY()) / ribbonArea->height;
        tip.placement = r < 0.36 ? KeyTip::Placement::top
                                 : (r > 0.64 ? KeyTip::Placement::bottom : KeyTip::Placement::middle);
      }
      return tip;
    }
    case Kind::qat: {
      if (target.qatNumber < 1 || target.qatNumber > static_cast<std::int64_t>(qat.buttons.size())) return std::nullopt;
      auto index = static_cast<std::size_t>(target.qatNumber - 1);
      element = qat.buttons[index];
      // Read with the toolbar.
      auto frame = index < qat.frames.size() ? qat.frames[index] : std::nullopt;
      if (!frame) return std::nullopt;
      tip.frame = *frame;
      tip.enabled = index < qat.enabled.size() ? qat.enabled[index] : excel.isEnabled(element);
      tip.placement = KeyTip::Placement::bottom;
      // Named as Excel names the button; a button Excel leaves unnamed keeps its number.
      tip.target = index < qat.names.size() && !qat.names[index].empty()
                       ? qat.names[index]
                       : "Quick Access Toolbar button " + std::to_string(target.qatNumber);
      return tip;
    }
    case Kind::titlebar: {
      auto item = excel::titlebarItem(excel, titleBar.items, target.labels);
      if (!item) return std::nullopt;
      element = *item;
      auto frame = excel.frame(element);
      if (!frame) return std::nullopt;
      tip.frame = *frame;
      tip.enabled = excel.isEnabled(element);
      tip.placement = KeyTip::Placement::bottom;
      tip.target = excel::firstLabel(target.labels);
      return tip;
    }
  }
  return std::nullopt;
}

std::optional<KeyTipController::ScanResult> KeyTipController::scan(std::uint64_t ticket,
                                                                   const std::vector<std::string>& path,
                                                                   std::int32_t pid,
                                                                   const model::LibraryPtr& library) {
  if (!isLatest(ticket) || !library) return std::nullopt;
  {
    std::lock_guard lock(stateLock_);
    pid_ = pid;
    foundAnchor_.reset();
  }
  excel::ExcelApp excel(services_, pid, excel::WaitLimits{kMessagingTimeout, kScanBudget});
  excel.session().setCancel([this, ticket] { return !isLatest(ticket); });
  // Whatever happens to the scan, a ribbon it showed is noted so that it can be collapsed again.
  struct NoteShownRibbon {
    KeyTipController& owner;
    const excel::ExcelApp& excel;
    ~NoteShownRibbon() {
      if (!excel.changes().shownRibbon) return;
      std::lock_guard lock(owner.stateLock_);
      owner.ribbonShown_ = true;
    }
  } noteShownRibbon{*this, excel};
  auto result = scanWith(excel, ticket, path, library);
  if (excel.session().stopped() == excel::ExcelSession::Stop::cancelled) return std::nullopt;
  // An Excel that stopped answering gets no badges; the key list shows instead.
  if (excel.stopped()) return ScanResult{{}, result ? result->anchor : std::nullopt};
  return result;
}

std::optional<KeyTipController::ScanResult> KeyTipController::cachedLevel(const excel::ExcelApp& excel,
                                                                          const std::vector<std::string>& path,
                                                                          const excel::RibbonSnapshot& ribbon,
                                                                          const model::LibraryPtr& library) {
  CachedLevel cached;
  {
    std::lock_guard lock(stateLock_);
    auto it = levels_.find(model::keyPathText(path));
    if (it == levels_.end()) return std::nullopt;
    if (it->second.generation != ribbon.generation || it->second.library != library) {
      levels_.erase(it);
      return std::nullopt;
    }
    cached = it->second;
  }
  if (cached.toolbar && excel.children(*cached.toolbar) != cached.toolbarChildren) return std::nullopt;
  if (excel.stopped()) return std::nullopt;
  std::lock_guard lock(stateLock_);
  for (auto& [keys, element] : cached.elements) elements_[keys] = element;
  levelPath_ = path;
  return ScanResult{std::move(cached.tips), std::nullopt};
}

std::optional<KeyTipController::ScanResult> KeyTipController::scanWith(const excel::ExcelApp& excel,
                                                                       std::uint64_t ticket,
                                                                       const std::vector<std::string>& path,
                                                                       const model::LibraryPtr& library) {
  using Kind = model::TipTarget::Kind;
  ScanResult result;
  auto ribbonModel = this->ribbonModel();
  // What an earlier scan or run learned of the ribbon, when a look shows it still holds.
  auto ribbon = ribbonModel->current(excel);
  Element window;
  std::optional<platform::Rect> windowFrame;
  std::optional<Element> tabGroup;
  std::optional<platform::Rect> tabGroupFrame;
  if (ribbon) {
    window = ribbon->window;
    windowFrame = ribbon->windowFrame;
    tabGroup = ribbon->tabGroup;
    tabGroupFrame = ribbon->tabGroupFrame;
  } else {
    auto found = excel::findWorkbookWindow(excel);
    if (!found) return result;
    window = *found;
    windowFrame = excel.frame(window);
    tabGroup = excel::ribbonTabGroup(excel, window);
    if (tabGroup) tabGroupFrame = excel.frame(*tabGroup);
  }
  if (windowFrame) {
    std::optional<double> ribbonBottom;
    if (tabGroupFrame) ribbonBottom = tabGroupFrame->maxY();
    result.anchor = HUDAnchor{*windowFrame, ribbonBottom};
  }
  bool anyPopups = false;
  {
    std::lock_guard lock(stateLock_);
    foundAnchor_ = result.anchor;
    levelPath_.reset();
    elements_.clear();
    anyPopups = !popups_.empty();
  }
  if (anyPopups) {
    excel.clock().sleep(0.06);
    excel.noteChange();
    dropClosedPopups(excel);
    closeLeftMenus(excel, path);
  }
  // Excel's own KeyTips may be showing: badges only once they are gone.
  if (!makeWayForBadges(excel)) return result;
  bool menuOpen = false;
  {
    std::lock_guard lock(stateLock_);
    menuOpen = !popups_.empty();
  }
  if (!menuOpen) {
    // Make sure the tab this level belongs to is showing.
    for (std::size_t n = path.size(); n > 0; --n) {
      std::vector<std::string> prefix(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(n));
      auto it = library->tips().find(model::keyPathText(prefix));
      if (it == library->tips().end() || !it->second.starts_with("tab:")) continue;
      auto tabName = it->second.substr(4);
      if (ribbon && excel::labelKey(excel::stripMarker(tabName).name) == ribbon->openTabKey) break;
      (void)excel::selectTab(excel, window, tabName);
      // The ribbon the model knew is gone with the switch.
      if (excel.changes().tabSwitchedAt >= 0 || excel.changes().shownRibbon) {
        ribbonModel->drop();
        ribbon.reset();
      }
      break;
    }
  }
  openLevelMenu(excel, window, path, *library, ribbon);

  std::optional<Element> popupRoot;
  {
    std::lock_guard lock(stateLock_);
    menuOpen = !popups_.empty();
    if (menuOpen) popupRoot = popups_.back().root;
  }
  if (!menuOpen && ribbon) {
    if (auto cached = cachedLevel(excel, path, *ribbon, library)) {
      cached->anchor = result.anchor;
      return cached;
    }
  }
  auto planned = library->plannedTips(path, menuOpen);
  if (planned.empty()) return result;

  // A tab just opened may still be filling in its commands: wait for every planned control.
  auto complete = [&planned](const excel::RibbonScan& scan) {
    return std::all_of(planned.begin(), planned.end(), [&scan](const model::PlannedTip& plan) {
      if (plan.target.kind != Kind::control && plan.target.kind != Kind::corner) return true;
      auto mode = plan.opensMenu ? excel::MatchMode::dropdownButton : excel::MatchMode::press;
      return excel::ribbonMatch(plan.target.labels, mode, false, {}, scan).has_value();
    });
  };
  bool needsCommands = std::any_of(planned.begin(), planned.end(), [](const model::PlannedTip& p) {
    return p.target.kind == Kind::control || p.target.kind == Kind::corner;
  });
  excel::RibbonScan candidates;
  std::optional<platform::Rect> ribbonArea;
  if (popupRoot) {
    candidates = excel::ribbonScan(excel.ax(), {*popupRoot}, true, excel::kRibbonScanLimit);
  } else if (ribbon && ribbon->tabsWhole && (ribbon->commands || !needsCommands)) {
    // The same ribbon: a walk would find what the last one found.
    candidates = ribbon->scan;
  } else if (tabGroup && windowFrame) {
    excel::RibbonModel::Seen seen{window, *windowFrame, *tabGroup, tabGroupFrame, {}};
    if (needsCommands) {
      candidates = excel::scanRibbon(excel, window, complete);
      seen.tabGroupChildren = excel.children(*tabGroup);
    } else {
      // The tabs alone: the tab group's children, not the open tab's commands.
      seen.tabGroupChildren = excel.children(*tabGroup);
      candidates = excel::ribbonScan(excel.ax(), seen.tabGroupChildren, false, seen.tabGroupChildren.size());
    }
    if (!excel.stopped()) ribbon = ribbonModel->learn(std::move(seen), candidates, needsCommands);
  } else {
    candidates = excel::scanRibbon(excel, window, complete);
  }
  if (!popupRoot && tabGroup) {
    if (candidates.area) {
      ribbonArea = candidates.area->frame;
    } else if (tabGroup) {
      if (auto area = excel::commandsArea(excel, *tabGroup)) ribbonArea = excel.frame(*area);
    }
  }

  TitleBar titleBar;
  bool needsItems = false;
  std::size_t qatButtons = 0;  ///< the highest button number a badge needs
  for (const auto& plan : planned) {
    if (plan.target.kind == Kind::titlebar) needsItems = true;
    if (plan.target.kind == Kind::qat && plan.target.qatNumber > 0) {
      qatButtons = std::max(qatButtons, static_cast<std::size_t>(plan.target.qatNumber));
    }
  }
  if (needsItems || qatButtons > 0) titleBar.toolbar = excel::windowToolbar(excel, window);
  if (titleBar.toolbar) {
    titleBar.children = excel.children(*titleBar.toolbar);
    if (needsItems) {
      titleBar.items = excel::toolbarItems(excel, *titleBar.toolbar);
      if (qatButtons > 0) titleBar.qat = excel::quickAccessToolbar(excel, titleBar.items);
    } else {
      // Only as far along the title bar as the badges go.
      titleBar.qat = excel::quickAccessToolbarOf(excel, *titleBar.toolbar, qatButtons);
    }
  }

  std::map<std::string, Element> found;
  for (const auto& plan : planned) {
    if (!isLatest(ticket)) return std::nullopt;
    Element element;
    auto tip = resolve(excel, plan, candidates, menuOpen, ribbonArea, titleBar, element);
    if (!tip) continue;
    // Controls folded outside the window get no badge.
    if (!menuOpen && windowFrame && !tip->frame.intersects(windowFrame->grownBy(4))) continue;
    found[model::keyPathText(plan.keys)] = element;
    result.tips.push_back(std::move(*tip));
  }
  if (excel.stopped()) return result;
  std::lock_guard lock(stateLock_);
  for (auto& [keys, element] : found) elements_[keys] = element;
  levelPath_ = path;
  // Kept for the next time this level shows on the same ribbon; a level in a menu is never kept.
  if (!menuOpen && ribbon) {
    levels_[model::keyPathText(path)] =
        CachedLevel{ribbon->generation, library, result.tips, found, titleBar.toolbar, titleBar.children};
  }
  return result;
}

}  // namespace corvane::feedback

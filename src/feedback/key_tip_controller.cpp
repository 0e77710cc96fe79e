#include "feedback/key_tip_controller.hpp"

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

KeyTipController::KeyTipController(platform::Scheduler& scheduler, platform::Queue& actionsQueue,
                                   const excel::ExcelServices& services, std::unique_ptr<KeyTipOverlay> overlay,
                                   model::LibraryPtr library)
    : scheduler_(scheduler),
      queue_(actionsQueue),
      services_(services),
      overlay_(std::move(overlay)),
      library_(std::move(library)) {}

void KeyTipController::setLibrary(model::LibraryPtr library) {
  library_ = std::move(library);
  std::lock_guard lock(stateLock_);
  ribbon_->drop();
  levels_.clear();
}

void KeyTipController::shareRibbonModel(std::shared_ptr<excel::RibbonModel> model) {
  if (!model) return;
  std::lock_guard lock(stateLock_);
  ribbon_ = std::move(model);
  levels_.clear();
}

std::shared_ptr<excel::RibbonModel> KeyTipController::ribbonModel() const {
  std::lock_guard lock(stateLock_);
  return ribbon_;
}

std::uint64_t KeyTipController::latestTicket() const {
  std::lock_guard lock(ticketLock_);
  return latestTicket_;
}

bool KeyTipController::isLatest(std::uint64_t ticket) const { return latestTicket() == ticket; }

void KeyTipController::update(const std::vector<std::string>& path, std::int32_t pid) {
  std::uint64_t ticket;
  {
    std::lock_guard lock(ticketLock_);
    ticket = ++latestTicket_;
  }
  std::weak_ptr<KeyTipController> weak = weak_from_this();
  auto library = library_;
  bool enabled = enabled_;
  queue_.async([weak, ticket, path, pid, library, enabled] {
    auto self = weak.lock();
    if (!self) return;
    std::optional<ScanResult> result;
    try {
      result = self->scan(ticket, path, pid, library);
    } catch (const std::exception&) {
      // A scan that breaks shows no badges; the key list stands in, as for an Excel that is silent.
      result = ScanResult{};
    }
    if (!result) return;
    self->scheduler_.main().async([weak, ticket, result = std::move(*result), enabled]() mutable {
      if (auto owner = weak.lock()) owner->accept(ticket, std::move(result), enabled);
    });
  });
}

void KeyTipController::accept(std::uint64_t ticket, ScanResult result, bool enabled) {
  if (!isLatest(ticket)) return;
  lastTips_ = std::move(result.tips);
  if (result.anchor) anchor_ = result.anchor;
  int shown = 0;
  if (enabled) {
    overlay_->show(lastTips_, style_, size_);
    shown = static_cast<int>(lastTips_.size());
  } else {
    overlay_->hide();
  }
  if (onTipsShown) onTipsShown(shown);
}

void KeyTipController::hide() {
  std::uint64_t ticket;
  {
    // A scan still in flight belongs to a sequence that is over.
    std::lock_guard lock(ticketLock_);
    ticket = ++latestTicket_;
  }
  overlay_->hide();
  {
    // The next sequence tries Escape again.
    std::lock_guard lock(stateLock_);
    excelKeyTipsStayed_ = false;
  }
  // After the effects of this turn, so that a run the same key started goes first and takes the
  // ribbon over.
  std::weak_ptr<KeyTipController> weak = weak_from_this();
  scheduler_.main().async([weak, ticket] {
    auto self = weak.lock();
    if (!self) return;
    self->queue_.async([weak, ticket] {
      if (auto owner = weak.lock()) owner->restoreRibbon(ticket);
    });
  });
}

void KeyTipController::lookForExcelKeyTips(std::int32_t pid) {
  std::uint64_t look;
  {
    std::lock_guard lock(stateLock_);
    look = ++latestLook_;
  }
  double deadline = services_.clock.uptime() + kExcelKeyTipsLook;
  std::weak_ptr<KeyTipController> weak = weak_from_this();
  queue_.async([weak, look, pid, deadline] {
    if (auto self = weak.lock()) self->lookOnce(look, pid, deadline);
  });
}

void KeyTipController::lookOnce(std::uint64_t look, std::int32_t pid, double deadline) {
  {
    std::lock_guard lock(stateLock_);
    if (look != latestLook_) return;
  }
  excel::ExcelApp excel(services_, pid, excel::WaitLimits{kMessagingTimeout, kScanBudget});
  // Looked at once at least, however late the queue got to it (a run may have gone first).
  if (excelKeyTipsShowing(excel)) {
    (void)makeWayForBadges(excel);
    return;
  }
  if (excel.stopped() || services_.clock.uptime() + kExcelKeyTipsPoll > deadline) return;
  std::weak_ptr<KeyTipController> weak = weak_from_this();
  queue_.after(kExcelKeyTipsPoll, [weak, look, pid, deadline] {
    if (auto self = weak.lock()) self->lookOnce(look, pid, deadline);
  });
}

bool KeyTipController::makeWayForBadges(const excel::ExcelApp& excel) {
  if (!excelKeyTipsShowing(excel)) return !excel.stopped();
  bool menuOpen = false;
  {
    std::lock_guard lock(stateLock_);
    if (excelKeyTipsStayed_) return false;
    menuOpen = !popups_.empty();
  }
  bool closed = !menuOpen && leaveExcelKeyTips(excel);
  // A scan gone stale on the way decides nothing.
  if (excel.session().stopped() == excel::ExcelSession::Stop::cancelled) return false;
  if (!closed) {
    std::lock_guard lock(stateLock_);
    excelKeyTipsStayed_ = true;
  }
  std::weak_ptr<KeyTipController> weak = weak_from_this();
  scheduler_.main().async([weak, closed] {
    if (auto self = weak.lock()) self->excelKeyTipsMet(ExcelKeyTipsMet{closed, false});
  });
  return closed;
}

void KeyTipController::excelKeyTipsMet(ExcelKeyTipsMet met) {
  // Badges of ours must not stay under Excel's.
  if (!met.closed && !overlay_->visibleContent().empty()) {
    overlay_->hide();
    lastTips_.clear();
    met.badgesWithdrawn = true;
  }
  if (onExcelKeyTips) onExcelKeyTips(met);
}

void KeyTipController::restoreRibbon(std::uint64_t ticket) {
  std::int32_t pid;
  bool ribbonShown = false;
  std::size_t menus = 0;
  {
    std::lock_guard lock(stateLock_);
    if (!isLatest(ticket)) return;
    ribbonShown = std::exchange(ribbonShown_, false);
    menus = std::exchange(popups_, {}).size();
    pid = pid_;
  }
  if (!ribbonShown && menus == 0) return;
  excel::ExcelApp excel(services_, pid, excel::WaitLimits{kMessagingTimeout, kScanBudget});
  // The sequence ended without a run (a second tap, Space, Escape at the top): the menus its levels
  // opened close with it, or Excel would keep them open under the next sequence.
  excel::closeOpenedMenus(excel, static_cast<int>(menus));
  if (!ribbonShown) return;
  auto window = excel::findWorkbookWindow(excel);
  if (!window) return;
  excel.changes().shownRibbon = excel::ribbonTabGroup(excel, *window);
  excel::collapseShownRibbon(excel);
}

std::optional<std::vector<std::string>> KeyTipController::levelPath() {
  std::lock_guard lock(stateLock_);
  return levelPath_;
}

std::optional<Element> KeyTipController::elementFor(const std::string& keyPathText) {
  std::lock_guard lock(stateLock_);
  auto it = elements_.find(keyPathText);
  if (it == elements_.end()) return std::nullopt;
  return it->second;
}

bool KeyTipController::forgetLevel(bool closePopups) {
  std::vector<Popup> popups;
  std::int32_t pid;
  bool ribbonShown;
  {
    std::lock_guard lock(stateLock_);
    popups = std::exchange(popups_, {});
    elements_.clear();
    levelPath_.reset();
    pid = pid_;
    ribbonShown = std::exchange(ribbonShown_, false);
  }
  if (!closePopups || popups.empty()) return ribbonShown;
  excel::ExcelApp excel(services_, pid);
  for (std::size_t i = 0; i < popups.size(); ++i) excel.postEscape();
  return ribbonShown;
}

void KeyTipController::dropClosedPopups(const excel::ExcelApp& excel) {
  auto mainWindow = excel.element(excel.application(), ax::kMainWindow);
  std::vector<Element> current;
  bool haveCurrent = false;
  std::lock_guard lock(stateLock_);
  while (!popups_.empty()) {
    const auto& root = popups_.back().root;
    auto role = excel.role(root);
    bool open = false;
    if (role == ax::kWindowRole) {
      if (!haveCurrent) {
        current = excel::popupWindows(excel, mainWindow);
        haveCurrent = true;
      }
      open = std::find(current.begin(), current.end(), root) != current.end();
    } else {
      open = !role.empty();
    }
    if (open) return;
    popups_.pop_back();
  }
}

void KeyTipController::closeLeftMenus(const excel::ExcelApp& excel, const std::vector<std::string>& path) {
  // A menu belongs to the level that opened it and to the levels below; going back a level
  // (Escape, Backspace) leaves it, and it closes with it.
  int left = 0;
  {
    std::lock_guard lock(stateLock_);
    while (!popups_.empty()) {
      const auto& opened = popups_.back().path;
      bool below = opened.size() <= path.size() && std::equal(opened.begin(), opened.end(), path.begin());
      if (below) break;
      popups_.pop_back();
      ++left;
    }
  }
  // Once begun, closing is finished even when a newer key arrives: no menu is left behind.
  excel.session().holdCancel(true);
  excel::closeOpenedMenus(excel, left);
  excel.session().holdCancel(false);
}

std::optional<Element> KeyTipController::elementInOpenMenu(const std::vector<std::string>& keys) {
  std::optional<Element> root;
  model::LibraryPtr library;
  std::int32_t pid;
  {
    std::lock_guard lock(stateLock_);
    if (popups_.empty() || keys.empty()) return std::nullopt;
    const auto& opened = popups_.back().path;
    if (opened.size() + 1 != keys.size() || !std::equal(opened.begin(), opened.end(), keys.begin())) {
      return std::nullopt;
    }
    root = popups_.back().root;
    library = library_;
    pid = pid_;
  }
  if (!library) return std::nullopt;
  auto target = library->tipTarget(keys, true);
  if (!target || target->kind != model::TipTarget::Kind::control) return std::nullopt;
  excel::ExcelApp excel(services_, pid, excel::WaitLimits{kMessagingTimeout, kScanBudget});
  auto candidates = excel::ribbonScan(excel.ax(), {*root}, true, excel::kDropdownScanLimit);
  auto match = excel::ribbonMatch(target->labels, excel::MatchMode::press, true, {}, candidates);
  if (!match || excel.stopped()) return std::nullopt;
  return match->element;
}

void KeyTipController::openLevelMenu(const excel::ExcelApp& excel, const Element& window,
                                     const std::vector<std::string>& path, const model::ShortcutLibrary& library,
                                     const std::optional<excel::RibbonSnapshot>& ribbon) {
  std::optional<Element> popupRoot;
  bool menuOpen = false;
  {
    std::lock_guard lock(stateLock_);
    if (!popups_.empty() && popups_.back().path == path) return;
    menuOpen = !popups_.empty();
    if (menuOpen) popupRoot = popups_.back().root;
  }
  const auto* node = library.node(path);
  if (node == nullptr || !node->hasChildren()) return;
  auto target = library.tipTarget(path, menuOpen);
  if (!target || target->kind != model::TipTarget::Kind::control) return;
  std::optional<excel::RibbonCandidate> match;
  if (!popupRoot && ribbon && ribbon->commands) {
    match = excel::ribbonMatch(target->labels, excel::MatchMode::dropdownButton, false, {}, ribbon->scan);
  } else {
    auto roots = popupRoot ? std::vector<Element>{*popupRoot} : excel::ribbonRoots(excel, window);
    auto candidates = excel::ribbonScan(excel.ax(), roots, menuOpen, excel::kRibbonScanLimit);
    match = excel::ribbonMatch(target->labels, excel::MatchMode::dropdownButton, menuOpen, {}, candidates);
  }
  if (!match) return;
  const auto& element = match->element;
  if (!menuOpen) {
    // On the ribbon only controls that open menus are opened; a plain button must not run.
    bool opensMenu = match->role == ax::kMenuButton || match->role == ax::kPopUpButton ||
                     match->role == ax::kScrollArea || match->role == ax::kGallery ||
                     excel.offersAction(element, ax::kShowMenu);
    if (!opensMenu) return;
  }
  auto mainWindow = excel.element(excel.application(), ax::kMainWindow);
  auto before = excel::popupWindows(excel, mainWindow);
  if (excel.stopped()) return;
  // Once the opener is pressed the menu is coming: even a scan that has gone stale waits to note
  // it, so that whatever runs next can close it.
  excel.session().holdCancel(true);
  excel::openMenu(excel, element);
  auto popup = excel::waitForNewPopup(excel, mainWindow, before, 0.8);
  excel.session().holdCancel(false);
  if (!popup) return;
  std::lock_guard lock(stateLock_);
  popups_.push_back({path, *popup});
  elements_[model::keyPathText(path)] = element;
}

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
                                                                          const excel::RibbonSnapshot& ribbon) {
  CachedLevel cached;
  {
    std::lock_guard lock(stateLock_);
    auto it = levels_.find(model::keyPathText(path));
    if (it == levels_.end()) return std::nullopt;
    if (it->second.generation != ribbon.generation) {
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
    if (auto cached = cachedLevel(excel, path, *ribbon)) {
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
  } else if (ribbon && (ribbon->commands || !needsCommands)) {
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
        CachedLevel{ribbon->generation, result.tips, found, titleBar.toolbar, titleBar.children};
  }
  return result;
}

}  // namespace corvane::feedback

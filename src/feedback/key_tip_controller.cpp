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
  excel::openMenu(excel, element, before);
  auto popup = excel::waitForNewPopup(excel, mainWindow, before, 0.8);
  excel.session().holdCancel(false);
  if (!popup) return;
  std::lock_guard lock(stateLock_);
  popups_.push_back({path, *popup});
  elements_[model::keyPathText(path)] = element;
}

}  // namespace corvane::feedback

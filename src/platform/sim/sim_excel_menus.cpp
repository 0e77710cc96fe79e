// Menus: dropdowns and folded groups opening as popup windows, the menu bar's menus and submenus,
// and closing them. Called with SimExcel's lock held.

#include <algorithm>

#include "platform/sim/fixture_layout.hpp"
#include "platform/sim/sim_excel.hpp"

namespace corvane::platform::sim {

void SimExcel::openPopup(const NodePtr& opener) {
  // Pressing what opened a popup closes it (and anything opened from it).
  for (std::size_t i = 0; i < popups_.size(); ++i) {
    if (popups_[i]->opener.lock() == opener) {
      closePopupsFrom(i);
      return;
    }
  }
  auto holder = opener->area == Area::popup ? enclosing(opener, NodeKind::popup) : nullptr;
  if (holder) {
    auto at = std::find(popups_.begin(), popups_.end(), holder);
    closePopupsFrom(at == popups_.end() ? 0 : static_cast<std::size_t>(at - popups_.begin()) + 1);
  } else {
    closeAllMenus();
    openedDropdown_ = opener->area == Area::window;
  }
  double delay = application().menuDelay;
  if (delay <= 0) {
    showPopup(opener, holder);
    return;
  }
  // The menu takes a moment to appear.
  std::weak_ptr<SimNode> weakOpener = opener;
  std::weak_ptr<SimNode> weakHolder = holder;
  pendingPopups_.push_back(later(delay, [this, weakOpener, weakHolder, nested = holder != nullptr] {
    auto o = weakOpener.lock();
    auto h = weakHolder.lock();
    if (!o || !o->alive || (nested && (!h || !h->alive))) return;
    showPopup(o, h);
  }));
}

void SimExcel::cancelPendingPopups() {
  for (auto& work : pendingPopups_) work->cancel();
  pendingPopups_.clear();
}

void SimExcel::showPopup(const NodePtr& opener, const NodePtr& holder) {
  auto popup = makeNode(NodeKind::popup, Area::popup, nullptr, app_);
  popup->role = "AXWindow";
  popup->subrole = "AXUnknown";
  popup->opener = opener;
  Rect o = opener->frame.value_or(Rect{});
  Point at = holder ? Point{o.maxX(), o.y - 4} : Point{o.x, o.maxY() + 2};
  if (opener->kind == NodeKind::foldButton) {
    auto ribbonGroup = opener->parentNode();
    const FixtureNode* source = ribbonGroup ? ribbonGroup->source : nullptr;
    auto group = makeNode(NodeKind::group, Area::popup, source, popup);
    if (source != nullptr) {
      for (const auto& c : source->children) group->children.push_back(instantiate(c, group, Area::popup, NodeKind::element));
    }
    double width = layout::layoutGroup(*group, at.x + 4, at.y + 2);
    popup->frame = Rect{at.x, at.y, width + 8, layout::kRibbonHeight + 4};
    popup->children.push_back(group);
  } else {
    auto menu = makeNode(NodeKind::menu, Area::popup, nullptr, popup);
    menu->role = "AXMenu";
    if (opener->source != nullptr) fillMenu(menu, opener->source->menu, Area::popup);
    layout::layoutMenu(*menu, at);
    popup->frame = menu->frame;
    popup->children.push_back(menu);
  }
  popup->listedAt = clock_.uptime() + application().windowListLag;
  // Dropdown menus get no KeyTips: a menu opening ends them.
  hideKeyTips();
  popups_.push_back(popup);
  refreshApplicationChildren();
  record(ExcelEvent::Kind::menuOpened, recordedName(*opener));
}

void SimExcel::closePopupsFrom(std::size_t index) {
  cancelPendingPopups();
  bool changed = false;
  while (popups_.size() > index) {
    auto popup = popups_.back();
    popups_.pop_back();
    invalidate(popup);
    auto opener = popup->opener.lock();
    record(ExcelEvent::Kind::menuClosed, opener ? recordedName(*opener) : std::string());
    changed = true;
  }
  if (changed) refreshApplicationChildren();
}

void SimExcel::closeAllMenus() {
  closePopupsFrom(0);
  while (!openMenus_.empty()) {
    auto menu = openMenus_.back();
    openMenus_.pop_back();
    menu->open = false;
    auto owner = menu->parentNode();
    record(ExcelEvent::Kind::menuClosed, owner ? owner->title : std::string());
  }
}

void SimExcel::openMenuBarMenu(const NodePtr& menu) {
  closePopupsFrom(0);
  auto owner = menu->parentNode();
  if (!owner) return;
  if (owner->kind == NodeKind::menuBarItem) {
    closeAllMenus();
  } else {
    // A submenu: close what is open below its parent menu (a sibling's submenu).
    auto parentMenu = owner->parentNode();
    while (!openMenus_.empty() && openMenus_.back() != parentMenu) {
      openMenus_.back()->open = false;
      auto closed = openMenus_.back()->parentNode();
      openMenus_.pop_back();
      record(ExcelEvent::Kind::menuClosed, closed ? closed->title : std::string());
    }
  }
  if (menu->open) return;
  auto show = [this](const NodePtr& m) {
    auto o = m->parentNode();
    if (m->open || !o) return;
    // Some menus (the Window menu) fill in only when they open.
    if (m->menuItems != nullptr && m->children.empty() && !m->menuItems->empty()) {
      fillMenu(m, *m->menuItems, Area::menuBar);
      layout::layoutMenu(*m, m->frame.value_or(Rect{}).origin());
    }
    hideKeyTips();
    m->open = true;
    m->listedAt = clock_.uptime() + application().windowListLag;
    openMenus_.push_back(m);
    record(ExcelEvent::Kind::menuOpened, o->title);
  };
  double delay = application().menuDelay;
  if (delay <= 0) {
    show(menu);
    return;
  }
  std::weak_ptr<SimNode> weak = menu;
  pendingPopups_.push_back(later(delay, [weak, show] {
    auto m = weak.lock();
    if (m && m->alive) show(m);
  }));
}

}  // namespace corvane::platform::sim

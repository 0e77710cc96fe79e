// Excel's reactions: presses, menus, tabs, dialogs, focus, window geometry, keys and clicks. Called
// with SimExcel's lock held.

#include <algorithm>

#include "platform/sim/fixture_layout.hpp"
#include "platform/sim/sim_excel.hpp"

namespace corvane::platform::sim {
namespace {

constexpr std::uint16_t kEscapeKey = 53;

/// The name Excel gives a control in its records: its display name, or the text of a label.
std::string nameOf(const SimNode& node) {
  const auto& name = node.displayName();
  if (name == node.role && node.value && std::holds_alternative<std::string>(*node.value) &&
      !std::get<std::string>(*node.value).empty()) {
    return std::get<std::string>(*node.value);
  }
  return name;
}

NodePtr childMenu(const SimNode& node) {
  for (const auto& child : node.children) {
    if (child->kind == NodeKind::menu) return child;
  }
  return nullptr;
}

NodePtr enclosing(const NodePtr& node, NodeKind kind) {
  for (auto n = node->parentNode(); n; n = n->parentNode()) {
    if (n->kind == kind) return n;
  }
  return nullptr;
}

void shift(SimNode& node, double dx, double dy) {
  if (node.frame) {
    node.frame->x += dx;
    node.frame->y += dy;
  }
  for (auto& child : node.children) shift(*child, dx, dy);
}

}  // namespace

WorkHandle SimExcel::later(double seconds, std::function<void()> work) {
  std::erase_if(timers_, [](const std::weak_ptr<WorkItem>& h) { return h.expired(); });
  auto handle = queue_->after(seconds, [this, work = std::move(work)] {
    Lock lock(mutex_);
    if (running_) work();
  });
  timers_.push_back(handle);
  return handle;
}

std::string SimExcel::pathOf(const NodePtr& node) const {
  std::vector<std::string> names;
  for (auto n = node; n;) {
    switch (n->kind) {
      case NodeKind::popup:
        n = n->opener.lock();
        continue;
      case NodeKind::tab:
      case NodeKind::commands:
      case NodeKind::menuBarItem:
      case NodeKind::menuItem:
      case NodeKind::dialog:
        names.push_back(n->segment);
        break;
      case NodeKind::group:
        // A folded group's popup holds a copy of the group; the ribbon's group names it already.
        if (n->area != Area::popup) names.push_back(n->segment);
        break;
      case NodeKind::element:
        if (n->displayName() != n->role || n == node) names.push_back(nameOf(*n));
        break;
      case NodeKind::application:
      case NodeKind::window:
      case NodeKind::tabGroup:
      case NodeKind::foldButton:
      case NodeKind::menuBar:
      case NodeKind::menu:
      case NodeKind::keyTip:
        break;
    }
    n = n->parentNode();
  }
  std::string path;
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    if (it->empty()) continue;
    if (!path.empty()) path += " › ";
    path += *it;
  }
  return path;
}

void SimExcel::run(const NodePtr& node) {
  std::string label = node->source != nullptr && node->source->runs ? *node->source->runs : nameOf(*node);
  record(ExcelEvent::Kind::ran, label, node);
  if (node->source != nullptr && node->source->dialog) scheduleDialog(*node->source->dialog);
  // View › Ribbon shows or hides the ribbon's commands.
  if (node->area == Area::menuBar && pathOf(node) == "View › Ribbon") {
    if (auto tabGroup = frontTabGroup()) setRibbonCollapsed(tabGroup, !tabGroup->collapsed);
  }
}

AXError SimExcel::press(const NodePtr& node) {
  if (!node->isEnabled()) return ax::kFailure;
  switch (node->kind) {
    case NodeKind::tab:
      selectTab(node);
      return ax::kSuccess;
    case NodeKind::menuBarItem:
      if (auto menu = childMenu(*node)) openMenuBarMenu(menu);
      return ax::kSuccess;
    case NodeKind::foldButton:
      openPopup(node);
      return ax::kSuccess;
    case NodeKind::menuItem: {
      if (node->area == Area::menuBar) {
        if (auto sub = childMenu(*node)) {
          openMenuBarMenu(sub);
          return ax::kSuccess;
        }
        run(node);
        closeAllMenus();
        return ax::kSuccess;
      }
      if (node->source != nullptr && node->source->hasMenu) {
        openPopup(node);
        return ax::kSuccess;
      }
      // Choosing from a pop-up button's or combo box's list sets its value.
      if (auto popup = enclosing(node, NodeKind::popup)) {
        auto opener = popup->opener.lock();
        if (opener && opener->alive && (opener->role == "AXPopUpButton" || opener->role == "AXComboBox")) {
          opener->value = node->title;
        }
      }
      run(node);
      closeAllMenus();
      return ax::kSuccess;
    }
    case NodeKind::element: {
      const auto* source = node->source;
      bool hasMenu = source != nullptr && source->hasMenu;
      // A split button runs its command when pressed and shows its menu with AXShowMenu.
      if (hasMenu && !source->runs) {
        openPopup(node);
        return ax::kSuccess;
      }
      if (node->role == "AXCheckBox") {
        bool on = node->value == FixtureValue{std::int64_t{1}};
        node->value = std::int64_t{on ? 0 : 1};
      } else if (node->role == "AXRadioButton") {
        if (auto parent = node->parentNode()) {
          for (auto& sibling : parent->children) {
            if (sibling->role == "AXRadioButton") sibling->value = std::int64_t{0};
          }
        }
        node->value = std::int64_t{1};
      }
      run(node);
      if (node->area == Area::popup) closeAllMenus();
      if (node->area == Area::dialog && source != nullptr && source->closes) {
        if (auto dialog = enclosing(node, NodeKind::dialog)) closeDialog(dialog);
      }
      return ax::kSuccess;
    }
    case NodeKind::application:
    case NodeKind::window:
    case NodeKind::tabGroup:
    case NodeKind::commands:
    case NodeKind::group:
    case NodeKind::menuBar:
    case NodeKind::menu:
    case NodeKind::popup:
    case NodeKind::dialog:
    case NodeKind::keyTip:
      return ax::kActionUnsupported;
  }
  return ax::kActionUnsupported;
}

AXError SimExcel::showMenu(const NodePtr& node) {
  if (!node->isEnabled()) return ax::kFailure;
  if (node->kind == NodeKind::menuBarItem) return press(node);
  bool hasMenu = node->kind == NodeKind::foldButton || (node->source != nullptr && node->source->hasMenu);
  if (hasMenu && node->area != Area::menuBar) openPopup(node);
  return ax::kSuccess;
}

void SimExcel::click(const NodePtr& node) {
  for (auto n = node; n && n->alive; n = n->parentNode()) {
    if (isTextRole(n->role)) {
      if (n->isEnabled()) focus(n);
      return;
    }
    auto actions = actionsOf(*n);
    if (std::find(actions.begin(), actions.end(), "AXPress") != actions.end()) {
      (void)press(n);
      return;
    }
    if (n->kind == NodeKind::window || n->kind == NodeKind::popup || n->kind == NodeKind::dialog) return;
  }
}

// --- Tabs ---

void SimExcel::selectTab(const NodePtr& tab) {
  auto tabGroup = tab->parentNode();
  if (!tabGroup) return;
  // Clicking the open tab collapses the ribbon, or shows it again; any tab shows a collapsed one.
  if (tab->value == FixtureValue{std::int64_t{1}}) {
    setRibbonCollapsed(tabGroup, !tabGroup->collapsed);
    return;
  }
  closeAllMenus();
  for (auto& sibling : tabGroup->children) {
    if (sibling->kind == NodeKind::tab) sibling->value = std::int64_t{0};
  }
  tab->value = std::int64_t{1};
  record(ExcelEvent::Kind::tabSelected, tab->title);
  if (tabGroup->collapsed) {
    setRibbonCollapsed(tabGroup, false);
    return;
  }
  cancelTabWork();
  double delay = fixture_->application.tabSwitchDelay;
  if (delay <= 0) {
    showCommands(tab);
    return;
  }
  std::weak_ptr<SimNode> weak = tab;
  tabSwitch_ = later(delay, [this, weak] {
    auto t = weak.lock();
    if (t && t->alive) showCommands(t);
  });
}

NodePtr SimExcel::frontTabGroup() const {
  for (const auto& window : windows_) {
    for (const auto& child : window->children) {
      if (child->kind == NodeKind::tabGroup) return child;
    }
  }
  return nullptr;
}

void SimExcel::cancelTabWork() {
  if (tabSwitch_) tabSwitch_->cancel();
  tabSwitch_.reset();
  for (auto& work : filling_) work->cancel();
  filling_.clear();
}

void SimExcel::removeCommands(const NodePtr& tabGroup) {
  std::vector<NodePtr> old;
  for (const auto& child : tabGroup->children) {
    if (child->kind == NodeKind::commands) old.push_back(child);
  }
  for (const auto& area : old) detach(area);
  if (!old.empty()) refreshKeyTips();
}

void SimExcel::setRibbonCollapsed(const NodePtr& tabGroup, bool collapsed) {
  closeAllMenus();
  cancelTabWork();
  tabGroup->collapsed = collapsed;
  if (collapsed) {
    removeCommands(tabGroup);
    if (auto window = enclosing(tabGroup, NodeKind::window)) layout::layoutWindow(*window);
    record(ExcelEvent::Kind::ribbonCollapsed, "Ribbon");
    return;
  }
  record(ExcelEvent::Kind::ribbonShown, "Ribbon");
  NodePtr open;
  for (const auto& child : tabGroup->children) {
    if (child->kind == NodeKind::tab && child->value == FixtureValue{std::int64_t{1}}) open = child;
  }
  if (!open) return;
  double delay = fixture_->application.tabSwitchDelay;
  if (delay <= 0) {
    showCommands(open);
    return;
  }
  std::weak_ptr<SimNode> weak = open;
  tabSwitch_ = later(delay, [this, weak] {
    auto t = weak.lock();
    if (t && t->alive) showCommands(t);
  });
}

void SimExcel::showCommands(const NodePtr& tab) {
  auto group = tab->parentNode();
  if (!group || tab->source == nullptr || group->collapsed) return;
  double fill = application().commandsFill;
  const auto& groups = tab->source->groups;
  bool filling = fill > 0 && !groups.empty();
  NodePtr area;
  if (application().commandsAreaReused) {
    for (const auto& child : group->children) {
      if (child->kind == NodeKind::commands) area = child;
    }
  }
  if (area) {
    // The same area, now the tab's: its old groups go, the tab's come.
    auto old = area->children;
    for (const auto& child : old) detach(child);
    describeCommands(area, *tab->source);
    if (!filling) {
      for (const auto& g : groups) area->children.push_back(makeGroup(area, g));
    }
  } else {
    removeCommands(group);
    area = makeCommands(group, *tab->source, filling);
    group->children.push_back(area);
  }
  auto window = enclosing(group, NodeKind::window);
  if (window) layout::layoutWindow(*window);
  refreshKeyTips();
  if (!filling) return;
  // Excel draws a tab's groups one after another: the area is there at once, empty at first.
  std::weak_ptr<SimNode> weakArea = area;
  std::weak_ptr<SimNode> weakWindow = window;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    double at = fill * static_cast<double>(i + 1) / static_cast<double>(groups.size());
    filling_.push_back(later(at, [this, weakArea, weakWindow, source = &groups[i]] {
      auto a = weakArea.lock();
      if (!a || !a->alive) return;
      a->children.push_back(makeGroup(a, *source));
      if (auto w = weakWindow.lock()) layout::layoutWindow(*w);
      refreshKeyTips();
    }));
  }
}

// --- Menus ---

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
  record(ExcelEvent::Kind::menuOpened, nameOf(*opener));
}

void SimExcel::closePopupsFrom(std::size_t index) {
  cancelPendingPopups();
  bool changed = false;
  while (popups_.size() > index) {
    auto popup = popups_.back();
    popups_.pop_back();
    invalidate(popup);
    auto opener = popup->opener.lock();
    record(ExcelEvent::Kind::menuClosed, opener ? nameOf(*opener) : std::string());
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

// --- Dialogs ---

void SimExcel::scheduleDialog(const std::string& name) {
  auto it = fixture_->dialogs.find(name);
  if (it == fixture_->dialogs.end()) return;
  later(it->second.delay, [this, name] { openDialog(name); });
}

void SimExcel::openDialog(const std::string& name) {
  auto it = fixture_->dialogs.find(name);
  if (it == fixture_->dialogs.end() || !app_) return;
  const FixtureDialog& d = it->second;
  auto workbook = windows_.empty() ? nullptr : windows_.front();
  bool sheet = d.kind == DialogKind::sheet && workbook != nullptr;
  auto node = makeNode(NodeKind::dialog, Area::dialog, &d.node, sheet ? workbook : app_);
  node->dialog = &d;
  node->role = sheet ? "AXSheet" : "AXWindow";
  if (!sheet && node->subrole.empty()) node->subrole = "AXDialog";
  for (const auto& c : d.node.children) node->children.push_back(instantiate(c, node, Area::dialog, NodeKind::element));
  Size screen = application().screen;
  Rect base = workbook && workbook->frame ? *workbook->frame : Rect{0, layout::kMenuBarHeight, screen.width, screen.height};
  double x = base.midX() - d.size.width / 2;
  Rect frame = sheet ? Rect{x, base.y + layout::kTitleBarHeight, d.size.width, d.size.height}
                     : Rect{x, base.y + 80, d.size.width, d.size.height};
  layout::layoutDialog(*node, frame);
  hideKeyTips();
  if (sheet) workbook->children.push_back(node);
  dialogs_.push_back(node);
  refreshApplicationChildren();
  record(ExcelEvent::Kind::dialogOpened, d.name);
}

void SimExcel::closeDialog(const NodePtr& dialog) {
  std::string name = dialog->dialog != nullptr ? dialog->dialog->name : dialog->title;
  detach(dialog);
  record(ExcelEvent::Kind::dialogClosed, name);
}

// --- Focus and geometry ---

void SimExcel::focus(const NodePtr& node) {
  focused_ = node;
  // Focusing a box selects its whole text, as tabbing into it does.
  if (isTextRole(node->role)) {
    const auto* text = node->value ? std::get_if<std::string>(&*node->value) : nullptr;
    node->selection = TextRange{0, text != nullptr ? utf16Length(*text) : 0};
  }
  record(ExcelEvent::Kind::focused, nameOf(*node), node);
}

AXError SimExcel::moveWindow(const NodePtr& window, Point origin) {
  if (!window->frame) return ax::kCannotComplete;
  double dx = origin.x - window->frame->x;
  double dy = origin.y - window->frame->y;
  shift(*window, dx, dy);
  return ax::kSuccess;
}

AXError SimExcel::resizeWindow(const NodePtr& window, Size size) {
  if (!window->frame) return ax::kCannotComplete;
  // Excel keeps its windows above a minimum size.
  window->frame->width = std::max(size.width, 500.0);
  window->frame->height = std::max(size.height, 300.0);
  relayout(window);
  return ax::kSuccess;
}

void SimExcel::relayout(const NodePtr& window) {
  double width = window->frame->width;
  std::vector<NodePtr> stale;
  std::vector<NodePtr> areas;
  std::function<void(const NodePtr&)> collect = [&](const NodePtr& n) {
    if (n->kind == NodeKind::commands) areas.push_back(n);
    for (const auto& c : n->children) collect(c);
  };
  collect(window);
  for (const auto& area : areas) {
    for (const auto& group : area->children) {
      if (group->kind != NodeKind::group || group->source == nullptr) continue;
      bool folded = !group->children.empty() && group->children.front()->kind == NodeKind::foldButton;
      bool shouldFold = group->source->foldBelow && width < *group->source->foldBelow;
      if (folded != shouldFold) {
        stale.push_back(area);
        break;
      }
    }
  }
  // Groups fold and unfold by rebuilding the tab's commands, as Excel redraws its ribbon.
  for (const auto& area : stale) {
    auto tabGroup = area->parentNode();
    const FixtureNode* tab = area->source;
    if (!tabGroup || tab == nullptr) continue;
    auto at = std::find(tabGroup->children.begin(), tabGroup->children.end(), area) - tabGroup->children.begin();
    detach(area);
    tabGroup->children.insert(tabGroup->children.begin() + at, makeCommands(tabGroup, *tab));
  }
  layout::layoutWindow(*window);
}

// --- Input reaching Excel ---

void SimExcel::receiveKey(std::uint16_t keyCode, bool down, std::uint64_t flags) {
  Lock lock(mutex_);
  // Keystrokes go to the frontmost application only.
  if (!running_ || !frontmost_ || !down) return;
  interruptKeyTipsKey();
  if (keyTipsShowing_ && keyTipsTakeKey(keyCode, flags)) return;
  if (keyCode == kEscapeKey) {
    if (!popups_.empty()) {
      closePopupsFrom(popups_.size() - 1);
      return;
    }
    if (!openMenus_.empty()) {
      auto menu = openMenus_.back();
      openMenus_.pop_back();
      menu->open = false;
      auto owner = menu->parentNode();
      record(ExcelEvent::Kind::menuClosed, owner ? owner->title : std::string());
      return;
    }
  }
  ExcelEvent key;
  key.kind = ExcelEvent::Kind::key;
  key.keyCode = keyCode;
  key.flags = flags;
  record(std::move(key));
  if (keyCode == kEscapeKey && !dialogs_.empty()) closeDialog(dialogs_.back());
}

void SimExcel::receiveMouse(InputPoster::Mouse kind, Point location) {
  Lock lock(mutex_);
  if (!running_) return;
  auto hit = hitTest(location);
  if (kind == InputPoster::Mouse::leftDown) {
    interruptKeyTipsKey();
    hideKeyTips();
    // A click outside the open menus closes them and goes no further.
    bool menusOpen = !popups_.empty() || !openMenus_.empty();
    if (menusOpen && !(hit && (hit->area == Area::popup || hit->area == Area::menuBar))) {
      closeAllMenus();
      mouseDownOn_.reset();
      return;
    }
    mouseDownOn_ = hit;
    return;
  }
  auto down = mouseDownOn_.lock();
  mouseDownOn_.reset();
  if (hit && down == hit && hit->alive) click(hit);
}

}  // namespace corvane::platform::sim

// Building SimExcel's tree from its fixture, and taking parts of it away. Called with SimExcel's
// lock held.

#include <algorithm>
#include <string>

#include "platform/sim/fixture_layout.hpp"
#include "platform/sim/sim_excel.hpp"

namespace corvane::platform::sim {
namespace {

/// Controls report AXEnabled even when the fixture does not mention it.
bool reportsEnabled(std::string_view role) {
  return role == "AXButton" || role == "AXMenuButton" || role == "AXPopUpButton" || role == "AXCheckBox" ||
         role == "AXRadioButton" || role == "AXComboBox" || role == "AXTextField" || role == "AXMenuItem" ||
         role == "AXMenuBarItem" || role == "AXSlider" || role == "AXIncrementor" || role == "AXToggle" ||
         role == "AXDisclosureTriangle";
}

}  // namespace

NodePtr SimExcel::makeNode(NodeKind kind, Area area, const FixtureNode* source, const NodePtr& parent) {
  auto node = std::make_shared<SimNode>();
  node->id = nextId_++;
  node->kind = kind;
  node->area = area;
  node->parent = parent;
  node->source = source;
  if (source == nullptr) return node;
  const auto& s = *source;
  static_cast<ElementText&>(*node) = s;
  node->value = s.value;
  node->hung = s.hung;
  if (s.frame) {
    node->frame = s.frame;
    node->fixedFrame = true;
  }
  if (s.enabled) {
    node->enabled = s.enabled;
  } else if (reportsEnabled(s.role)) {
    node->enabled = true;
  }
  if (!node->value) {
    if (s.role == "AXCheckBox" || s.role == "AXRadioButton") node->value = std::int64_t{0};
    if (isTextRole(s.role)) node->value = std::string();
    if (s.role == "AXPopUpButton") {
      auto first = std::find_if(s.menu.begin(), s.menu.end(), [](const FixtureNode& i) { return !i.title.empty(); });
      if (first != s.menu.end()) node->value = first->title;
    }
  }
  node->segment = node->displayName();
  return node;
}

NodePtr SimExcel::instantiate(const FixtureNode& source, const NodePtr& parent, Area area, NodeKind kind) {
  if (kind == NodeKind::element && !source.tabs.empty()) kind = NodeKind::tabGroup;
  auto node = makeNode(kind, area, &source, parent);
  if (kind == NodeKind::tabGroup) {
    const FixtureNode* selected = nullptr;
    for (const auto& tab : source.tabs) {
      auto t = instantiate(tab, node, area, NodeKind::tab);
      t->value = std::int64_t{tab.selected ? 1 : 0};
      if (tab.selected) selected = &tab;
      node->children.push_back(t);
    }
    for (const auto& child : source.children) node->children.push_back(instantiate(child, node, area, NodeKind::element));
    node->collapsed = application().ribbonCollapsed;
    if (selected != nullptr && !node->collapsed) node->children.push_back(makeCommands(node, *selected));
    return node;
  }
  for (const auto& child : source.children) node->children.push_back(instantiate(child, node, area, NodeKind::element));
  return node;
}

NodePtr SimExcel::makeCommands(const NodePtr& tabGroup, const FixtureNode& tab, bool filling) {
  auto area = makeNode(NodeKind::commands, tabGroup->area, nullptr, tabGroup);
  area->role = "AXScrollArea";
  describeCommands(area, tab);
  if (filling) return area;
  for (const auto& g : tab.groups) area->children.push_back(makeGroup(area, g));
  return area;
}

void SimExcel::describeCommands(const NodePtr& area, const FixtureNode& tab) {
  // The commands area remembers its tab through `source`; it takes none of the tab's attributes.
  area->source = &tab;
  area->description = tab.commandsDescription.value_or(tab.title + " Tab Commands");
  area->segment = tab.title;
}

NodePtr SimExcel::makeGroup(const NodePtr& area, const FixtureNode& g) {
  auto group = makeNode(NodeKind::group, area->area, &g, area);
  if (g.foldBelow && windowWidthOf(area) < *g.foldBelow) {
    auto button = makeNode(NodeKind::foldButton, area->area, nullptr, group);
    button->role = "AXMenuButton";
    button->title = group->displayName();
    button->enabled = true;
    group->children.push_back(button);
  } else {
    for (const auto& c : g.children) group->children.push_back(instantiate(c, group, area->area, NodeKind::element));
  }
  return group;
}

NodePtr SimExcel::makeMenuItem(const FixtureNode& source, const NodePtr& menu, Area area) {
  auto item = makeNode(NodeKind::menuItem, area, &source, menu);
  // In the menu bar a submenu is the item's child, always in the tree; in a popup it opens as a popup.
  if (area == Area::menuBar && source.hasMenu) {
    auto sub = makeNode(NodeKind::menu, area, nullptr, item);
    sub->role = "AXMenu";
    fillMenu(sub, source.menu, area);
    item->children.push_back(sub);
  }
  for (const auto& child : source.children) item->children.push_back(instantiate(child, item, area, NodeKind::element));
  return item;
}

void SimExcel::fillMenu(const NodePtr& menu, const std::vector<FixtureNode>& items, Area area) {
  for (const auto& item : items) menu->children.push_back(makeMenuItem(item, menu, area));
}

void SimExcel::build() {
  const auto& fx = *fixture_;
  keyTipBadges_.clear();
  keyTipsShowing_ = false;
  keyTipsArmed_ = false;
  keyTipsTab_.reset();
  keyTipsTyped_.clear();
  keyTipsShown_.clear();
  popups_.clear();
  dialogs_.clear();
  openMenus_.clear();
  windows_.clear();
  app_ = makeNode(NodeKind::application, Area::application, nullptr, nullptr);
  app_->role = "AXApplication";
  app_->title = fx.application.title;
  Size screen = fx.application.screen;
  for (const auto& w : fx.windows) {
    auto window = instantiate(w, app_, Area::window, NodeKind::window);
    if (!window->frame) {
      window->frame = Rect{0, layout::kMenuBarHeight, screen.width, screen.height - layout::kMenuBarHeight};
    }
    layout::layoutWindow(*window);
    windows_.push_back(window);
  }
  menuBar_ = makeNode(NodeKind::menuBar, Area::menuBar, nullptr, app_);
  menuBar_->role = "AXMenuBar";
  for (const auto& item : fx.menuBar) {
    auto barItem = makeNode(NodeKind::menuBarItem, Area::menuBar, &item, menuBar_);
    auto menu = makeNode(NodeKind::menu, Area::menuBar, nullptr, barItem);
    menu->role = "AXMenu";
    menu->menuItems = &item.menu;
    if (!item.itemsWhenOpen) fillMenu(menu, item.menu, Area::menuBar);
    barItem->children.push_back(menu);
    menuBar_->children.push_back(barItem);
  }
  layout::layoutMenuBar(*menuBar_, screen.width);
  refreshApplicationChildren();
}

void SimExcel::refreshApplicationChildren() {
  if (!app_) return;
  app_->children.clear();
  // KeyTips float above everything, so their badges come first.
  for (const auto& badge : keyTipBadges_) app_->children.push_back(badge.node);
  for (auto it = popups_.rbegin(); it != popups_.rend(); ++it) app_->children.push_back(*it);
  for (auto it = dialogs_.rbegin(); it != dialogs_.rend(); ++it) {
    if ((*it)->parentNode() == app_) app_->children.push_back(*it);
  }
  for (const auto& window : windows_) app_->children.push_back(window);
  if (menuBar_) app_->children.push_back(menuBar_);
}

void SimExcel::invalidate(const NodePtr& node) {
  walk(node, [](const NodePtr& n) { n->alive = false; });
}

void SimExcel::detach(const NodePtr& node) {
  if (auto parent = node->parentNode()) std::erase(parent->children, node);
  invalidate(node);
  auto drop = [&node](std::vector<NodePtr>& list) { std::erase(list, node); };
  drop(popups_);
  drop(dialogs_);
  drop(windows_);
  drop(openMenus_);
  if (node == menuBar_) menuBar_.reset();
  refreshApplicationChildren();
}

double SimExcel::windowWidthOf(const NodePtr& node) const {
  for (auto n = node; n; n = n->parentNode()) {
    if (n->kind == NodeKind::window && n->frame) return n->frame->width;
  }
  return application().screen.width;
}

std::size_t SimExcel::fillSheet(std::size_t cells) {
  Lock lock(mutex_);
  if (!running_ || windows_.empty()) return 0;
  // The sheet: the front workbook window's table, else the window's last part.
  NodePtr sheet;
  auto find = [&](auto&& self, const NodePtr& node) -> void {
    for (const auto& child : node->children) {
      if (sheet) return;
      if (child->role == "AXTable") sheet = child;
      else self(self, child);
    }
  };
  find(find, windows_.front());
  if (!sheet && !windows_.front()->children.empty()) sheet = windows_.front()->children.back();
  if (!sheet) return 0;
  const std::size_t columns = 26;
  for (std::size_t i = 0; i < cells; ++i) {
    auto cell = makeNode(NodeKind::element, Area::window, nullptr, sheet);
    cell->role = "AXCell";
    std::string address(1, static_cast<char>('A' + i % columns));
    address += std::to_string(i / columns + 1);
    cell->description = address + " " + std::to_string(i + 1);
    cell->value = static_cast<std::int64_t>(i + 1);
    if (sheet->frame) {
      cell->frame = Rect{sheet->frame->x + 64.0 * static_cast<double>(i % columns),
                         sheet->frame->y + 20.0 * static_cast<double>(i / columns), 64, 20};
      cell->fixedFrame = true;
    }
    sheet->children.push_back(std::move(cell));
  }
  return cells;
}

}  // namespace corvane::platform::sim

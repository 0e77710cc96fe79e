// The ribbon's reactions: a tab selected, its commands area filling in, the ribbon collapsed and
// shown, groups folding as the window narrows. Called with SimExcel's lock held.

#include <algorithm>
#include <functional>

#include "platform/sim/fixture_layout.hpp"
#include "platform/sim/sim_excel.hpp"

namespace corvane::platform::sim {

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

}  // namespace corvane::platform::sim

#include "platform/sim/sim_excel.hpp"

#include <algorithm>
#include <utility>

#include "platform/sim/fixture_layout.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_input_poster.hpp"
#include "platform/sim/sim_window_list.hpp"

// The tree, the Accessibility surface, faults and counting. Excel's reactions to presses, keys and
// clicks are in sim_excel_behaviour.cpp.

namespace corvane::platform::sim {
namespace {

bool isFocusableRole(std::string_view role) {
  return isTextRole(role) || role == "AXButton" || role == "AXCheckBox" || role == "AXRadioButton" ||
         role == "AXPopUpButton" || role == "AXMenuButton";
}

/// Controls report AXEnabled even when the fixture does not mention it.
bool reportsEnabled(std::string_view role) {
  return role == "AXButton" || role == "AXMenuButton" || role == "AXPopUpButton" || role == "AXCheckBox" ||
         role == "AXRadioButton" || role == "AXComboBox" || role == "AXTextField" || role == "AXMenuItem" ||
         role == "AXMenuBarItem" || role == "AXSlider" || role == "AXIncrementor" || role == "AXToggle" ||
         role == "AXDisclosureTriangle";
}

const std::string* textValue(const SimNode& node) {
  return node.value ? std::get_if<std::string>(&*node.value) : nullptr;
}

AXValue toAXValue(const FixtureValue& value) {
  return std::visit([](const auto& v) -> AXValue { return v; }, value);
}

bool matches(const ElementSelector& selector, const SimNode& node) {
  if (!selector.role.empty() && selector.role != node.role) return false;
  if (selector.label.empty()) return true;
  return node.title == selector.label || node.description == selector.label || node.identifier == selector.label;
}

bool hasName(std::span<const std::string_view> names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

template <typename Visit>
void walk(const NodePtr& node, Visit&& visit) {
  visit(node);
  for (const auto& child : node->children) walk(child, visit);
}

const FixtureApplication& defaultApplication() {
  static const FixtureApplication app;
  return app;
}

}  // namespace

SimExcel::SimExcel(Clock& clock, Scheduler& scheduler, std::shared_ptr<const ExcelFixture> fixture)
    : clock_(clock),
      scheduler_(scheduler),
      queue_(scheduler.makeSerialQueue("sim.excel", QoS::userInteractive)),
      fixture_(std::move(fixture)),
      accessibility_(std::make_unique<SimAccessibility>(*this)),
      windowList_(std::make_unique<SimWindowList>(*this)),
      inputPoster_(std::make_unique<SimInputPoster>(*this)) {
  if (fixture_) latency_ = fixture_->application.axLatency;
  if (fixture_ && fixture_->application.running) {
    build();
    running_ = true;
    frontmost_ = fixture_->application.frontmost;
  }
}

SimExcel::~SimExcel() {
  Lock lock(mutex_);
  cancelTabWork();
  cancelPendingPopups();
  for (auto& timer : timers_) {
    if (auto handle = timer.lock()) handle->cancel();
  }
}

SimAccessibility& SimExcel::accessibility() { return *accessibility_; }
SimWindowList& SimExcel::windowList() { return *windowList_; }
SimInputPoster& SimExcel::inputPoster() { return *inputPoster_; }

// --- The application ---

bool SimExcel::isRunning() const {
  Lock lock(mutex_);
  return running_;
}

std::optional<std::int32_t> SimExcel::pid() const {
  Lock lock(mutex_);
  if (!running_) return std::nullopt;
  return fixture_->application.pid;
}

const FixtureApplication& SimExcel::application() const {
  return fixture_ ? fixture_->application : defaultApplication();
}

bool SimExcel::isFrontmost() const {
  Lock lock(mutex_);
  return running_ && frontmost_;
}

void SimExcel::setFrontmost(bool frontmost) {
  Lock lock(mutex_);
  frontmost_ = frontmost;
  // A menu, or KeyTips, never stay open behind another application.
  if (!frontmost && running_) {
    closeAllMenus();
    interruptKeyTipsKey();
    hideKeyTips();
  }
}

void SimExcel::quit() {
  Lock lock(mutex_);
  quitLocked();
}

void SimExcel::quitLocked() {
  if (!running_) return;
  running_ = false;
  cancelTabWork();
  cancelPendingPopups();
  for (auto& timer : timers_) {
    if (auto handle = timer.lock()) handle->cancel();
  }
  timers_.clear();
  keyTipsPending_.reset();
  keyTipsShowing_ = false;
  keyTipsArmed_ = false;
  keyTipBadges_.clear();
  for (const auto& popup : popups_) invalidate(popup);
  for (const auto& dialog : dialogs_) invalidate(dialog);
  if (app_) invalidate(app_);
  popups_.clear();
  dialogs_.clear();
  openMenus_.clear();
  windows_.clear();
  app_.reset();
  menuBar_.reset();
  focused_.reset();
  record(ExcelEvent::Kind::quit, fixture_->application.title);
}

bool SimExcel::launch() {
  Lock lock(mutex_);
  if (!fixture_) return false;
  if (running_) return true;
  build();
  running_ = true;
  frontmost_ = fixture_->application.frontmost;
  record(ExcelEvent::Kind::launched, fixture_->application.title);
  return true;
}

void SimExcel::setOtherWindows(std::vector<WindowInfo> windows) {
  Lock lock(mutex_);
  otherWindows_ = std::move(windows);
}

// --- Events ---

void SimExcel::record(ExcelEvent::Kind kind, std::string label, const NodePtr& control) {
  ExcelEvent event;
  event.kind = kind;
  event.label = std::move(label);
  if (control) {
    event.control = pathOf(control);
    event.role = control->role;
  }
  record(std::move(event));
}

void SimExcel::record(ExcelEvent event) {
  event.at = clock_.uptime();
  events_.push_back(event);
  if (observer_) observer_(events_.back());
}

std::vector<ExcelEvent> SimExcel::events() const {
  Lock lock(mutex_);
  return events_;
}

std::vector<std::string> SimExcel::commandsRun() const {
  Lock lock(mutex_);
  std::vector<std::string> labels;
  for (const auto& event : events_) {
    if (event.kind == ExcelEvent::Kind::ran) labels.push_back(event.label);
  }
  return labels;
}

void SimExcel::clearEvents() {
  Lock lock(mutex_);
  events_.clear();
}

void SimExcel::setObserver(std::function<void(const ExcelEvent&)> observer) {
  Lock lock(mutex_);
  observer_ = std::move(observer);
}

// --- Building the tree ---

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

// --- Handles ---

Element SimExcel::elementOf(const NodePtr& node) const {
  return Element(std::make_shared<const SimElementHandle>(node, this));
}

NodePtr SimExcel::nodeOf(const Element& element) const {
  const auto* handle = dynamic_cast<const SimElementHandle*>(element.handle());
  if (handle == nullptr || handle->owner() != this || !running_) return nullptr;
  auto node = handle->node();
  if (!node || !node->alive) return nullptr;
  return node;
}

Element SimExcel::applicationElement() {
  Lock lock(mutex_);
  if (!running_ || !app_) return Element(std::make_shared<const SimElementHandle>(nullptr, this));
  return elementOf(app_);
}

bool SimExcel::isValid(const Element& element) const {
  Lock lock(mutex_);
  return nodeOf(element) != nullptr;
}

std::optional<Rect> SimExcel::frameOf(const Element& element) const {
  Lock lock(mutex_);
  auto node = nodeOf(element);
  if (!node) return std::nullopt;
  return node->frame;
}

std::optional<Rect> SimExcel::workbookFrame() const {
  Lock lock(mutex_);
  if (windows_.empty()) return std::nullopt;
  return windows_.front()->frame;
}

std::vector<Element> SimExcel::findAll(const ElementSelector& selector) {
  Lock lock(mutex_);
  std::vector<Element> found;
  if (!running_ || !app_) return found;
  walk(app_, [&](const NodePtr& n) {
    if (matches(selector, *n)) found.push_back(elementOf(n));
  });
  return found;
}

std::optional<Element> SimExcel::find(const ElementSelector& selector) {
  auto all = findAll(selector);
  if (all.empty()) return std::nullopt;
  return all.front();
}

std::string SimExcel::selectedTab() const {
  Lock lock(mutex_);
  if (!running_ || !app_) return {};
  std::string title;
  walk(app_, [&](const NodePtr& n) {
    if (title.empty() && n->kind == NodeKind::tab && n->value == FixtureValue{std::int64_t{1}}) title = n->title;
  });
  return title;
}

std::string SimExcel::shownCommandsTab() const {
  Lock lock(mutex_);
  if (!running_ || !app_) return {};
  std::string title;
  walk(app_, [&](const NodePtr& n) {
    if (title.empty() && n->kind == NodeKind::commands) title = n->segment;
  });
  return title;
}

std::size_t SimExcel::openPopupCount() const {
  Lock lock(mutex_);
  return popups_.size();
}

std::vector<std::string> SimExcel::openMenuBarMenus() const {
  Lock lock(mutex_);
  std::vector<std::string> titles;
  for (const auto& menu : openMenus_) {
    if (auto owner = menu->parentNode()) titles.push_back(owner->title);
  }
  return titles;
}

std::vector<std::string> SimExcel::openDialogs() const {
  Lock lock(mutex_);
  std::vector<std::string> names;
  for (const auto& dialog : dialogs_) names.push_back(dialog->dialog != nullptr ? dialog->dialog->name : dialog->title);
  return names;
}

std::optional<Element> SimExcel::focusedElement() {
  Lock lock(mutex_);
  auto node = focused_.lock();
  if (!node || !node->alive || !running_) return std::nullopt;
  return elementOf(node);
}

// --- Faults and counting ---

bool SimExcel::targets(const FaultTarget& target, const SimNode& node) const {
  if (const auto* selector = std::get_if<ElementSelector>(&target)) return matches(*selector, node);
  const auto* handle = dynamic_cast<const SimElementHandle*>(std::get<Element>(target).handle());
  return handle != nullptr && handle->owner() == this && handle->node().get() == &node;
}

const SimExcel::Fault* SimExcel::faultFor(const SimNode& node, Fault::Type type,
                                          std::span<const std::string_view> names) const {
  for (const auto& fault : faults_) {
    if (fault.type != type || !targets(fault.target, node)) continue;
    if (fault.name.empty() || hasName(names, fault.name)) return &fault;
  }
  return nullptr;
}

void SimExcel::injectError(const FaultTarget& target, AXError code, std::string name) {
  Lock lock(mutex_);
  faults_.push_back({target, Fault::Type::error, code, std::move(name)});
}

void SimExcel::injectPressResult(const FaultTarget& target, AXError code) {
  Lock lock(mutex_);
  faults_.push_back({target, Fault::Type::pressResult, code, "AXPress"});
}

void SimExcel::injectTimeout(const FaultTarget& target, std::string name) {
  Lock lock(mutex_);
  faults_.push_back({target, Fault::Type::timeout, ax::kCannotComplete, std::move(name)});
}

void SimExcel::setHung(const Element& element, bool hung) {
  Lock lock(mutex_);
  if (auto node = nodeOf(element)) node->hung = hung;
}

bool SimExcel::isHung(const SimNode& node) const {
  if (node.hung) return true;
  for (auto n = node.parentNode(); n; n = n->parentNode()) {
    if (n->hung) return true;
  }
  return false;
}

double SimExcel::timeoutOf(const Element& element) const {
  const auto* handle = dynamic_cast<const SimElementHandle*>(element.handle());
  double own = handle != nullptr ? handle->messagingTimeout : 0;
  return own > 0 ? own : kSystemMessagingTimeout;
}

AXError SimExcel::noAnswer(Lock& lock, const Element& element) {
  double timeout = timeoutOf(element);
  lock.unlock();
  clock_.sleep(timeout);
  lock.lock();
  return ax::kCannotComplete;
}

void SimExcel::vanishAfterReads(const Element& element, int reads) {
  Lock lock(mutex_);
  auto node = nodeOf(element);
  if (!node) return;
  if (reads <= 0) {
    detach(node);
    return;
  }
  vanishing_.emplace_back(node, reads);
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

void SimExcel::removeElement(const Element& element) {
  Lock lock(mutex_);
  if (auto node = nodeOf(element)) detach(node);
}

void SimExcel::quitAfterCalls(std::uint64_t calls) {
  Lock lock(mutex_);
  quitAfter_ = calls;
}

void SimExcel::clearFaults() {
  Lock lock(mutex_);
  faults_.clear();
  vanishing_.clear();
  quitAfter_.reset();
}

void SimExcel::noteRead(const NodePtr& node) {
  for (auto it = vanishing_.begin(); it != vanishing_.end(); ++it) {
    if (it->first.lock() != node) continue;
    if (--it->second <= 0) {
      vanishing_.erase(it);
      detach(node);
    }
    return;
  }
}

void SimExcel::countCall(AXCall kind) {
  ++counts_[static_cast<std::size_t>(kind)];
  if (!quitAfter_) return;
  if (*quitAfter_ == 0) {
    quitAfter_.reset();
    quitLocked();
    return;
  }
  --*quitAfter_;
}

std::uint64_t SimExcel::calls(AXCall kind) const {
  Lock lock(mutex_);
  return counts_[static_cast<std::size_t>(kind)];
}

std::uint64_t SimExcel::totalCalls() const {
  Lock lock(mutex_);
  std::uint64_t total = 0;
  for (auto count : counts_) total += count;
  return total;
}

std::uint64_t SimExcel::remoteCalls() const {
  Lock lock(mutex_);
  std::uint64_t total = 0;
  for (auto kind : {AXCall::copyAttribute, AXCall::copyMultiple, AXCall::actionNames, AXCall::perform, AXCall::set,
                    AXCall::elementAtPosition}) {
    total += counts_[static_cast<std::size_t>(kind)];
  }
  return total;
}

std::uint64_t SimExcel::windowListCalls() const {
  Lock lock(mutex_);
  return windowListCalls_;
}

void SimExcel::resetCounts() {
  Lock lock(mutex_);
  counts_.fill(0);
  windowListCalls_ = 0;
}

void SimExcel::setCallLatency(double seconds) {
  Lock lock(mutex_);
  latency_ = std::max(0.0, seconds);
}

void SimExcel::setTrusted(bool trusted) {
  Lock lock(mutex_);
  trusted_ = trusted;
}

int SimExcel::trustPrompts() const {
  Lock lock(mutex_);
  return prompts_;
}

std::expected<NodePtr, AXError> SimExcel::enter(Lock& lock, AXCall kind, const Element& element,
                                                std::span<const std::string_view> names) {
  countCall(kind);
  // A call's cost is paid outside the lock: Excel's own timers fire meanwhile, as they would.
  if (latency_ > 0) {
    double latency = latency_;
    lock.unlock();
    clock_.sleep(latency);
    lock.lock();
  }
  if (!trusted_) return std::unexpected(ax::kAPIDisabled);
  auto node = nodeOf(element);
  if (!node) return std::unexpected(ax::kInvalidUIElement);
  if (isHung(*node) || faultFor(*node, Fault::Type::timeout, names) != nullptr) {
    return std::unexpected(noAnswer(lock, element));
  }
  for (const auto& fault : faults_) {
    if (fault.type == Fault::Type::error && fault.name.empty() && targets(fault.target, *node)) {
      return std::unexpected(fault.code);
    }
  }
  return node;
}

// --- Reading ---

NodePtr SimExcel::windowOf(const NodePtr& node) const {
  for (auto n = node->parentNode(); n; n = n->parentNode()) {
    if ((n->kind == NodeKind::window || n->kind == NodeKind::popup || n->kind == NodeKind::dialog) &&
        n->role == "AXWindow") {
      return n;
    }
  }
  return nullptr;
}

std::vector<std::string> SimExcel::actionsOf(const SimNode& node) const {
  if (node.source != nullptr && node.source->actions && node.kind != NodeKind::commands) return *node.source->actions;
  std::vector<std::string> actions;
  switch (node.kind) {
    case NodeKind::application:
    case NodeKind::tabGroup:
    case NodeKind::commands:
    case NodeKind::group:
    case NodeKind::menuBar:
    case NodeKind::menu:
    case NodeKind::keyTip:
      break;
    case NodeKind::window:
    case NodeKind::popup:
    case NodeKind::dialog:
      if (node.role == "AXWindow") actions.push_back("AXRaise");
      break;
    case NodeKind::tab:
      actions.push_back("AXPress");
      break;
    case NodeKind::foldButton:
      actions = {"AXPress", "AXShowMenu"};
      break;
    case NodeKind::menuBarItem:
    case NodeKind::menuItem:
      actions = {"AXPress", "AXCancel"};
      break;
    case NodeKind::element: {
      const auto& role = node.role;
      if (role == "AXButton" || role == "AXCheckBox" || role == "AXRadioButton" || role == "AXMenuButton" ||
          role == "AXPopUpButton" || role == "AXDisclosureTriangle" || role == "AXToggle") {
        actions.push_back("AXPress");
      }
      if (role == "AXComboBox" || role == "AXTextField") actions.push_back("AXConfirm");
      bool menu = role == "AXMenuButton" || role == "AXPopUpButton" || (node.source != nullptr && node.source->hasMenu);
      if (menu) actions.push_back("AXShowMenu");
      break;
    }
  }
  return actions;
}

std::expected<AXValue, AXError> SimExcel::attributeOf(const NodePtr& n, std::string_view a) const {
  const SimNode& node = *n;
  auto text = [](const std::string& s) -> std::expected<AXValue, AXError> {
    if (s.empty()) return std::unexpected(ax::kNoValue);
    return AXValue{s};
  };
  auto element = [this](const NodePtr& e) -> std::expected<AXValue, AXError> {
    if (!e) return std::unexpected(ax::kNoValue);
    return AXValue{elementOf(e)};
  };
  if (a == "AXRole") return AXValue{node.role};
  if (a == "AXSubrole") return text(node.subrole);
  // An untitled or undescribed element answers an empty string, as Accessibility does on a Mac.
  if (a == "AXTitle") return AXValue{node.title};
  if (a == "AXDescription") return AXValue{node.description};
  if (a == "AXHelp") return text(node.help);
  if (a == "AXIdentifier") return text(node.identifier);
  if (a == "AXChildren") {
    std::vector<Element> children;
    for (const auto& child : node.children) children.push_back(elementOf(child));
    return AXValue{std::move(children)};
  }
  if (a == "AXParent") return element(node.parentNode());
  if (a == "AXPosition") {
    if (!node.frame) return std::unexpected(ax::kNoValue);
    return AXValue{node.frame->origin()};
  }
  if (a == "AXSize") {
    if (!node.frame) return std::unexpected(ax::kNoValue);
    return AXValue{node.frame->size()};
  }
  if (node.kind == NodeKind::application) {
    if (a == "AXWindows") {
      std::vector<Element> windows;
      for (const auto& child : node.children) {
        if (child->role == "AXWindow") windows.push_back(elementOf(child));
      }
      return AXValue{std::move(windows)};
    }
    if (a == "AXMainWindow") return element(windows_.empty() ? nullptr : windows_.front());
    if (a == "AXFocusedWindow") {
      for (auto it = dialogs_.rbegin(); it != dialogs_.rend(); ++it) {
        if ((*it)->role == "AXWindow") return element(*it);
      }
      return element(windows_.empty() ? nullptr : windows_.front());
    }
    if (a == "AXFrontmost") return AXValue{frontmost_};
    if (a == "AXMenuBar") return element(menuBar_);
    if (a == "AXFocusedUIElement") {
      auto focused = focused_.lock();
      return element(focused && focused->alive ? focused : nullptr);
    }
    return std::unexpected(ax::kAttributeUnsupported);
  }
  if (a == "AXValue") {
    if (!node.value) return std::unexpected(ax::kAttributeUnsupported);
    return toAXValue(*node.value);
  }
  if (a == "AXEnabled") {
    if (!node.enabled) return std::unexpected(ax::kAttributeUnsupported);
    return AXValue{*node.enabled};
  }
  if (a == "AXFocused") {
    if (!isFocusableRole(node.role)) return std::unexpected(ax::kAttributeUnsupported);
    return AXValue{focused_.lock() == n};
  }
  if (a == "AXSelectedTextRange" || a == "AXNumberOfCharacters") {
    if (!isTextRole(node.role)) return std::unexpected(ax::kAttributeUnsupported);
    const auto* value = textValue(node);
    std::int64_t length = value != nullptr ? utf16Length(*value) : 0;
    if (a == "AXNumberOfCharacters") return AXValue{length};
    return AXValue{node.selection.value_or(TextRange{length, 0})};
  }
  if (a == "AXMenuItemCmdChar" || a == "AXMenuItemCmdModifiers") {
    if (node.kind != NodeKind::menuItem) return std::unexpected(ax::kAttributeUnsupported);
    if (node.source == nullptr || node.source->keyChar.empty()) return std::unexpected(ax::kNoValue);
    if (a == "AXMenuItemCmdChar") return AXValue{node.source->keyChar};
    return AXValue{node.source->keyModifiers};
  }
  if (a == "AXWindow" || a == "AXTopLevelUIElement") {
    if (node.area == Area::menuBar) return std::unexpected(ax::kAttributeUnsupported);
    return element(windowOf(n));
  }
  if (node.role == "AXWindow" || node.role == "AXSheet") {
    if (a == "AXMain") return AXValue{!windows_.empty() && windows_.front() == n};
    if (a == "AXMinimized") return AXValue{false};
  }
  if (a == "AXTabs" && node.kind == NodeKind::tabGroup) {
    std::vector<Element> tabs;
    for (const auto& child : node.children) {
      if (child->kind == NodeKind::tab) tabs.push_back(elementOf(child));
    }
    return AXValue{std::move(tabs)};
  }
  return std::unexpected(ax::kAttributeUnsupported);
}

NodePtr SimExcel::hitTest(Point point) const {
  auto deepest = [&point](auto&& self, const NodePtr& node) -> NodePtr {
    for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) {
      const auto& child = *it;
      if (child->kind == NodeKind::menu && child->area == Area::menuBar && !child->open) continue;
      if (child->frame) {
        if (child->frame->contains(point)) return self(self, child);
        continue;
      }
      // An element without a frame may still hold framed ones.
      auto inner = self(self, child);
      if (inner != child) return inner;
    }
    return node;
  };
  auto inside = [&point](const NodePtr& node) { return node->frame && node->frame->contains(point); };
  for (auto it = openMenus_.rbegin(); it != openMenus_.rend(); ++it) {
    if (inside(*it)) return deepest(deepest, *it);
  }
  for (auto it = popups_.rbegin(); it != popups_.rend(); ++it) {
    if (inside(*it)) return deepest(deepest, *it);
  }
  for (auto it = dialogs_.rbegin(); it != dialogs_.rend(); ++it) {
    if ((*it)->role == "AXWindow" && inside(*it)) return deepest(deepest, *it);
  }
  for (const auto& window : windows_) {
    if (inside(window)) return deepest(deepest, window);
  }
  if (menuBar_ && inside(menuBar_)) return deepest(deepest, menuBar_);
  return nullptr;
}

// --- The surface ---

Element SimExcel::axApplication(std::int32_t pid) {
  Lock lock(mutex_);
  countCall(AXCall::application);
  if (running_ && app_ && pid == fixture_->application.pid) return elementOf(app_);
  return Element(std::make_shared<const SimElementHandle>(nullptr, this));
}

std::optional<std::int32_t> SimExcel::axProcessId(const Element& element) {
  Lock lock(mutex_);
  countCall(AXCall::processId);
  if (!nodeOf(element)) return std::nullopt;
  return fixture_->application.pid;
}

std::expected<AXValue, AXError> SimExcel::axCopyAttribute(const Element& element, std::string_view attribute) {
  Lock lock(mutex_);
  const std::string_view names[] = {attribute};
  auto node = enter(lock, AXCall::copyAttribute, element, names);
  if (!node) return std::unexpected(node.error());
  if (const auto* fault = faultFor(**node, Fault::Type::error, names)) return std::unexpected(fault->code);
  auto value = attributeOf(*node, attribute);
  noteRead(*node);
  return value;
}

std::expected<std::vector<std::optional<AXValue>>, AXError> SimExcel::axCopyMultiple(
    const Element& element, std::span<const std::string_view> names) {
  Lock lock(mutex_);
  auto node = enter(lock, AXCall::copyMultiple, element, names);
  if (!node) return std::unexpected(node.error());
  std::vector<std::optional<AXValue>> values;
  values.reserve(names.size());
  for (auto name : names) {
    const std::string_view one[] = {name};
    if (faultFor(**node, Fault::Type::error, one) != nullptr) {
      values.emplace_back();
      continue;
    }
    auto value = attributeOf(*node, name);
    values.push_back(value ? std::optional<AXValue>(std::move(*value)) : std::nullopt);
  }
  noteRead(*node);
  return values;
}

std::expected<std::vector<std::string>, AXError> SimExcel::axActionNames(const Element& element) {
  Lock lock(mutex_);
  auto node = enter(lock, AXCall::actionNames, element, {});
  if (!node) return std::unexpected(node.error());
  return actionsOf(**node);
}

AXError SimExcel::axPerform(const Element& element, std::string_view action) {
  Lock lock(mutex_);
  const std::string_view names[] = {action};
  auto node = enter(lock, AXCall::perform, element, names);
  if (!node) return node.error();
  const auto* result = faultFor(**node, Fault::Type::pressResult, names);
  if (const auto* fault = faultFor(**node, Fault::Type::error, names)) return fault->code;
  auto actions = actionsOf(**node);
  if (std::find(actions.begin(), actions.end(), action) == actions.end()) return ax::kActionUnsupported;
  AXError code = ax::kSuccess;
  openedDropdown_ = false;
  if (action == "AXPress") {
    code = press(*node);
  } else if (action == "AXShowMenu") {
    code = showMenu(*node);
  } else if (action == "AXCancel") {
    closeAllMenus();
  }
  // A ribbon dropdown's opener answers only once its menu closes: the caller's timeout runs out
  // first, while the menu opens all the same.
  if (std::exchange(openedDropdown_, false) && code == ax::kSuccess && application().menuPressBlocks) {
    return noAnswer(lock, element);
  }
  if (result != nullptr && code == ax::kSuccess) return result->code;
  return code;
}

AXError SimExcel::axSet(const Element& element, std::string_view attribute, const AXValue& value) {
  Lock lock(mutex_);
  const std::string_view names[] = {attribute};
  auto found = enter(lock, AXCall::set, element, names);
  if (!found) return found.error();
  const auto& node = *found;
  if (const auto* fault = faultFor(*node, Fault::Type::error, names)) return fault->code;
  if (attribute == "AXFocused") {
    const auto* on = std::get_if<bool>(&value);
    if (on == nullptr) return ax::kIllegalArgument;
    if (!isFocusableRole(node->role)) return ax::kAttributeUnsupported;
    if (!node->isEnabled()) return ax::kFailure;
    if (*on) {
      focus(node);
    } else if (focused_.lock() == node) {
      focused_.reset();
    }
    return ax::kSuccess;
  }
  if (attribute == "AXSelectedTextRange" || attribute == "AXValue") {
    if (!isTextRole(node->role)) return ax::kAttributeUnsupported;
    if (attribute == "AXValue") {
      const auto* text = std::get_if<std::string>(&value);
      if (text == nullptr) return ax::kIllegalArgument;
      node->value = *text;
      node->selection = TextRange{utf16Length(*text), 0};
      return ax::kSuccess;
    }
    const auto* range = std::get_if<TextRange>(&value);
    const auto* current = textValue(*node);
    std::int64_t length = current != nullptr ? utf16Length(*current) : 0;
    if (range == nullptr || range->location < 0 || range->length < 0 || range->location + range->length > length) {
      return ax::kIllegalArgument;
    }
    node->selection = *range;
    return ax::kSuccess;
  }
  bool window = node->role == "AXWindow" && (node->kind == NodeKind::window || node->kind == NodeKind::dialog);
  if (attribute == "AXPosition") {
    const auto* origin = std::get_if<Point>(&value);
    if (!window) return ax::kAttributeUnsupported;
    if (origin == nullptr) return ax::kIllegalArgument;
    return moveWindow(node, *origin);
  }
  if (attribute == "AXSize") {
    const auto* size = std::get_if<Size>(&value);
    if (!window || node->kind != NodeKind::window) return ax::kAttributeUnsupported;
    if (size == nullptr || !(size->width > 0 && size->height > 0)) return ax::kIllegalArgument;
    return resizeWindow(node, *size);
  }
  return ax::kAttributeUnsupported;
}

std::expected<Element, AXError> SimExcel::axElementAtPosition(const Element& application, Point point) {
  Lock lock(mutex_);
  auto node = enter(lock, AXCall::elementAtPosition, application, {});
  if (!node) return std::unexpected(node.error());
  auto hit = hitTest(point);
  if (!hit) return std::unexpected(ax::kNoValue);
  if (isHung(*hit)) return std::unexpected(noAnswer(lock, application));
  return elementOf(hit);
}

AXError SimExcel::axSetTimeout(const Element& element, double seconds) {
  Lock lock(mutex_);
  countCall(AXCall::messagingTimeout);
  auto node = nodeOf(element);
  if (!node) return ax::kInvalidUIElement;
  if (!(seconds >= 0)) return ax::kIllegalArgument;
  // Only this reference: on a Mac the timeout lives in the reference, not in the element.
  static_cast<const SimElementHandle*>(element.handle())->messagingTimeout = seconds;
  return ax::kSuccess;
}

bool SimExcel::axTrusted(bool prompt) {
  Lock lock(mutex_);
  countCall(AXCall::trusted);
  if (prompt && !trusted_) ++prompts_;
  return trusted_;
}

std::vector<WindowInfo> SimExcel::onScreenWindows() {
  Lock lock(mutex_);
  ++windowListCalls_;
  if (latency_ > 0) {
    double latency = latency_;
    lock.unlock();
    clock_.sleep(latency);
    lock.lock();
  }
  std::vector<WindowInfo> excel;
  if (running_) {
    std::int32_t pid = fixture_->application.pid;
    double now = clock_.uptime();
    auto add = [&](const NodePtr& node, std::int32_t layer) {
      // The window server learns of a new menu a little after Excel's own tree shows it.
      if (node->frame && node->listedAt <= now) excel.push_back({pid, *node->frame, layer});
    };
    for (auto it = openMenus_.rbegin(); it != openMenus_.rend(); ++it) add(*it, kPopupLayer);
    for (auto it = popups_.rbegin(); it != popups_.rend(); ++it) add(*it, kPopupLayer);
    for (auto it = dialogs_.rbegin(); it != dialogs_.rend(); ++it) {
      if ((*it)->role == "AXWindow") add(*it, 0);
    }
    for (const auto& window : windows_) {
      // A sheet is a window of its own, just in front of the one it belongs to.
      for (auto it = window->children.rbegin(); it != window->children.rend(); ++it) {
        if ((*it)->kind == NodeKind::dialog) add(*it, 0);
      }
      add(window, 0);
    }
  }
  std::vector<WindowInfo> all;
  if (running_ && frontmost_) {
    all = std::move(excel);
    all.insert(all.end(), otherWindows_.begin(), otherWindows_.end());
  } else {
    all = otherWindows_;
    all.insert(all.end(), excel.begin(), excel.end());
  }
  return all;
}

}  // namespace corvane::platform::sim

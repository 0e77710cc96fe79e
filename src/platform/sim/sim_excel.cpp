#include "platform/sim/sim_excel.hpp"

#include <utility>
#include <vector>

#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_input_poster.hpp"
#include "platform/sim/sim_window_list.hpp"

// Excel's lifetime, what it recorded, and the uncounted look at its tree that tests and renderers
// take. The rest of SimExcel, by concern: sim_excel_tree.cpp builds the tree, sim_excel_ax_calls.cpp
// answers Accessibility, sim_excel_attributes.cpp reads elements, sim_excel_faults.cpp keeps faults
// and counts; Excel's reactions are in sim_excel_presses.cpp, sim_excel_ribbon.cpp,
// sim_excel_menus.cpp, sim_excel_windows.cpp, sim_excel_input.cpp and sim_excel_key_tips.cpp.

namespace corvane::platform::sim {
namespace {

const FixtureApplication& defaultApplication() {
  static const FixtureApplication app;
  return app;
}

}  // namespace

bool ElementSelector::picks(const SimNode& node) const {
  if (!role.empty() && role != node.role) return false;
  if (label.empty()) return true;
  return node.title == label || node.description == label || node.identifier == label;
}

SimExcel::SimExcel(Clock& clock, Scheduler& scheduler, std::shared_ptr<const ExcelFixture> fixture)
    : clock_(clock),
      scheduler_(scheduler),
      queue_(scheduler.makeSerialQueue("sim.excel", QoS::userInteractive)),
      fixture_(std::move(fixture)),
      accessibility_(std::make_unique<SimAccessibility>(*this)),
      windowList_(std::make_unique<SimWindowList>(*this)),
      inputPoster_(std::make_unique<SimInputPoster>(SimInputPoster::Receiver{
          [this](std::uint16_t keyCode, bool down, std::uint64_t flags) { receiveKey(keyCode, down, flags); },
          [this](InputPoster::Mouse kind, Point location) { receiveMouse(kind, location); }})) {
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
        if (n->displayName() != n->role || n == node) names.push_back(recordedName(*n));
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

// --- Excel's timers ---

WorkHandle SimExcel::later(double seconds, std::function<void()> work) {
  std::erase_if(timers_, [](const std::weak_ptr<WorkItem>& h) { return h.expired(); });
  auto handle = queue_->after(seconds, [this, work = std::move(work)] {
    Lock lock(mutex_);
    if (running_) work();
  });
  timers_.push_back(handle);
  return handle;
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
    if (selector.picks(*n)) found.push_back(elementOf(n));
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

}  // namespace corvane::platform::sim

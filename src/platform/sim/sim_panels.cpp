#include "platform/sim/sim_panels.hpp"

#include <algorithm>

#include "platform/sim/text_renderer.hpp"

namespace corvane::platform::sim {

SimPanel::SimPanel(SimPanels& owner, PanelKind kind, Size initialSize, std::uint64_t id)
    : owner_(owner), kind_(kind), id_(id), frame_{0, 0, initialSize.width, initialSize.height} {}

SimPanel::~SimPanel() {
  owner_.rule_.check("Panel::~Panel");
  std::erase(owner_.panels_, this);
  owner_.keyChanged();
}

void SimPanel::setContent(std::shared_ptr<const views::View> content) {
  owner_.rule_.check("Panel::setContent");
  content_ = std::move(content);
}

Size SimPanel::fittingSize() {
  owner_.rule_.check("Panel::fittingSize");
  return content_ ? measureView(*content_) : frame_.size();
}

void SimPanel::setFrame(const Rect& frame) {
  owner_.rule_.check("Panel::setFrame");
  frame_ = frame;
}

Rect SimPanel::frame() const {
  owner_.rule_.check("Panel::frame");
  return frame_;
}

bool SimPanel::isVisible() const {
  owner_.rule_.check("Panel::isVisible");
  return visible_;
}

bool SimPanel::isKey() const {
  owner_.rule_.check("Panel::isKey");
  return key_;
}

void SimPanel::setIgnoresMouse(bool ignores) {
  owner_.rule_.check("Panel::setIgnoresMouse");
  ignoresMouse_ = ignores;
}

void SimPanel::setCornerRadius(double radius) {
  owner_.rule_.check("Panel::setCornerRadius");
  cornerRadius_ = radius;
}

void SimPanel::setTitle(const std::string& title) {
  owner_.rule_.check("Panel::setTitle");
  title_ = title;
}

void SimPanel::orderFront() {
  owner_.rule_.check("Panel::orderFront");
  visible_ = true;
  ++orderFronts_;
}

void SimPanel::makeKeyAndOrderFront() {
  owner_.rule_.check("Panel::makeKeyAndOrderFront");
  orderFront();
  owner_.becameKey(this);
}

void SimPanel::orderOut() {
  owner_.rule_.check("Panel::orderOut");
  visible_ = false;
  // Ordering out the key window takes its key status, which a key panel reports as `closed`.
  resignKey();
}

void SimPanel::animateAlpha(double alpha, double seconds, std::function<void()> done) {
  owner_.rule_.check("Panel::animateAlpha");
  alpha_ = alpha;
  if (!done) return;
  if (seconds <= 0) {
    done();
    return;
  }
  owner_.scheduler_.main().after(seconds, std::move(done));
}

void SimPanel::center() {
  owner_.rule_.check("Panel::center");
  // A 1440 × 900 screen's centre, as the sim's default screen has it.
  frame_.x = 720 - frame_.width / 2;
  frame_.y = 450 - frame_.height / 2;
}

bool SimPanel::send(const PanelAction& action) {
  if (!sink_) return false;
  // The sink may destroy this panel's owner; keep the callable alive while it runs.
  auto sink = sink_;
  sink(action);
  return true;
}

void SimPanel::resignKey() {
  if (!key_) return;
  key_ = false;
  owner_.keyChanged();
  // Only the key panels close when they lose key status; an ordinary window stays open behind.
  if (kind_ == PanelKind::palette || kind_ == PanelKind::quickPanel) send({PanelAction::Kind::closed, {}, {}, false, false});
}

SimPanels::SimPanels(Scheduler& scheduler) : scheduler_(scheduler) {}

SimPanels::~SimPanels() = default;

std::unique_ptr<Panel> SimPanels::create(PanelKind kind, Size initialSize) {
  rule_.check("Panels::create");
  auto panel = std::make_unique<SimPanel>(*this, kind, initialSize, ++created_);
  panels_.push_back(panel.get());
  return panel;
}

bool SimPanels::ownWindowIsKey() const {
  return anyKey_.load();
}

std::vector<SimPanel*> SimPanels::ofKind(PanelKind kind) const {
  std::vector<SimPanel*> out;
  for (auto* panel : panels_) {
    if (panel->kind() == kind) out.push_back(panel);
  }
  return out;
}

SimPanel* SimPanels::first(PanelKind kind) const {
  for (auto* panel : panels_) {
    if (panel->kind() == kind) return panel;
  }
  return nullptr;
}

void SimPanels::becameKey(SimPanel* panel) {
  // Only one window is key; the one that loses it hears about it.
  for (auto* other : std::vector<SimPanel*>(panels_)) {
    if (other != panel && other->key_) other->resignKey();
  }
  panel->key_ = true;
  keyChanged();
}

void SimPanels::keyChanged() {
  anyKey_ = std::any_of(panels_.begin(), panels_.end(), [](const SimPanel* p) { return p->key_; });
}

}  // namespace corvane::platform::sim

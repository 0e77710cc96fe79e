#include "platform/sim/sim_panels.hpp"

#include <algorithm>
#include <cctype>
#include <utility>

#include "platform/event_tap.hpp"
#include "platform/sim/text_renderer.hpp"
#include "platform/sim/virtual_key_codes.hpp"
#include "platform/views/palette_view.hpp"
#include "platform/views/shortcut_editor_view.hpp"

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

void SimPanel::keyDown(std::uint16_t keyCode, std::uint64_t flags, const std::optional<std::string>& typed) {
  owner_.rule_.check("Panel::keyDown");
  PanelAction action;
  action.kind = PanelAction::Kind::key;
  action.command = (flags & flags::kCommand) != 0;
  action.shift = (flags & flags::kShift) != 0;
  action.option = (flags & flags::kOption) != 0;
  action.control = (flags & flags::kControl) != 0;
  if (const auto* editor = dynamic_cast<const views::ShortcutEditorView*>(content_.get())) {
    // The page catches raw keys only while it records; otherwise no field of it has the focus.
    if (!editor->form || !(editor->form->recording || editor->form->recordingCombo)) return;
    action.id = typed.value_or("");
    action.keyCode = keyCode;
    send(action);
    return;
  }
  const auto* palette = dynamic_cast<const views::PaletteView*>(content_.get());
  if (palette == nullptr) return;
  // The search field: its commands go to the palette, the rest edits the text.
  static constexpr std::pair<std::uint16_t, const char*> kCommands[] = {
      {vk::kReturn, "return"}, {vk::kKeypadEnter, "return"}, {vk::kEscape, "escape"}, {vk::kUpArrow, "up"},
      {vk::kDownArrow, "down"}};
  for (const auto& [code, name] : kCommands) {
    if (code != keyCode) continue;
    action.id = name;
    send(action);
    return;
  }
  if (action.command || action.control) {
    action.id = typed.value_or("");
    send(action);
    return;
  }
  PanelAction edit;
  edit.kind = PanelAction::Kind::text;
  edit.text = palette->query;
  if (keyCode == vk::kDelete) {
    // Delete removes the last character, not the last byte of it.
    if (edit.text.empty()) return;
    auto end = edit.text.size() - 1;
    while (end > 0 && (static_cast<unsigned char>(edit.text[end]) & 0xC0) == 0x80) --end;
    edit.text.resize(end);
  } else {
    if (!typed || typed->empty() || static_cast<unsigned char>(typed->front()) < 0x20) return;
    std::string text = *typed;
    if (action.shift && text.size() == 1) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    edit.text += text;
  }
  send(edit);
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

SimPanel* SimPanels::keyPanel() const {
  for (auto* panel : panels_) {
    if (panel->isKey()) return panel;
  }
  return nullptr;
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

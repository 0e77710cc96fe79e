#include "cli/sim_transcript.hpp"

#include <algorithm>

#include "model/text.hpp"
#include "platform/views/coach_hint_view.hpp"
#include "platform/views/hud_views.hpp"
#include "platform/views/key_tip_overlay_view.hpp"
#include "platform/views/palette_view.hpp"
#include "platform/views/quick_panel_view.hpp"
#include "platform/views/settings_view.hpp"
#include "platform/views/shortcut_editor_view.hpp"
#include "platform/views/shortcut_list_view.hpp"
#include "platform/views/update_view.hpp"
#include "platform/views/welcome_view.hpp"

namespace corvane::cli {

namespace views = platform::views;

namespace {

/// The list shows this many rows; the rest is counted.
constexpr std::size_t kListRows = 8;

std::string joinNonEmpty(const std::vector<std::string>& parts, const std::string& separator) {
  std::vector<std::string> kept;
  for (const auto& p : parts) {
    if (!p.empty()) kept.push_back(p);
  }
  return model::text::join(kept, separator);
}

std::string describeKeyList(const views::KeyListView& v) {
  std::vector<std::string> parts{v.title};
  for (const auto& column : v.columns) {
    // The small "2003" tag the list shows after a classic-menu label.
    for (const auto& row : column) parts.push_back(row.key + " " + row.label + (row.legacy ? " 2003" : ""));
  }
  auto text = joinNonEmpty(parts, " · ");
  if (v.message) text += "\n" + *v.message;
  return text;
}

std::string describeWelcome(const views::WelcomeView& v) {
  std::vector<std::string> parts{"step " + std::to_string(v.step) + ": " + v.title};
  switch (v.step) {
    case 1:
      parts.push_back(v.allowedText.empty() ? v.hint : v.allowedText);
      break;
    case 2: {
      std::string caps;
      for (const auto& cap : v.keyCaps) {
        if (!caps.empty()) caps += " ";
        switch (cap.look) {
          case views::WelcomeKeyCap::Look::done: caps += "✓" + cap.key; break;
          case views::WelcomeKeyCap::Look::next: caps += "[" + cap.key + "]"; break;
          case views::WelcomeKeyCap::Look::waiting: caps += cap.key; break;
        }
      }
      parts.push_back(v.hint);
      parts.push_back(caps);
      parts.push_back(v.status);
      break;
    }
    default:
      for (const auto& tip : v.tips) parts.push_back(tip.title);
      break;
  }
  return joinNonEmpty(parts, "\n");
}

std::string describeEditor(const views::ShortcutEditorView& v) {
  std::vector<std::string> parts{v.title};
  if (v.form) {
    const auto& f = *v.form;
    parts.push_back(f.heading + ": " + (f.keys.empty() ? "(no keys)" : "⌥ " + model::text::join(f.keys, " ")) +
                    (f.recording ? " (recording)" : ""));
    parts.push_back(f.check);
    // What saving would make it do, as the form's pickers show it: never a silent default.
    std::string does;
    if (f.kind == "ribbon") {
      does = "ribbon " + f.tab + " › " + (f.button.empty() ? "(no button)" : f.button) + (f.item.empty() ? "" : " › " + f.item);
    } else if (f.kind == "menu") {
      does = "menu " + (f.menuPath.empty() ? "(no command)" : f.menuPath);
    } else if (f.kind == "keystroke") {
      does = "keystroke " + (f.comboDisplay.empty() ? f.combo : f.comboDisplay);
    }
    if (!does.empty()) parts.push_back("does: " + does);
  } else {
    parts.push_back(v.entries.empty() ? v.emptyText : std::to_string(v.entries.size()) + " of your own");
    for (const auto& e : v.entries) parts.push_back(e.keys + " " + e.name + (e.disabled ? " (off)" : ""));
  }
  if (v.saveError) parts.push_back(*v.saveError);
  return joinNonEmpty(parts, "\n");
}

std::string describeList(const views::ShortcutListView& v) {
  std::vector<std::string> parts{v.query.empty() ? v.countText : "“" + v.query + "”: " + v.countText};
  if (v.rows.empty()) parts.push_back(v.emptyText);
  for (std::size_t i = 0; i < v.rows.size() && i < kListRows; ++i) {
    parts.push_back("⌥ " + model::text::join(v.rows[i].keys, " ") + " " + v.rows[i].name);
  }
  if (v.rows.size() > kListRows) parts.push_back("… " + std::to_string(v.rows.size() - kListRows) + " more");
  return joinNonEmpty(parts, "\n");
}

std::string describePalette(const views::PaletteView& v) {
  std::vector<std::string> rows;
  for (const auto& row : v.rows) {
    rows.push_back((row.selected ? "▸ " : "") + ("⌥ " + model::text::join(row.keys, " ")) + " " + row.name);
  }
  std::string head = v.query.empty() ? "opened" : "“" + v.query + "”";
  if (v.heading) head += " (" + *v.heading + ")";
  if (rows.empty()) return head + ": " + v.emptyText.value_or("");
  return head + ": " + model::text::join(rows, " · ");
}

/// The coloured dot the panel shows before its status line.
std::string toneDot(views::PanelTone tone) {
  switch (tone) {
    case views::PanelTone::ok: return "🟢";
    case views::PanelTone::warn: return "🟠";
    case views::PanelTone::bad: return "🔴";
  }
  return {};
}

std::string describePanelItem(const views::QuickPanelItem& item) {
  if (item.kind == views::QuickPanelItem::Kind::toggle) return item.title + ": " + (item.on ? "on" : "off");
  std::string text = (item.selected ? "▸ " : "") + item.title;
  if (item.keyHint) text += " " + *item.keyHint;
  if (item.detail) text += " (" + *item.detail + ")";
  return text;
}

std::string describeQuickPanel(const views::QuickPanelView& v) {
  std::vector<std::string> parts{toneDot(v.tone) + " " + v.statusText, describePanelItem(v.mainSwitch)};
  for (const auto& item : v.items) parts.push_back(describePanelItem(item));
  return joinNonEmpty(parts, "\n");
}

std::string describeSettings(const views::SettingsView& v) {
  std::vector<std::string> parts{v.pageTitle};
  for (const auto& c : v.controls) {
    switch (c.kind) {
      case views::SettingsControl::Kind::toggle:
        parts.push_back(c.title + ": " + (c.on ? "on" : "off"));
        break;
      case views::SettingsControl::Kind::picker: {
        std::string chosen = c.selected;
        for (const auto& choice : c.choices) {
          if (choice.value == c.selected) chosen = choice.title;
        }
        parts.push_back(c.title + ": " + chosen);
        break;
      }
      case views::SettingsControl::Kind::info:
        parts.push_back(c.detail.empty() ? c.title : c.title + " " + c.detail);
        break;
      case views::SettingsControl::Kind::button:
        parts.push_back("[" + c.title + "]");
        break;
    }
  }
  return joinNonEmpty(parts, "\n");
}

}  // namespace

void Transcript::emit(const std::string& tag, const std::string& text) {
  out_ << "[" << tag << "]" << (text.empty() ? "" : " ") << model::text::replaceAll(text, "\n", " | ") << "\n";
  out_.flush();
}

std::optional<TranscriptLine> describeView(const views::View& view) {
  if (const auto* v = dynamic_cast<const views::KeyListView*>(&view)) return TranscriptLine{"keys", describeKeyList(*v)};
  if (const auto* v = dynamic_cast<const views::NoticeView*>(&view)) {
    std::vector<std::string> parts{v->message};
    parts.insert(parts.end(), v->lines.begin(), v->lines.end());
    if (v->action) parts.push_back("[" + v->action->title + "]");
    return TranscriptLine{"notice", joinNonEmpty(parts, "\n")};
  }
  if (const auto* v = dynamic_cast<const views::BusyView*>(&view)) return TranscriptLine{"busy", v->title};
  if (const auto* v = dynamic_cast<const views::ProblemView*>(&view)) {
    std::vector<std::string> fixes;
    for (const auto& fix : v->fixes) fixes.push_back(fix.title);
    return TranscriptLine{"problem", joinNonEmpty({v->title, v->detail, model::text::join(fixes, ", ")}, "\n")};
  }
  if (const auto* v = dynamic_cast<const views::KeyTipOverlayView*>(&view)) {
    std::vector<std::string> badges;
    for (const auto& badge : v->badges) badges.push_back(badge.text + "→" + badge.target);
    return TranscriptLine{"tips", model::text::join(badges, " ")};
  }
  if (const auto* v = dynamic_cast<const views::PaletteView*>(&view)) return TranscriptLine{"palette", describePalette(*v)};
  if (const auto* v = dynamic_cast<const views::CoachHintView*>(&view)) {
    return TranscriptLine{"hint", v->name + " · ⌥ " + model::text::join(v->keys, " ") + " " + v->trailer};
  }
  if (const auto* v = dynamic_cast<const views::WelcomeView*>(&view)) return TranscriptLine{"welcome", describeWelcome(*v)};
  if (const auto* v = dynamic_cast<const views::UpdateView*>(&view)) {
    std::vector<std::string> parts{v->title, v->text};
    if (!v->notes.empty()) parts.push_back(v->notesHeading);
    for (const auto& note : v->notes) parts.push_back("•  " + note);
    if (v->progress) parts.push_back(v->progress->text);
    return TranscriptLine{"update", joinNonEmpty(parts, "\n")};
  }
  if (const auto* v = dynamic_cast<const views::ShortcutEditorView*>(&view)) return TranscriptLine{"editor", describeEditor(*v)};
  if (const auto* v = dynamic_cast<const views::ShortcutListView*>(&view)) return TranscriptLine{"list", describeList(*v)};
  if (const auto* v = dynamic_cast<const views::SettingsView*>(&view)) return TranscriptLine{"settings", describeSettings(*v)};
  if (const auto* v = dynamic_cast<const views::QuickPanelView*>(&view)) return TranscriptLine{"panel", describeQuickPanel(*v)};
  return std::nullopt;
}

// --- Recording panels ---

class RecordingPanels::RecordingPanel final : public platform::Panel {
 public:
  RecordingPanel(RecordingPanels& owner, platform::PanelKind kind, std::unique_ptr<platform::Panel> inner)
      : owner_(&owner), kind_(kind), inner_(std::move(inner)) {
    owner_->live_.push_back(this);
  }
  ~RecordingPanel() override {
    if (owner_) std::erase(owner_->live_, this);
  }

  void setContent(std::shared_ptr<const platform::views::View> content) override {
    content_ = content;
    inner_->setContent(std::move(content));
    if (inner_->isVisible()) report();
  }
  [[nodiscard]] platform::Size fittingSize() override { return inner_->fittingSize(); }
  void setFrame(const platform::Rect& frame) override { inner_->setFrame(frame); }
  [[nodiscard]] platform::Rect frame() const override { return inner_->frame(); }
  void orderFront() override {
    inner_->orderFront();
    report();
  }
  void makeKeyAndOrderFront() override {
    inner_->makeKeyAndOrderFront();
    report();
  }
  void orderOut() override {
    bool was = inner_->isVisible();
    inner_->orderOut();
    if (was && owner_) owner_->closed(*this);
    lastPrinted_.reset();
  }
  [[nodiscard]] bool isVisible() const override { return inner_->isVisible(); }
  [[nodiscard]] bool isKey() const override { return inner_->isKey(); }
  void setIgnoresMouse(bool ignores) override { inner_->setIgnoresMouse(ignores); }
  void animateAlpha(double alpha, double seconds, std::function<void()> done) override {
    inner_->animateAlpha(alpha, seconds, std::move(done));
  }
  void setCornerRadius(double radius) override { inner_->setCornerRadius(radius); }
  void setTitle(const std::string& title) override { inner_->setTitle(title); }
  void center() override { inner_->center(); }
  void setActionSink(std::function<void(const platform::PanelAction&)> sink) override {
    sink_ = sink;
    inner_->setActionSink([this, sink = std::move(sink)](const platform::PanelAction& action) {
      bool window = kind_ == platform::PanelKind::window;
      if (window && action.kind == platform::PanelAction::Kind::closed && owner_ && owner_->activating_) return;
      sink(action);
    });
  }

  void report() {
    if (owner_) owner_->report(*this);
  }
  void detach() { owner_ = nullptr; }

  // Plain state the owning RecordingPanels reads.
  RecordingPanels* owner_;
  platform::PanelKind kind_;
  std::unique_ptr<platform::Panel> inner_;
  std::shared_ptr<const platform::views::View> content_;
  std::function<void(const platform::PanelAction&)> sink_;
  std::optional<TranscriptLine> lastPrinted_;
};

RecordingPanels::RecordingPanels(platform::Panels& inner, Transcript& transcript)
    : inner_(inner), transcript_(transcript) {}

RecordingPanels::~RecordingPanels() {
  for (auto* panel : live_) panel->detach();
}

std::unique_ptr<platform::Panel> RecordingPanels::create(platform::PanelKind kind, platform::Size initialSize) {
  return std::make_unique<RecordingPanel>(*this, kind, inner_.create(kind, initialSize));
}

std::optional<TranscriptLine> RecordingPanels::format(const platform::views::View& view) const {
  for (const auto& formatter : formatters_) {
    if (auto line = formatter(view)) return line;
  }
  return describeView(view);
}

void RecordingPanels::report(RecordingPanel& panel) {
  if (!panel.content_ || !panel.isVisible()) return;
  auto line = format(*panel.content_);
  if (!line || line == panel.lastPrinted_) return;
  bool hadBadges = panel.lastPrinted_ && panel.lastPrinted_->tag == "tips" && !panel.lastPrinted_->text.empty();
  panel.lastPrinted_ = line;
  // An overlay with no badges left shows nothing: said when badges were showing.
  if (line->tag == "tips" && line->text.empty()) {
    if (hadBadges) transcript_.emit("tips", "hidden");
    return;
  }
  transcript_.emit(line->tag, line->text);
}

void RecordingPanels::closed(RecordingPanel& panel) {
  switch (panel.kind_) {
    case platform::PanelKind::palette: transcript_.emit("palette", "closed"); return;
    case platform::PanelKind::quickPanel: transcript_.emit("panel", "closed"); return;
    case platform::PanelKind::coachHint: transcript_.emit("hint", "closed"); return;
    case platform::PanelKind::keyTipOverlay:
      if (panel.lastPrinted_ && !panel.lastPrinted_->text.empty()) transcript_.emit("tips", "hidden");
      return;
    case platform::PanelKind::hud:
    case platform::PanelKind::window: return;
  }
}

void RecordingPanels::otherApplicationActivated(const std::function<void()>& resign) {
  activating_ = true;
  resign();
  activating_ = false;
}

bool RecordingPanels::anyVisible(platform::PanelKind kind) const {
  return std::ranges::any_of(live_, [kind](const RecordingPanel* p) { return p->kind_ == kind && p->isVisible(); });
}

bool RecordingPanels::act(platform::PanelKind kind, const platform::PanelAction& action) {
  for (auto* panel : live_) {
    if (panel->kind_ == kind && panel->isVisible() && panel->sink_) {
      auto sink = panel->sink_;
      sink(action);
      return true;
    }
  }
  return false;
}

bool RecordingPanels::actWhere(const std::function<bool(const platform::views::View*)>& matches,
                               const platform::PanelAction& action) {
  for (auto* panel : live_) {
    if (panel->isVisible() && panel->sink_ && matches(panel->content_.get())) {
      auto sink = panel->sink_;
      sink(action);
      return true;
    }
  }
  return false;
}

}  // namespace corvane::cli

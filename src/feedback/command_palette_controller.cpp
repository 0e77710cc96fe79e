#include "feedback/command_palette_controller.hpp"

#include "feedback/badge_geometry.hpp"

namespace corvane::feedback {

CommandPaletteController::CommandPaletteController(platform::Panels& panels, platform::Screens& screens,
                                                   model::LibraryPtr library,
                                                   std::function<std::vector<std::string>()> recent)
    : screens_(screens),
      model_(std::move(library), std::move(recent)),
      panel_(panels.create(platform::PanelKind::palette, {kWidth, 300})) {
  panel_->setCornerRadius(18);
  // The panel and the subscriptions die with the controller, so `this` never dangles in them.
  panel_->setActionSink([this](const platform::PanelAction& action) { onAction(action); });
  subscriptions_.push_back(model_.results.subscribe([this](const auto&) { render(); }));
  subscriptions_.push_back(model_.selection.subscribe([this](const auto&) { render(); }));
  subscriptions_.push_back(model_.triggerInstruction.subscribe([this](const auto&) { render(); }));
}

void CommandPaletteController::setStyle(model::TipStyle style) {
  style_ = style;
  render();
}

platform::views::PaletteView CommandPaletteController::buildView(const PaletteModel& model, model::TipStyle style) {
  platform::views::PaletteView view;
  view.query = model.query.get();
  view.placeholder = PaletteModel::kPlaceholder;
  if (model.showsRecent() && !model.results.get().empty()) view.heading = PaletteModel::kRecentHeading;
  const auto& results = model.results.get();
  for (std::size_t i = 0; i < results.size(); ++i) {
    view.rows.push_back({results[i].shortcut.keys, results[i].shortcut.name, results[i].place, i == model.selection.get()});
  }
  view.emptyText = model.emptyText();
  view.footerInstruction = model.triggerInstruction.get() + " to open";
  view.footerKeys = {{"⏎", "Run"}, {"↑↓", "Choose"}, {"esc", "Close"}};
  auto colors = styleColors(style);
  view.badgeFill = colors.fill;
  view.badgeBorder = colors.border;
  view.badgeText = colors.text;
  return view;
}

void CommandPaletteController::render() {
  auto view = std::make_shared<platform::views::PaletteView>(buildView(model_, style_));
  view_ = view;
  panel_->setContent(view);
  if (!panel_->isVisible() || !top_) return;
  auto frame = panel_->frame();
  double h = panel_->fittingSize().height;
  panel_->setFrame({frame.x, *top_ - h, kWidth, h});
}

void CommandPaletteController::open() {
  model_.refresh();
  auto screen = screens_.mainScreen();
  if (!screen) {
    auto all = screens_.screens();
    if (!all.empty()) screen = all.front();
  }
  double h = panel_->fittingSize().height;
  double x = 0;
  double top = h;
  if (screen) {
    const auto& v = screen->visibleFrame;
    // A fifth of the way down the screen, where the eye already is; the top edge then stays put.
    x = v.midX() - kWidth / 2;
    top = v.maxY() - v.height / 5;
  }
  top_ = top;
  panel_->setFrame({x, top - h, kWidth, h});
  panel_->makeKeyAndOrderFront();
}

void CommandPaletteController::close() {
  if (panel_->isVisible()) panel_->orderOut();
}

void CommandPaletteController::onAction(const platform::PanelAction& action) {
  using Kind = platform::PanelAction::Kind;
  switch (action.kind) {
    case Kind::text:
      model_.setQuery(action.text);
      return;
    case Kind::key:
      if (action.id == "up") {
        model_.moveUp();
      } else if (action.id == "down") {
        model_.moveDown();
      } else if (action.id == "return") {
        if (model_.selection.get() >= model_.results.get().size()) return;
        close();
        model_.runSelected();
      } else if (action.id == "escape") {
        close();
        model_.close();
      }
      return;
    case Kind::closed:
      close();
      return;
    case Kind::button:
    case Kind::toggle:
    case Kind::select:
      return;
  }
}

}  // namespace corvane::feedback

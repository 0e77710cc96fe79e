#include "app/quick_panel_controller.hpp"

#include <algorithm>

namespace corvane::app {

namespace {

using platform::views::QuickPanelItem;

std::optional<std::string> keyHint(model::SearchTrigger trigger) {
  switch (trigger) {
    case model::SearchTrigger::doubleTapOption: return "⌥⌥";
    case model::SearchTrigger::optionSlash: return "⌥ /";
    case model::SearchTrigger::optionSpace: return "⌥ Space";
    case model::SearchTrigger::off: return std::nullopt;
  }
  return std::nullopt;
}

QuickPanelItem toggleItem(const char* key, std::string title, bool on) {
  QuickPanelItem item;
  item.kind = QuickPanelItem::Kind::toggle;
  item.id = key;
  item.title = std::move(title);
  item.on = on;
  return item;
}

struct RowLook {
  std::string title;
  std::string symbol;
};

RowLook rowLook(QuickPanelCommand command, const QuickPanelModel& model) {
  switch (command) {
    case QuickPanelCommand::allowAccess: return {"Allow Accessibility Access…", "hand.raised"};
    case QuickPanelCommand::restartListener: return {"Restart Keyboard Listener", "arrow.clockwise"};
    case QuickPanelCommand::search: return {"Search Excel Commands", "magnifyingglass"};
    case QuickPanelCommand::showShortcutList: return {"Shortcut List", "list.bullet"};
    case QuickPanelCommand::showMyShortcuts: return {"My Shortcuts", "keyboard"};
    case QuickPanelCommand::showSettings: return {"Settings", "gearshape"};
    case QuickPanelCommand::checkForUpdates:
      if (model.updateVersion) return {"Install Corvane " + *model.updateVersion, "arrow.down.circle.fill"};
      return {"Check for Updates…", "arrow.triangle.2.circlepath"};
    case QuickPanelCommand::sendFeedback: return {"Send Feedback…", "envelope"};
    case QuickPanelCommand::reportProblem: return {"Report a Problem…", "exclamationmark.bubble"};
    case QuickPanelCommand::quit: return {"Quit Corvane", "power"};
  }
  return {};
}

}  // namespace

platform::views::QuickPanelView quickPanelView(const QuickPanelModel& model, const base::Preferences& prefs) {
  platform::views::QuickPanelView view;
  view.width = QuickPanelController::kWidth;
  view.statusText = model.statusText;
  view.tone = model.tone;
  view.mainSwitch = toggleItem(base::prefkeys::kEnabled, "Excel shortcuts", prefs.enabled.get());
  bool switchesPlaced = false;
  for (const auto& [number, command] : model.rows) {
    // The two switches sit between the problem rows and the commands.
    bool problemRow = command == QuickPanelCommand::allowAccess || command == QuickPanelCommand::restartListener;
    if (!problemRow && !switchesPlaced) {
      view.items.push_back(toggleItem(base::prefkeys::kShowRibbonTips, "Key tips on the ribbon",
                                      prefs.showRibbonTips.get()));
      view.items.push_back(toggleItem(base::prefkeys::kLearningHints, "Learning hints", prefs.learningHints.get()));
      switchesPlaced = true;
    }
    auto look = rowLook(command, model);
    QuickPanelItem row;
    row.id = std::string(commandName(command));
    row.title = std::move(look.title);
    row.symbol = std::move(look.symbol);
    row.number = number;
    row.selected = model.selected == number;
    if (command == QuickPanelCommand::search) row.keyHint = keyHint(prefs.searchTrigger.get());
    if (command == QuickPanelCommand::showMyShortcuts) row.detail = std::to_string(model.myShortcutCount);
    view.items.push_back(std::move(row));
  }
  return view;
}

QuickPanelController::QuickPanelController(platform::Panels& panels, platform::Screens& screens,
                                           platform::Clock& clock, base::Preferences& prefs,
                                           QuickPanelActions actions, std::function<QuickPanelFacts()> facts)
    : screens_(screens),
      clock_(clock),
      prefs_(prefs),
      actions_(std::move(actions)),
      facts_(std::move(facts)),
      panel_(panels.create(platform::PanelKind::quickPanel, {kWidth, 200})),
      shortcuts_{{",", QuickPanelCommand::showSettings},
                 {"l", QuickPanelCommand::showShortcutList},
                 {"q", QuickPanelCommand::quit}} {
  panel_->setCornerRadius(10);
  std::weak_ptr<QuickPanelController*> weak = self_;
  panel_->setActionSink([weak](const platform::PanelAction& action) {
    if (auto self = weak.lock()) (*self)->onAction(action);
  });
}

void QuickPanelController::toggle(std::optional<platform::Rect> buttonWindowFrame) {
  if (open_) {
    close();
    return;
  }
  // The click on the icon that took the key status away has already closed the panel: the same
  // click must not open it again.
  if (clock_.uptime() - closedAt_ < kReopenGuard) return;
  open(buttonWindowFrame);
}

void QuickPanelController::open(std::optional<platform::Rect> buttonWindowFrame) {
  if (facts_) model_.refresh(facts_());
  model_.selected.reset();
  render();
  double height = panel_->fittingSize().height;
  panel_->setFrame(placement(buttonWindowFrame, height));
  panel_->animateAlpha(1, 0, nullptr);
  panel_->makeKeyAndOrderFront();
  open_ = true;
  setHighlight(true);
}

platform::Rect QuickPanelController::placement(std::optional<platform::Rect> button, double height) {
  auto screens = screens_.screens();
  std::optional<platform::ScreenInfo> screen;
  if (button) {
    platform::Point centre{button->midX(), button->midY()};
    auto it = std::ranges::find_if(screens, [&](const auto& s) { return s.frame.contains(centre); });
    if (it != screens.end()) screen = *it;
  }
  if (!screen) screen = screens_.mainScreen();
  if (!screen && !screens.empty()) screen = screens.front();
  platform::Rect visible = screen ? screen->visibleFrame : platform::Rect{0, 0, 1440, 875};
  // Without the button's window the panel hangs from the top right, where status items live.
  platform::Rect anchor = button ? *button : platform::Rect{visible.maxX() - kScreenMargin, visible.maxY(), 0, 0};
  double x = anchor.midX() - kWidth / 2;
  x = std::min(x, visible.maxX() - kWidth - kScreenMargin);
  x = std::max(x, visible.minX() + kScreenMargin);
  double y = anchor.minY() - kGapBelowIcon - height;
  return {x, y, kWidth, height};
}

void QuickPanelController::close() {
  if (!open_) return;
  open_ = false;
  closedAt_ = clock_.uptime();
  setHighlight(false);
  std::weak_ptr<QuickPanelController*> weak = self_;
  panel_->animateAlpha(0, kFadeOut, [weak] {
    auto self = weak.lock();
    // Reopened during the fade: leave it on screen.
    if (self && !(*self)->open_) (*self)->panel_->orderOut();
  });
}

void QuickPanelController::refresh() {
  if (!open_) return;
  if (facts_) model_.refresh(facts_());
  render();
}

void QuickPanelController::mouseDown(platform::Point location) {
  if (open_ && !panel_->frame().contains(location)) close();
}

bool QuickPanelController::handleKey(const platform::PanelAction& key) {
  if (!open_ || !panel_->isKey()) return false;
  if (key.command) {
    auto it = shortcuts_.find(key.id);
    if (it == shortcuts_.end()) return false;
    run(it->second);
    return true;
  }
  if (key.id == "return" || key.id == "enter") {
    if (!model_.selected) return false;
    auto row = model_.rows.find(*model_.selected);
    if (row == model_.rows.end()) return false;
    run(row->second);
    return true;
  }
  if (key.id == "escape") {
    close();
    return true;
  }
  if (key.id == "down" || key.id == "up") {
    model_.moveSelection(key.id == "down" ? 1 : -1);
    render();
    return true;
  }
  return false;
}

void QuickPanelController::onAction(const platform::PanelAction& action) {
  using Kind = platform::PanelAction::Kind;
  switch (action.kind) {
    case Kind::key: (void)handleKey(action); return;
    case Kind::button:
    case Kind::select:
      if (auto command = commandNamed(action.id)) run(*command);
      return;
    case Kind::toggle:
      // Only the panel's own three switches; anything else a backend sends is ignored.
      if (action.id != base::prefkeys::kEnabled && action.id != base::prefkeys::kShowRibbonTips &&
          action.id != base::prefkeys::kLearningHints)
        return;
      (void)prefs_.assign(action.id, action.on ? "true" : "false");
      if (open_) render();
      return;
    case Kind::closed: close(); return;
    case Kind::text: return;
  }
}

void QuickPanelController::run(QuickPanelCommand command) {
  close();
  // The action may take the controller down with it (quit): nothing is touched after the call.
  if (auto action = actions_.of(command)) action();
}

void QuickPanelController::render() {
  view_ = std::make_shared<platform::views::QuickPanelView>(quickPanelView(model_, prefs_));
  panel_->setContent(view_);
}

void QuickPanelController::setHighlight(bool on) {
  highlighted_ = on;
  if (onHighlight) onHighlight(on);
}

}  // namespace corvane::app

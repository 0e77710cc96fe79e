#include "feedback/hud_controller.hpp"

#include <algorithm>

namespace corvane::feedback {
namespace {

// Windows this small are Excel's palettes and sheets, not a workbook.
constexpr platform::Size kSmallestWindow{400, 300};
// Where the ribbon ends when no key tips have measured it.
constexpr double kRibbonHeightGuess = 150;

}  // namespace

using platform::Point;
using platform::Rect;

HUDController::HUDController(platform::Panels& panels, platform::Screens& screens, platform::WindowList& windowList,
                             platform::Scheduler& scheduler, Sources sources)
    : screens_(screens),
      windowList_(windowList),
      scheduler_(scheduler),
      sources_(std::move(sources)),
      panel_(panels.create(platform::PanelKind::hud, {300, 60})) {
  panel_->setIgnoresMouse(true);
  // The sink outlives nothing: the panel dies with the controller.
  panel_->setActionSink([this](const platform::PanelAction& action) { onAction(action); });
}

void HUDController::cancelHide() {
  if (hideWork_) hideWork_->cancel();
  hideWork_.reset();
  // Whatever is shown next owns `state_`; a footer message's end must not touch it.
  cancelMessage();
}

void HUDController::cancelMessage() {
  if (messageWork_) messageWork_->cancel();
  messageWork_.reset();
}

void HUDController::scheduleHide(double seconds) {
  std::weak_ptr<HUDController> weak = weak_from_this();
  hideWork_ = scheduler_.main().after(seconds, [weak] {
    if (auto self = weak.lock()) {
      self->hideWork_.reset();
      self->panel_->orderOut();
    }
  });
}

void HUDController::showKeyList(const std::vector<std::string>& path, const std::vector<model::HUDOption>& options) {
  cancelHide();
  underIcon_.reset();
  auto library = sources_.library ? sources_.library() : nullptr;
  std::optional<std::string> title = library ? keyListTitle(*library, path) : std::nullopt;
  state_ = HUDState{path, title, withoutTitlePrefix(options, title), std::nullopt, false};
  content_ = Content::keyList;
  anchor_ = sources_.keyTipAnchor ? sources_.keyTipAnchor() : std::nullopt;
  bool always = sources_.keyListMode && sources_.keyListMode() == model::KeyListMode::always;
  placement_ = always ? Placement::bottom : Placement::belowRibbon;
  render();
}

void HUDController::showNotice(const std::string& message, bool isError, double seconds,
                               std::optional<Rect> underIcon, std::vector<std::string> lines,
                               std::optional<platform::views::Button> action) {
  cancelHide();
  underIcon_ = underIcon;
  state_ = HUDState{{}, std::nullopt, {}, message, isError};
  noticeLines_ = std::move(lines);
  noticeAction_ = std::move(action);
  content_ = Content::notice;
  placement_ = Placement::bottom;
  render();
  scheduleHide(seconds);
}

void HUDController::showKeyListMessage(const std::string& message, bool isError, double seconds) {
  if (content_ != Content::keyList || !isVisible()) return;
  cancelMessage();
  state_.message = message;
  state_.isError = isError;
  render();
  std::weak_ptr<HUDController> weak = weak_from_this();
  messageWork_ = scheduler_.main().after(seconds, [weak] {
    auto self = weak.lock();
    if (!self) return;
    self->messageWork_.reset();
    self->state_.message.reset();
    self->state_.isError = false;
    // Only the list that carried the message gets its hints back; anything shown since stays.
    if (self->content_ == Content::keyList && self->isVisible()) self->render();
  });
}

void HUDController::showBusy(const std::string& title) {
  cancelHide();
  // A run's line belongs to Excel's window, not under the menu-bar icon where a toggle notice was.
  underIcon_.reset();
  busyTitle_ = title;
  content_ = Content::busy;
  placement_ = Placement::belowRibbonCentered;
  render();
}

void HUDController::showProblem(const excel::RunProblem& problem, const std::string& keysLine,
                                std::function<void(excel::RunProblem::Fix)> fix) {
  cancelHide();
  underIcon_.reset();
  problem_ = problem;
  problemKeys_ = keysLine;
  fix_ = std::move(fix);
  content_ = Content::problem;
  placement_ = Placement::bottom;
  render();
  scheduleHide(problem.fixes.empty() ? 6.0 : 12.0);
}

void HUDController::hide() {
  cancelHide();
  panel_->orderOut();
}

void HUDController::onAction(const platform::PanelAction& action) {
  if (action.kind != platform::PanelAction::Kind::button) return;
  if (content_ == Content::notice) {
    if (noticeAction_ && action.id == noticeAction_->id && onNoticeAction) onNoticeAction(action.id);
    return;
  }
  if (content_ != Content::problem || !problem_) return;
  if (action.id == "dismiss" || action.id == "close") {
    hide();
    return;
  }
  for (auto fix : problem_->fixes) {
    if (action.id == excel::fixLabel(fix)) {
      // The callback may show something else; keep our own copy of it alive while it runs.
      auto callback = fix_;
      if (callback) callback(fix);
      return;
    }
  }
}

void HUDController::render() {
  std::shared_ptr<platform::views::View> view;
  switch (content_) {
    case Content::keyList:
      view = std::make_shared<platform::views::KeyListView>(buildKeyListView(state_, style_));
      break;
    case Content::notice: {
      auto notice = std::make_shared<platform::views::NoticeView>();
      notice->message = state_.message.value_or("");
      notice->isError = state_.isError;
      notice->lines = noticeLines_;
      notice->action = noticeAction_;
      view = notice;
      break;
    }
    case Content::busy: {
      auto busy = std::make_shared<platform::views::BusyView>();
      busy->title = busyTitle_;
      view = busy;
      break;
    }
    case Content::problem: {
      if (!problem_) return;
      auto p = std::make_shared<platform::views::ProblemView>();
      p->title = problem_->title;
      p->detail = problem_->detail;
      p->keysLine = problemKeys_;
      for (auto fix : problem_->fixes) {
        auto label = std::string(excel::fixLabel(fix));
        p->fixes.push_back({label, label});
      }
      view = p;
      break;
    }
  }
  view_ = view;
  panel_->setIgnoresMouse(!acceptsMouse());
  panel_->setCornerRadius(content_ == Content::busy ? 15 : 10);
  panel_->setContent(view);
  HUDPlacementInput place;
  place.size = panel_->fittingSize();
  place.screens = screens_.screens();
  place.pointerScreen = screens_.mainScreen();
  auto mouse = screens_.mouseLocation();
  for (const auto& s : place.screens) {
    if (s.frame.contains(mouse)) {
      place.pointerScreen = s;
      break;
    }
  }
  place.underIcon = underIcon_;
  place.placement = placement_;
  // Excel's window as it is now for a notice or a problem; the key list keeps to the window its
  // key tips were placed against, so the two agree.
  bool underIcon = underIcon_ && std::ranges::any_of(place.screens, [this](const platform::ScreenInfo& s) {
                    return s.frame.intersects(*underIcon_);
                  });
  if (content_ != Content::keyList && !underIcon) {
    if (auto pid = sources_.runningExcel ? sources_.runningExcel() : std::nullopt) {
      for (const auto& info : windowList_.onScreenWindows()) {
        if (info.ownerPid != *pid || info.layer != 0 || info.bounds.width <= kSmallestWindow.width ||
            info.bounds.height <= kSmallestWindow.height) {
          continue;
        }
        place.window = info.bounds;
        place.ribbonLine = (anchor_ && anchor_->ribbonBottom)
                               ? info.bounds.minY() + (*anchor_->ribbonBottom - anchor_->window.minY())
                               : info.bounds.minY() + kRibbonHeightGuess;
        break;
      }
    }
  }
  if (!place.window && anchor_) {
    place.window = anchor_->window;
    place.ribbonLine = anchor_->ribbonBottom.value_or(anchor_->window.minY() + kRibbonHeightGuess);
  }
  panel_->setFrame(hudFrame(place));
  panel_->orderFront();
}

}  // namespace corvane::feedback

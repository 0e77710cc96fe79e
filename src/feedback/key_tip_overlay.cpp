#include "feedback/key_tip_overlay.hpp"

#include "feedback/badge_geometry.hpp"

namespace corvane::feedback {

KeyTipOverlay::KeyTipOverlay(platform::Panels& panels, platform::Screens& screens, platform::TextMetrics& metrics)
    : panels_(panels), screens_(screens), metrics_(metrics) {}

void KeyTipOverlay::show(const std::vector<KeyTip>& tips, model::TipStyle style, model::TipSize size) {
  auto screens = screens_.screens();
  double top = screens.empty() ? 0 : screens.front().frame.maxY();
  auto metrics = badgeMetrics(size);
  std::vector<std::vector<platform::views::BadgeView>> perScreen(screens.size());
  for (const auto& tip : tips) {
    platform::Rect converted{tip.frame.minX(), top - tip.frame.maxY(), tip.frame.width, tip.frame.height};
    platform::Point centre{converted.midX(), converted.midY()};
    for (std::size_t i = 0; i < screens.size(); ++i) {
      // A tip just outside an edge (within 20 points) is still drawn on that screen.
      if (!screens[i].frame.grownBy(20).contains(centre)) continue;
      const auto& origin = screens[i].frame;
      platform::Rect local{converted.x - origin.x, converted.y - origin.y, converted.width, converted.height};
      double textWidth = metrics_.width(tip.text, metrics.fontSize, platform::FontWeight::medium);
      perScreen[i].push_back(layoutBadge(tip, local, textWidth, style, size, screens[i].backingScaleFactor));
      break;
    }
  }
  std::vector<bool> used(panelsByScreen_.size(), false);
  for (std::size_t i = 0; i < screens.size(); ++i) {
    if (perScreen[i].empty()) continue;
    ScreenPanel* slot = nullptr;
    for (std::size_t p = 0; p < panelsByScreen_.size(); ++p) {
      if (!used[p] && panelsByScreen_[p].screenFrame == screens[i].frame) {
        slot = &panelsByScreen_[p];
        used[p] = true;
        break;
      }
    }
    if (slot == nullptr) {
      auto panel = panels_.create(platform::PanelKind::keyTipOverlay, screens[i].frame.size());
      panel->setIgnoresMouse(true);
      panelsByScreen_.push_back({screens[i].frame, std::move(panel), nullptr});
      used.push_back(true);
      slot = &panelsByScreen_.back();
    }
    auto view = std::make_shared<platform::views::KeyTipOverlayView>();
    view->badges = std::move(perScreen[i]);
    slot->content = view;
    slot->panel->setContent(view);
    slot->panel->setFrame(screens[i].frame);
    slot->panel->orderFront();
  }
  for (std::size_t p = 0; p < panelsByScreen_.size(); ++p) {
    if (!used[p] && panelsByScreen_[p].panel->isVisible()) panelsByScreen_[p].panel->orderOut();
  }
}

void KeyTipOverlay::hide() {
  for (auto& slot : panelsByScreen_) {
    if (slot.panel->isVisible()) slot.panel->orderOut();
  }
}

std::vector<std::shared_ptr<const platform::views::KeyTipOverlayView>> KeyTipOverlay::visibleContent() const {
  std::vector<std::shared_ptr<const platform::views::KeyTipOverlayView>> out;
  for (const auto& slot : panelsByScreen_) {
    if (slot.panel->isVisible() && slot.content) out.push_back(slot.content);
  }
  return out;
}

}  // namespace corvane::feedback

#pragma once
// The badge windows: one transparent panel per screen that has badges, created on demand and kept
// for reuse. Main thread only; owned by the key-tip controller.

#include <memory>
#include <vector>

#include "feedback/key_tip.hpp"
#include "model/settings.hpp"
#include "platform/panels.hpp"
#include "platform/screens.hpp"
#include "platform/views/key_tip_overlay_view.hpp"

namespace corvane::feedback {

class KeyTipOverlay final {
 public:
  KeyTipOverlay(platform::Panels& panels, platform::Screens& screens, platform::TextMetrics& metrics);

  void show(const std::vector<KeyTip>& tips, model::TipStyle style, model::TipSize size);
  void hide();
  /// The content of every visible panel, in screen order (tests and pictures).
  [[nodiscard]] std::vector<std::shared_ptr<const platform::views::KeyTipOverlayView>> visibleContent() const;

 private:
  struct ScreenPanel {
    platform::Rect screenFrame;
    std::unique_ptr<platform::Panel> panel;
    std::shared_ptr<const platform::views::KeyTipOverlayView> content;
  };
  platform::Panels& panels_;
  platform::Screens& screens_;
  platform::TextMetrics& metrics_;
  std::vector<ScreenPanel> panelsByScreen_;
};

}  // namespace corvane::feedback

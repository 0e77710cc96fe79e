#pragma once
// The menu-bar panel: opens under the status icon, closes on Escape, a click outside or losing key
// status, and runs its commands from rows, switches and keys. Main thread only; created once by
// the shell and kept. The panels, screens, clock and preferences must outlive it.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/quick_panel_model.hpp"
#include "base/preferences.hpp"
#include "platform/clock.hpp"
#include "platform/panels.hpp"
#include "platform/screens.hpp"
#include "platform/views/quick_panel_view.hpp"

namespace corvane::app {

/// The panel's content for a model and the current settings.
[[nodiscard]] platform::views::QuickPanelView quickPanelView(const QuickPanelModel& model,
                                                             const base::Preferences& prefs);

class QuickPanelController final {
 public:
  static constexpr double kWidth = 300;
  static constexpr double kReopenGuard = 0.25;
  static constexpr double kFadeOut = 0.12;
  static constexpr double kScreenMargin = 8;
  static constexpr double kGapBelowIcon = 5;

  /// `facts` is asked every time the panel is about to open.
  QuickPanelController(platform::Panels& panels, platform::Screens& screens, platform::Clock& clock,
                       base::Preferences& prefs, QuickPanelActions actions, std::function<QuickPanelFacts()> facts);
  QuickPanelController(const QuickPanelController&) = delete;
  QuickPanelController& operator=(const QuickPanelController&) = delete;

  /// Opens the panel under the status item whose window has this frame (window coordinates), or
  /// closes it when open. Without a frame the panel opens at the top right of the main screen.
  void toggle(std::optional<platform::Rect> buttonWindowFrame);
  void close();
  /// Re-reads the facts and redraws while open (after a setting changed).
  void refresh();
  /// A mouse-down anywhere on the screen (window coordinates): outside the panel it closes it.
  void mouseDown(platform::Point location);
  /// A key from the panel; true when the panel used it, false when it passes on.
  bool handleKey(const platform::PanelAction& key);

  [[nodiscard]] bool isOpen() const { return open_; }
  [[nodiscard]] const QuickPanelModel& model() const { return model_; }
  [[nodiscard]] const platform::Panel& panel() const { return *panel_; }
  [[nodiscard]] bool buttonHighlighted() const { return highlighted_; }
  [[nodiscard]] std::shared_ptr<const platform::views::QuickPanelView> currentView() const { return view_; }

  /// Told when the status item's button should be drawn highlighted or not.
  std::function<void(bool)> onHighlight;

 private:
  void open(std::optional<platform::Rect> buttonWindowFrame);
  [[nodiscard]] platform::Rect placement(std::optional<platform::Rect> buttonWindowFrame, double height);
  void render();
  void onAction(const platform::PanelAction& action);
  /// Closes first (a command may open a window that should get the focus), then runs.
  void run(QuickPanelCommand command);
  void setHighlight(bool on);

  platform::Screens& screens_;
  platform::Clock& clock_;
  base::Preferences& prefs_;
  QuickPanelActions actions_;
  std::function<QuickPanelFacts()> facts_;
  std::unique_ptr<platform::Panel> panel_;
  QuickPanelModel model_;
  std::shared_ptr<const platform::views::QuickPanelView> view_;
  std::map<std::string, QuickPanelCommand> shortcuts_;
  bool open_ = false;
  bool highlighted_ = false;
  double closedAt_ = -1e9;
  std::shared_ptr<QuickPanelController*> self_ = std::make_shared<QuickPanelController*>(this);
};

}  // namespace corvane::app

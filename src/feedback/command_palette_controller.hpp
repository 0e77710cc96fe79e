#pragma once
// The command palette's panel: shows the model as a PaletteView, turns the user's typing and keys
// into model changes, and keeps its top edge still while the result list grows and shrinks. Main
// thread only; owned by the shell for the life of the program (the model stays between openings).

#include <memory>
#include <optional>
#include <vector>

#include "base/observable.hpp"
#include "feedback/palette_model.hpp"
#include "platform/panels.hpp"
#include "platform/screens.hpp"
#include "platform/views/palette_view.hpp"

namespace corvane::feedback {

class CommandPaletteController final {
 public:
  static constexpr double kWidth = 600;

  CommandPaletteController(platform::Panels& panels, platform::Screens& screens, model::LibraryPtr library,
                           std::function<std::vector<std::string>()> recent);
  CommandPaletteController(const CommandPaletteController&) = delete;
  CommandPaletteController& operator=(const CommandPaletteController&) = delete;

  [[nodiscard]] PaletteModel& model() { return model_; }
  void setStyle(model::TipStyle style);

  /// Shows the panel on the main screen, makes it key and lists the current results.
  void open();
  /// Orders the panel out (Escape, a run, or the panel losing key status).
  void close();
  [[nodiscard]] bool isOpen() const { return panel_->isVisible(); }
  [[nodiscard]] std::shared_ptr<const platform::views::PaletteView> currentView() const { return view_; }

  /// The view for the model's current state (also used by pictures and the command line).
  [[nodiscard]] static platform::views::PaletteView buildView(const PaletteModel& model, model::TipStyle style);

 private:
  void render();
  void onAction(const platform::PanelAction& action);

  platform::Screens& screens_;
  PaletteModel model_;
  std::unique_ptr<platform::Panel> panel_;
  std::vector<base::Subscription> subscriptions_;
  std::optional<double> top_;
  model::TipStyle style_ = model::TipStyle::office;
  std::shared_ptr<const platform::views::PaletteView> view_;
};

}  // namespace corvane::feedback

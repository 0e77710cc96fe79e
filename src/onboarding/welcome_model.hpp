#pragma once
// The first-run welcome: access, a practised first shortcut (⌥ H O I) and tips. The shell feeds the
// practice from the sequence engine's effects and shows the window. Main thread only; owned by the
// shell, created with the welcome window on first use.

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "base/app_status.hpp"
#include "base/observable.hpp"
#include "model/settings.hpp"
#include "platform/views/welcome_view.hpp"

namespace corvane::onboarding {

class WelcomeModel final {
 public:
  /// The page shown: 1 access, 2 practice, 3 tips.
  base::Published<int> step{1};
  base::Published<std::string> searchInstruction{std::string(model::searchInstruction(model::SearchTrigger::doubleTapOption))};
  /// 0 nothing yet, 1 ⌥ tapped, 2 H pressed, 3 O pressed, 4 the shortcut ran.
  base::Published<int> progress{0};

  /// Closes the window ("Skip for now", "Done").
  std::function<void()> close;
  /// The shell's openAccessibilitySettings.
  std::function<void()> openAccessibilitySettings;

  /// The shell's showWelcome: back to the first page; the practice keeps its progress.
  void showWelcome();
  /// The window went away (its buttons or its close box); the practice stops listening.
  void windowClosed();
  [[nodiscard]] bool isShowing() const { return showing_; }

  void setSearchTrigger(model::SearchTrigger trigger);

  /// A show effect for `path`.
  void practiceShow(std::span<const std::string> path);
  /// A run effect for a shortcut with `keys`.
  void practiceRun(std::span<const std::string> keys);

  void perform(platform::views::WelcomeAction action);

  [[nodiscard]] platform::views::WelcomeView view(const base::AppStatus& status) const;

 private:
  [[nodiscard]] bool practising() const { return showing_ && step.get() == 2; }
  void finish();

  bool showing_ = false;
};

}  // namespace corvane::onboarding

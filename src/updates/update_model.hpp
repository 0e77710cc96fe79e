#pragma once
// The model of the "Software Update" window: the stage of the update flow and the buttons'
// callbacks, which the update driver replaces as each stage begins. Main thread only; owned by the
// shell for the life of the process.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "base/observable.hpp"
#include "platform/panels.hpp"
#include "platform/views/update_view.hpp"

namespace corvane::updates {

namespace stage {
struct Found {
  std::string version;
  std::vector<std::string> notes;
  friend bool operator==(const Found&, const Found&) = default;
};
struct Downloading {
  std::uint64_t received = 0;
  std::uint64_t total = 0;  ///< 0 while unknown
  friend bool operator==(const Downloading&, const Downloading&) = default;
};
struct Failed {
  std::string message;
  bool whileChecking = false;
  friend bool operator==(const Failed&, const Failed&) = default;
};
struct Checking {
  friend bool operator==(const Checking&, const Checking&) = default;
};
struct Preparing {
  friend bool operator==(const Preparing&, const Preparing&) = default;
};
struct Ready {
  friend bool operator==(const Ready&, const Ready&) = default;
};
struct Installing {
  friend bool operator==(const Installing&, const Installing&) = default;
};
struct UpToDate {
  friend bool operator==(const UpToDate&, const UpToDate&) = default;
};
}  // namespace stage

/// The cases in declaration order.
using Stage = std::variant<stage::Found, stage::Downloading, stage::Failed, stage::Checking, stage::Preparing,
                           stage::Ready, stage::Installing, stage::UpToDate>;

class UpdateModel final {
 public:
  /// None until the framework's first callback.
  base::Published<std::optional<Stage>> stage;
  /// The version of the update on offer (the menu-bar panel shows it).
  base::Published<std::optional<std::string>> waitingVersion;
  base::Published<bool> autoCheck{false};
  base::Published<bool> autoInstall{false};

  std::function<void(bool)> onAutoCheck;
  std::function<void(bool)> onAutoInstall;
  std::function<void()> install;
  std::function<void()> skip;
  std::function<void()> later;
  std::function<void()> cancel;
  std::function<void()> relaunch;
  std::function<void()> installOnQuit;
  std::function<void()> acknowledge;

  /// The switches as the user sets them: published, then handed to the updater.
  void setAutoCheck(bool on);
  void setAutoInstall(bool on);

  /// A button or the check box of the window; `checked` is the check box's new state.
  void perform(platform::views::UpdateAction action, bool checked = false);
  /// What the window's view sent: a button by its action's name, the check box as a toggle.
  void handle(const platform::PanelAction& action);

  [[nodiscard]] bool isFound() const;
  /// True when the stage is `S`.
  template <typename S>
  [[nodiscard]] bool is() const {
    return stage.get().has_value() && std::holds_alternative<S>(*stage.get());
  }
};

}  // namespace corvane::updates

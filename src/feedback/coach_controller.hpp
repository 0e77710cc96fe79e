#pragma once
// Learning hints: when the user clicks a ribbon control or a menu item with the mouse, works out the
// Option-key shortcut that does the same and shows it in a small capsule by Excel's Share button,
// until the shortcut has been typed three times. Clicks are identified on the serial queue
// "app.corvane.coach"; the hint, `recordUse` and the settings are main-thread calls. Owned by the
// shell through a shared_ptr; queued work and timers hold it weakly.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "excel/excel_app.hpp"
#include "feedback/key_tip.hpp"
#include "model/settings.hpp"
#include "model/shortcut_library.hpp"
#include "platform/defaults.hpp"
#include "platform/panels.hpp"
#include "platform/scheduler.hpp"
#include "platform/screens.hpp"

namespace corvane::feedback {

class CoachController final : public std::enable_shared_from_this<CoachController> {
 public:
  /// The defaults key of the use counts: key-path text → times typed.
  static constexpr const char* kUsesKey = "learningHintUses";
  static constexpr int kLearnedUses = 3;
  static constexpr double kMenuFreshSeconds = 20;
  static constexpr double kRepeatSeconds = 120;
  static constexpr double kBelowRibbonPoints = 40;
  static constexpr double kHintHeight = 28;
  static constexpr double kFadeSeconds = 0.15;
  static constexpr double kShowSeconds = 4.5;

  struct Services {
    excel::ExcelServices excel;
    platform::Scheduler& scheduler;
    platform::Defaults& defaults;
    platform::Panels& panels;
    platform::Screens& screens;
  };

  /// Where the hint goes: Excel's Share button and window, in accessibility coordinates.
  struct Place {
    std::optional<platform::Rect> share;
    std::optional<platform::Rect> window;
  };

  /// What a click stands for.
  struct Identified {
    std::string name;
    std::vector<std::string> keys;
    friend bool operator==(const Identified&, const Identified&) = default;
  };

  CoachController(const Services& services, model::LibraryPtr library);

  void setLibrary(model::LibraryPtr library);
  void setEnabled(bool enabled) { enabled_ = enabled; }
  void setStyle(model::TipStyle style) { style_ = style; }
  [[nodiscard]] bool enabled() const { return enabled_; }

  /// Called when the user presses the hint's turn-off button.
  std::function<void()> onTurnOff;

  /// A mouse click in Excel at `point` (accessibility coordinates), with the key tips' anchor.
  void handleClick(platform::Point point, std::int32_t pid, std::optional<HUDAnchor> anchor);

  /// A shortcut typed by its keys.
  void recordUse(const std::vector<std::string>& keys);
  /// Takes the hint away now (Excel left the front, a shortcut ran, hints were turned off).
  void dismiss();
  [[nodiscard]] bool isLearned(const std::vector<std::string>& keys) const;
  [[nodiscard]] int learnedCount() const;

  /// Shows the hint unless that key path was hinted in the last 120 s (main thread).
  void showHint(const std::string& name, const std::vector<std::string>& keys, const Place& place);

  /// The shortcut a click at `point` stands for (on the coach queue; public for tests).
  [[nodiscard]] std::optional<Identified> identify(const excel::ExcelApp& excel, platform::Point point);

  [[nodiscard]] const platform::Panel& panel() const { return *panel_; }
  [[nodiscard]] platform::Queue& queue() { return *queue_; }

 private:
  using Index = std::map<std::string, std::map<std::string, std::vector<std::string>>>;
  void clickOnQueue(platform::Point point, std::int32_t pid, std::optional<HUDAnchor> anchor);
  [[nodiscard]] bool belowTheRibbon(const excel::ExcelApp& excel, platform::Point point,
                                    const std::optional<HUDAnchor>& anchor) const;
  [[nodiscard]] Place findPlace(const excel::ExcelApp& excel, platform::Point point) const;
  [[nodiscard]] const Index& index(const model::LibraryPtr& library);
  [[nodiscard]] model::LibraryPtr currentLibrary() const;
  [[nodiscard]] std::map<std::string, std::int64_t> uses() const;
  void onAction(const platform::PanelAction& action);

  struct OpenMenu {
    std::vector<std::string> keys;
    double at = 0;
  };

  excel::ExcelServices services_;
  platform::Scheduler& scheduler_;
  platform::Defaults& defaults_;
  platform::Screens& screens_;
  mutable std::mutex libraryLock_;
  model::LibraryPtr library_;
  bool enabled_ = true;
  model::TipStyle style_ = model::TipStyle::office;
  std::shared_ptr<platform::Queue> queue_;
  // Coach queue only.
  std::optional<Index> index_;
  model::LibraryPtr indexedLibrary_;  ///< held, so a new library can never look like the old one
  std::optional<OpenMenu> openMenu_;
  // Main thread only.
  std::map<std::string, double> lastShown_;
  std::unique_ptr<platform::Panel> panel_;
  platform::WorkHandle hideWork_;
  std::uint64_t shownCount_ = 0;
};

}  // namespace corvane::feedback

#pragma once
// What the user sees while a key sequence is open: the status icon's listening look, the key list as
// the key-list mode and the key tips' outcome decide, the wrong-key footer, and the one-time notice
// about Excel's own KeyTips, held back until nothing else needs the key-list panel. Main thread only;
// owned by the shell, which hands it the engine's effects and the key tips' outcomes.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/app_status.hpp"
#include "base/preferences.hpp"
#include "engine/engine_effect.hpp"
#include "feedback/excel_key_tips.hpp"
#include "feedback/hud_controller.hpp"
#include "feedback/key_tip_controller.hpp"
#include "model/shortcut_library.hpp"
#include "platform/defaults.hpp"

namespace corvane::app {

/// The key list waiting for the key tips' outcome.
struct PendingList {
  std::vector<std::string> path;
  std::vector<model::HUDOption> options;
  friend bool operator==(const PendingList&, const PendingList&) = default;
};

class SequenceFeedback {
 public:
  /// What the feedback reads and tells; every reference and function must outlive it.
  struct Services {
    feedback::HUDController& hud;
    feedback::KeyTipController& keyTips;
    base::Preferences& prefs;
    base::AppStatus& status;
    platform::Defaults& defaults;
    /// The path of the sequence open now; none when no sequence is open.
    std::function<std::optional<std::vector<std::string>>()> enginePath;
    /// Excel's process while it is in front.
    std::function<std::optional<std::int32_t>()> excelPID;
    /// A run's busy line is waiting to show, or showing.
    std::function<bool()> runBusy;
    std::function<void()> beep;
    /// The status icon's look changed.
    std::function<void()> iconChanged;
    std::function<void(const std::string&)> log;
  };

  /// How long the wrong-key footer stays before the list's hints come back.
  static constexpr double kInvalidKeySeconds = 1.4;

  explicit SequenceFeedback(Services services);
  SequenceFeedback(const SequenceFeedback&) = delete;
  SequenceFeedback& operator=(const SequenceFeedback&) = delete;

  /// A level opened: the icon listens, the key list shows now or waits for the key tips' outcome, as
  /// the key-list mode says, and the badges are asked for while Excel is in front.
  void showLevel(const engine::ShowEffect& show);
  /// A key that continues nothing: a beep, and a footer in the key list when it shows.
  void invalidKey(const engine::InvalidKeyEffect& invalid);
  /// The sequence ended: the key list and badges go and the icon stops listening.
  void hide();
  /// A click called the sequence off; as `hide`, then the notice may come.
  void mouseCancel();
  /// The search takes the sequence's place: its key list and badges go.
  void hideForSearch();
  /// The key tips' outcome for the pending key list: `count` badges showing.
  void tipsShown(int count);
  /// Excel's own KeyTips were found showing and dealt with.
  void excelKeyTipsMet(const feedback::ExcelKeyTipsMet& met);
  /// Shows the notice about Excel's KeyTips once nothing else needs the key-list panel: no sequence
  /// open, no run's busy line.
  void showExcelKeyTipsNoticeWhenFree();

  [[nodiscard]] const std::optional<PendingList>& pendingList() const { return pendingList_; }
  [[nodiscard]] bool iconListening() const { return iconListening_; }

 private:
  /// Hides the HUD only when it shows the sequence's key list or a run's busy line.
  void hidePanels();

  Services services_;
  std::optional<PendingList> pendingList_;
  /// The key list of the sequence open now, for when its badges are taken away.
  std::optional<PendingList> shownList_;
  /// The notice about Excel's KeyTips is due; true: Escape took them away.
  std::optional<bool> excelKeyTipsNotice_;
  bool excelKeyTipsLogged_ = false;
  bool iconListening_ = false;
};

}  // namespace corvane::app

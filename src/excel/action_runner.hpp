#pragma once
// Runs shortcuts against Excel on the serial "app.corvane.actions" queue, one at a time (key-tip
// scans and the shortcut check share the queue, so nothing overlaps a run). Completions hop back to
// the main queue. Created once by the shell and kept for the program's life.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "excel/action_error.hpp"
#include "excel/excel_app.hpp"
#include "excel/folded_groups.hpp"
#include "excel/key_tip_access.hpp"
#include "excel/ribbon_model.hpp"
#include "excel/run_problem.hpp"
#include "excel/shortcut_check.hpp"
#include "model/shortcut.hpp"
#include "platform/scheduler.hpp"

namespace corvane::excel {

class ActionRunner final {
 public:
  using Completion = std::function<void(std::optional<RunProblem>)>;
  using LogSink = std::function<void(const std::string&)>;

  ActionRunner(platform::Scheduler& scheduler, const ExcelServices& services, LogSink log);
  ActionRunner(const ActionRunner&) = delete;
  ActionRunner& operator=(const ActionRunner&) = delete;

  /// The actions queue, shared with key-tip scans.
  [[nodiscard]] platform::Queue& queue() const { return *queue_; }
  [[nodiscard]] const ExcelServices& services() const { return services_; }
  /// The key tips share the runner's ribbon model from now on.
  void setKeyTips(std::weak_ptr<KeyTipAccess> keyTips);

  /// Returns at once; the run happens on the queue and `completion` gets the problem (or none) on
  /// the main queue.
  void run(model::Shortcut shortcut, std::int32_t pid, Completion completion);
  /// Cancels every run started so far, in flight or queued (the user pressed Escape or tapped ⌥
  /// again): each stops before its next step or call, posts nothing more, logs "cancelled" and
  /// reports no problem. Any thread.
  void cancelRuns() { ++cancelled_; }

  /// Checks the shortcuts against Excel on the queue; `completion` gets the report on the main
  /// queue. `dateText` goes into the report's header.
  void check(std::vector<model::Shortcut> shortcuts, std::int32_t pid, std::string dateText,
             std::function<void(ShortcutCheckReport)> completion);

  /// The step interpreter (recursive for firstOf and sequence); used on the queue.
  [[nodiscard]] ActionStatus performStep(const ExcelApp& excel, const model::Step& step) const;

  /// The run itself, on the calling queue; returns the problem, or none on success. Bounded: every
  /// reference carries a 2 s timeout, the first call Excel leaves unanswered ends the run, and the
  /// run has an overall deadline (`runBudget`). An exception inside becomes the could-not-run problem.
  [[nodiscard]] std::optional<RunProblem> runNow(const model::Shortcut& shortcut, std::int32_t pid,
                                                 std::function<bool()> cancelled = {}) const;

  /// Seconds a run may take: a base for Excel's own delays plus whatever its steps ask to wait.
  [[nodiscard]] static double runBudget(const model::Shortcut& shortcut);

  /// Where runs and checks found controls of folded ribbon groups, for the program's life.
  [[nodiscard]] FoldedGroupMemory& foldedGroupMemory() const { return *folded_; }
  /// What runs, the check and the key tips learned of the ribbon, reused while it holds.
  [[nodiscard]] const std::shared_ptr<RibbonModel>& ribbonModel() const { return ribbon_; }

  /// Per-reference messaging timeout of runs and the check.
  static constexpr double kMessagingTimeout = 2.0;
  /// The check's overall deadline (its busy notice hides itself after 30 s).
  static constexpr double kCheckBudget = 30.0;
  /// A wait step sleeps in slices this long, checking the deadline and a cancel in between.
  static constexpr double kWaitSlice = 0.05;
  /// For closing the menus of a run the user called off (waiting for one still coming included).
  static constexpr double kCalledOffTidyBudget = 2.0;

 private:
  /// The problem, or none; `tipsShowedRibbon` is set when key tips had shown a collapsed ribbon.
  [[nodiscard]] std::optional<RunProblem> runSteps(const ExcelApp& excel, const model::Shortcut& shortcut,
                                                   std::string& route, bool& tipsShowedRibbon) const;
  [[nodiscard]] bool tryKeyTipPath(const ExcelApp& excel, const model::Shortcut& shortcut,
                                   bool& tipsShowedRibbon) const;

  platform::Scheduler& scheduler_;
  ExcelServices services_;
  LogSink log_;
  std::shared_ptr<platform::Queue> queue_;
  std::weak_ptr<KeyTipAccess> keyTips_;
  std::atomic<std::uint64_t> cancelled_{0};  ///< how many times runs were cancelled
  std::shared_ptr<FoldedGroupMemory> folded_ = std::make_shared<FoldedGroupMemory>();
  std::shared_ptr<RibbonModel> ribbon_ = std::make_shared<RibbonModel>();
};

}  // namespace corvane::excel

#pragma once
// Runs shortcuts against Excel on the serial "app.corvane.actions" queue, one at a time (key-tip
// scans and the shortcut check share the queue, so nothing overlaps a run). Completions hop back to
// the main queue. Created once by the shell and kept for the program's life.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "excel/action_error.hpp"
#include "excel/excel_app.hpp"
#include "excel/key_tip_access.hpp"
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
  void setKeyTips(std::weak_ptr<KeyTipAccess> keyTips) { keyTips_ = std::move(keyTips); }

  /// Returns at once; the run happens on the queue and `completion` gets the problem (or none) on
  /// the main queue.
  void run(model::Shortcut shortcut, std::int32_t pid, Completion completion);

  /// Checks the shortcuts against Excel on the queue; `completion` gets the report on the main
  /// queue. `dateText` goes into the report's header.
  void check(std::vector<model::Shortcut> shortcuts, std::int32_t pid, std::string dateText,
             std::function<void(ShortcutCheckReport)> completion);

  /// The step interpreter (recursive for firstOf and sequence); used on the queue.
  [[nodiscard]] ActionStatus performStep(const ExcelApp& excel, const model::Step& step) const;

  /// The run itself, on the calling queue; returns the problem, or none on success.
  [[nodiscard]] std::optional<RunProblem> runNow(const model::Shortcut& shortcut, std::int32_t pid) const;

 private:
  [[nodiscard]] bool tryKeyTipPath(const ExcelApp& excel, const model::Shortcut& shortcut) const;

  platform::Scheduler& scheduler_;
  ExcelServices services_;
  LogSink log_;
  std::shared_ptr<platform::Queue> queue_;
  std::weak_ptr<KeyTipAccess> keyTips_;
};

}  // namespace corvane::excel

#include "cli/live_excel.hpp"

#if defined(__APPLE__)
#include "platform/macos/mac_accessibility.hpp"
#include "platform/macos/mac_clock.hpp"
#include "platform/macos/mac_input_poster.hpp"
#include "platform/macos/mac_scheduler.hpp"
#include "platform/macos/mac_window_list.hpp"
#include "platform/macos/mac_workspace.hpp"
#endif

namespace corvane::cli {

#if defined(__APPLE__)

namespace {

class MacLiveExcel final : public LiveExcel {
 public:
  explicit MacLiveExcel(std::int32_t pid) : pid_(pid) {}
  [[nodiscard]] const excel::ExcelServices& services() const override { return services_; }
  [[nodiscard]] platform::Scheduler& scheduler() override { return scheduler_; }
  [[nodiscard]] std::int32_t pid() const override { return pid_; }
  platform::macos::MacAccessibility& ax() { return ax_; }

 private:
  std::int32_t pid_;
  platform::macos::MacAccessibility ax_;
  platform::macos::MacWindowList windows_;
  platform::macos::MacInputPoster input_;
  platform::macos::MacClock clock_;
  platform::macos::MacScheduler scheduler_;
  excel::ExcelServices services_{ax_, windows_, input_, clock_};
};

}  // namespace

std::expected<std::unique_ptr<LiveExcel>, std::string> openLiveExcel() {
  platform::macos::MacWorkspace workspace;
  std::int32_t pid = 0;
  for (const auto& app : workspace.runningApplications()) {
    if (app.bundleIdentifier == "com.microsoft.Excel") pid = app.pid;
  }
  if (pid == 0) return std::unexpected(std::string("Excel is not running: open it with a workbook first"));
  auto live = std::make_unique<MacLiveExcel>(pid);
  if (!live->ax().isTrusted(true)) {
    return std::unexpected(std::string(
        "this terminal may not use the Accessibility interface: allow it in System Settings › Privacy & Security › "
        "Accessibility, then run again"));
  }
  return live;
}

#else

std::expected<std::unique_ptr<LiveExcel>, std::string> openLiveExcel() {
  return std::unexpected(std::string(
      "--live acts on the running Excel and needs a Mac; here, --fixture names a simulated Excel"));
}

#endif

}  // namespace corvane::cli

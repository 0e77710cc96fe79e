#pragma once
// The running Excel, for `check --live` and `run --live`: the platform's own services (a Mac's) in
// place of the simulated desktop. Elsewhere there is no Excel to act on, and opening says so.

#include <cstdint>
#include <expected>
#include <memory>
#include <string>

#include "excel/excel_app.hpp"
#include "platform/scheduler.hpp"

namespace corvane::cli {

class LiveExcel {
 public:
  virtual ~LiveExcel() = default;
  [[nodiscard]] virtual const excel::ExcelServices& services() const = 0;
  [[nodiscard]] virtual platform::Scheduler& scheduler() = 0;
  [[nodiscard]] virtual std::int32_t pid() const = 0;
};

/// Excel as it runs now, or why it cannot be reached (not a Mac, no permission, not running).
[[nodiscard]] std::expected<std::unique_ptr<LiveExcel>, std::string> openLiveExcel();

}  // namespace corvane::cli

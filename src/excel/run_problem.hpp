#pragma once
// What the key-list panel shows when a run fails: title, detail, fix buttons, and the log reason.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "excel/action_error.hpp"

namespace corvane::excel {

struct RunProblem {
  enum class Fix { widenExcel, tryAgain, languageSettings, report, whatsNew, allowAccess };

  std::string title;
  std::string detail;
  std::vector<Fix> fixes;
  std::string reason;  ///< the error's text form, for the activity log

  friend bool operator==(const RunProblem&, const RunProblem&) = default;
};

/// The button label of a fix ("Widen Excel", "Try Again", …).
[[nodiscard]] std::string_view fixLabel(RunProblem::Fix fix);

/// Context known after a failed run; none means undetermined.
struct RunContext {
  std::optional<bool> narrow;
  std::optional<bool> english;
};

/// Whether the context checks apply to an error of this kind (they do not for greyed-out controls,
/// dialog time-outs, a missing workbook, or an Excel that stopped answering).
[[nodiscard]] bool needsContext(ActionError::Kind kind);

[[nodiscard]] RunProblem makeProblem(const ActionError& error, const std::string& shortcutName,
                                     const RunContext& context);

}  // namespace corvane::excel

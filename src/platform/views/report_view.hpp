#pragma once
// What the "Report a Problem" window draws. Built by the problem report from its model; the
// backend sends back the typed text (`text`), the two switches (`toggle` with id "includeLog" or
// "showIncluded") and the send button (`button` "send").

#include <optional>
#include <string>

#include "platform/views/view.hpp"

namespace corvane::platform::views {

struct ReportView : View {
  std::string windowTitle = "Report a Problem";
  std::string fieldLabel = "What happened?";
  std::string placeholder = "For example: ⌥ H W did nothing in my workbook.";
  std::string details;
  std::string includeLogTitle = "Include the activity log";
  std::string includeLogLine;  ///< under the switch: what the log holds ("The last 200 lines: which shortcuts ran…")
  bool includeLog = true;
  std::string includedTitle = "What's included";
  bool showIncluded = false;
  std::string included;  ///< the preview, filled while `showIncluded`
  std::string privacyNote =
      "Nothing from your spreadsheets is included: the log holds shortcut names, timings and errors only. You'll "
      "see the email before it's sent.";
  std::optional<std::string> notice;
  Button send{"send", "Send…"};
  friend bool operator==(const ReportView&, const ReportView&) = default;
};

}  // namespace corvane::platform::views

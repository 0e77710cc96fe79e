#pragma once
// The problem report: what the user typed, a block of system information and the activity log's
// tail, handed to the e-mail service or, when there is none, saved as a text file on the Desktop.
// Main thread only; created by the shell on first use and kept. Everything it is given must
// outlive it.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/activity_log.hpp"
#include "base/preferences.hpp"
#include "platform/clock.hpp"
#include "platform/files.hpp"
#include "platform/panels.hpp"
#include "platform/paths.hpp"
#include "platform/views/report_view.hpp"
#include "platform/workspace.hpp"

namespace corvane::app {

/// The facts of the system-information block, gathered by the shell when the report is built.
struct ReportFacts {
  std::string version;               ///< the short version ("2.1")
  std::optional<std::string> build;  ///< the build number
  std::string osVersion;
  std::string macModel;                     ///< the "hw.model" value
  std::optional<std::string> excelVersion;  ///< of the installed Excel, none when not found
  bool excelRunning = false;
  bool trusted = false;
  bool listening = false;  ///< the keyboard tap runs
  int shortcutCount = 0;
  int ownShortcutCount = 0;
  int warningCount = 0;
  bool excelKeyTipsSeen = false;  ///< Excel's own KeyTips were ever seen answering ⌥
};

/// The eight lines of system information.
[[nodiscard]] std::string systemInfo(const ReportFacts& facts, const base::Preferences& prefs);

struct ReportModel {
  std::string details;
  bool includeLog = true;
  bool showIncluded = false;
  std::optional<std::string> notice;
  std::function<std::string()> systemInfo;
};

class ProblemReport final {
 public:
  static constexpr const char* kFeedbackPrefill = "Feedback on the Corvane beta:";
  static constexpr const char* kLogFileName = "Corvane activity log.txt";
  static constexpr const char* kSavedNotice =
      "No email app is set up, so the report was saved to your Desktop. Send it from any email account.";

  enum class Outcome { emailed, savedToDesktop, failed };

  struct Config {
    std::string version;         ///< for the subject line
    std::string supportAddress;  ///< the e-mail's recipient
  };

  ProblemReport(platform::Files& files, platform::Workspace& workspace, platform::Panels& panels,
                platform::Clock& clock, platform::Paths paths, base::ActivityLog& log, Config config,
                std::function<std::string()> systemInfo);
  ~ProblemReport() { removeAttachment(); }
  ProblemReport(const ProblemReport&) = delete;
  ProblemReport& operator=(const ProblemReport&) = delete;

  /// Opens (or brings forward) the window; a prefill replaces the description, and without one a
  /// hidden window starts empty while a visible one keeps what the user typed.
  void open(const std::optional<std::string>& prefill = std::nullopt);
  /// "What happened:", the description, "---" and the system information.
  [[nodiscard]] std::string body() const;
  /// What "What's included" shows: the body and, with `includeLog`, the log's tail.
  [[nodiscard]] std::string preview() const;
  /// Hands the report to the e-mail service, else saves it on the Desktop.
  Outcome send();

  [[nodiscard]] const ReportModel& model() const { return model_; }
  void setDetails(std::string details);
  void setIncludeLog(bool on);
  void setShowIncluded(bool on);
  [[nodiscard]] bool isVisible() const { return window_ && window_->isVisible(); }
  [[nodiscard]] std::shared_ptr<const platform::views::ReportView> currentView() const { return view_; }
  /// The Desktop file's path for the current day.
  [[nodiscard]] std::string desktopFile() const;
  /// Where the last report was saved: the day's file, or "… (2).txt" after it for another the same day.
  [[nodiscard]] const std::optional<std::string>& savedFile() const { return savedFile_; }

 private:
  void render();
  void onAction(const platform::PanelAction& action);

  [[nodiscard]] std::string unusedDesktopFile() const;
  /// The log written for a mail, in a folder of its own; none when the mail could not take it.
  [[nodiscard]] std::optional<std::string> writeAttachment(const std::string& tail);
  void removeAttachment();

  platform::Files& files_;
  platform::Workspace& workspace_;
  platform::Panels& panels_;
  platform::Clock& clock_;
  platform::Paths paths_;
  base::ActivityLog& log_;
  Config config_;
  ReportModel model_;
  std::unique_ptr<platform::Panel> window_;
  std::optional<std::string> attachment_;
  std::optional<std::string> savedFile_;
  std::shared_ptr<const platform::views::ReportView> view_;
  std::shared_ptr<ProblemReport*> self_ = std::make_shared<ProblemReport*>(this);
};

}  // namespace corvane::app

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvane::platform {

/// A running application as the workspace reports it.
struct RunningApp {
  std::int32_t pid = 0;
  std::string bundleIdentifier;  ///< "com.microsoft.Excel" for Excel
  std::string name;              ///< the localized name ("Microsoft Excel")
  friend bool operator==(const RunningApp&, const RunningApp&) = default;
};

/// The workspace notifications the shell listens to.
enum class WorkspaceEventKind {
  didActivateApplication,
  didLaunchApplication,
  didTerminateApplication,
  didWake,
  screensDidWake,
  sessionDidBecomeActive,
  screenIsUnlocked,  ///< the distributed "com.apple.screenIsUnlocked"
};

struct WorkspaceEvent {
  WorkspaceEventKind kind = WorkspaceEventKind::didWake;
  /// The system's notification name ("NSWorkspaceDidWakeNotification", "com.apple.screenIsUnlocked").
  std::string name;
  /// The application the notification is about (activate, launch, terminate).
  std::optional<RunningApp> app;
};

/// The system's canonical notification name of each kind, shared by every backend.
[[nodiscard]] inline std::string workspaceEventName(WorkspaceEventKind kind) {
  switch (kind) {
    case WorkspaceEventKind::didActivateApplication: return "NSWorkspaceDidActivateApplicationNotification";
    case WorkspaceEventKind::didLaunchApplication: return "NSWorkspaceDidLaunchApplicationNotification";
    case WorkspaceEventKind::didTerminateApplication: return "NSWorkspaceDidTerminateApplicationNotification";
    case WorkspaceEventKind::didWake: return "NSWorkspaceDidWakeNotification";
    case WorkspaceEventKind::screensDidWake: return "NSWorkspaceScreensDidWakeNotification";
    case WorkspaceEventKind::sessionDidBecomeActive: return "NSWorkspaceSessionDidBecomeActiveNotification";
    case WorkspaceEventKind::screenIsUnlocked: return "com.apple.screenIsUnlocked";
  }
  return {};
}

/// Whether the program shows a Dock icon and a menu bar of its own (regular) or lives only in the
/// menu bar (accessory).
enum class ActivationPolicy { regular, accessory };

/// An e-mail handed to the system's compose service.
struct EmailDraft {
  std::vector<std::string> recipients;
  std::string subject;
  std::string body;
  std::vector<std::string> attachments;  ///< paths of files sent with it
};

/// Ends what it stands for (an observation, a process activity) when destroyed.
class WorkspaceToken {
 public:
  virtual ~WorkspaceToken() = default;
};

/// The desktop around the program: applications, notifications, opening and revealing, feedback.
/// Main thread only; observers are called on the main queue.
class Workspace {
 public:
  virtual ~Workspace() = default;

  [[nodiscard]] virtual std::vector<RunningApp> runningApplications() = 0;
  [[nodiscard]] virtual std::optional<RunningApp> frontmostApplication() = 0;
  /// Asks the application to come to the front; false when it is not running. A request: the
  /// application comes forward after the call returns, never inside it, and observers hear
  /// didActivateApplication on the main queue; until then `frontmostApplication` is the old one, so
  /// a caller that needs the application in front waits for it.
  virtual bool activate(std::int32_t pid) = 0;
  /// Delivers every workspace event until the token is destroyed.
  [[nodiscard]] virtual std::unique_ptr<WorkspaceToken> observe(std::function<void(const WorkspaceEvent&)> onEvent) = 0;

  virtual bool openURL(const std::string& url) = 0;
  /// Opens a file with its default application.
  virtual bool openFile(const std::string& path) = 0;
  /// Opens a file with the named application ("TextEdit"); false when that application is missing.
  virtual bool openFileWithApplication(const std::string& path, const std::string& application) = 0;
  /// Shows the file selected in a file browser window.
  virtual void revealFile(const std::string& path) = 0;

  virtual void beep() = 0;
  virtual void hapticLevelChange() = 0;
  [[nodiscard]] virtual bool reduceMotion() = 0;

  /// Whether a compose-e-mail service exists that can take this draft.
  [[nodiscard]] virtual bool canComposeEmail() = 0;
  /// Hands the draft to the compose service; false when there is none.
  virtual bool composeEmail(const EmailDraft& draft) = 0;

  [[nodiscard]] virtual ActivationPolicy activationPolicy() = 0;
  virtual void setActivationPolicy(ActivationPolicy policy) = 0;

  /// Whether the program is registered to open at login.
  [[nodiscard]] virtual bool launchAtLogin() = 0;
  /// Keeps the system from napping the process until the token is destroyed.
  [[nodiscard]] virtual std::unique_ptr<WorkspaceToken> beginActivity(const std::string& reason) = 0;
};

}  // namespace corvane::platform

#pragma once

#include "platform/workspace.hpp"

namespace corvane::platform::macos {

/// NSWorkspace, its notification centre and the distributed screen-unlocked notification; opening
/// and revealing; beep, haptic feedback, reduce motion; the e-mail sharing service; the login item
/// (SMAppService) and process activities. Main thread only; observers run on the main queue.
class MacWorkspace final : public Workspace {
 public:
  [[nodiscard]] std::vector<RunningApp> runningApplications() override;
  [[nodiscard]] std::optional<RunningApp> frontmostApplication() override;
  bool activate(std::int32_t pid) override;
  [[nodiscard]] std::unique_ptr<WorkspaceToken> observe(std::function<void(const WorkspaceEvent&)> onEvent) override;

  bool openURL(const std::string& url) override;
  bool openFile(const std::string& path) override;
  bool openFileWithApplication(const std::string& path, const std::string& application) override;
  void revealFile(const std::string& path) override;

  void beep() override;
  void hapticLevelChange() override;
  [[nodiscard]] bool reduceMotion() override;

  [[nodiscard]] bool canComposeEmail() override;
  bool composeEmail(const EmailDraft& draft) override;

  [[nodiscard]] ActivationPolicy activationPolicy() override;
  void setActivationPolicy(ActivationPolicy policy) override;
  [[nodiscard]] bool launchAtLogin() override;
  [[nodiscard]] std::unique_ptr<WorkspaceToken> beginActivity(const std::string& reason) override;
};

}  // namespace corvane::platform::macos

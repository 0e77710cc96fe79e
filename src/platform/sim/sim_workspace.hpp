#pragma once
// The simulated desktop around the program: which applications run and which is in front, the
// notifications they cause, and a record of what the program opened, revealed, beeped and mailed.
// Notifications are delivered as work on the main queue, in the order they happened. Main thread
// only (the thread that pumps the scheduler); the scheduler and the simulated Excel must outlive it.

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/scheduler.hpp"
#include "platform/workspace.hpp"

namespace corvane::platform::sim {

class SimExcel;

/// Something the program asked the workspace to open or show.
struct OpenRequest {
  enum class Kind { url, file, fileWithApplication, reveal };
  Kind kind = Kind::url;
  std::string target;       ///< the URL or the file's path
  std::string application;  ///< fileWithApplication: the application asked for
  friend bool operator==(const OpenRequest&, const OpenRequest&) = default;
};

class SimWorkspace final : public Workspace {
 public:
  static constexpr const char* kExcelBundle = "com.microsoft.Excel";
  /// The application in front when nothing else is (as the Finder is on a Mac).
  static constexpr std::int32_t kFinderPid = 100;

  /// With `excel`, Excel's presence, process id and front state follow the simulated Excel.
  explicit SimWorkspace(Scheduler& scheduler, SimExcel* excel = nullptr);
  ~SimWorkspace() override;
  SimWorkspace(const SimWorkspace&) = delete;
  SimWorkspace& operator=(const SimWorkspace&) = delete;

  // --- Workspace ---
  [[nodiscard]] std::vector<RunningApp> runningApplications() override;
  [[nodiscard]] std::optional<RunningApp> frontmostApplication() override;
  bool activate(std::int32_t pid) override;
  [[nodiscard]] std::unique_ptr<WorkspaceToken> observe(std::function<void(const WorkspaceEvent&)> onEvent) override;
  bool openURL(const std::string& url) override;
  bool openFile(const std::string& path) override;
  bool openFileWithApplication(const std::string& path, const std::string& application) override;
  void revealFile(const std::string& path) override;
  void beep() override {
    ++beeps_;
    if (onBeep_) onBeep_();
  }
  void hapticLevelChange() override { ++haptics_; }
  [[nodiscard]] bool reduceMotion() override { return reduceMotion_; }
  [[nodiscard]] bool canComposeEmail() override { return emailService_; }
  bool composeEmail(const EmailDraft& draft) override;
  [[nodiscard]] ActivationPolicy activationPolicy() override { return policy_; }
  void setActivationPolicy(ActivationPolicy policy) override {
    policy_ = policy;
    ++policyChanges_;
  }
  [[nodiscard]] bool launchAtLogin() override { return launchAtLogin_; }
  [[nodiscard]] std::unique_ptr<WorkspaceToken> beginActivity(const std::string& reason) override;

  // --- Driving the desktop (tests and the simulated session) ---
  /// Starts an application (in the background); an Excel bundle starts the simulated Excel.
  /// Returns its process id, or none when Excel has no fixture. A running one is left as it is.
  std::optional<std::int32_t> launch(const std::string& bundleIdentifier, const std::string& name);
  /// Brings the named application to the front ("Excel" or a running application's name),
  /// starting it first when it does not run. Returns its process id.
  std::optional<std::int32_t> switchTo(const std::string& name);
  /// Quits the application; when it was in front, the Finder comes to the front.
  bool terminate(std::int32_t pid);
  /// A wake, screens-wake, session-active or screen-unlocked notification.
  void postSystemEvent(WorkspaceEventKind kind);
  /// Delay before an `activate` takes effect (a real application takes a moment to come forward);
  /// with 0 it still comes forward after the call, on the main queue.
  void setActivationDelay(double seconds) { activationDelay_ = seconds; }
  /// Notices that the simulated Excel quit or started by itself and reports it.
  void syncExcel();

  void setReduceMotion(bool on) { reduceMotion_ = on; }
  void setEmailService(bool available) { emailService_ = available; }
  void setLaunchAtLogin(bool on) { launchAtLogin_ = on; }
  /// How often the program changed its activation policy.
  [[nodiscard]] int activationPolicyChanges() const { return policyChanges_; }
  /// Applications `openFileWithApplication` can use (by default "TextEdit").
  void setInstalledApplications(std::set<std::string> names) { installed_ = std::move(names); }

  // --- What the program did ---
  [[nodiscard]] const std::vector<OpenRequest>& openRequests() const { return opened_; }
  [[nodiscard]] const std::vector<EmailDraft>& composedEmails() const { return emails_; }
  [[nodiscard]] int beepCount() const { return beeps_; }
  /// Called at each beep, when it happens (a transcript shows it in its place).
  void setBeepObserver(std::function<void()> onBeep) { onBeep_ = std::move(onBeep); }
  [[nodiscard]] int hapticCount() const { return haptics_; }
  [[nodiscard]] int activitiesBegun() const { return activitiesBegun_; }
  [[nodiscard]] int activeActivities() const { return *activeActivities_; }
  [[nodiscard]] std::vector<std::string> activityReasons() const { return activityReasons_; }
  [[nodiscard]] std::size_t observerCount() const;
  /// Every activation asked for through `activate`, by process id.
  [[nodiscard]] const std::vector<std::int32_t>& activationRequests() const { return activations_; }

 private:
  struct Observers;
  class ObserverToken;
  class ActivityToken;

  [[nodiscard]] std::optional<RunningApp> excelApp() const;
  [[nodiscard]] std::optional<RunningApp> find(std::int32_t pid) const;
  void bringToFront(std::int32_t pid);
  void post(WorkspaceEventKind kind, std::optional<RunningApp> app);

  Scheduler& scheduler_;
  SimExcel* excel_;
  std::vector<RunningApp> others_;
  std::int32_t frontmost_ = kFinderPid;
  std::int32_t nextPid_ = 500;
  bool excelWasRunning_ = false;
  std::optional<std::int32_t> excelPid_;
  double activationDelay_ = 0;
  std::shared_ptr<Observers> observers_;
  std::vector<OpenRequest> opened_;
  std::vector<EmailDraft> emails_;
  std::vector<std::int32_t> activations_;
  std::set<std::string> installed_{"TextEdit"};
  int beeps_ = 0;
  std::function<void()> onBeep_;
  int haptics_ = 0;
  bool reduceMotion_ = false;
  bool emailService_ = false;
  bool launchAtLogin_ = false;
  ActivationPolicy policy_ = ActivationPolicy::accessory;
  int policyChanges_ = 0;
  int activitiesBegun_ = 0;
  std::shared_ptr<int> activeActivities_ = std::make_shared<int>(0);
  std::vector<std::string> activityReasons_;
};

}  // namespace corvane::platform::sim

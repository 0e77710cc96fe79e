#include "platform/sim/sim_workspace.hpp"

#include <algorithm>
#include <cctype>
#include <map>

#include "platform/sim/sim_excel.hpp"

namespace corvane::platform::sim {

struct SimWorkspace::Observers {
  std::map<std::uint64_t, std::shared_ptr<std::function<void(const WorkspaceEvent&)>>> byId;
  std::uint64_t nextId = 0;
};

class SimWorkspace::ObserverToken final : public WorkspaceToken {
 public:
  ObserverToken(std::weak_ptr<Observers> observers, std::uint64_t id) : observers_(std::move(observers)), id_(id) {}
  ~ObserverToken() override {
    if (auto observers = observers_.lock()) observers->byId.erase(id_);
  }

 private:
  std::weak_ptr<Observers> observers_;
  std::uint64_t id_;
};

class SimWorkspace::ActivityToken final : public WorkspaceToken {
 public:
  explicit ActivityToken(std::shared_ptr<int> active) : active_(std::move(active)) { ++*active_; }
  ~ActivityToken() override { --*active_; }

 private:
  std::shared_ptr<int> active_;
};

namespace {

std::string lower(std::string text) {
  std::ranges::transform(text, text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

/// A made-up bundle identifier for an application the session names ("Safari" → "com.example.safari").
std::string bundleFor(const std::string& name) {
  std::string id = "com.example.";
  for (char c : lower(name))
    if (std::isalnum(static_cast<unsigned char>(c))) id += c;
  return id;
}

}  // namespace

SimWorkspace::SimWorkspace(Scheduler& scheduler, SimExcel* excel)
    : scheduler_(scheduler), excel_(excel), observers_(std::make_shared<Observers>()) {
  others_.push_back(RunningApp{kFinderPid, "com.apple.finder", "Finder"});
  if (excel_ != nullptr && excel_->isRunning()) {
    excelWasRunning_ = true;
    excelPid_ = excel_->pid();
    if (excel_->isFrontmost() && excelPid_) frontmost_ = *excelPid_;
  }
}

SimWorkspace::~SimWorkspace() = default;

std::optional<RunningApp> SimWorkspace::excelApp() const {
  if (excel_ == nullptr || !excel_->isRunning()) return std::nullopt;
  auto pid = excel_->pid();
  if (!pid) return std::nullopt;
  const auto& app = excel_->application();
  return RunningApp{*pid, app.bundleIdentifier, app.title};
}

std::optional<RunningApp> SimWorkspace::find(std::int32_t pid) const {
  if (auto excel = excelApp(); excel && excel->pid == pid) return excel;
  auto it = std::ranges::find(others_, pid, &RunningApp::pid);
  if (it == others_.end()) return std::nullopt;
  return *it;
}

std::vector<RunningApp> SimWorkspace::runningApplications() {
  syncExcel();
  auto apps = others_;
  if (auto excel = excelApp()) apps.push_back(*excel);
  return apps;
}

std::optional<RunningApp> SimWorkspace::frontmostApplication() {
  syncExcel();
  return find(frontmost_);
}

bool SimWorkspace::activate(std::int32_t pid) {
  syncExcel();
  if (!find(pid)) return false;
  activations_.push_back(pid);
  // A request, as on a Mac: the application comes forward after the call, never inside it.
  std::weak_ptr<Observers> alive = observers_;
  scheduler_.main().after(activationDelay_, [this, alive, pid] {
    if (alive.lock()) bringToFront(pid);
  });
  return true;
}

void SimWorkspace::bringToFront(std::int32_t pid) {
  auto app = find(pid);
  if (!app || frontmost_ == pid) return;
  frontmost_ = pid;
  if (excel_ != nullptr && excel_->isRunning()) excel_->setFrontmost(excelPid_ == pid);
  post(WorkspaceEventKind::didActivateApplication, app);
}

std::unique_ptr<WorkspaceToken> SimWorkspace::observe(std::function<void(const WorkspaceEvent&)> onEvent) {
  auto id = observers_->nextId++;
  observers_->byId.emplace(id, std::make_shared<std::function<void(const WorkspaceEvent&)>>(std::move(onEvent)));
  return std::make_unique<ObserverToken>(observers_, id);
}

std::size_t SimWorkspace::observerCount() const { return observers_->byId.size(); }

void SimWorkspace::post(WorkspaceEventKind kind, std::optional<RunningApp> app) {
  WorkspaceEvent event{kind, workspaceEventName(kind), std::move(app)};
  std::weak_ptr<Observers> weak = observers_;
  scheduler_.main().async([weak, event = std::move(event)] {
    auto observers = weak.lock();
    if (!observers) return;
    // An observer may end its own or another's observation while being called.
    auto snapshot = observers->byId;
    for (const auto& [id, callback] : snapshot) {
      if (observers->byId.contains(id)) (*callback)(event);
    }
  });
}

std::optional<std::int32_t> SimWorkspace::launch(const std::string& bundleIdentifier, const std::string& name) {
  syncExcel();
  if (bundleIdentifier == kExcelBundle) {
    if (excel_ == nullptr) return std::nullopt;
    if (auto running = excelApp()) return running->pid;
    if (!excel_->launch()) return std::nullopt;
    excelWasRunning_ = true;
    excelPid_ = excel_->pid();
    // A launch starts in the background; `switchTo` or `activate` brings it forward.
    excel_->setFrontmost(false);
    auto app = excelApp();
    post(WorkspaceEventKind::didLaunchApplication, app);
    return excelPid_;
  }
  if (auto it = std::ranges::find(others_, bundleIdentifier, &RunningApp::bundleIdentifier); it != others_.end())
    return it->pid;
  RunningApp app{nextPid_++, bundleIdentifier, name};
  others_.push_back(app);
  post(WorkspaceEventKind::didLaunchApplication, app);
  return app.pid;
}

std::optional<std::int32_t> SimWorkspace::switchTo(const std::string& name) {
  syncExcel();
  std::optional<std::int32_t> pid;
  bool isExcel = lower(name) == "excel" || (excel_ != nullptr && name == excel_->application().title);
  if (isExcel) {
    if (excel_ == nullptr) return std::nullopt;
    pid = launch(kExcelBundle, excel_->application().title);
  } else {
    auto it = std::ranges::find_if(others_, [&](const RunningApp& app) { return lower(app.name) == lower(name); });
    pid = it != others_.end() ? std::optional(it->pid) : launch(bundleFor(name), name);
  }
  if (pid) bringToFront(*pid);
  return pid;
}

bool SimWorkspace::terminate(std::int32_t pid) {
  syncExcel();
  auto app = find(pid);
  if (!app || pid == kFinderPid) return false;
  if (excelPid_ == pid && excel_ != nullptr && excel_->isRunning()) {
    excel_->quit();
    excelWasRunning_ = false;
  } else {
    std::erase_if(others_, [pid](const RunningApp& a) { return a.pid == pid; });
  }
  post(WorkspaceEventKind::didTerminateApplication, app);
  if (frontmost_ == pid) bringToFront(kFinderPid);
  return true;
}

void SimWorkspace::syncExcel() {
  if (excel_ == nullptr) return;
  bool running = excel_->isRunning();
  if (running == excelWasRunning_ && (!running || excel_->pid() == excelPid_)) return;
  if (excelWasRunning_ && excelPid_) {
    // It quit by itself (a fault, or the user in the simulated Excel).
    RunningApp gone{*excelPid_, excel_->application().bundleIdentifier, excel_->application().title};
    excelWasRunning_ = false;
    post(WorkspaceEventKind::didTerminateApplication, gone);
    if (frontmost_ == gone.pid) bringToFront(kFinderPid);
  }
  if (running) {
    excelWasRunning_ = true;
    excelPid_ = excel_->pid();
    post(WorkspaceEventKind::didLaunchApplication, excelApp());
  }
}

void SimWorkspace::postSystemEvent(WorkspaceEventKind kind) { post(kind, std::nullopt); }

bool SimWorkspace::openURL(const std::string& url) {
  opened_.push_back(OpenRequest{OpenRequest::Kind::url, url, {}});
  return true;
}

bool SimWorkspace::openFile(const std::string& path) {
  opened_.push_back(OpenRequest{OpenRequest::Kind::file, path, {}});
  return true;
}

bool SimWorkspace::openFileWithApplication(const std::string& path, const std::string& application) {
  if (!installed_.contains(application)) return false;
  opened_.push_back(OpenRequest{OpenRequest::Kind::fileWithApplication, path, application});
  return true;
}

void SimWorkspace::revealFile(const std::string& path) {
  opened_.push_back(OpenRequest{OpenRequest::Kind::reveal, path, {}});
}

bool SimWorkspace::composeEmail(const EmailDraft& draft) {
  if (!emailService_) return false;
  emails_.push_back(draft);
  return true;
}

std::unique_ptr<WorkspaceToken> SimWorkspace::beginActivity(const std::string& reason) {
  ++activitiesBegun_;
  activityReasons_.push_back(reason);
  return std::make_unique<ActivityToken>(activeActivities_);
}

}  // namespace corvane::platform::sim

// The platform contracts (tests/platform/contracts) for the simulated and POSIX backends. The same
// suites run for the macOS backend in tests/platform/macos/mac_contracts_test.mm.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "contracts/accessibility_values_contract.hpp"
#include "contracts/defaults_contract.hpp"
#include "contracts/files_contract.hpp"
#include "contracts/panels_contract.hpp"
#include "contracts/workspace_contract.hpp"
#include "platform/posix/json_file_defaults.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/posix/posix_paths.hpp"
#include "platform/posix/threaded_scheduler.hpp"
#include "platform/sim/memory_defaults.hpp"
#include "platform/sim/memory_files.hpp"
#include "platform/sim/sim_panels.hpp"
#include "platform/sim/sim_workspace.hpp"
#include "platform/sim/virtual_time.hpp"
#include "sim_test_support.hpp"
#include "support/temp_folder.hpp"

namespace corvane::platform::contracts {
namespace {

/// Names each instantiation by its backend ("Sim", "Posix") instead of a number.
struct BackendName {
  template <typename Backend>
  static std::string GetName(int) {
    return Backend::kName;
  }
};

/// Virtual time pumped in small steps, so a bounded wait costs no real time.
struct VirtualPump {
  sim::VirtualTime time;
  bool pumpUntil(const std::function<bool()>& done) {
    for (int step = 0; step < 500 && !done(); ++step) time.advanceBy(0.01);
    return done();
  }
  void pumpFor(double seconds) { time.advanceBy(seconds); }
  bool onMainQueue() { return time.main().isCurrent(); }
};

/// Real threads: the main queue runs on the test's thread while it waits, for at most five seconds.
struct RealPump {
  posix::ThreadedScheduler scheduler;
  bool pumpUntil(const std::function<bool()>& done) { return scheduler.runMainUntil(done, 5); }
  void pumpFor(double seconds) { scheduler.runMain(seconds); }
  bool onMainQueue() { return scheduler.main().isCurrent(); }
};

struct SimFiles : VirtualPump {
  static constexpr const char* kName = "Sim";
  sim::MemoryFiles memory{time, time.main()};
  SimFiles() { EXPECT_TRUE(memory.createFolders(folder())); }
  Files& files() { return memory; }
  std::string folder() { return "/home/user/contract"; }
};

struct PosixFilesBackend : RealPump {
  static constexpr const char* kName = "Posix";
  corvane::testing::TempFolder temp;
  posix::PosixFiles real{&scheduler.main()};
  Files& files() { return real; }
  std::string folder() { return temp.path; }
};

using FilesBackends = ::testing::Types<SimFiles, PosixFilesBackend>;
INSTANTIATE_TYPED_TEST_SUITE_P(Platforms, FilesContract, FilesBackends, BackendName);

struct SimDefaults {
  static constexpr const char* kName = "Sim";
  sim::MemoryDefaults standard;
  std::unique_ptr<Defaults> open(const std::string& suite) { return standard.createSuite(suite); }
  std::string suiteName(const std::string& name) { return name; }
};

struct PosixDefaults {
  static constexpr const char* kName = "Posix";
  corvane::testing::TempFolder home;
  Paths paths = posix::makePaths(home.path);
  std::unique_ptr<Defaults> open(const std::string& suite) {
    return std::make_unique<posix::JsonFileDefaults>(paths, suite);
  }
  std::string suiteName(const std::string& name) { return name; }
};

using DefaultsBackends = ::testing::Types<SimDefaults, PosixDefaults>;
INSTANTIATE_TYPED_TEST_SUITE_P(Platforms, DefaultsContract, DefaultsBackends, BackendName);

struct SimAccessibilityValues {
  static constexpr const char* kName = "Sim";
  sim::testing::Sim sim;
  Accessibility& ax() { return sim.ax; }
  Element emptyTitled() { return sim.get("AXGroup", "Clipboard"); }
  Element titled() { return sim.get("AXCheckBox", "Wrap Text"); }
  std::string title() { return "Wrap Text"; }
  std::optional<std::string> unavailable() { return std::nullopt; }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Platforms, AccessibilityValuesContract, SimAccessibilityValues, BackendName);

struct SimWorkspaceBackend : VirtualPump {
  static constexpr const char* kName = "Sim";
  sim::SimWorkspace desktop{time};
  Workspace& workspace() { return desktop; }
  std::int32_t otherApp() { return desktop.launch("com.example.Notes", "Notes").value_or(-1); }
  std::int32_t missingPid() { return 99'999; }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Platforms, WorkspaceContract, SimWorkspaceBackend, BackendName);

struct SimPanelsBackend : VirtualPump {
  static constexpr const char* kName = "Sim";
  sim::SimPanels simulated{time};
  SimPanelsBackend() {
    simulated.mainThread().setCheck([this] { return time.onMainThread(); });
  }
  ~SimPanelsBackend() { EXPECT_TRUE(simulated.mainThread().violations().empty()); }
  Panels& panels() { return simulated; }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Platforms, PanelsContract, SimPanelsBackend, BackendName);

}  // namespace
}  // namespace corvane::platform::contracts

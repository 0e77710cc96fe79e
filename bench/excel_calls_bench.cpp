// What the user waits for when Corvane talks to Excel, counted in Accessibility calls: the root key
// tips on the first ⌥ tap and on a second tap with nothing changed, and a ribbon step run from rest
// (⌥ H 1, Bold) and on a ribbon the key tips have just seen, and the root key tips right after a
// run from rest, each against the default simulated Excel with the shipped shortcuts. `axCalls` is
// every Accessibility call that reaches Excel (`localCalls` those that stay in our process);
// `macSeconds` the modelled time on a Mac, each call that reaches Excel costing 0.3 ms on top of
// Excel's own delays (a tab switch, a menu coming up), in virtual time.

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "excel/action_runner.hpp"
#include "excel/excel_app.hpp"
#include "feedback/key_tip_controller.hpp"
#include "model/shortcut_library.hpp"
#include "platform/sim/fixture_loader.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/sim_input_poster.hpp"
#include "platform/sim/sim_panels.hpp"
#include "platform/sim/sim_screens.hpp"
#include "platform/sim/sim_text_metrics.hpp"
#include "platform/sim/sim_window_list.hpp"
#include "platform/sim/virtual_time.hpp"
#include "recording_accessibility.hpp"

namespace {

using namespace corvane;

constexpr double kMacCallSeconds = 0.0003;

std::string sourceFile(const std::string& relative) {
  std::ifstream in(std::string(CORVANE_SOURCE_DIR) + "/" + relative);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::shared_ptr<const platform::sim::ExcelFixture> defaultFixture() {
  static auto fixture = [] {
    auto parsed = platform::sim::parseFixture(sourceFile("resources/sim/default.json"));
    return parsed ? std::make_shared<const platform::sim::ExcelFixture>(std::move(*parsed)) : nullptr;
  }();
  return fixture;
}

model::LibraryPtr shippedLibrary() {
  static auto library = model::ShortcutLibrary::build(
      model::ShortcutSource::fromBytes("built-in", "shortcuts.json", sourceFile("resources/shortcuts.json")),
      std::nullopt);
  return library;
}

struct Measured {
  double calls = 0;
  double localCalls = 0;
  double seconds = 0;
};

/// A simulated Excel at rest with the key tips and the runner wired as the shell wires them, every
/// Accessibility call going through the recorder.
struct World {
  World()
      : excel(time, time, defaultFixture()),
        recorder(excel.accessibility()),
        services{recorder, excel.windowList(), excel.inputPoster(), time},
        runner(time, services, nullptr) {
    keyTips = std::make_shared<feedback::KeyTipController>(
        time, runner.queue(), services, std::make_unique<feedback::KeyTipOverlay>(panels, screens, metrics),
        shippedLibrary());
    keyTips->onTipsShown = [this](int n) { shown = n; };
    runner.setKeyTips(keyTips);
    excel.setCallLatency(kMacCallSeconds);
  }

  /// Calls and modelled seconds of `work`, pumped until the queues are idle.
  template <typename Work>
  Measured measure(Work&& work) {
    auto remote = recorder.remote();
    auto local = recorder.local;
    double start = time.uptime();
    work();
    (void)time.runUntilIdle();
    return {static_cast<double>(recorder.remote() - remote), static_cast<double>(recorder.local - local),
            time.uptime() - start};
  }

  std::int32_t pid() { return excel.pid().value_or(-1); }

  platform::sim::VirtualTime time;
  platform::sim::SimExcel excel;
  bench::RecordingAccessibility recorder;
  excel::ExcelServices services;
  excel::ActionRunner runner;
  platform::sim::SimScreens screens;
  platform::sim::SimPanels panels{time};
  platform::sim::SimTextMetrics metrics;
  std::shared_ptr<feedback::KeyTipController> keyTips;
  int shown = 0;
};

void report(benchmark::State& state, const Measured& measured, int badges) {
  state.counters["axCalls"] = measured.calls;
  state.counters["localCalls"] = measured.localCalls;
  state.counters["macSeconds"] = measured.seconds;
  if (badges >= 0) state.counters["badges"] = badges;
}

void BM_KeyTipScan(benchmark::State& state) {
  if (!defaultFixture()) return state.SkipWithError("the default fixture did not load");
  Measured measured;
  int badges = 0;
  for (auto _ : state) {
    state.PauseTiming();
    World world;
    state.ResumeTiming();
    measured = world.measure([&] { world.keyTips->update({}, world.pid()); });
    badges = world.shown;
  }
  report(state, measured, badges);
}
BENCHMARK(BM_KeyTipScan)->Unit(benchmark::kMillisecond);

void BM_KeyTipScanRepeat(benchmark::State& state) {
  if (!defaultFixture()) return state.SkipWithError("the default fixture did not load");
  World world;
  // The first tap, and its end: a second tap of ⌥ alone ends the sequence, the next starts again.
  (void)world.measure([&] { world.keyTips->update({}, world.pid()); });
  Measured measured;
  for (auto _ : state) {
    (void)world.measure([&] { world.keyTips->hide(); });
    measured = world.measure([&] { world.keyTips->update({}, world.pid()); });
  }
  report(state, measured, world.shown);
}
BENCHMARK(BM_KeyTipScanRepeat)->Unit(benchmark::kMillisecond);

/// ⌥ H 1 from the shipped shortcuts, or none with the benchmark skipped and why.
const model::Shortcut* boldShortcut(benchmark::State& state) {
  if (!defaultFixture()) {
    state.SkipWithError("the default fixture did not load");
    return nullptr;
  }
  const auto* bold = shippedLibrary()->shortcut(std::vector<std::string>{"H", "1"});
  if (bold == nullptr) state.SkipWithError("the shipped shortcuts lack H 1");
  return bold;
}

/// Runs the shortcut by its steps in `world`, counted; a run that fails skips the benchmark.
Measured runCounted(benchmark::State& state, World& world, const model::Shortcut& shortcut) {
  std::optional<excel::RunProblem> problem;
  auto measured = world.measure([&] { problem = world.runner.runNow(shortcut, world.pid()); });
  if (problem) state.SkipWithError(problem->reason.c_str());
  return measured;
}

void BM_RunRibbonStep(benchmark::State& state) {
  const auto* bold = boldShortcut(state);
  if (bold == nullptr) return;
  Measured measured;
  for (auto _ : state) {
    state.PauseTiming();
    World world;
    state.ResumeTiming();
    measured = runCounted(state, world, *bold);
  }
  report(state, measured, -1);
}
BENCHMARK(BM_RunRibbonStep)->Unit(benchmark::kMillisecond);

/// The same run on a ribbon the key tips have seen: ⌥ H showed Home's badges, the sequence ended,
/// and H 1 then runs by its steps (not by a badge's element), with the ribbon model still holding.
void BM_RunRibbonStepSeenRibbon(benchmark::State& state) {
  const auto* bold = boldShortcut(state);
  if (bold == nullptr) return;
  Measured measured;
  for (auto _ : state) {
    state.PauseTiming();
    World world;
    (void)world.measure([&] { world.keyTips->update({"H"}, world.pid()); });
    (void)world.measure([&] { world.keyTips->hide(); });
    (void)world.keyTips->forgetLevel(false);
    state.ResumeTiming();
    measured = runCounted(state, world, *bold);
  }
  report(state, measured, -1);
}
BENCHMARK(BM_RunRibbonStepSeenRibbon)->Unit(benchmark::kMillisecond);

/// The root key tips on the first ⌥ tap after H 1 ran from rest: the run's walk of Home taught the
/// ribbon model, so the tap only looks whether the ribbon still holds.
void BM_KeyTipScanAfterRun(benchmark::State& state) {
  const auto* bold = boldShortcut(state);
  if (bold == nullptr) return;
  Measured measured;
  int badges = 0;
  for (auto _ : state) {
    state.PauseTiming();
    World world;
    (void)runCounted(state, world, *bold);
    state.ResumeTiming();
    measured = world.measure([&] { world.keyTips->update({}, world.pid()); });
    badges = world.shown;
  }
  report(state, measured, badges);
}
BENCHMARK(BM_KeyTipScanAfterRun)->Unit(benchmark::kMillisecond);

}  // namespace

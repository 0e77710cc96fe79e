// The shipped shortcuts: building the library from resources/shortcuts.json (start-up and every
// reload of the user's file), and the shortcut check over the default and the narrow simulated
// Excel (in the narrow one it opens each folded group once to look inside), with each Accessibility
// call that reaches Excel costing a modelled 0.3 ms, as a Mac user would wait for it. `axCalls`
// counts the calls that reach Excel; `localCalls` those that stay in our process (setting a
// reference's messaging timeout), which cost nothing; `macSeconds` is the check's modelled time on a
// Mac, tab switches and folded groups' blocking openers included.

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "excel/excel_app.hpp"
#include "excel/shortcut_check.hpp"
#include "model/shortcut_library.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/sim/fixture_loader.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/sim_input_poster.hpp"
#include "platform/sim/sim_window_list.hpp"
#include "platform/sim/virtual_time.hpp"
#include "recording_accessibility.hpp"

namespace {

using namespace corvane;

std::string shippedFile() {
  std::ifstream in(std::string(CORVANE_SOURCE_DIR) + "/resources/shortcuts.json");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

model::LibraryPtr build(const std::string& text) {
  return model::ShortcutLibrary::build(model::ShortcutSource::fromBytes("built-in", "shortcuts.json", text),
                                       std::nullopt);
}

void BM_BuiltinLibraryBuild(benchmark::State& state) {
  const std::string text = shippedFile();
  for (auto _ : state) {
    auto lib = build(text);
    benchmark::DoNotOptimize(lib);
    if (!lib->warnings().empty()) state.SkipWithError(lib->warnings().front().c_str());
  }
  state.counters["shortcuts"] = static_cast<double>(build(text)->shortcuts().size());
  state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_BuiltinLibraryBuild)->Unit(benchmark::kMillisecond);

void checkAgainst(benchmark::State& state, const std::string& fixtureName) {
  auto lib = build(shippedFile());
  platform::posix::PosixFiles files;
  auto loaded = platform::sim::loadFixtureFile(
      files, std::string(CORVANE_SOURCE_DIR) + "/resources/sim/" + fixtureName + ".json");
  if (!loaded) {
    state.SkipWithError(loaded.error().text().c_str());
    return;
  }
  auto fixture = std::make_shared<const platform::sim::ExcelFixture>(std::move(*loaded));
  double virtualSeconds = 0;
  double calls = 0;
  double localCalls = 0;
  double windowListCalls = 0;
  for (auto _ : state) {
    platform::sim::VirtualTime time;
    platform::sim::SimExcel sim(time, time, fixture);
    sim.setCallLatency(0.0003);
    bench::RecordingAccessibility recorder(sim.accessibility());
    excel::ExcelServices services{recorder, sim.windowList(), sim.inputPoster(), time};
    excel::ExcelApp app(services, sim.pid().value_or(-1), excel::WaitLimits{2.0, 30.0});
    sim.resetCounts();
    double start = time.uptime();
    auto report = excel::checkShortcuts(app, lib->shortcuts(), "now");
    benchmark::DoNotOptimize(report);
    if (report.notFound != 0) state.SkipWithError("the check found targets missing");
    virtualSeconds = time.uptime() - start;
    calls = static_cast<double>(recorder.remote());
    localCalls = static_cast<double>(recorder.local);
    windowListCalls = static_cast<double>(sim.windowListCalls());
  }
  state.counters["macSeconds"] = virtualSeconds;
  state.counters["axCalls"] = calls;
  state.counters["localCalls"] = localCalls;
  state.counters["windowListCalls"] = windowListCalls;
}

void BM_BuiltinCheckDefaultExcel(benchmark::State& state) { checkAgainst(state, "default"); }
BENCHMARK(BM_BuiltinCheckDefaultExcel)->Unit(benchmark::kMillisecond);

void BM_BuiltinCheckNarrowExcel(benchmark::State& state) { checkAgainst(state, "narrow"); }
BENCHMARK(BM_BuiltinCheckNarrowExcel)->Unit(benchmark::kMillisecond);

}  // namespace

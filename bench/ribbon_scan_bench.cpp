// The ribbon scan over a 6,000-element ribbon. ns_per_element is the core's own CPU time per visited
// element (queueing, reading the batched values, label keys, candidates): each iteration also
// replays the scan's Accessibility calls alone, on the same elements, and that cost is subtracted,
// so the simulator's work is left out as a Mac's would be. Thread CPU time, not wall time, so a
// busy machine does not inflate the figure.

#include <benchmark/benchmark.h>

#include <time.h>

#include <memory>

#include "excel/element_lookup.hpp"
#include "excel/ribbon_scan.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/synthetic_ribbon.hpp"
#include "platform/sim/virtual_time.hpp"
#include "recording_accessibility.hpp"

namespace {

using namespace corvane;

double threadCpuNanos() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

void BM_RibbonScan6000(benchmark::State& state) {
  platform::sim::VirtualTime time;
  platform::sim::SimExcel excel(
      time, time, std::make_shared<const platform::sim::ExcelFixture>(platform::sim::syntheticRibbonFixture(6000)));
  auto& ax = excel.accessibility();
  auto window = platform::valueAs<platform::Element>(ax.attribute(ax.application(*excel.pid()), "AXMainWindow"));
  if (!window) {
    state.SkipWithError("the synthetic Excel has no window");
    return;
  }
  // One recorded scan: what the scan asks of Accessibility, to count and to replay.
  bench::RecordingAccessibility recorder(ax);
  recorder.keepReads = true;
  auto recorded = excel::ribbonScan(recorder, {*window}, false, excel::kRibbonScanLimit);
  const auto visited = static_cast<double>(recorded.visited);

  double core = 0;
  for (auto _ : state) {
    double start = threadCpuNanos();
    auto scan = excel::ribbonScan(ax, {*window}, false, excel::kRibbonScanLimit);
    double scanned = threadCpuNanos();
    for (const auto& element : recorder.batchedReads) {
      auto values = ax.copyMultipleAttributes(element, recorder.names);
      benchmark::DoNotOptimize(values);
    }
    double replayed = threadCpuNanos();
    core += (scanned - start) - (replayed - scanned);
    benchmark::DoNotOptimize(scan);
  }
  state.counters["visited"] = visited;
  state.counters["candidates"] = static_cast<double>(recorded.candidates.size());
  state.counters["reads_per_element"] = static_cast<double>(recorder.calls) / visited;
  state.counters["ns_per_element"] = core / static_cast<double>(state.iterations()) / visited;
}
BENCHMARK(BM_RibbonScan6000)->Unit(benchmark::kMillisecond);

}  // namespace

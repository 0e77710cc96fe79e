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

namespace {

using namespace corvane;

double threadCpuNanos() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

/// Forwards to the simulated Excel and records every call, so the scan's calls can be replayed.
class RecordingAccessibility final : public platform::Accessibility {
 public:
  explicit RecordingAccessibility(platform::Accessibility& inner) : inner_(inner) {}

  std::uint64_t calls = 0;  ///< every Accessibility call, of any kind
  std::vector<platform::Element> batchedReads;
  std::vector<std::string_view> names;

  platform::Element application(std::int32_t pid) override { return ++calls, inner_.application(pid); }
  std::optional<std::int32_t> processId(const platform::Element& e) override { return ++calls, inner_.processId(e); }
  std::expected<platform::AXValue, platform::AXError> copyAttribute(const platform::Element& e,
                                                                    std::string_view attribute) override {
    return ++calls, inner_.copyAttribute(e, attribute);
  }
  std::expected<std::vector<std::optional<platform::AXValue>>, platform::AXError> copyMultipleAttributes(
      const platform::Element& e, std::span<const std::string_view> attributes) override {
    ++calls;
    batchedReads.push_back(e);
    names.assign(attributes.begin(), attributes.end());
    return inner_.copyMultipleAttributes(e, attributes);
  }
  std::expected<std::vector<std::string>, platform::AXError> actionNames(const platform::Element& e) override {
    return ++calls, inner_.actionNames(e);
  }
  platform::AXError performAction(const platform::Element& e, std::string_view action) override {
    return ++calls, inner_.performAction(e, action);
  }
  platform::AXError setAttribute(const platform::Element& e, std::string_view attribute,
                                 const platform::AXValue& value) override {
    return ++calls, inner_.setAttribute(e, attribute, value);
  }
  std::expected<platform::Element, platform::AXError> elementAtPosition(const platform::Element& app,
                                                                        platform::Point point) override {
    return ++calls, inner_.elementAtPosition(app, point);
  }
  platform::AXError setMessagingTimeout(const platform::Element& e, double seconds) override {
    return ++calls, inner_.setMessagingTimeout(e, seconds);
  }
  bool isTrusted(bool prompt) override { return ++calls, inner_.isTrusted(prompt); }

 private:
  platform::Accessibility& inner_;
};

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
  RecordingAccessibility recorder(ax);
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

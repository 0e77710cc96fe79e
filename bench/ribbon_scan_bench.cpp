// The ribbon scan over a 6,000-element ribbon. The simulated Accessibility calls are timed on their
// own and left out, so ns_per_element is what the core spends per visited element (queueing,
// reading the batched values, label keys, candidates); a Mac adds its own per-call cost on top.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "excel/element_lookup.hpp"
#include "excel/ribbon_scan.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/synthetic_ribbon.hpp"
#include "platform/sim/virtual_time.hpp"

namespace {

using namespace corvane;
using Clock = std::chrono::steady_clock;

/// Forwards to the simulated Excel and adds up the time spent inside it.
class TimedAccessibility final : public platform::Accessibility {
 public:
  explicit TimedAccessibility(platform::Accessibility& inner) : inner_(inner) {}

  std::chrono::nanoseconds inside{0};
  std::uint64_t calls = 0;  ///< every Accessibility call, of any kind

  platform::Element application(std::int32_t pid) override { return timed([&] { return inner_.application(pid); }); }
  std::optional<std::int32_t> processId(const platform::Element& e) override {
    return timed([&] { return inner_.processId(e); });
  }
  std::expected<platform::AXValue, platform::AXError> copyAttribute(const platform::Element& e,
                                                                    std::string_view attribute) override {
    return timed([&] { return inner_.copyAttribute(e, attribute); });
  }
  std::expected<std::vector<std::optional<platform::AXValue>>, platform::AXError> copyMultipleAttributes(
      const platform::Element& e, std::span<const std::string_view> attributes) override {
    return timed([&] { return inner_.copyMultipleAttributes(e, attributes); });
  }
  std::expected<std::vector<std::string>, platform::AXError> actionNames(const platform::Element& e) override {
    return timed([&] { return inner_.actionNames(e); });
  }
  platform::AXError performAction(const platform::Element& e, std::string_view action) override {
    return timed([&] { return inner_.performAction(e, action); });
  }
  platform::AXError setAttribute(const platform::Element& e, std::string_view attribute,
                                 const platform::AXValue& value) override {
    return timed([&] { return inner_.setAttribute(e, attribute, value); });
  }
  std::expected<platform::Element, platform::AXError> elementAtPosition(const platform::Element& app,
                                                                        platform::Point point) override {
    return timed([&] { return inner_.elementAtPosition(app, point); });
  }
  platform::AXError setMessagingTimeout(const platform::Element& e, double seconds) override {
    return timed([&] { return inner_.setMessagingTimeout(e, seconds); });
  }
  bool isTrusted(bool prompt) override { return timed([&] { return inner_.isTrusted(prompt); }); }

 private:
  template <typename F>
  auto timed(F&& call) {
    ++calls;
    auto start = Clock::now();
    auto result = call();
    inside += Clock::now() - start;
    return result;
  }

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
  TimedAccessibility timed(ax);
  std::uint64_t visited = 0;
  std::uint64_t candidates = 0;
  std::chrono::nanoseconds total{0};
  for (auto _ : state) {
    auto start = Clock::now();
    auto scan = excel::ribbonScan(timed, {*window}, false, excel::kRibbonScanLimit);
    total += Clock::now() - start;
    visited += scan.visited;
    candidates += scan.candidates.size();
    benchmark::DoNotOptimize(scan);
  }
  auto visitedCount = static_cast<double>(visited);
  auto core = static_cast<double>((total - timed.inside).count());
  state.counters["visited"] = visitedCount / static_cast<double>(state.iterations());
  state.counters["candidates"] = static_cast<double>(candidates) / static_cast<double>(state.iterations());
  state.counters["reads_per_element"] = static_cast<double>(timed.calls) / visitedCount;
  state.counters["ns_per_element"] = core / visitedCount;
}
BENCHMARK(BM_RibbonScan6000)->Unit(benchmark::kMillisecond);

}  // namespace

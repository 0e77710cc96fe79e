// The simulated Excel's own costs, so a benchmark of the core over it can tell them apart: reading
// the default fixture, building a 6,000-element ribbon, and one batched read of eight attributes.

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "platform/sim/fixture_loader.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/synthetic_ribbon.hpp"
#include "platform/sim/virtual_time.hpp"

namespace {

using namespace corvane::platform;

std::string defaultFixtureText() {
  std::ifstream in(std::string(CORVANE_SOURCE_DIR) + "/resources/sim/default.json");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void BM_SimParseDefaultFixture(benchmark::State& state) {
  const std::string text = defaultFixtureText();
  for (auto _ : state) {
    auto fixture = sim::parseFixture(text);
    if (!fixture) state.SkipWithError(fixture.error().text().c_str());
    benchmark::DoNotOptimize(fixture);
  }
  state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_SimParseDefaultFixture)->Unit(benchmark::kMillisecond);

void BM_SimBuildRibbon6000(benchmark::State& state) {
  auto fixture = std::make_shared<const sim::ExcelFixture>(sim::syntheticRibbonFixture(6000));
  for (auto _ : state) {
    sim::VirtualTime time;
    sim::SimExcel excel(time, time, fixture);
    benchmark::DoNotOptimize(excel.pid());
  }
}
BENCHMARK(BM_SimBuildRibbon6000)->Unit(benchmark::kMillisecond);

void BM_SimCopyMultiple8(benchmark::State& state) {
  sim::VirtualTime time;
  sim::SimExcel excel(time, time, std::make_shared<const sim::ExcelFixture>(sim::syntheticRibbonFixture(6000)));
  auto element = excel.find({"AXButton", "Command 10.3"}).value();
  static constexpr std::string_view names[] = {"AXRole",     "AXTitle", "AXDescription", "AXChildren",
                                               "AXPosition", "AXSize",  "AXEnabled",     "AXHelp"};
  auto& ax = excel.accessibility();
  for (auto _ : state) {
    auto values = ax.copyMultipleAttributes(element, names);
    benchmark::DoNotOptimize(values);
  }
}
BENCHMARK(BM_SimCopyMultiple8);

}  // namespace

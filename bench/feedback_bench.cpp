// The feedback layer's hot paths: a palette query over 2,000 shortcuts, and one root-level key-tip
// scan of the default simulated Excel with the built-in library (Accessibility calls per scan, CPU
// time per scan, and the scan's modelled time with 50 µs per Accessibility call).

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "excel/excel_app.hpp"
#include "feedback/key_tip_controller.hpp"
#include "feedback/palette_model.hpp"
#include "platform/sim/fixture_loader.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/sim_input_poster.hpp"
#include "platform/sim/sim_panels.hpp"
#include "platform/sim/sim_screens.hpp"
#include "platform/sim/sim_text_metrics.hpp"
#include "platform/sim/sim_window_list.hpp"
#include "platform/sim/virtual_time.hpp"

namespace {

using namespace corvane;

std::string sourceFile(const std::string& relative) {
  std::ifstream in(std::string(CORVANE_SOURCE_DIR) + "/" + relative);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

/// 2,000 shortcuts with names of two or three common words, two or three keys, in groups.
model::LibraryPtr paletteLibrary() {
  static const char* words[] = {"Format", "Paste", "Values", "Border", "Column", "Row", "Insert", "Delete",
                                "Freeze", "Panes", "Filter", "Sort",   "Chart",  "Table", "Font",  "Color",
                                "Merge",  "Center", "Wrap",  "Text",   "Number", "Date",  "Sheet", "Hide"};
  constexpr int kWords = sizeof words / sizeof words[0];
  std::string json = R"({"groups": {)";
  for (int g = 0; g < 26; ++g) {
    if (g > 0) json += ",";
    json += "\"" + std::string(1, static_cast<char>('A' + g)) + "\": \"" + words[g % kWords] + " tools\"";
  }
  json += R"(}, "shortcuts": [)";
  int count = 0;
  for (int a = 0; a < 26 && count < 2000; ++a) {
    for (int b = 0; b < 26 && count < 2000; ++b) {
      for (int c = 0; c < 3 && count < 2000; ++c, ++count) {
        std::string keys = std::string(1, static_cast<char>('A' + a)) + " " + std::string(1, static_cast<char>('A' + b));
        if (c > 0) keys += " " + std::to_string(c);
        std::string name = std::string(words[(a + b) % kWords]) + " " + words[(b * 7 + c) % kWords];
        if (c == 2) name += std::string(" ") + words[(a * 5 + b) % kWords];
        if (count > 0) json += ",";
        json += R"({"keys": ")" + keys + R"(", "name": ")" + name + R"(", "do": {"key": "cmd+k"}})";
      }
    }
  }
  json += "]}";
  return model::ShortcutLibrary::build(model::ShortcutSource::fromBytes("built-in", "bench.json", json), std::nullopt);
}

void BM_PaletteQuery2000(benchmark::State& state) {
  feedback::PaletteIndex index(paletteLibrary());
  static const char* queries[] = {"fo", "paste values", "border", "HBC", "xyzzy", "col row", "f", "sheet hide"};
  std::size_t i = 0;
  for (auto _ : state) {
    auto results = index.search(queries[i++ % (sizeof queries / sizeof queries[0])]);
    benchmark::DoNotOptimize(results);
  }
  state.counters["shortcuts"] = static_cast<double>(index.library()->shortcuts().size());
}
BENCHMARK(BM_PaletteQuery2000)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_KeyTipScan(benchmark::State& state) {
  auto fixture = platform::sim::parseFixture(sourceFile("resources/sim/default.json"));
  if (!fixture) {
    state.SkipWithError(fixture.error().text().c_str());
    return;
  }
  auto library = model::ShortcutLibrary::build(
      model::ShortcutSource::fromBytes("built-in", "shortcuts.json", sourceFile("resources/shortcuts.json")), std::nullopt);
  platform::sim::VirtualTime time;
  platform::sim::SimExcel excel(time, time, std::make_shared<const platform::sim::ExcelFixture>(std::move(*fixture)));
  excel::ExcelServices services{excel.accessibility(), excel.windowList(), excel.inputPoster(), time};
  auto actions = time.makeSerialQueue("app.corvane.actions", platform::QoS::userInitiated);
  platform::sim::SimScreens screens;
  platform::sim::SimPanels panels(time);
  platform::sim::SimTextMetrics metrics;
  auto keyTips = std::make_shared<feedback::KeyTipController>(
      time, *actions, services, std::make_unique<feedback::KeyTipOverlay>(panels, screens, metrics), library);
  int shown = 0;
  keyTips->onTipsShown = [&](int n) { shown = n; };
  auto pid = *excel.pid();

  std::uint64_t calls = 0;
  double cpu = 0;
  std::uint64_t scans = 0;
  for (auto _ : state) {
    excel.resetCounts();
    auto start = std::chrono::steady_clock::now();
    keyTips->update({}, pid);
    (void)time.runUntilIdle();
    cpu += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    calls += excel.remoteCalls();
    ++scans;
  }
  // The same scan as a Mac would feel it: every Accessibility call costs 50 µs of (virtual) time.
  excel.setCallLatency(50e-6);
  double before = time.uptime();
  keyTips->update({}, pid);
  (void)time.runUntilIdle();
  double modelled = (time.uptime() - before) * 1000;
  excel.setCallLatency(0);

  state.counters["ax_calls"] = static_cast<double>(calls) / static_cast<double>(scans);
  state.counters["core_ms"] = cpu / static_cast<double>(scans);
  state.counters["modelled_ms"] = modelled;
  state.counters["badges"] = shown;
}
BENCHMARK(BM_KeyTipScan)->Unit(benchmark::kMillisecond);

}  // namespace

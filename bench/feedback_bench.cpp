// The feedback layer's hot path: a palette query over 2,000 shortcuts. (Key-tip scans are measured
// with the other Excel work in excel_calls_bench.cpp.)

#include <benchmark/benchmark.h>

#include <string>

#include "feedback/palette_model.hpp"
#include "model/shortcut_library.hpp"

namespace {

using namespace corvane;

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

}  // namespace

// Library assembly: a generated built-in file of 2,000 shortcuts and 200 macros.

#include <benchmark/benchmark.h>

#include <string>

#include "model/shortcut_library.hpp"

namespace {

std::string generatedFile(int shortcuts, int macros) {
  const char* letters = "ABCDEFGHIJKLMNOPRSTUVWXYZ";
  std::string out = "{\"groups\": {";
  for (int i = 0; i < 25; ++i) out += std::string(i ? "," : "") + "\"" + letters[i] + "\": \"Tab " + letters[i] + "\"";
  out += "}, \"tips\": {\"H\": \"tab:Home\"}, \"macros\": {";
  for (int m = 0; m < macros; ++m) {
    out += std::string(m ? "," : "") + "\"macro" + std::to_string(m) +
           "\": [{\"ribbon\": \"Button " + std::to_string(m) + "|Alt\", \"tab\": \"Home\"}, {\"wait\": 50}]";
  }
  out += "}, \"shortcuts\": [";
  for (int i = 0; i < shortcuts; ++i) {
    std::string keys = std::string(1, letters[i % 25]) + " " + letters[(i / 25) % 25] + " " + letters[(i / 625) % 25];
    out += std::string(i ? "," : "") + "{\"keys\": \"" + keys + "\", \"name\": \"Command " + std::to_string(i) +
           "\", \"do\": {\"try\": [{\"use\": \"macro" + std::to_string(i % macros) +
           "\"}, {\"menu\": \"Format > Column > AutoFit Selection\"}, {\"key\": \"cmd+shift+f5\"}]}}";
  }
  return out + "]}";
}

void BM_LibraryBuild2000(benchmark::State& state) {
  const std::string file = generatedFile(2000, 200);
  for (auto _ : state) {
    auto lib = corvane::model::ShortcutLibrary::build(
        corvane::model::ShortcutSource::fromBytes("built-in", "shortcuts.json", file), std::nullopt);
    benchmark::DoNotOptimize(lib);
    if (lib->shortcuts().size() != 2000) state.SkipWithError("unexpected shortcut count");
  }
  state.counters["bytes"] = static_cast<double>(file.size());
}
BENCHMARK(BM_LibraryBuild2000)->Unit(benchmark::kMillisecond);

}  // namespace

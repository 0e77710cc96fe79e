// Library assembly: a generated built-in file of 2,000 shortcuts and 200 macros, and two hostile
// files the library refuses.

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

// Hostile files: refusing them costs about as much as reading them.

std::string macroBombFile() {
  // Seven macros, each using the next sixteen times: 16^6 steps if expanded.
  std::string macros;
  for (int level = 1; level < 7; ++level) {
    macros += "\"m" + std::to_string(level) + "\": [";
    for (int i = 0; i < 16; ++i) macros += std::string(i ? "," : "") + "{\"use\": \"m" + std::to_string(level + 1) + "\"}";
    macros += "],";
  }
  macros += R"("m7": {"qat": 1})";
  return "{\"macros\": {" + macros + R"(}, "shortcuts": [{"keys": "Q B", "do": {"use": "m1"}}]})";
}

void BM_LibraryRefusesMacroBomb(benchmark::State& state) {
  const std::string file = macroBombFile();
  for (auto _ : state) {
    auto lib = corvane::model::ShortcutLibrary::build(
        corvane::model::ShortcutSource::fromBytes("built-in", "shortcuts.json", file), std::nullopt);
    benchmark::DoNotOptimize(lib);
    if (lib->warnings().size() != 1) state.SkipWithError("the bomb was not refused");
  }
  state.counters["bytes"] = static_cast<double>(file.size());
}
BENCHMARK(BM_LibraryRefusesMacroBomb)->Unit(benchmark::kMicrosecond);

void BM_LibraryRefusesAMillionKeys(benchmark::State& state) {
  std::string keys;
  keys.reserve(2'000'000);
  for (int i = 0; i < 1'000'000; ++i) keys += i ? " A" : "A";
  const std::string file = R"({"shortcuts": [{"keys": ")" + keys + R"(", "do": {"qat": 1}}]})";
  for (auto _ : state) {
    auto lib = corvane::model::ShortcutLibrary::build(
        corvane::model::ShortcutSource::fromBytes("built-in", "shortcuts.json", file), std::nullopt);
    benchmark::DoNotOptimize(lib);
    if (lib->warnings().size() != 1) state.SkipWithError("the sequence was not refused");
  }
  state.counters["bytes"] = static_cast<double>(file.size());
}
BENCHMARK(BM_LibraryRefusesAMillionKeys)->Unit(benchmark::kMillisecond);

}  // namespace

// The command palette over one very long key sequence (the key cap lifted): preparing the index and
// one query must grow linearly with the sequence's length. The place text looks up every proper
// prefix of the keys; building each prefix anew made it quadratic.

#include <benchmark/benchmark.h>

#include <string>

#include "feedback/palette_model.hpp"
#include "model/shortcut_library.hpp"

namespace {

using namespace corvane;

std::string keysText(std::int64_t count) {
  std::string out;
  for (std::int64_t i = 0; i < count; ++i) out += i ? " A" : "A";
  return out;
}

/// One shortcut of `count` keys; `groups` names the first prefixes, else only a tab tip does (which
/// makes the place fall back to the longest prefix with a tab).
model::LibraryPtr longSequenceLibrary(std::int64_t count, bool groups) {
  std::string json = groups ? R"({"groups": {"A": "Home", "A A": "Format"}, )" : R"({"tips": {"A A": "tab:Home"}, )";
  json += R"("shortcuts": [{"keys": ")" + keysText(count) + R"(", "name": "Long", "do": {"qat": 1}}]})";
  model::LibraryLimits limits;
  limits.maxKeys = static_cast<std::size_t>(count);
  auto library =
      model::ShortcutLibrary::build(model::ShortcutSource::fromBytes("built-in", "shortcuts.json", json), std::nullopt, limits);
  return library;
}

void paletteOverLongSequence(benchmark::State& state, bool groups) {
  auto library = longSequenceLibrary(state.range(0), groups);
  if (library->shortcuts().size() != 1) {
    state.SkipWithError("the long sequence did not load");
    return;
  }
  const std::string query(static_cast<std::size_t>(state.range(0)), 'a');
  for (auto _ : state) {
    feedback::PaletteIndex index(library);
    auto results = index.search(query);
    benchmark::DoNotOptimize(results);
    if (results.size() != 1 || results.front().score != 100) state.SkipWithError("the sequence is not found first");
  }
  state.SetComplexityN(state.range(0));
}

void BM_PaletteLongSequenceGroups(benchmark::State& state) { paletteOverLongSequence(state, true); }
void BM_PaletteLongSequenceTabTip(benchmark::State& state) { paletteOverLongSequence(state, false); }

BENCHMARK(BM_PaletteLongSequenceGroups)
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 16)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity();
BENCHMARK(BM_PaletteLongSequenceTabTip)
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 16)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity();

}  // namespace

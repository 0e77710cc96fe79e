// The keyboard side inside the tap's callback: keyDown and flagsChanged on a 2,000-shortcut library,
// and the caller's plus the log queue's cost of one activity-log line.

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/activity_log.hpp"
#include "engine/sequence_engine.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/sim/virtual_time.hpp"

namespace {

using corvane::engine::EngineKey;
using corvane::engine::SequenceEngine;

constexpr const char* kTabs = "HNPMAWRDEFGJ";                      // 12 tabs
constexpr const char* kGroups = "ABCDEFGHIJKLMNOPQRSTUVWX";         // 24 groups per tab
constexpr const char* kCommands = "1234567";                        // 7 commands per group

// 12 × 24 × 7 = 2,016 three-key paths; the first 2,000 become shortcuts, with group labels for
// the first two levels as a real built-in file has.
std::string generatedLibrary() {
  std::string groups, shortcuts;
  int count = 0;
  for (int t = 0; kTabs[t] != '\0'; ++t) {
    groups += std::string(groups.empty() ? "" : ",") + "\"" + kTabs[t] + "\": \"Tab " + kTabs[t] + "\"";
    for (int g = 0; kGroups[g] != '\0'; ++g) {
      groups += std::string(",\"") + kTabs[t] + " " + kGroups[g] + "\": \"Group " + kGroups[g] + "\"";
      for (int c = 0; kCommands[c] != '\0' && count < 2000; ++c, ++count) {
        shortcuts += std::string(count ? "," : "") + "{\"keys\": \"" + kTabs[t] + " " + kGroups[g] + " " +
                     kCommands[c] + "\", \"name\": \"Command " + std::to_string(count) +
                     "\", \"do\": {\"ribbon\": \"Command " + std::to_string(count) + "\", \"tab\": \"Tab\"}}";
      }
    }
  }
  return "{\"groups\": {" + groups + "}, \"shortcuts\": [" + shortcuts + "]}";
}

corvane::model::LibraryPtr library2000() {
  static auto lib = corvane::model::ShortcutLibrary::build(
      corvane::model::ShortcutSource::fromBytes("built-in", "shortcuts.json", generatedLibrary()), std::nullopt);
  return lib;
}

struct Press {
  EngineKey key;
  bool option;
};

// ⌥ + tab (hold-to-start), a wrong key, the group, the command: four presses along real paths.
std::vector<Press> presses() {
  std::vector<Press> out;
  for (int i = 0; i < 2000; i += 37) {
    int t = i / (24 * 7), g = (i / 7) % 24, c = i % 7;
    out.push_back({EngineKey::ofChar(std::string(1, kTabs[t])), true});
    out.push_back({EngineKey::ofChar("9"), false});
    out.push_back({EngineKey::ofChar(std::string(1, kGroups[g])), false});
    out.push_back({EngineKey::ofChar(std::string(1, kCommands[c])), false});
  }
  return out;
}

void BM_EngineKeyDown(benchmark::State& state) {
  SequenceEngine engine(library2000());
  if (engine.library()->shortcuts().size() != 2000) state.SkipWithError("unexpected shortcut count");
  auto script = presses();
  {
    // The script must really walk the paths: every fourth press runs a shortcut.
    SequenceEngine check(library2000());
    std::size_t runs = 0;
    for (const auto& press : script) {
      auto result = check.keyDown(press.key, press.option, false, false, true, 0);
      runs += result.effects.size() == 2 ? 1 : 0;
    }
    if (runs * 4 != script.size() || check.inSequence()) state.SkipWithError("the script misses its paths");
  }
  std::size_t i = 0;
  double now = 100;
  for (auto _ : state) {
    const auto& press = script[i];
    auto result = engine.keyDown(press.key, press.option, false, false, true, now);
    benchmark::DoNotOptimize(result);
    i = i + 1 == script.size() ? 0 : i + 1;
    now += 0.05;
  }
}
BENCHMARK(BM_EngineKeyDown)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_EngineFlagsChanged(benchmark::State& state) {
  SequenceEngine engine(library2000());
  bool option = false;
  double now = 100;
  for (auto _ : state) {
    // Option held and released after a second: the tap-window test runs, no key list opens.
    option = !option;
    auto effects = engine.flagsChanged(option, false, true, now);
    benchmark::DoNotOptimize(effects);
    now += option ? 1.0 : 0.1;
  }
}
BENCHMARK(BM_EngineFlagsChanged)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_EngineTapShowsRoot(benchmark::State& state) {
  SequenceEngine engine(library2000());
  double now = 100;
  for (auto _ : state) {
    // Press and release within the tap window: the root's 12 options are built.
    (void)engine.flagsChanged(true, false, true, now);
    auto effects = engine.flagsChanged(false, false, true, now + 0.1);
    benchmark::DoNotOptimize(effects);
    (void)engine.reset();
    now += 1;
  }
}
BENCHMARK(BM_EngineTapShowsRoot)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_LogAppend(benchmark::State& state) {
  auto pattern = (std::filesystem::temp_directory_path() / "corvane-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  corvane::platform::sim::VirtualTime time;
  corvane::platform::posix::PosixFiles files;
  {
    corvane::base::ActivityLog log(files, time, time, pattern + "/Logs/Corvane.log", pattern);
    const std::string message = "⌥ H O I “AutoFit Column Width” → ok via steps (212 ms)";
    for (auto _ : state) {
      log.log(message);  // stamp and line on this thread
      time.runUntilIdle();  // the append on the log queue
    }
  }
  std::filesystem::remove_all(pattern);
}
BENCHMARK(BM_LogAppend)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

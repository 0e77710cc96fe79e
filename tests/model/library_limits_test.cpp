// Hostile shortcut files: a few hundred bytes that expand into millions of steps, and a key
// sequence so long that its trie would overflow the stack. The library refuses both with a warning.

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "model/grammar.hpp"
#include "model/shortcut_library.hpp"
#include "support/builtin_library.hpp"
#include "support/fork_child.hpp"

namespace corvane::model {
namespace {

using Keys = std::vector<std::string>;

LibraryPtr build(const std::string& builtin, const std::optional<std::string>& user = std::nullopt,
                 const LibraryLimits& limits = {}) {
  std::optional<ShortcutSource> userSource;
  if (user) userSource = ShortcutSource::fromBytes("your", "my-shortcuts.json", *user);
  return ShortcutLibrary::build(ShortcutSource::fromBytes("built-in", "shortcuts.json", builtin), userSource, limits);
}

Keys keysOf(const LibraryPtr& lib) {
  Keys out;
  for (const auto& s : lib->shortcuts()) out.push_back(keyPathText(s.keys));
  return out;
}

/// Macros m1 … m{levels}: each uses the next `fanOut` times; the last is one step.
std::string macroChain(int levels, int fanOut) {
  std::string out;
  for (int level = 1; level < levels; ++level) {
    out += "\"m" + std::to_string(level) + "\": [";
    for (int i = 0; i < fanOut; ++i) out += std::string(i ? "," : "") + "{\"use\": \"m" + std::to_string(level + 1) + "\"}";
    out += "],";
  }
  return out + "\"m" + std::to_string(levels) + "\": {\"qat\": 1}";
}

/// "A A A …": `count` keys.
std::string repeatedKeys(std::size_t count) {
  std::string out;
  out.reserve(count * 2);
  for (std::size_t i = 0; i < count; ++i) out += i ? " A" : "A";
  return out;
}

/// The number of steps at every depth.
std::size_t stepCount(const std::vector<Step>& steps) {
  std::size_t n = 0;
  for (const auto& step : steps) {
    ++n;
    if (const auto* f = step.as<FirstOfStep>()) n += stepCount(f->steps);
    if (const auto* s = step.as<SequenceStep>()) n += stepCount(s->steps);
  }
  return n;
}

// ---- Macro expansion ----

TEST(LibraryLimits, AMacroBombIsSkippedWithAWarningAndTheRestLoads) {
  // Seven levels, each using the next sixteen times: 16^6 steps from a file of 1.5 KB.
  const std::string file = "{\"macros\": {" + macroChain(7, 16) + R"(}, "shortcuts": [
      {"keys": "Q B", "name": "Bomb", "do": {"use": "m1"}},
      {"keys": "Q S", "name": "Small", "do": {"use": "m6"}},
      {"keys": "Q Q", "name": "Plain", "do": {"qat": 2}}
    ]})";
  ASSERT_LT(file.size(), 1700u);
  auto lib = build("{}", file);
  EXPECT_EQ(keysOf(lib), (Keys{"Q S", "Q Q"}));
  EXPECT_EQ(lib->warnings(), (Keys{"Skipped your shortcut \"Q B\": Macros expand to more than 4096 steps"}));
  // m6 uses m7 sixteen times: 16 steps, each wrapped in the sequence its "use" became, and that of m6.
  EXPECT_EQ(stepCount(lib->shortcuts()[0].steps), 1u + 16u * 2u);
}

TEST(LibraryLimits, TheStepCapCountsEveryStepOfOneShortcutOnceExpanded) {
  auto steps = [](int count) {
    std::string out = "[";
    for (int i = 0; i < count; ++i) out += std::string(i ? "," : "") + "{\"qat\": 1}";
    return out + "]";
  };
  // A "use" costs a step of its own (the sequence it becomes), so "Q U" reaches 4097.
  auto lib = build("{\"macros\": {\"m\": " + steps(4095) + "}, \"shortcuts\": [" +
                   "{\"keys\": \"Q A\", \"do\": " + steps(4096) + "}," +
                   "{\"keys\": \"Q B\", \"do\": " + steps(4097) + "}," +
                   "{\"keys\": \"Q T\", \"do\": {\"use\": \"m\"}}," +
                   "{\"keys\": \"Q U\", \"do\": [{\"use\": \"m\"}, {\"qat\": 2}]}]}");
  EXPECT_EQ(keysOf(lib), (Keys{"Q A", "Q T"}));
  EXPECT_EQ(lib->warnings(), (Keys{"Skipped built-in shortcut \"Q B\": Macros expand to more than 4096 steps",
                                   "Skipped built-in shortcut \"Q U\": Macros expand to more than 4096 steps"}));
  EXPECT_EQ(stepCount(lib->shortcuts()[1].steps), 4096u);
}

TEST(LibraryLimits, AllShortcutsTogetherHaveABudgetToo) {
  // Each shortcut stays under its own cap, but thousands of them would still fill the memory.
  LibraryLimits limits;
  limits.maxTotalSteps = 1000;
  std::string entries;
  for (int i = 0; i < 12; ++i) {
    entries += std::string(i ? "," : "") + "{\"keys\": \"Q " + static_cast<char>('A' + i) + "\", \"do\": {\"use\": \"m1\"}}";
  }
  // "use m1" expands to 1 + 10 × (1 + 10) = 111 steps: nine shortcuts fit in 1000, the tenth does not.
  const std::string ten = "{\"use\": \"m2\"},{\"use\": \"m2\"},{\"use\": \"m2\"},{\"use\": \"m2\"},{\"use\": \"m2\"},"
                          "{\"use\": \"m2\"},{\"use\": \"m2\"},{\"use\": \"m2\"},{\"use\": \"m2\"},{\"use\": \"m2\"}";
  const std::string tenSteps = "{\"qat\": 1},{\"qat\": 2},{\"qat\": 3},{\"qat\": 4},{\"qat\": 5},"
                               "{\"qat\": 6},{\"qat\": 7},{\"qat\": 8},{\"qat\": 9},{\"qat\": 10}";
  auto lib = build("{\"macros\": {\"m1\": [" + ten + "], \"m2\": [" + tenSteps + "]}, \"shortcuts\": [" + entries + "]}",
                   std::nullopt, limits);
  ASSERT_EQ(lib->shortcuts().size(), 9u);
  EXPECT_EQ(stepCount(lib->shortcuts()[0].steps), 111u);
  EXPECT_EQ(lib->warnings(),
            (Keys{"Skipped built-in shortcut \"Q J\": All shortcuts together expand to more than 1000 steps",
                  "Skipped built-in shortcut \"Q K\": All shortcuts together expand to more than 1000 steps",
                  "Skipped built-in shortcut \"Q L\": All shortcuts together expand to more than 1000 steps"}));
}

TEST(LibraryLimits, TheBuiltInLibraryIsFarBelowTheCaps) {
  // The caps must never touch a real library.
  const LibraryLimits limits;
  auto lib = corvane::testing::builtinLibrary();
  std::size_t total = 0;
  std::size_t most = 0;
  std::size_t keys = 0;
  for (const auto& s : lib->shortcuts()) {
    auto n = stepCount(s.steps);
    total += n;
    most = std::max(most, n);
    keys = std::max(keys, s.keys.size());
  }
  EXPECT_TRUE(lib->warnings().empty());
  EXPECT_LE(most * 100, limits.maxSteps) << most;
  EXPECT_LE(keys * 8, limits.maxKeys) << keys;
  EXPECT_LE(total * 10, limits.maxTotalSteps) << total;
}

// ---- Key sequence length ----

TEST(LibraryLimits, AKeySequenceLongerThanTheCapIsSkipped) {
  auto lib = build("{}", "{\"shortcuts\": [{\"keys\": \"" + repeatedKeys(32) + "\", \"name\": \"Longest\", \"do\": {\"qat\": 1}}, " +
                             "{\"keys\": \"" + repeatedKeys(33) + "\", \"do\": {\"qat\": 2}}]}");
  ASSERT_EQ(lib->shortcuts().size(), 1u);
  EXPECT_EQ(lib->shortcuts()[0].name, "Longest");
  // The longest one loads; lint still says the editor can't record it.
  EXPECT_EQ(lib->warnings(),
            (Keys{"Skipped your shortcut \"" + repeatedKeys(33) + "\": Key sequence longer than 32 keys",
                  "In your shortcut \"" + repeatedKeys(32) +
                      "\", 32 keys: more than the 4 the editor records, so it can only be changed by hand"}));
}

TEST(LibraryLimits, AMillionKeysGiveOneShortWarning) {
  auto lib = build("{}", "{\"shortcuts\": [{\"keys\": \"" + repeatedKeys(1'000'000) + "\", \"do\": {\"qat\": 1}}]}");
  EXPECT_TRUE(lib->shortcuts().empty());
  ASSERT_EQ(lib->warnings().size(), 1u);
  // The keys text is cut short in the warning, which is shown and logged at every load.
  const auto& warning = lib->warnings().front();
  EXPECT_LT(warning.size(), 200u);
  EXPECT_TRUE(warning.starts_with("Skipped your shortcut \"A A A A")) << warning;
  EXPECT_TRUE(warning.ends_with("…\": Key sequence longer than 32 keys")) << warning;
}

TEST(LibraryLimits, ParsingStopsAtTheCapWhateverFollows) {
  // A text of a million keys fails as too long at once, even when later keys are invalid.
  auto keys = parseKeySequence(repeatedKeys(1'000'000) + " NOT-A-KEY");
  ASSERT_FALSE(keys);
  EXPECT_EQ(keys.error().description, "Key sequence longer than 32 keys");
  auto bad = parseKeySequence("AB " + repeatedKeys(40));
  ASSERT_FALSE(bad);
  EXPECT_TRUE(bad.error().description.starts_with("\"AB A A")) << "an invalid key before the cap is named first";
  EXPECT_TRUE(parseKeySequence(repeatedKeys(3), 3));
  EXPECT_FALSE(parseKeySequence(repeatedKeys(4), 3));
}

TEST(LibraryLimits, AnInvalidKeyTextIsCutShortInItsMessage) {
  auto keys = parseKeySequence(std::string(10'000, 'Z'));
  ASSERT_FALSE(keys);
  EXPECT_LT(keys.error().description.size(), 200u);
  EXPECT_TRUE(keys.error().description.ends_with("…\": each key must be a single character, separated by spaces"));
}

// ---- Teardown of a deep trie ----

/// Runs `work` on a thread with a stack of `bytes`, as a Mac worker thread has, in a child process so
/// that a stack overflow fails the test instead of ending the test program. True when it returned.
bool finishesOnStackOf(std::size_t bytes, const std::function<void()>& work) {
  pid_t child = corvane::testing::forkWhenReady([&] {
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0) return 3;
    if (::pthread_attr_setstacksize(&attributes, bytes) != 0) return 4;
    pthread_t thread;
    auto* fn = const_cast<std::function<void()>*>(&work);
    auto run = [](void* argument) -> void* {
      (*static_cast<std::function<void()>*>(argument))();
      return nullptr;
    };
    if (::pthread_create(&thread, &attributes, run, fn) != 0) return 5;
    ::pthread_join(thread, nullptr);
    ::pthread_attr_destroy(&attributes);
    return 0;
  });
  if (child <= 0) return false;
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(LibraryLimits, ADeepTrieIsTornDownOnASmallStack) {
  // With the key cap lifted, 20,000 keys make a trie 20,000 nodes deep; 512 KB is a Mac worker
  // thread's stack.
  const std::string file = "{\"shortcuts\": [{\"keys\": \"" + repeatedKeys(20'000) + "\", \"do\": {\"qat\": 1}}]}";
  LibraryLimits limits;
  limits.maxKeys = 1'000'000;
  EXPECT_TRUE(finishesOnStackOf(512 * 1024, [&] {
    auto lib = build(file, std::nullopt, limits);
    if (lib->shortcuts().size() != 1 || lib->node(Keys(20'000, "A")) == nullptr) std::_Exit(6);
  }));
}

TEST(LibraryLimits, AMillionKeysAreRefusedOnASmallStack) {
  const std::string file = "{\"shortcuts\": [{\"keys\": \"" + repeatedKeys(1'000'000) + "\", \"do\": {\"qat\": 1}}]}";
  EXPECT_TRUE(finishesOnStackOf(512 * 1024, [&] {
    auto lib = build("{}", file);
    if (!lib->shortcuts().empty() || lib->warnings().size() != 1) std::_Exit(6);
  }));
}

}  // namespace
}  // namespace corvane::model

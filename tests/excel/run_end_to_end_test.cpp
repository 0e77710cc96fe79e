#include <gtest/gtest.h>

#include <functional>

#include "excel/action_runner.hpp"
#include "excel_sim.hpp"
#include "model/text.hpp"

// Whole runs of the pinned test library against each simulated Excel, and every fault the
// simulated Excel can inject: each run ends, with a problem where it should, a log line, and in
// bounded virtual time.

namespace corvane::excel {
namespace {

using platform::sim::ElementSelector;
using testing::ExcelSim;

struct Outcome {
  std::optional<RunProblem> problem;
  std::vector<std::string> log;
  std::vector<std::string> ran;
  double seconds = 0;
  std::uint64_t calls = 0;  ///< Accessibility calls that reached Excel during the run
};

/// Runs the pinned shortcut at `keys` on a fresh Excel after `prepare` has set it up.
Outcome runPinned(const std::string& fixture, const std::vector<std::string>& keys,
                  const std::function<void(ExcelSim&)>& prepare = {}) {
  ExcelSim s(fixture);
  if (prepare) prepare(s);
  Outcome outcome;
  ActionRunner runner(s.sim.time, s.services, [&](const std::string& line) { outcome.log.push_back(line); });
  auto library = testing::pinnedLibrary();
  bool completed = false;
  double start = s.now();
  s.x().resetCounts();
  runner.run(testing::pinnedShortcut(library, keys), s.x().pid().value_or(4242), [&](std::optional<RunProblem> p) {
    outcome.problem = std::move(p);
    completed = true;
  });
  EXPECT_TRUE(s.sim.time.runUntilIdle()) << "no runaway loop";
  EXPECT_TRUE(completed);
  outcome.seconds = s.now() - start;
  outcome.ran = s.x().commandsRun();
  outcome.calls = s.x().remoteCalls();
  return outcome;
}

std::string runLine(const Outcome& outcome) { return outcome.log.empty() ? std::string() : outcome.log.back(); }

TEST(EndToEnd, AutoFitColumnWidthOnTheDefaultExcel) {
  auto outcome = runPinned("default", {"H", "O", "I"});
  EXPECT_FALSE(outcome.problem.has_value());
  EXPECT_EQ(outcome.ran, std::vector<std::string>{"AutoFit Column Width"});
  ASSERT_EQ(outcome.log.size(), 1u);
  auto ms = static_cast<long long>(outcome.seconds * 1000 + 1e-6);
  EXPECT_GT(ms, 0);
  EXPECT_EQ(outcome.log[0], "⌥ H O I “AutoFit Column Width” → ok via steps (" + std::to_string(ms) + " ms)");
}

TEST(EndToEnd, AGermanExcelIsALanguageProblem) {
  auto outcome = runPinned("german", {"H", "O", "I"});
  ASSERT_TRUE(outcome.problem.has_value());
  EXPECT_EQ(outcome.problem->title, "Excel isn't in English");
  EXPECT_EQ(outcome.problem->fixes, std::vector<RunProblem::Fix>{RunProblem::Fix::languageSettings});
  ASSERT_EQ(outcome.log.size(), 3u) << "two tried lines and the run's line";
  EXPECT_TRUE(outcome.log[0].starts_with("   tried Ribbon Home › Format › AutoFit Column Width: "));
  EXPECT_TRUE(runLine(outcome).starts_with(
      "⌥ H O I “AutoFit Column Width” → failed via steps (")) << runLine(outcome);
  EXPECT_TRUE(runLine(outcome).ends_with(
      " ms): Couldn't find the “Home” ribbon tab. Is the ribbon turned on (View › Ribbon)?"));
  EXPECT_TRUE(outcome.ran.empty());
}

TEST(EndToEnd, WithoutAWorkbookTheUserIsToldToOpenOne) {
  auto outcome = runPinned("no-workbook", {"H", "W"});
  ASSERT_TRUE(outcome.problem.has_value());
  EXPECT_EQ(outcome.problem->title, "Open a workbook first");
  EXPECT_EQ(outcome.problem->detail, "Corvane works on the workbook that's open in Excel.");
  EXPECT_TRUE(outcome.problem->fixes.empty());
  EXPECT_TRUE(runLine(outcome).starts_with("⌥ H W “Wrap Text” → failed via steps ("));
  EXPECT_TRUE(runLine(outcome).ends_with(" ms): Open a workbook in Excel first"));
}

TEST(EndToEnd, AControlFoldedAwayInANarrowWindowIsPressedInsideItsGroup) {
  auto outcome = runPinned("narrow", {"H", "W"});
  EXPECT_FALSE(outcome.problem.has_value()) << runLine(outcome);
  EXPECT_EQ(outcome.ran, std::vector<std::string>{"Wrap Text"});
  // A control in no folded group is hidden: widening the window is the fix.
  auto hidden = runPinned("narrow", {"H", "Z"});
  ASSERT_TRUE(hidden.problem.has_value());
  EXPECT_EQ(hidden.problem->title, "“Make Coffee” is hidden");
  EXPECT_EQ(hidden.problem->fixes, (std::vector<RunProblem::Fix>{RunProblem::Fix::widenExcel, RunProblem::Fix::tryAgain}));
  EXPECT_EQ(fixLabel(hidden.problem->fixes[0]), "Widen Excel");
  EXPECT_EQ(fixLabel(hidden.problem->fixes[1]), "Try Again");
  // The same control in a wide window is simply not on the ribbon.
  auto wide = runPinned("default", {"H", "Z"});
  ASSERT_TRUE(wide.problem.has_value());
  EXPECT_EQ(wide.problem->title, "“Make Coffee” isn't on your ribbon");
}

TEST(EndToEnd, EverySurfaceOfThePinnedLibrary) {
  struct Case {
    std::vector<std::string> keys;
    std::vector<std::string> ran;
    std::optional<std::string> title;
  };
  const std::vector<Case> cases{
      {{"M", "C"}, {"AutoFit Selection"}, std::nullopt},
      {{"M", "D"}, {"AutoFit Selection"}, std::nullopt},
      {{"M", "W"}, {"Zoom"}, std::nullopt},
      {{"M", "S"}, {}, "Couldn't run “Column Menu”"},
      {{"M", "L"}, {}, "“Links…” is greyed out"},
      {{"M", "X"}, {}, "“Row AutoFit Selection” isn't in Excel's menus"},
      {{"Q", "2"}, {"Home"}, std::nullopt},
      {{"Q", "9"}, {}, "Couldn't run “Quick Nine”"},
      {{"T", "D"}, {"Document Title"}, std::nullopt},
      {{"H", "Z"}, {}, "“Make Coffee” isn't on your ribbon"},
      {{"H", "S", "C"}, {}, "“Clear” is greyed out"},
      {{"A", "C"}, {}, "“Clear” is greyed out"},
      {{"A", "S"}, {"Sort"}, std::nullopt},
      {{"X", "T"}, {}, "The Developer tab isn't showing"},
      {{"G", "X"}, {}, "Excel took too long"},
      {{"O", "P"}, {"Bold"}, std::nullopt},
      {{"W", "W"}, {}, std::nullopt},
  };
  for (const auto& c : cases) {
    auto outcome = runPinned("default", c.keys);
    std::string keys = model::text::join(c.keys, " ");
    EXPECT_EQ(outcome.ran, c.ran) << keys;
    EXPECT_EQ(outcome.problem ? std::optional(outcome.problem->title) : std::nullopt, c.title) << keys;
    EXPECT_TRUE(runLine(outcome).starts_with("⌥ " + keys + " “")) << keys;
    EXPECT_LT(outcome.seconds, 10) << keys;
  }
}

TEST(EndToEnd, ASheetOfTenThousandCellsOrAHungFormulaBarChangesNoRun) {
  const std::vector<std::vector<std::string>> cases{
      {"H", "O", "I"}, {"M", "W"}, {"Q", "2"}, {"T", "D"}, {"H", "Z"}, {"H", "S", "C"}, {"A", "S"}, {"O", "P"}};
  for (const auto& keys : cases) {
    auto plain = runPinned("default", keys);
    auto full = runPinned("default", keys, [](ExcelSim& s) { ASSERT_EQ(s.x().fillSheet(10000), 10000u); });
    auto hung = runPinned("default", keys, [](ExcelSim& s) { s.x().setHung(s.get("AXGroup", "Formula Bar")); });
    std::string name = model::text::join(keys, " ");
    for (const auto* other : {&full, &hung}) {
      EXPECT_EQ(other->ran, plain.ran) << name;
      EXPECT_EQ(other->problem.has_value(), plain.problem.has_value()) << name;
      EXPECT_EQ(runLine(*other), runLine(plain)) << name << ": the same result in the same time";
    }
    EXPECT_EQ(full.calls, plain.calls) << name << ": the sheet is never walked";
  }
}

// --- Faults ---

struct Fault {
  const char* name;
  std::vector<std::string> keys;
  std::function<void(ExcelSim&)> inject;
};

TEST(Faults, EveryInjectedFaultEndsInAProblemWithinBoundedTime) {
  const std::vector<Fault> faults{
      {"a control answers an error to every call", {"H", "W"},
       [](ExcelSim& s) { s.x().injectError(ElementSelector{"AXCheckBox", "Wrap Text"}, platform::ax::kFailure); }},
      {"a press is refused and the frame cannot be read", {"H", "W"},
       [](ExcelSim& s) {
         s.x().injectError(ElementSelector{"AXCheckBox", "Wrap Text"}, platform::ax::kCannotComplete, "AXSize");
         s.x().injectError(ElementSelector{"AXCheckBox", "Wrap Text"}, platform::ax::kFailure, "AXPress");
       }},
      {"the menu bar times out", {"M", "C"},
       [](ExcelSim& s) { s.x().injectTimeout(s.sim.app(), "AXMenuBar"); }},
      {"the ribbon's tab group times out", {"H", "W"},
       [](ExcelSim& s) { s.x().injectTimeout(ElementSelector{"AXTabGroup", "ribbon"}); }},
      {"the dropdown vanishes mid-scan", {"H", "S", "C"},
       [](ExcelSim& s) { s.x().vanishAfterReads(s.get("AXMenuButton", "Sort & Filter"), 1); }},
      {"a control is removed", {"H", "W"},
       [](ExcelSim& s) { s.x().removeElement(s.get("AXGroup", "Alignment")); }},
      {"Excel quits mid-run", {"H", "O", "I"}, [](ExcelSim& s) { s.x().quitAfterCalls(40); }},
      {"Excel quits at once", {"T", "D"}, [](ExcelSim& s) { s.x().quitAfterCalls(0); }},
      {"accessibility is not trusted", {"Q", "2"}, [](ExcelSim& s) { s.x().setTrusted(false); }},
      {"slow calls and a missing control", {"H", "Z"}, [](ExcelSim& s) { s.x().setCallLatency(0.0005); }},
      {"the dialog never opens", {"G", "G"},
       [](ExcelSim& s) { s.x().injectError(ElementSelector{"AXMenuItem", "Go To…"}, platform::ax::kFailure, "AXPress"); }},
      {"Excel is not frontmost during a failed walk", {"H", "O", "I"},
       [](ExcelSim& s) {
         s.x().setFrontmost(false);
         s.x().injectError(s.sim.app(), platform::ax::kNoValue, "AXMenuBar");
         s.x().injectError(ElementSelector{"AXMenuItem", "AutoFit Column Width"}, platform::ax::kFailure);
       }},
  };
  for (const auto& fault : faults) {
    auto outcome = runPinned("default", fault.keys, fault.inject);
    ASSERT_TRUE(outcome.problem.has_value()) << fault.name;
    EXPECT_FALSE(outcome.problem->title.empty()) << fault.name;
    auto line = runLine(outcome);
    EXPECT_TRUE(line.starts_with("⌥ " + model::text::join(fault.keys, " ") + " “")) << fault.name << ": " << line;
    EXPECT_NE(line.find(" → failed via "), std::string::npos) << fault.name << ": " << line;
    EXPECT_TRUE(line.ends_with(" ms): " + outcome.problem->reason)) << fault.name << ": " << line;
    EXPECT_LT(outcome.seconds, 120) << fault.name;
  }
}

TEST(Faults, APressAnsweredCannotCompleteCountsAsDoneButOneThatGotNoAnswerAndDidNothingDoesNot) {
  auto outcome = runPinned("default", {"H", "W"}, [](ExcelSim& s) {
    s.x().injectPressResult(ElementSelector{"AXCheckBox", "Wrap Text"}, platform::ax::kCannotComplete);
  });
  EXPECT_FALSE(outcome.problem.has_value());
  EXPECT_EQ(outcome.ran, std::vector<std::string>{"Wrap Text"});

  // A press that waits out its 0.4 s timeout and changes nothing on screen is not taken as done:
  // Excel answers the next call, so it is not a silent Excel, but the press failed.
  auto timedOut = runPinned("default", {"H", "W"}, [](ExcelSim& s) {
    s.x().injectTimeout(ElementSelector{"AXCheckBox", "Wrap Text"}, "AXPress");
  });
  ASSERT_TRUE(timedOut.problem.has_value());
  EXPECT_EQ(timedOut.problem->title, "Couldn't run “Wrap Text”");
  EXPECT_EQ(timedOut.problem->reason, "Excel didn't respond to “Wrap Text”");
  EXPECT_TRUE(timedOut.ran.empty());
  EXPECT_GE(timedOut.seconds, 0.4 - 1e-9);
  EXPECT_LT(timedOut.seconds, 1.5);
}

}  // namespace
}  // namespace corvane::excel

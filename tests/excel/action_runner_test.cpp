#include <gtest/gtest.h>

#include <limits>
#include <map>

#include "excel/action_runner.hpp"
#include "excel/element_lookup.hpp"
#include "excel_sim.hpp"
#include "model/step_warnings.hpp"
#include "support/builtin_library.hpp"
#include "platform/event_tap.hpp"

// The runner: its queue and completion, the key-tip fast path and its fallback, the step
// interpreter (keystrokes, firstOf, sequences, waits, macros) and the log line.

namespace corvane::excel {
namespace {

using testing::combo;
using testing::ExcelSim;
using testing::shortcut;
using testing::ribbon;
namespace flags = platform::flags;

/// Stands in for the key-tip controller: badges for one level and the elements they stand on.
class FakeKeyTips final : public KeyTipAccess {
 public:
  std::optional<std::vector<std::string>> level;
  std::map<std::string, platform::Element> elements;
  std::vector<bool> forgets;  ///< closePopups of each forgetLevel call

  std::optional<std::vector<std::string>> levelPath() override { return level; }
  std::optional<platform::Element> elementFor(const std::string& keyPathText) override {
    auto it = elements.find(keyPathText);
    if (it == elements.end()) return std::nullopt;
    return it->second;
  }
  bool forgetLevel(bool closePopups) override {
    forgets.push_back(closePopups);
    level.reset();
    elements.clear();
    return false;
  }
  std::optional<platform::Element> elementInOpenMenu(const std::vector<std::string>&) override { return std::nullopt; }
};

struct Runner {
  explicit Runner(const std::string& fixture = "default") : Runner(testing::fixture(fixture)) {}
  explicit Runner(std::shared_ptr<const platform::sim::ExcelFixture> fixture)
      : s(std::move(fixture)), runner(s.sim.time, s.services, [this](const std::string& line) { log.push_back(line); }) {}

  /// Runs to completion; the problem, or none.
  std::optional<RunProblem> run(const model::Shortcut& shortcut) {
    bool completed = false;
    std::optional<RunProblem> problem;
    runner.run(shortcut, *s.x().pid(), [&](std::optional<RunProblem> result) {
      completed = true;
      EXPECT_TRUE(s.sim.time.main().isCurrent()) << "completions arrive on the main queue";
      problem = std::move(result);
    });
    EXPECT_FALSE(completed) << "run returns before the work is done";
    EXPECT_TRUE(s.sim.time.runUntilIdle());
    EXPECT_TRUE(completed);
    return problem;
  }
  ActionStatus perform(const model::Step& step) { return runner.performStep(s.excel, step); }

  ExcelSim s;
  std::vector<std::string> log;
  ActionRunner runner;
};

std::vector<platform::RawEvent> keysPosted(ExcelSim& s) {
  std::vector<platform::RawEvent> keys;
  for (const auto& event : s.x().inputPoster().posted()) {
    if (event.type == platform::EventType::keyDown || event.type == platform::EventType::keyUp) keys.push_back(event);
  }
  return keys;
}

// --- Keystrokes ---

/// One Accessibility read before each keystroke: whether Excel is still in front.
constexpr double kFrontCheck = 0.0003;

TEST(KeyStep, PostsDownAndUpWithModifierAndFunctionFlagsThenWaits) {
  Runner r;
  double before = r.s.now();
  ASSERT_TRUE(r.perform(model::KeyStep{combo("cmd+shift+l")}).has_value());
  EXPECT_NEAR(r.s.now() - before, kFrontCheck + 0.046, 1e-9) << "is Excel in front, then 8 ms, 8 ms, then 30 ms";
  auto keys = keysPosted(r.s);
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].type, platform::EventType::keyDown);
  EXPECT_EQ(keys[1].type, platform::EventType::keyUp);
  EXPECT_EQ(keys[0].keyCode, 37);
  EXPECT_EQ(keys[0].flags, flags::kCommand | flags::kShift);
  EXPECT_EQ(keys[0].userData, platform::kSyntheticEventTag);

  struct Case {
    const char* text;
    std::uint64_t flags;
  };
  for (const auto& c : {Case{"shift+right", 0xA00000 | flags::kShift}, Case{"f5", 0x800000},
                        Case{"ctrl+pagedown", 0x800000 | flags::kControl}, Case{"forwarddelete", 0x800000},
                        Case{"up", 0xA00000}, Case{"opt+a", flags::kOption}, Case{"return", 0}}) {
    r.s.x().inputPoster().clearPosted();
    ASSERT_TRUE(r.perform(model::KeyStep{combo(c.text)}).has_value());
    auto posted = keysPosted(r.s);
    ASSERT_EQ(posted.size(), 2u) << c.text;
    EXPECT_EQ(posted[0].flags, c.flags) << c.text;
  }
}

TEST(KeyStep, WaitsForOptionToBeReleasedUnlessTheComboHasIt) {
  Runner r;
  auto& input = r.s.x().inputPoster();
  input.setHardwareModifierFlags(flags::kOption);
  r.s.sim.time.main().after(0.1, [&] { input.setHardwareModifierFlags(0); });
  double before = r.s.now();
  ASSERT_TRUE(r.perform(model::KeyStep{combo("cmd+b")}).has_value());
  double waited = r.s.now() - before - kFrontCheck - 0.046;
  EXPECT_GE(waited, 0.1);
  EXPECT_LE(waited, 0.1 + 0.015 + 1e-9) << "polled every 15 ms";

  input.setHardwareModifierFlags(flags::kOption);
  before = r.s.now();
  ASSERT_TRUE(r.perform(model::KeyStep{combo("opt+cmd+b")}).has_value());
  EXPECT_NEAR(r.s.now() - before, kFrontCheck + 0.046, 1e-9) << "posted at once";

  before = r.s.now();
  ASSERT_TRUE(r.perform(model::KeyStep{combo("cmd+b")}).has_value());
  EXPECT_NEAR(r.s.now() - before, 1.5 + 0.046, 0.016) << "gives up after 1.5 s and posts anyway";
}

// --- firstOf, sequence, wait, use ---

TEST(FirstOf, LogsEachFailedAlternativeAndStopsAtTheFirstSuccess) {
  Runner r;
  model::FirstOfStep step{{ribbon({"Make Coffee"}, "Home"), ribbon({"Bold"}, "Home"), ribbon({"Italic"})}};
  ASSERT_TRUE(r.perform(step).has_value());
  EXPECT_EQ(r.log, std::vector<std::string>{"   tried Ribbon Home › Make Coffee: Couldn't find “Make Coffee” on the Home "
                                            "ribbon. If the Excel window is narrow, widen it so the button shows."});
  EXPECT_EQ(r.s.x().commandsRun(), std::vector<std::string>{"Bold"});
}

TEST(FirstOf, WhenAllFailTheFirstErrorIsReportedAfterThreeTriedLines) {
  Runner r;
  model::FirstOfStep step{{ribbon({"Make Coffee"}, "Home"), model::MenuStep{{{"Tools"}, {"Make Tea"}}}, model::QatStep{42}}};
  auto result = r.perform(step);
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error().kind, ActionError::Kind::notFound);
  EXPECT_EQ(result.error().name, "Make Coffee");
  ASSERT_EQ(r.log.size(), 3u);
  EXPECT_EQ(r.log[1], "   tried Menu Tools › Make Tea: Couldn't find menu Tools › Make Tea");
  EXPECT_EQ(r.log[2], "   tried Quick Access Toolbar button 42: The Quick Access Toolbar has no button 42");

  auto empty = r.perform(model::FirstOfStep{});
  ASSERT_FALSE(empty.has_value());
  EXPECT_EQ(empty.error(), ActionError::general("Nothing to try"));
}

TEST(Sequence, AnOptionalSequenceStopsSilentlyAtItsFirstFailure) {
  Runner r;
  model::SequenceStep optional{{ribbon({"Bold"}, "Home"), ribbon({"Make Coffee"}), ribbon({"Italic"})}, true};
  ASSERT_TRUE(r.perform(optional).has_value());
  EXPECT_EQ(r.s.x().commandsRun(), std::vector<std::string>{"Bold"}) << "the third step is skipped";
  EXPECT_TRUE(r.log.empty());

  model::SequenceStep required{{ribbon({"Italic"}, "Home"), ribbon({"Make Coffee"}), ribbon({"Bold"})}, false};
  auto result = r.perform(required);
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error().name, "Make Coffee");
  EXPECT_EQ(r.s.x().commandsRun(), (std::vector<std::string>{"Bold", "Italic"}));
  EXPECT_TRUE(r.perform(model::SequenceStep{}).has_value());
}

TEST(StepInterpreter, WaitsSleepAndUnresolvedMacrosFail) {
  Runner r;
  double before = r.s.now();
  ASSERT_TRUE(r.perform(model::WaitStep{0.25}).has_value());
  EXPECT_NEAR(r.s.now() - before, 0.25, 1e-9);
  before = r.s.now();
  ASSERT_TRUE(r.perform(model::WaitStep{-3}).has_value());
  EXPECT_EQ(r.s.now(), before);

  auto macro = r.perform(model::UseStep{"fancy"});
  ASSERT_FALSE(macro.has_value());
  EXPECT_EQ(macro.error(), ActionError::general("Unresolved macro fancy"));
}

// --- Runs: the log line, the route, the completion ---

TEST(Run, AShortcutWithoutStepsSucceedsViaSteps) {
  Runner r;
  EXPECT_FALSE(r.run(shortcut({"X", "E"}, "Nothing At All", {})).has_value());
  EXPECT_EQ(r.log, std::vector<std::string>{"⌥ X E “Nothing At All” → ok via steps (0 ms)"});
}

TEST(Run, TheLogLineCarriesTheReasonAndTheWholeMilliseconds) {
  Runner r(testing::instantFixture("default"));
  auto problem = r.run(shortcut({"W", "W"}, "Pause Then Fail", {model::WaitStep{0.2129}, model::UseStep{"m"}}));
  ASSERT_TRUE(problem.has_value());
  EXPECT_EQ(problem->title, "Couldn't run “Pause Then Fail”");
  EXPECT_EQ(problem->reason, "Unresolved macro m");
  ASSERT_EQ(r.log.size(), 1u);
  // 212.9 ms of waiting plus the context reads; truncated, never rounded up.
  EXPECT_EQ(r.log[0], "⌥ W W “Pause Then Fail” → failed via steps (212 ms): Unresolved macro m");
}

TEST(Run, RunsQueueUpAndNeverOverlap) {
  Runner r;
  std::vector<std::string> order;
  for (const auto* name : {"First", "Second"}) {
    r.runner.run(shortcut({"W"}, name, {model::WaitStep{0.1}}), *r.s.x().pid(),
                 [&order, name](std::optional<RunProblem>) { order.emplace_back(name); });
  }
  ASSERT_TRUE(r.s.sim.time.runUntilIdle());
  EXPECT_EQ(order, (std::vector<std::string>{"First", "Second"}));
  EXPECT_EQ(r.log, (std::vector<std::string>{"⌥ W “First” → ok via steps (100 ms)", "⌥ W “Second” → ok via steps (100 ms)"}));
}

TEST(Run, ContextChecksAreSkippedForGreyedOutControls) {
  Runner r("german");
  // On a German Excel a missing control is a language problem …
  auto missing = r.run(shortcut({"H", "Z"}, "Make Coffee", {ribbon({"Make Coffee"})}));
  ASSERT_TRUE(missing.has_value());
  EXPECT_EQ(missing->title, "Excel isn't in English");
  // … but a greyed-out one stays greyed out.
  auto greyed = r.run(shortcut({"M", "L"}, "Show All", {model::MenuStep{{{"Excel"}, {"Alle einblenden"}}}}));
  ASSERT_TRUE(greyed.has_value());
  EXPECT_EQ(greyed->title, "“Alle einblenden” is greyed out");
}

// --- Stopping a run: another app in front, a cancel, the permission withdrawn, the wait cap ---

model::Shortcut waitThenType(double seconds) {
  return shortcut({"Q", "S"}, "Wait, then send",
                  {model::KeyStep{combo("s")}, model::WaitStep{seconds}, model::KeyStep{combo("e")},
                   model::KeyStep{combo("n")}});
}

TEST(Stop, AnotherAppInFrontStopsTheRunBeforeItsNextKeyAndNothingMoreIsPosted) {
  Runner r;
  r.s.sim.time.main().after(0.5, [&] { r.s.x().setFrontmost(false); });
  auto problem = r.run(waitThenType(1));
  ASSERT_TRUE(problem.has_value());
  EXPECT_EQ(problem->title, "Excel left the front");
  EXPECT_EQ(problem->fixes, std::vector<RunProblem::Fix>{RunProblem::Fix::tryAgain});
  EXPECT_EQ(keysPosted(r.s).size(), 2u) << "the S before the switch, nothing after it";
  ASSERT_EQ(r.log.size(), 1u);
  EXPECT_NE(r.log[0].find("Excel wasn't in front any more"), std::string::npos) << r.log[0];
  // Back in front, the same shortcut runs whole.
  r.s.x().setFrontmost(true);
  r.s.x().inputPoster().clearPosted();
  EXPECT_FALSE(r.run(waitThenType(0.1)).has_value());
  EXPECT_EQ(keysPosted(r.s).size(), 6u);
}

TEST(Stop, ACancelStopsTheRunInFlightAndTheRunsQueuedBehindItSilently) {
  Runner r;
  std::vector<std::optional<RunProblem>> results;
  double start = r.s.now();
  for (int i = 0; i < 2; ++i) {
    r.runner.run(waitThenType(4), *r.s.x().pid(), [&](std::optional<RunProblem> p) { results.push_back(p); });
  }
  r.s.sim.time.main().after(1.0, [&] { r.runner.cancelRuns(); });
  ASSERT_TRUE(r.s.sim.time.runUntilIdle());
  ASSERT_EQ(results.size(), 2u);
  EXPECT_FALSE(results[0].has_value()) << "called off by the user: no problem to show";
  EXPECT_FALSE(results[1].has_value());
  EXPECT_LT(r.s.now() - start, 1.0 + ActionRunner::kWaitSlice + 0.01) << "within a slice of the wait";
  EXPECT_EQ(keysPosted(r.s).size(), 2u) << "only the S typed before the cancel";
  ASSERT_EQ(r.log.size(), 2u);
  EXPECT_NE(r.log[0].find("→ cancelled via steps"), std::string::npos) << r.log[0];
  EXPECT_NE(r.log[1].find("→ cancelled via steps"), std::string::npos) << r.log[1];
  // A run started after the cancel is not touched by it.
  EXPECT_FALSE(r.run(waitThenType(0.1)).has_value());
  EXPECT_EQ(keysPosted(r.s).size(), 8u);
}

TEST(Stop, AMenuThatComesAfterTheRunWasCalledOffIsClosedWhenItComes) {
  // A busy Excel shows Format's menu 0.4 s after the press; the user calls the run off meanwhile.
  const auto* autofit = corvane::testing::builtinLibrary()->shortcut(std::vector<std::string>{"H", "O", "I"});
  ASSERT_NE(autofit, nullptr);
  auto menuOpenedAt = [](Runner& r) -> std::optional<double> {
    for (const auto& event : r.s.x().events()) {
      if (event.kind == platform::sim::ExcelEvent::Kind::menuOpened && event.label == "Format") return event.at;
    }
    return std::nullopt;
  };
  // Where the menu comes when nothing calls the run off (virtual time: the same in every run).
  Runner whole("slow");
  double start = whole.s.now();
  ASSERT_FALSE(whole.run(*autofit).has_value());
  auto opened = menuOpenedAt(whole);
  ASSERT_TRUE(opened.has_value());
  double calledOff = *opened - start - 0.2;

  for (bool inFront : {true, false}) {
    Runner r("slow");
    r.s.sim.time.main().after(calledOff, [&] {
      if (!inFront) r.s.x().setFrontmost(false);
      r.runner.cancelRuns();
    });
    EXPECT_FALSE(r.run(*autofit).has_value());
    EXPECT_EQ(r.s.x().commandsRun(), std::vector<std::string>{}) << "nothing pressed in the menu";
    ASSERT_FALSE(r.log.empty());
    EXPECT_NE(r.log.back().find("→ cancelled via steps"), std::string::npos) << r.log.back();
    if (inFront) {
      ASSERT_TRUE(menuOpenedAt(r).has_value()) << "Excel opens it all the same";
      EXPECT_EQ(r.s.escapesPosted(), 1u);
      EXPECT_EQ(r.s.x().openPopupCount(), 0u) << "the menu came and went again";
      // The whole wait would end 0.6 s after the menu came (1 s after the press).
      EXPECT_LT(r.s.now() - *menuOpenedAt(r), 0.4) << "closed when it came, not after the whole wait";
    } else {
      EXPECT_EQ(r.s.escapesPosted(), 0u) << "an Escape would go to the app in front";
    }
  }
}

TEST(Stop, AWithdrawnPermissionIsThePermissionProblemAndNoKeystrokeFallbackRuns) {
  // Bold by the ribbon, else ⌘B: without the permission neither may happen.
  auto bold = shortcut({"H", "1"}, "Bold",
                       {model::FirstOfStep{{ribbon({"Bold"}, "Home"), model::KeyStep{combo("cmd+b")}}}});
  for (double withdrawnAt : {0.0, 0.5}) {
    Runner r;
    auto slow = shortcut({"H", "1"}, "Bold", {model::WaitStep{1}, bold.steps.front()});
    if (withdrawnAt == 0) r.s.x().setTrusted(false);
    else r.s.sim.time.main().after(withdrawnAt, [&] { r.s.x().setTrusted(false); });
    auto problem = r.run(withdrawnAt == 0 ? bold : slow);
    ASSERT_TRUE(problem.has_value()) << withdrawnAt;
    EXPECT_EQ(problem->title, "Needs Accessibility access") << withdrawnAt;
    EXPECT_EQ(problem->fixes, std::vector<RunProblem::Fix>{RunProblem::Fix::allowAccess});
    EXPECT_TRUE(keysPosted(r.s).empty()) << "no ⌘B";
    EXPECT_TRUE(r.s.x().commandsRun().empty());
  }
}

TEST(Stop, AWaitIsCutToAMinuteWhateverItAsks) {
  for (double asked : {86'400.0, 1e15, std::numeric_limits<double>::infinity()}) {
    auto waits = shortcut({"W"}, "Long", {model::WaitStep{asked}});
    EXPECT_DOUBLE_EQ(ActionRunner::runBudget(waits), 6.0 + model::kLongestWait) << asked;
    Runner r;
    double start = r.s.now();
    EXPECT_FALSE(r.run(waits).has_value()) << asked;
    EXPECT_NEAR(r.s.now() - start, model::kLongestWait, 0.01) << asked;
  }
}

// --- The key-tip fast path ---

TEST(KeyTipPath, ARibbonStepInsideFirstOfIsPerformedOnTheBadgesElement) {
  Runner r(testing::instantFixture("default"));
  auto tips = std::make_shared<FakeKeyTips>();
  tips->level = std::vector<std::string>{"H"};
  tips->elements["H 1"] = r.s.get("AXCheckBox", "Bold");
  r.runner.setKeyTips(tips);
  r.s.x().resetCounts();
  auto bold = shortcut({"H", "1"}, "Bold", {model::FirstOfStep{{ribbon({"Nothing"}, "Insert"), model::KeyStep{combo("cmd+b")}}}});
  EXPECT_FALSE(r.run(bold).has_value());
  EXPECT_EQ(r.s.x().commandsRun(), std::vector<std::string>{"Bold"});
  EXPECT_EQ(r.s.x().selectedTab(), "Home") << "the steps did not run";
  EXPECT_EQ(tips->forgets, std::vector<bool>{false}) << "cleared without closing anything";
  ASSERT_EQ(r.log.size(), 1u);
  EXPECT_EQ(r.log[0], "⌥ H 1 “Bold” → ok via key tip (0 ms)");
}

TEST(KeyTipPath, QuickAccessAndTitleBarStepsArePressed) {
  Runner r(testing::instantFixture("default"));
  auto tips = std::make_shared<FakeKeyTips>();
  r.runner.setKeyTips(tips);
  tips->level = std::vector<std::string>{};
  tips->elements["T"] = r.s.get("AXButton", "Comments");
  EXPECT_FALSE(r.run(shortcut({"T"}, "Comments", {model::TitlebarStep{{"Nothing"}}})).has_value());
  EXPECT_EQ(r.s.x().commandsRun(), std::vector<std::string>{"Comments"});
  EXPECT_TRUE(r.log.back().ends_with("via key tip (0 ms)"));
}

TEST(KeyTipPath, FallsBackToTheStepsWhenThePathDoesNotApply) {
  struct Case {
    const char* why;
    std::optional<std::vector<std::string>> level;
    const char* elementKeys;
    std::vector<model::Step> steps;
  };
  const std::vector<Case> cases{
      {"no badges", std::nullopt, "H W", {ribbon({"Wrap Text"}, "Home")}},
      {"level not a prefix", std::vector<std::string>{"N"}, "H W", {ribbon({"Wrap Text"}, "Home")}},
      {"level as long as the keys", std::vector<std::string>{"H", "W"}, "H W", {ribbon({"Wrap Text"}, "Home")}},
      {"no element for the keys", std::vector<std::string>{"H"}, "H X", {ribbon({"Wrap Text"}, "Home")}},
      {"a keystroke has no fast path", std::vector<std::string>{"H"}, "H W",
       {model::SequenceStep{{model::KeyStep{combo("cmd+1")}}, false}, ribbon({"Wrap Text"}, "Home")}},
      {"an empty sequence first", std::vector<std::string>{"H"}, "H W",
       {model::SequenceStep{}, ribbon({"Wrap Text"}, "Home")}},
  };
  for (const auto& c : cases) {
    Runner r;
    auto tips = std::make_shared<FakeKeyTips>();
    tips->level = c.level;
    tips->elements[c.elementKeys] = r.s.get("AXCheckBox", "Italic");
    r.runner.setKeyTips(tips);
    EXPECT_FALSE(r.run(shortcut({"H", "W"}, "Wrap Text", c.steps)).has_value()) << c.why;
    auto ran = r.s.x().commandsRun();
    EXPECT_EQ(ran.back(), "Wrap Text") << c.why;
    EXPECT_EQ(std::count(ran.begin(), ran.end(), "Italic"), 0) << c.why;
    EXPECT_EQ(tips->forgets, std::vector<bool>{true}) << c.why << ": the badges' menus are closed first";
    EXPECT_TRUE(r.log.back().find("via steps") != std::string::npos) << c.why;
  }
}

TEST(KeyTipPath, AFailingFastPathIsSilentAndTheStepsRun) {
  Runner r;
  auto tips = std::make_shared<FakeKeyTips>();
  tips->level = std::vector<std::string>{"H"};
  auto italic = r.s.get("AXCheckBox", "Italic");
  tips->elements["H W"] = italic;
  r.runner.setKeyTips(tips);
  r.s.x().removeElement(italic);  // the badge's element went away
  EXPECT_FALSE(r.run(shortcut({"H", "W"}, "Wrap Text", {ribbon({"Wrap Text"}, "Home")})).has_value());
  EXPECT_EQ(r.s.x().commandsRun(), std::vector<std::string>{"Wrap Text"});
  EXPECT_EQ(tips->forgets, std::vector<bool>{true});
  ASSERT_EQ(r.log.size(), 1u);
  EXPECT_TRUE(r.log[0].starts_with("⌥ H W “Wrap Text” → ok via steps ("));

  // Once the controller is gone the runner does without it.
  tips.reset();
  EXPECT_FALSE(r.run(shortcut({"H", "W"}, "Wrap Text", {ribbon({"Wrap Text"}, "Home")})).has_value());
}

}  // namespace
}  // namespace corvane::excel

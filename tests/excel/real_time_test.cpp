#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <stdexcept>

#include "excel/action_runner.hpp"
#include "excel/shortcut_check.hpp"
#include "excel_sim.hpp"
#include "model/grammar.hpp"
#include "platform/event_tap.hpp"
#include "platform/sim/fixture_loader.hpp"
#include "support/builtin_library.hpp"
#include "support/forwarding_accessibility.hpp"

// Runs against an Excel that takes the time a Mac takes, and against one that stops answering:
// every run ends in bounded virtual time, a failure is never logged as success, and the actions
// queue is free again afterwards.

namespace corvane::excel {
namespace {

using platform::sim::ElementSelector;
using platform::sim::ExcelFixture;
using testing::ExcelSim;
using testing::shortcut;
using testing::ribbon;

std::shared_ptr<const ExcelFixture> defaultWith(const std::function<void(ExcelFixture&)>& change) {
  auto copy = std::make_shared<ExcelFixture>(*testing::fixture("default"));
  change(*copy);
  return copy;
}

struct Outcome {
  std::optional<RunProblem> problem;
  std::string line;
  double seconds = 0;
  std::size_t popupsAtCompletion = 0;
  std::size_t listedAtCompletion = 0;
};

/// Runs one shortcut on the actions queue and pumps virtual time until it is over.
struct TimedRunner {
  explicit TimedRunner(std::shared_ptr<const ExcelFixture> fixture = testing::fixture("default"))
      : s(std::move(fixture)), runner(s.sim.time, s.services, [this](const std::string& line) { log.push_back(line); }) {}

  Outcome run(const model::Shortcut& shortcut) {
    Outcome outcome;
    bool completed = false;
    double start = s.now();
    std::size_t logged = log.size();
    runner.run(shortcut, s.x().pid().value_or(4242), [&](std::optional<RunProblem> problem) {
      completed = true;
      outcome.problem = std::move(problem);
      outcome.seconds = s.now() - start;
      outcome.popupsAtCompletion = s.x().openPopupCount();
      outcome.listedAtCompletion = s.x().windowList().onScreenWindows().size();
    });
    EXPECT_NO_THROW(EXPECT_TRUE(s.sim.time.runUntilIdle()));
    EXPECT_TRUE(completed);
    if (log.size() > logged) outcome.line = log.back();
    return outcome;
  }
  Outcome runPinned(const std::vector<std::string>& keys) {
    static const auto library = testing::pinnedLibrary();
    return run(testing::pinnedShortcut(library, keys));
  }

  ExcelSim s;
  std::vector<std::string> log;
  ActionRunner runner;
};

// --- Excel stops answering ---

TEST(RealTime, ARunAgainstAHungRibbonWindowOrTabGroupEndsWithinFiveSecondsAsExcelNotResponding) {
  const std::vector<std::pair<std::string, ElementSelector>> hung{
      {"the ribbon's controls", {"AXScrollArea", "Home Tab Commands"}},
      {"the workbook window", {"AXWindow", "Book1"}},
      {"the ribbon's tab group", {"AXTabGroup", ""}},
  };
  for (const auto& [what, selector] : hung) {
    TimedRunner r;
    r.s.x().setHung(r.s.get(selector.role, selector.label));
    auto outcome = r.runPinned({"H", "O", "I"});
    ASSERT_TRUE(outcome.problem.has_value()) << what;
    EXPECT_EQ(outcome.problem->title, "Excel isn't responding") << what;
    EXPECT_NE(outcome.problem->detail.find("no answer for 2.0 seconds"), std::string::npos)
        << what << ": " << outcome.problem->detail;
    EXPECT_EQ(outcome.problem->fixes, std::vector<RunProblem::Fix>{RunProblem::Fix::report}) << what;
    EXPECT_LT(outcome.seconds, 5.0) << what;
    EXPECT_TRUE(outcome.line.starts_with("⌥ H O I “AutoFit Column Width” → failed via steps (") &&
                outcome.line.ends_with(" ms): Excel gave no answer for 2.0 seconds"))
        << what << ": " << outcome.line;
    EXPECT_TRUE(r.s.x().commandsRun().empty()) << what;
    EXPECT_TRUE(r.s.x().inputPoster().posted().empty()) << what << ": no keystroke fallback into a silent Excel";

    // The queue is free again: the next run starts at once and does its work.
    auto next = r.run(shortcut({"K", "L"}, "Filter Toggle", {model::KeyStep{testing::combo("cmd+shift+l")}}));
    EXPECT_FALSE(next.problem.has_value()) << what;
    EXPECT_LT(next.seconds, 0.2) << what;
  }
}

TEST(RealTime, ARibbonTabThatStopsAnsweringIsPassedOverAndNeverPressed) {
  auto zoom = shortcut({"W", "G"}, "Zoom to Selection", {ribbon({"Zoom to Selection"}, "View")});
  auto themes = shortcut({"P", "T", "H"}, "Themes", {ribbon({"Themes"}, "Page Layout")});
  TimedRunner r;
  r.s.x().setHung(r.s.get("AXRadioButton", "Page Layout"));
  // The other tabs serve, at the cost of one brief wait for the silent one.
  for (const auto& keys : {std::vector<std::string>{"H", "O", "I"}}) {
    auto outcome = r.runPinned(keys);
    EXPECT_FALSE(outcome.problem.has_value()) << outcome.line;
    EXPECT_LT(outcome.seconds, 1.0) << outcome.line;
  }
  auto zoomed = r.run(zoom);
  EXPECT_FALSE(zoomed.problem.has_value()) << zoomed.line;
  EXPECT_LT(zoomed.seconds, 1.0) << zoomed.line;
  // Its own tab may be the silent one: nothing is pressed, and Excel is the one not answering.
  r.s.x().clearEvents();
  auto themed = r.run(themes);
  ASSERT_TRUE(themed.problem.has_value());
  EXPECT_EQ(themed.problem->title, "Excel isn't responding");
  EXPECT_EQ(themed.problem->reason, "a ribbon tab gave no answer, and it may be the “Page Layout” tab");
  EXPECT_TRUE(r.s.x().commandsRun().empty());
  EXPECT_EQ(r.s.x().selectedTab(), "View") << "no tab pressed";
  EXPECT_LT(themed.seconds, 1.0);

  // Every tab silent: Excel is not answering, whichever tab is asked for.
  TimedRunner all;
  for (const auto& tab : all.s.x().findAll({"AXRadioButton", ""})) all.s.x().setHung(tab);
  auto outcome = all.run(zoom);
  ASSERT_TRUE(outcome.problem.has_value());
  EXPECT_EQ(outcome.problem->title, "Excel isn't responding");
  EXPECT_TRUE(all.s.x().commandsRun().empty());
}

TEST(RealTime, AnExcelThatStopsAnsweringMidRunIsNotBlamedOnTheRibbon) {
  TimedRunner r;
  // Excel answers until the dropdown opens, then nothing more.
  r.s.x().setObserver([&r](const platform::sim::ExcelEvent& event) {
    if (event.kind == platform::sim::ExcelEvent::Kind::menuOpened) r.s.x().setHung(r.s.x().applicationElement());
  });
  auto outcome = r.runPinned({"H", "O", "I"});
  ASSERT_TRUE(outcome.problem.has_value());
  EXPECT_EQ(outcome.problem->title, "Excel isn't responding");
  EXPECT_LT(outcome.seconds, 5.0);
  r.s.x().setObserver(nullptr);
}

TEST(RealTime, AnExcelThatAnswersButTooSlowlyEndsTheRunAtItsDeadline) {
  TimedRunner r;
  r.s.x().setCallLatency(0.15);  // every answer takes 150 ms: reading up to Format alone would take seconds
  auto library = testing::pinnedLibrary();
  const auto& autofit = testing::pinnedShortcut(library, {"H", "O", "I"});
  double budget = ActionRunner::runBudget(autofit);
  EXPECT_DOUBLE_EQ(budget, 6.0) << "no waits of its own";
  auto outcome = r.run(autofit);
  ASSERT_TRUE(outcome.problem.has_value());
  EXPECT_EQ(outcome.problem->title, "Excel isn't responding");
  EXPECT_EQ(outcome.problem->reason, "Excel answered too slowly: stopped after 6.0 seconds");
  EXPECT_LT(outcome.seconds, budget + 0.5) << "the deadline, and at most the one call under way then";
  // A shortcut that asks to wait gets that time on top.
  auto waits = shortcut({"W"}, "Waits", {model::WaitStep{2.5}, model::ClickStep{{"OK"}, 4}, model::KeyStep{}});
  EXPECT_DOUBLE_EQ(ActionRunner::runBudget(waits),
                   6.0 + 2.5 + 4 + ExcelApp::kOptionReleaseWait + ExcelApp::kKeystrokeTime);
}

// --- Excel takes its time ---

TEST(RealTime, AMenuActionWaitsForItsPopupAndFailsWhenNoneAppears) {
  TimedRunner r(defaultWith([](ExcelFixture& f) { f.application.menuDelay = 0.6; }));
  auto borders = shortcut({"H", "B"}, "Borders", {ribbon({"Borders"}, "Home", std::nullopt, model::RibbonAction::menu)});
  auto outcome = r.run(borders);
  EXPECT_FALSE(outcome.problem.has_value()) << outcome.line;
  EXPECT_EQ(outcome.popupsAtCompletion, 1u) << "the menu is open when the run reports";
  EXPECT_GE(outcome.seconds, 0.6);

  TimedRunner silent;
  silent.s.x().injectTimeout(ElementSelector{"AXMenuButton", "Borders"}, "AXShowMenu");
  auto failed = silent.run(borders);
  ASSERT_TRUE(failed.problem.has_value()) << "no popup, no success";
  EXPECT_EQ(failed.problem->title, "Couldn't run “Borders”");
  EXPECT_EQ(failed.problem->reason, "Excel didn't respond to “Borders”");
  EXPECT_EQ(silent.s.x().openPopupCount(), 0u);
}

TEST(RealTime, AWindowListThatLagsTheTreeIsWaitedFor) {
  TimedRunner r(defaultWith([](ExcelFixture& f) { f.application.windowListLag = 0.5; }));
  auto outcome = r.runPinned({"H", "O", "I"});
  EXPECT_FALSE(outcome.problem.has_value()) << outcome.line;
  EXPECT_EQ(r.s.x().commandsRun(), std::vector<std::string>{"AutoFit Column Width"});

  auto borders = r.run(shortcut({"H", "B"}, "Borders", {ribbon({"Borders"}, "Home", std::nullopt, model::RibbonAction::menu)}));
  EXPECT_FALSE(borders.problem.has_value()) << borders.line;
  EXPECT_EQ(borders.listedAtCompletion, 2u) << "the menu is on screen when the run reports";
}

TEST(RealTime, ABlockingDropdownOpenerIsNotMistakenForASilentExcel) {
  TimedRunner r;
  auto outcome = r.runPinned({"H", "O", "I"});
  EXPECT_FALSE(outcome.problem.has_value()) << outcome.line;
  EXPECT_GE(outcome.seconds, 0.4) << "the opener blocked for its 0.4 s";
  EXPECT_LT(outcome.seconds, 1.5);
  // Pressing a control whose press opens its menu blocks too, and the menu shows it was done.
  auto press = r.run(shortcut({"H", "F"}, "Format Menu", {ribbon({"Format"}, "Home")}));
  EXPECT_FALSE(press.problem.has_value()) << press.line;
  EXPECT_EQ(press.popupsAtCompletion, 1u);
}

TEST(RealTime, ATabWhoseCommandsFillInIsWaitedFor) {
  TimedRunner r(defaultWith([](ExcelFixture& f) { f.application.commandsFill = 0.5; }));
  auto outcome = r.run(shortcut({"N", "V"}, "PivotTable", {ribbon({"PivotTable"}, "Insert")}));
  EXPECT_FALSE(outcome.problem.has_value()) << outcome.line;
  EXPECT_EQ(r.s.x().commandsRun(), std::vector<std::string>{"PivotTable"});
  EXPECT_LT(outcome.seconds, 1.5);
  // The check waits the same way.
  TimedRunner check(defaultWith([](ExcelFixture& f) { f.application.commandsFill = 0.5; }));
  EXPECT_EQ(checkStep(check.s.excel, ribbon({"Win/Loss"}, "Insert")).status, CheckResult::Status::found);
}

TEST(RealTime, ACollapsedRibbonIsShownForTheRunAndCollapsedAgainAfterwards) {
  for (const auto& keys : std::vector<std::vector<std::string>>{{"H", "W"}, {"H", "O", "I"}}) {
    TimedRunner r(defaultWith([](ExcelFixture& f) { f.application.ribbonCollapsed = true; }));
    auto outcome = r.runPinned(keys);
    EXPECT_FALSE(outcome.problem.has_value()) << outcome.line;
    EXPECT_EQ(r.s.x().commandsRun().size(), 1u) << outcome.line;
    EXPECT_EQ(r.s.x().shownCommandsTab(), "") << outcome.line << ": collapsed again";
  }
  // A run that needs another tab shows that one and still leaves the ribbon collapsed.
  TimedRunner r(defaultWith([](ExcelFixture& f) { f.application.ribbonCollapsed = true; }));
  auto sort = r.runPinned({"A", "S"});
  EXPECT_FALSE(sort.problem.has_value()) << sort.line;
  EXPECT_EQ(r.s.x().selectedTab(), "Data");
  EXPECT_EQ(r.s.x().shownCommandsTab(), "");
}

// --- No blind success ---

TEST(RealTime, TheClickFallbackNeverClicksWhatCoversTheControl) {
  TimedRunner r;
  // The Format Cells dialog opens over part of the ribbon.
  ASSERT_EQ(r.s.sim.press(r.s.get("AXButton", "Font Settings")), platform::ax::kSuccess);
  ASSERT_TRUE(r.s.sim.time.runUntilIdle());
  auto dialog = r.s.get("AXWindow", "Format Cells");
  auto cover = r.s.x().frameOf(dialog).value();
  std::optional<std::string> hidden;
  std::string role;
  for (const auto& element : r.s.x().findAll({})) {
    role = r.s.sim.text(element, "AXRole");
    if (role != "AXButton" && role != "AXCheckBox") continue;
    auto frame = r.s.x().frameOf(element);
    auto title = r.s.sim.text(element, "AXTitle");
    if (title.empty()) title = r.s.sim.text(element, "AXDescription");
    if (!frame || title.empty() || !cover.contains({frame->midX(), frame->midY()})) continue;
    auto parent = r.s.sim.read<platform::Element>(element, "AXParent");
    if (!parent || r.s.sim.text(*parent, "AXRole") != "AXGroup") continue;  // a ribbon group's own button
    if (r.s.sim.read<platform::Element>(element, "AXWindow") != r.s.sim.workbook()) continue;
    hidden = title;
    break;
  }
  ASSERT_TRUE(hidden.has_value()) << "a ribbon button under the dialog";
  r.s.x().injectError(ElementSelector{role, *hidden}, platform::ax::kFailure, "AXPress");
  r.s.x().clearEvents();
  auto outcome = r.run(shortcut({"H", "X"}, *hidden, {ribbon({*hidden}, "Home")}));
  ASSERT_TRUE(outcome.problem.has_value()) << outcome.line;
  EXPECT_EQ(outcome.problem->reason, "Excel didn't respond to “" + *hidden + "”");
  for (const auto& event : r.s.x().inputPoster().posted()) {
    EXPECT_NE(event.type, platform::EventType::leftMouseDown) << "nothing was clicked";
  }
  EXPECT_TRUE(r.s.x().commandsRun().empty());
}

TEST(RealTime, APressThatGetsNoAnswerAndDoesNothingIsNotReportedAsDone) {
  TimedRunner r;
  r.s.x().injectTimeout(ElementSelector{"AXCheckBox", "Wrap Text"}, "AXPress");
  auto outcome = r.runPinned({"H", "W"});
  ASSERT_TRUE(outcome.problem.has_value()) << outcome.line;
  EXPECT_EQ(outcome.problem->reason, "Excel didn't respond to “Wrap Text”");
  EXPECT_TRUE(r.s.x().commandsRun().empty());
  EXPECT_LT(outcome.seconds, 2.0);
}

/// Stands in for a platform layer that throws (a bug, or a library that throws).
class ThrowingAccessibility final : public corvane::testing::ForwardingAccessibility {
 public:
  using ForwardingAccessibility::ForwardingAccessibility;
  std::expected<platform::AXValue, platform::AXError> copyAttribute(const platform::Element& e,
                                                                    std::string_view a) override {
    if (a == "AXWindows") throw std::runtime_error("the window list broke");
    return ForwardingAccessibility::copyAttribute(e, a);
  }
};

TEST(RealTime, AnExceptionInsideARunBecomesTheCouldNotRunProblem) {
  ExcelSim s;
  ThrowingAccessibility throwing(s.x().accessibility());
  ExcelServices services{throwing, s.x().windowList(), s.x().inputPoster(), s.sim.time};
  std::vector<std::string> log;
  ActionRunner runner(s.sim.time, services, [&](const std::string& line) { log.push_back(line); });
  std::optional<RunProblem> problem;
  bool completed = false;
  static const auto library = testing::pinnedLibrary();
  runner.run(testing::pinnedShortcut(library, {"H", "W"}), 4242, [&](std::optional<RunProblem> p) {
    completed = true;
    problem = std::move(p);
  });
  EXPECT_NO_THROW(EXPECT_TRUE(s.sim.time.runUntilIdle()));
  ASSERT_TRUE(completed);
  ASSERT_TRUE(problem.has_value());
  EXPECT_EQ(problem->title, "Couldn't run “Wrap Text”");
  EXPECT_EQ(problem->detail, "the window list broke");
  ASSERT_FALSE(log.empty());
  EXPECT_TRUE(log.back().starts_with("⌥ H W “Wrap Text” → failed via steps (") &&
              log.back().ends_with(" ms): the window list broke"))
      << log.back();
}

}  // namespace
}  // namespace corvane::excel

namespace corvane::excel {
namespace {

using platform::sim::ExcelFixture;
using testing::ExcelSim;

// Every shipped shortcut against each hung fixture of tests/data/fixtures (in hung-folded, controls
// that hang once their folded group opens): none waits on Excel longer than it should.
TEST(RealTime, EveryShippedShortcutEndsWithinFiveSecondsAgainstEachHungFixture) {
  const auto library = corvane::testing::builtinLibrary();
  for (const std::string name : {"hung-ribbon", "hung-window", "hung-tab-group", "hung-folded"}) {
    platform::posix::PosixFiles files;
    auto loaded = platform::sim::loadFixtureFile(files, corvane::testing::dataPath("fixtures/" + name + ".json"));
    ASSERT_TRUE(loaded.has_value()) << name << ": " << (loaded ? "" : loaded.error().text());
    auto fixture = std::make_shared<const ExcelFixture>(std::move(*loaded));
    double longest = 0;
    std::string slowest;
    int silent = 0;
    for (const auto& shortcut : library->shortcuts()) {
      ExcelSim s(fixture);
      ActionRunner runner(s.sim.time, s.services, {});
      double start = s.now();
      auto problem = runner.runNow(shortcut, 4242);
      double seconds = s.now() - start;
      if (problem && problem->title == "Excel isn't responding") ++silent;
      if (seconds > longest) {
        longest = seconds;
        slowest = model::keyPathText(shortcut.keys);
      }
    }
    EXPECT_LT(longest, 5.0) << name << ": ⌥ " << slowest;
    EXPECT_GT(silent, 0) << name;
    std::printf("%s: longest run %.3f s (⌥ %s), %d of %zu ended as not responding\n", name.c_str(), longest,
                slowest.c_str(), silent, library->shortcuts().size());
  }
}

}  // namespace
}  // namespace corvane::excel

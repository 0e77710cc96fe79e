// The shipped shortcuts against the simulated Excel: the shortcut check finds every target in each
// English Excel and almost nothing in a German one, a control taken out of Excel turns exactly the
// shortcuts that need it red, every step works on its own, and the commands that click in dialogs run
// to the end.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <set>

#include "excel/action_runner.hpp"
#include "excel/element_lookup.hpp"
#include "excel/shortcut_check.hpp"
#include "excel/step_description.hpp"
#include "model/grammar.hpp"
#include "platform/sim_test_support.hpp"
#include "support/builtin_library.hpp"

namespace corvane::excel {
namespace {

using corvane::testing::builtinLibrary;
using corvane::testing::forEachStep;
using platform::sim::SimExcel;
using platform::sim::VirtualTime;

/// A simulated Excel from a built-in fixture, with the services automation is given.
struct Excel {
  explicit Excel(const std::string& fixture) : Excel(fixtureNamed(fixture)) {}
  explicit Excel(std::shared_ptr<const platform::sim::ExcelFixture> fixture)
      : sim(std::make_unique<SimExcel>(time, time, std::move(fixture))),
        services{sim->accessibility(), sim->windowList(), sim->inputPoster(), time},
        app(services, sim->pid().value_or(-1)) {}

  static std::shared_ptr<const platform::sim::ExcelFixture> fixtureNamed(const std::string& name) {
    static std::map<std::string, std::shared_ptr<const platform::sim::ExcelFixture>> loaded;
    auto& fixture = loaded[name];
    if (!fixture) fixture = platform::sim::testing::loadResource(name);
    return fixture;
  }

  VirtualTime time;
  std::unique_ptr<SimExcel> sim;
  ExcelServices services;
  ExcelApp app;
};

struct Counts {
  int found = 0;
  int notFound = 0;
  int notCheckable = 0;
  std::string report;
};

// The report's own header line is the count the user sees; read it back from there.
Counts checkAgainst(const std::string& fixture) {
  Counts counts;
  auto loaded = Excel::fixtureNamed(fixture);
  if (!loaded) return counts;  // loadResource has reported why
  Excel excel(loaded);
  counts.report = checkShortcuts(excel.app, builtinLibrary()->shortcuts(), "today").text;
  // After the header and, for a German Excel, the sentence saying what makes every line ❌.
  auto line = counts.report.substr(counts.report.find("\n✅ ") + 1);
  EXPECT_EQ(std::sscanf(line.c_str(), "✅ %d found in Excel   ❌ %d not found   ➖ %d", &counts.found, &counts.notFound,
                        &counts.notCheckable),
            3)
      << line;
  EXPECT_EQ(excel.sim->selectedTab(), fixture == "german" ? "Start" : "Home");
  return counts;
}

const Counts& defaultCheck() {
  static const Counts counts = checkAgainst("default");
  return counts;
}

std::string notFoundLines(const std::string& report) {
  std::string out;
  std::size_t at = 0;
  while ((at = report.find("\n❌  ⌥", at)) != std::string::npos) {
    auto end = report.find("\n", at + 1);
    auto next = report.find("\n", end + 1);
    out += report.substr(at, next == std::string::npos ? std::string::npos : next - at);
    at = end;
  }
  return out;
}

// Every English fixture models the real Excel (the released menu bar, the 2019–20 one, a narrow
// window, a collapsed ribbon), and every shortcut has a path in each of them.
class BuiltinCheckInEnglish : public ::testing::TestWithParam<std::string> {};

TEST_P(BuiltinCheckInEnglish, FindsEveryShortcut) {
  ASSERT_NE(Excel::fixtureNamed(GetParam()), nullptr);
  const auto counts = GetParam() == "default" ? defaultCheck() : checkAgainst(GetParam());
  auto total = static_cast<int>(builtinLibrary()->shortcuts().size());
  EXPECT_EQ(counts.found + counts.notFound + counts.notCheckable, total);
  EXPECT_EQ(counts.notFound, 0) << notFoundLines(counts.report);
  // Only the few commands that exist as keystrokes or dialog clicks alone go unchecked.
  EXPECT_GT(counts.found, total * 9 / 10) << counts.report;
}

// In narrow, a folded group's controls are found in the popup its button opens; in collapsed, a
// ribbon step shows the ribbon while it looks (the simulator models it through
// application.ribbonCollapsed).
INSTANTIATE_TEST_SUITE_P(Fixtures, BuiltinCheckInEnglish,
                         ::testing::Values("default", "excel-2019", "narrow", "collapsed", "english-uk"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           auto name = info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

using Status = CheckResult::Status;

std::map<std::string, Status> statusByKeys(const std::shared_ptr<const platform::sim::ExcelFixture>& fixture) {
  std::map<std::string, Status> out;
  Excel excel(fixture);
  for (const auto& shortcut : builtinLibrary()->shortcuts()) {
    out[model::keyPathText(shortcut.keys)] = checkShortcut(excel.app, shortcut).status;
  }
  return out;
}

std::string statusText(Status status) {
  switch (status) {
    case Status::found:
      return "✅";
    case Status::notFound:
      return "❌";
    case Status::notCheckable:
      return "➖";
    case Status::uncertain:
      return "⚠️";
  }
  return "?";
}

/// The shortcuts whose check result differs between the two fixtures, as "keys was→now".
std::set<std::string> changedResults(const std::shared_ptr<const platform::sim::ExcelFixture>& before,
                                     const std::shared_ptr<const platform::sim::ExcelFixture>& after) {
  auto was = statusByKeys(before);
  auto now = statusByKeys(after);
  std::set<std::string> changed;
  for (const auto& [keys, status] : was) {
    if (now.at(keys) != status) changed.insert(keys + " " + statusText(status) + "→" + statusText(now.at(keys)));
  }
  return changed;
}

/// Takes out of `nodes` (at any depth, in children and menus) every element named `name`.
int removeNamed(std::vector<platform::sim::FixtureNode>& nodes, const std::string& name) {
  auto named = [&](const platform::sim::FixtureNode& n) { return n.displayName() == name; };
  int removed = static_cast<int>(std::erase_if(nodes, named));
  for (auto& node : nodes) {
    removed += removeNamed(node.children, name) + removeNamed(node.menu, name) + removeNamed(node.tabs, name) +
               removeNamed(node.groups, name);
  }
  return removed;
}

// The check is not circular: it is the fixture that decides what is found. Take one control out of a
// copy of the default Excel and exactly the shortcuts that need it change: those with no other way
// turn red, those with a keystroke fallback become unchecked, the rest stay found by their fallback.
TEST(BuiltinCheck, AControlTakenOutOfExcelTurnsExactlyTheShortcutsThatNeedItRed) {
  auto original = Excel::fixtureNamed("default");
  ASSERT_NE(original, nullptr);

  auto noBorders = std::make_shared<platform::sim::ExcelFixture>(*original);
  ASSERT_EQ(removeNamed(noBorders->windows, "Borders"), 1);
  EXPECT_EQ(changedResults(original, noBorders),
            (std::set<std::string>{
                // Ribbon only.
                "H B A ✅→❌", "H B T ✅→❌", "H B B ✅→❌", "H B H ✅→❌", "H B D ✅→❌", "H B C ✅→❌",
                "H B U ✅→❌", "H B W ✅→❌", "H B G ✅→❌", "H B E ✅→❌", "H B I ✅→❌", "H B Y ✅→❌",
                // ⌘⌥ and an arrow, 0 or − draw and clear borders.
                "H B O ✅→➖", "H B P ✅→➖", "H B L ✅→➖", "H B R ✅→➖", "H B N ✅→➖", "H B S ✅→➖"}))
      << "H B M falls back to Format › Cells...";

  auto noSheetMenu = std::make_shared<platform::sim::ExcelFixture>(*original);
  ASSERT_EQ(removeNamed(noSheetMenu->menuBar[6].menu, "Sheet"), 1) << "Format › Sheet";
  EXPECT_EQ(changedResults(original, noSheetMenu), (std::set<std::string>{"O H H ✅→❌", "O H U ✅→❌", "O H T ✅→❌"}))
      << "Rename and Background fall back to the ribbon";
}

TEST(BuiltinCheck, FindsLessThanAFifthInAGermanExcel) {
  auto german = checkAgainst("german");
  EXPECT_GT(german.found, 0) << "the Quick Access Toolbar counts by position in any language";
  EXPECT_LT(german.found * 5, defaultCheck().found) << german.report;
  EXPECT_GT(german.notFound, defaultCheck().found / 2);
}

TEST(BuiltinCheck, EveryTabTipNamesATabOfTheDefaultExcel) {
  int tabs = 0;
  for (const auto& [keys, target] : builtinLibrary()->tips()) {
    if (!target.starts_with("tab:")) continue;
    ++tabs;
    Excel excel("default");
    auto window = findWorkbookWindow(excel.app);
    ASSERT_TRUE(window.has_value());
    auto tab = target.substr(4);
    EXPECT_TRUE(selectTab(excel.app, *window, tab).has_value()) << keys << " → " << tab;
    EXPECT_EQ(excel.sim->selectedTab(), tab);
    excel.time.advanceBy(1.0);
    EXPECT_EQ(excel.sim->shownCommandsTab(), tab);
  }
  EXPECT_EQ(tabs, 7);
}

// Every ribbon, menu, Quick Access and title-bar step of the library on its own, fallbacks
// included (the check of a shortcut stops at its first alternative found). The check sees only a
// ribbon dropdown, so a step with items is run in a fresh Excel: it opens the menu and chooses.
TEST(BuiltinCheck, EveryStepWorksOnItsOwnInTheDefaultExcel) {
  std::vector<model::Step> steps;
  for (const auto& shortcut : builtinLibrary()->shortcuts()) {
    forEachStep(shortcut.steps, [&](const model::Step& step) {
      bool leaf = step.is<model::RibbonStep>() || step.is<model::MenuStep>() || step.is<model::QatStep>() ||
                  step.is<model::TitlebarStep>();
      if (leaf && std::find(steps.begin(), steps.end(), step) == steps.end()) steps.push_back(step);
    });
  }
  EXPECT_GT(steps.size(), 300u);
  std::string failures;
  std::set<std::string> greyedOut;
  int chosen = 0;
  Excel looking("default");
  for (const auto& step : steps) {
    const auto* ribbon = step.as<model::RibbonStep>();
    if (ribbon == nullptr || !ribbon->item) {
      // Excel fills its Window menu only once it is open, so a look finds nothing there: choose it.
      auto result = checkStep(looking.app, step);
      if (result.status == CheckResult::Status::found) continue;
      if (!step.is<model::MenuStep>()) {
        failures += describeStep(step) + ": " + result.note + "\n";
        continue;
      }
    }
    ++chosen;
    Excel excel("default");
    ActionRunner runner(excel.time, excel.services, [](const std::string&) {});
    auto done = runner.performStep(excel.app, step);
    if (done) continue;
    if (done.error().kind == ActionError::Kind::greyedOut) {
      greyedOut.insert(done.error().name);
      continue;
    }
    failures += describeStep(step) + ": " + done.error().description + "\n";
  }
  EXPECT_EQ(failures, "");
  EXPECT_GT(chosen, 150);
  EXPECT_LT(chosen, static_cast<int>(steps.size()) / 2);
  // Greyed out in the fixture on purpose: nothing is filtered yet.
  EXPECT_EQ(greyedOut, (std::set<std::string>{"Clear", "Reapply"}));
}

TEST(BuiltinCheck, CommandsThatClickInADialogRunToTheEndAndCloseIt) {
  int runs = 0;
  for (const auto& shortcut : builtinLibrary()->shortcuts()) {
    bool clicks = false;
    forEachStep(shortcut.steps, [&](const model::Step& step) { clicks = clicks || step.is<model::ClickStep>(); });
    if (!clicks) continue;
    ++runs;
    Excel excel("default");
    ActionRunner runner(excel.time, excel.services, [](const std::string&) {});
    auto problem = runner.runNow(shortcut, excel.sim->pid().value_or(-1));
    EXPECT_FALSE(problem.has_value()) << model::keyPathText(shortcut.keys) << ": " << problem->reason;
    excel.time.advanceBy(3.0);
    // Paste Special options apply at once; Go To Special stays open for the user's choice.
    auto open = excel.sim->openDialogs();
    if (shortcut.keys.front() == "E") {
      EXPECT_TRUE(open.empty()) << model::keyPathText(shortcut.keys) << " left " << open.front() << " open";
    }
  }
  EXPECT_GE(runs, 12);
}

}  // namespace
}  // namespace corvane::excel

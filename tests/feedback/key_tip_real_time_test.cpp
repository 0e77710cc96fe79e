#include <gtest/gtest.h>

#include <stdexcept>

#include "excel/action_runner.hpp"
#include "feedback/key_tip_controller.hpp"
#include "platform/sim_test_support.hpp"
#include "platform/sim/sim_panels.hpp"
#include "platform/sim/sim_screens.hpp"
#include "platform/sim/sim_text_metrics.hpp"
#include "support/builtin_library.hpp"
#include "support/forwarding_accessibility.hpp"

// Key tips against an Excel that takes the time a Mac takes, with the user typing at a practised
// speed: scans run on the actions queue while keys keep arriving on the main queue, and a hide
// drops whatever scan is still in flight.

namespace corvane::feedback {
namespace {

using platform::sim::ExcelFixture;

std::shared_ptr<const ExcelFixture> defaultWith(const std::function<void(ExcelFixture&)>& change = {}) {
  auto copy = std::make_shared<ExcelFixture>(*platform::sim::testing::loadResource("default"));
  if (change) change(*copy);
  return copy;
}

/// The shell's wiring of key tips and the runner over one simulated Excel; user actions are
/// scheduled on the main queue at their times, as keys arrive on a Mac.
struct World {
  explicit World(std::shared_ptr<const ExcelFixture> fixture = defaultWith())
      : excel(std::make_unique<platform::sim::SimExcel>(time, time, std::move(fixture))),
        services{excel->accessibility(), excel->windowList(), excel->inputPoster(), time},
        runner(time, services, [this](const std::string& line) { logged.emplace_back(time.uptime(), line); }) {
    keyTips = std::make_shared<KeyTipController>(time, runner.queue(), services,
                                                 std::make_unique<KeyTipOverlay>(panels, screens, metrics),
                                                 corvane::testing::builtinLibrary());
    keyTips->onTipsShown = [this](int n) { shown.emplace_back(time.uptime(), n); };
    runner.setKeyTips(keyTips);
  }

  std::int32_t pid() const { return excel->pid().value_or(-1); }
  /// At `at` seconds from now (virtual time), on the main queue.
  void at(double seconds, std::function<void()> work) { (void)time.main().after(seconds, std::move(work)); }
  void levelAt(double seconds, std::vector<std::string> path) {
    at(seconds, [this, path] { keyTips->update(path, pid()); });
  }
  void leafAt(double seconds, const std::vector<std::string>& keys) {
    at(seconds, [this, keys] {
      hiddenAt = time.uptime();
      keyTips->hide();
      const auto* shortcut = corvane::testing::builtinLibrary()->shortcut(keys);
      ASSERT_NE(shortcut, nullptr);
      runner.run(*shortcut, pid(), [this](std::optional<excel::RunProblem> p) {
        problem = std::move(p);
        completed = true;
      });
    });
  }
  std::size_t visibleBadges() const {
    std::size_t n = 0;
    for (const auto& view : keyTips->overlay().visibleContent()) n += view->badges.size();
    return n;
  }

  platform::sim::VirtualTime time;
  std::unique_ptr<platform::sim::SimExcel> excel;
  excel::ExcelServices services;
  excel::ActionRunner runner;
  platform::sim::SimScreens screens;
  platform::sim::SimPanels panels{time};
  platform::sim::SimTextMetrics metrics;
  std::shared_ptr<KeyTipController> keyTips;
  std::vector<std::pair<double, int>> shown;
  std::vector<std::pair<double, std::string>> logged;
  double hiddenAt = -1;
  std::optional<excel::RunProblem> problem;
  bool completed = false;
};

TEST(KeyTipsInRealTime, NoBadgesComeBackAfterAFastOptionHOI) {
  World w;
  // ⌥, then H O I at 0.15 s apart: the scan of H O (which waits for the Format menu) is still
  // running when I ends the sequence.
  w.levelAt(0, {});
  w.levelAt(0.3, {"H"});
  w.levelAt(0.45, {"H", "O"});
  w.leafAt(0.6, {"H", "O", "I"});
  ASSERT_TRUE(w.time.runUntilIdle());
  ASSERT_TRUE(w.completed);
  EXPECT_FALSE(w.problem.has_value());
  EXPECT_EQ(w.excel->commandsRun(), std::vector<std::string>{"AutoFit Column Width"});
  ASSERT_EQ(w.logged.size(), 1u);
  EXPECT_TRUE(w.logged[0].second.starts_with("⌥ H O I “AutoFit Column Width” → ok via ")) << w.logged[0].second;
  for (const auto& [when, count] : w.shown) {
    EXPECT_LT(when, w.hiddenAt) << count << " badges drawn after the sequence ended";
  }
  EXPECT_EQ(w.visibleBadges(), 0u);
  EXPECT_EQ(w.excel->openPopupCount(), 0u) << "the menu the scan opened is closed";
}

TEST(KeyTipsInRealTime, ATabsBadgesComeAsSoonAsItsCommandsWhetherExcelKeepsTheAreaOrNot) {
  // ⌥ N: the Insert tab is selected and its badges drawn. Excel may keep one commands area and
  // refill it, described or not; the scan must not wait out its 0.8 s bound on any of them.
  std::vector<double> times;
  for (bool reused : {false, true}) {
    for (bool described : {true, false}) {
      World w(defaultWith([&](ExcelFixture& f) {
        f.application.commandsAreaReused = reused;
        if (described) return;
        for (auto& tab : f.windows[0].children[1].tabs) tab.commandsDescription = "";
      }));
      w.levelAt(0, {"N"});
      ASSERT_TRUE(w.time.runUntilIdle());
      ASSERT_FALSE(w.shown.empty());
      EXPECT_GT(w.shown.back().second, 5) << "reused " << reused << ", described " << described;
      EXPECT_EQ(w.excel->shownCommandsTab(), "Insert");
      times.push_back(w.shown.back().first);
    }
  }
  for (double t : times) EXPECT_LT(t, times.front() + 0.1) << "a new area took " << times.front() << " s";
}

TEST(KeyTipsInRealTime, AHideDropsTheScanInFlight) {
  World w;
  w.levelAt(0, {"H"});
  w.at(0.01, [&w] { w.keyTips->hide(); });
  ASSERT_TRUE(w.time.runUntilIdle());
  EXPECT_TRUE(w.shown.empty()) << "the scan's result was dropped";
  EXPECT_EQ(w.visibleBadges(), 0u);
  EXPECT_EQ(w.keyTips->levelPath(), std::nullopt) << "nothing half-scanned is kept for a run";
}

TEST(KeyTipsInRealTime, ACollapsedRibbonGetsTabBadgesThenTheTabsOwnAndIsCollapsedAgain) {
  World w(defaultWith([](ExcelFixture& f) { f.application.ribbonCollapsed = true; }));
  w.levelAt(0, {});
  ASSERT_TRUE(w.time.runUntilIdle());
  ASSERT_FALSE(w.shown.empty());
  EXPECT_GT(w.shown.back().second, 5) << "the tabs' badges";
  const auto& root = w.keyTips->lastTips();
  EXPECT_TRUE(std::any_of(root.begin(), root.end(), [](const KeyTip& t) { return t.text == "H"; }));

  w.levelAt(0, {"H"});
  ASSERT_TRUE(w.time.runUntilIdle());
  const auto& home = w.keyTips->lastTips();
  EXPECT_TRUE(std::any_of(home.begin(), home.end(), [](const KeyTip& t) { return t.text == "W"; }))
      << "Wrap Text's badge on the shown ribbon";
  EXPECT_EQ(w.excel->shownCommandsTab(), "Home");

  // Escape: the badges go and the ribbon is collapsed again.
  w.at(0, [&w] { w.keyTips->hide(); });
  ASSERT_TRUE(w.time.runUntilIdle());
  EXPECT_EQ(w.excel->shownCommandsTab(), "");

  // A sequence that ends in a run leaves it collapsed too.
  w.levelAt(0, {"H"});
  w.leafAt(0.5, {"H", "W"});
  ASSERT_TRUE(w.time.runUntilIdle());
  EXPECT_FALSE(w.problem.has_value());
  EXPECT_EQ(w.excel->commandsRun(), std::vector<std::string>{"Wrap Text"});
  EXPECT_EQ(w.excel->shownCommandsTab(), "");
}

TEST(KeyTipsInRealTime, AScanOfASilentExcelIsAbandonedWithinItsTimeoutAndLeavesTheKeyList) {
  World w;
  w.excel->setHung(*w.excel->find({"AXTabGroup", ""}));
  double start = w.time.uptime();
  w.levelAt(0, {"H"});
  ASSERT_TRUE(w.time.runUntilIdle());
  ASSERT_EQ(w.shown.size(), 1u);
  EXPECT_EQ(w.shown[0].second, 0) << "no badges: the key list shows instead";
  EXPECT_LT(w.shown[0].first - start, 1.0) << "one 0.75 s timeout, not the system's 6 s";
  EXPECT_EQ(w.keyTips->levelPath(), std::nullopt);
}

/// Throws on every attribute read: a broken platform layer.
class ThrowingAccessibility final : public corvane::testing::ForwardingAccessibility {
 public:
  using ForwardingAccessibility::ForwardingAccessibility;
  std::expected<platform::AXValue, platform::AXError> copyAttribute(const platform::Element&, std::string_view) override {
    throw std::runtime_error("broken");
  }
  std::expected<std::vector<std::optional<platform::AXValue>>, platform::AXError> copyMultipleAttributes(
      const platform::Element&, std::span<const std::string_view>) override {
    throw std::runtime_error("broken");
  }
};

TEST(KeyTipsInRealTime, AScanThatThrowsShowsNoBadgesAndTheQueueGoesOn) {
  World w;
  ThrowingAccessibility throwing(w.excel->accessibility());
  excel::ExcelServices broken{throwing, w.excel->windowList(), w.excel->inputPoster(), w.time};
  auto keyTips = std::make_shared<KeyTipController>(w.time, w.runner.queue(), broken,
                                                    std::make_unique<KeyTipOverlay>(w.panels, w.screens, w.metrics),
                                                    corvane::testing::builtinLibrary());
  std::vector<int> shown;
  keyTips->onTipsShown = [&shown](int n) { shown.push_back(n); };
  keyTips->update({"H"}, w.pid());
  EXPECT_NO_THROW(EXPECT_TRUE(w.time.runUntilIdle()));
  EXPECT_EQ(shown, std::vector<int>{0}) << "the key list stands in";
}

}  // namespace
}  // namespace corvane::feedback

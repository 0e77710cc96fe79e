#include "app/run_coordinator.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/hud_world.hpp"
#include "feedback/recent_shortcuts.hpp"
#include "model/text.hpp"

namespace corvane::app {
namespace {

model::Shortcut shortcut(std::vector<std::string> keys, model::Step step) {
  return model::Shortcut{std::move(keys), "Test", {std::move(step)}, std::nullopt, std::nullopt};
}

class RunCoordinatorTest : public testing::HudWorld {
 protected:
  excel::ActionRunner runner{time, excel.services, {}};
  std::vector<std::string> events;
  std::unique_ptr<RunCoordinator> runs = std::make_unique<RunCoordinator>(
      time, defaults, runner, *hud,
      RunCoordinator::Hooks{
          .starting = [this] { events.push_back("starting"); },
          .failed = [this](const model::Shortcut& s, const excel::RunProblem& p) {
            events.push_back("failed " + model::text::join(s.keys, " ") + ": " + p.title);
          },
          .succeeded = [this] { events.push_back("succeeded"); },
      });
  std::int32_t pid() { return excel.x().pid().value_or(-1); }
  bool busyShowing() { return hud->isVisible() && hud->content() == feedback::HUDController::Content::busy; }
};

TEST_F(RunCoordinatorTest, AQuickRunNeverFlashesTheBusyLine) {
  runs->run(shortcut({"Q", "A"}, model::WaitStep{0.1}), pid());
  EXPECT_TRUE(runs->inFlight());
  EXPECT_TRUE(runs->busy());
  time.runUntilIdle();
  EXPECT_FALSE(runs->inFlight());
  EXPECT_FALSE(runs->busy());
  EXPECT_FALSE(hud->isVisible());
  EXPECT_EQ(events, (std::vector<std::string>{"starting", "succeeded"}));
}

TEST_F(RunCoordinatorTest, ASlowRunShowsTheBusyLineUntilItEnds) {
  runs->run(shortcut({"Q", "B"}, model::WaitStep{2}), pid());
  time.advanceBy(RunCoordinator::kBusyDelay + 0.05);
  EXPECT_TRUE(busyShowing());
  time.runUntilIdle();
  EXPECT_FALSE(busyShowing());
  EXPECT_EQ(events.back(), "succeeded");
}

TEST_F(RunCoordinatorTest, AProblemGoesToItsHookAndTheRunStaysForTryAgain) {
  model::RibbonStep step;
  step.labels = {"No Such Button"};
  step.tab = "Home";
  auto missing = shortcut({"Q", "C"}, step);
  runs->run(missing, pid());
  time.runUntilIdle();
  ASSERT_EQ(events.size(), 2U);
  EXPECT_TRUE(events[1].starts_with("failed Q C: ")) << events[1];
  EXPECT_FALSE(busyShowing());
  ASSERT_TRUE(runs->lastRun());
  EXPECT_EQ(runs->lastRun()->keys, missing.keys);
  EXPECT_EQ(feedback::recentShortcuts(defaults).front(), "Q C") << "a run that started is recent, even a failed one";
}

TEST_F(RunCoordinatorTest, CancelEndsTheRunInFlightAndNothingWhenIdle) {
  runs->cancel();  // nothing in flight: the next run is not called off in advance
  double start = time.uptime();
  runs->run(shortcut({"Q", "D"}, model::WaitStep{30}), pid());
  // Escape a second into the run, on the main queue as the key tap delivers it.
  auto escape = time.main().after(1, [this] { runs->cancel(); });
  time.runUntilIdle();
  EXPECT_FALSE(runs->inFlight());
  EXPECT_LT(time.uptime() - start, 5) << "the wait was cut short";
  runs->run(shortcut({"Q", "E"}, model::WaitStep{0.1}), pid());
  time.runUntilIdle();
  EXPECT_EQ(events.back(), "succeeded");
}

TEST_F(RunCoordinatorTest, GoneBeforeItsRunEndsItCallsNothing) {
  runs->run(shortcut({"Q", "F"}, model::WaitStep{1}), pid());
  runs.reset();
  time.runUntilIdle();
  EXPECT_EQ(events, (std::vector<std::string>{"starting"}));
  EXPECT_FALSE(busyShowing());
}

}  // namespace
}  // namespace corvane::app

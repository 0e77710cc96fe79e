#include "platform/macos/mac_scheduler.hpp"

#import <Foundation/Foundation.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/macos/mac_clock.hpp"
#include "run_loop.hpp"

namespace corvane::platform::macos {
namespace {

TEST(MacScheduler, TheMainQueueRunsWorkInOrderOnTheMainThread) {
  MacScheduler scheduler;
  std::vector<int> order;
  bool onMain = true;
  for (int i = 0; i < 5; ++i) {
    scheduler.main().async([&, i] {
      order.push_back(i);
      onMain = onMain && scheduler.main().isCurrent();
    });
  }
  ASSERT_TRUE(testing::runMainLoopUntil([&] { return order.size() == 5; }));
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_TRUE(onMain);
}

TEST(MacScheduler, CancelledDelayedWorkNeverRuns) {
  MacScheduler scheduler;
  bool cancelledRan = false;
  bool keptRan = false;
  auto cancelled = scheduler.main().after(0.05, [&] { cancelledRan = true; });
  scheduler.main().after(0.05, [&] { keptRan = true; });
  cancelled->cancel();
  EXPECT_TRUE(cancelled->isCancelled());
  ASSERT_TRUE(testing::runMainLoopUntil([&] { return keptRan; }));
  testing::runMainLoopFor(0.1);
  EXPECT_FALSE(cancelledRan);
}

TEST(MacScheduler, ASerialQueueRunsOneItemAtATimeAndKnowsItsOwnWork) {
  MacScheduler scheduler;
  auto queue = scheduler.makeSerialQueue("app.corvane.actions", QoS::userInitiated);
  EXPECT_EQ(queue->label(), "app.corvane.actions");
  EXPECT_FALSE(queue->isCurrent());
  std::mutex mutex;
  std::vector<int> order;
  std::atomic<int> running{0};
  std::atomic<bool> overlapped{false};
  std::atomic<bool> allCurrent{true};
  for (int i = 0; i < 50; ++i) {
    queue->async([&, i] {
      if (running.fetch_add(1) != 0) overlapped = true;
      if (!queue->isCurrent() || scheduler.main().isCurrent()) allCurrent = false;
      {
        std::lock_guard lock(mutex);
        order.push_back(i);
      }
      running.fetch_sub(1);
    });
  }
  ASSERT_TRUE(testing::runMainLoopUntil([&] {
    std::lock_guard lock(mutex);
    return order.size() == 50;
  }));
  EXPECT_FALSE(overlapped);
  EXPECT_TRUE(allCurrent);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
}

TEST(MacScheduler, ARepeatingTimerTicksUntilCancelled) {
  MacScheduler scheduler;
  int ticks = 0;
  auto timer = scheduler.repeating(scheduler.main(), 0.01, 0.01, 0.005, [&] { ++ticks; });
  ASSERT_TRUE(testing::runMainLoopUntil([&] { return ticks >= 3; }));
  timer->cancel();
  int atCancel = ticks;
  testing::runMainLoopFor(0.1);
  EXPECT_EQ(ticks, atCancel);
}

TEST(MacScheduler, WorkForADestroyedQueueNeverRuns) {
  MacScheduler scheduler;
  std::atomic<bool> ran{false};
  {
    auto queue = scheduler.makeSerialQueue("app.corvane.log", QoS::utility);
    queue->after(0.05, [&] { ran = true; });
  }
  testing::runMainLoopFor(0.2);
  EXPECT_FALSE(ran);
}

TEST(MacClock, UptimeMovesForwardWithASleepAndWallTimeCarriesTheLocalOffset) {
  MacClock clock;
  double before = clock.uptime();
  clock.sleep(0.02);
  EXPECT_GE(clock.uptime() - before, 0.02);
  WallTime now = clock.now();
  EXPECT_EQ(now.utcOffsetSeconds, [[NSTimeZone localTimeZone] secondsFromGMT]);
  EXPECT_GT(now.unixNanos, 1'700'000'000LL * 1'000'000'000LL);
}

}  // namespace
}  // namespace corvane::platform::macos

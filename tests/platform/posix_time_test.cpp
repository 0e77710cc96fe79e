// The real clock and the threaded scheduler. These are the only tests that use real time; each
// waits milliseconds at most.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <atomic>
#include <thread>

#include "platform/posix/posix_clock.hpp"
#include "platform/posix/threaded_scheduler.hpp"

namespace corvane::platform::posix {
namespace {

TEST(PosixClock, UptimeNeverGoesBackAndSleepWaits) {
  PosixClock clock;
  double a = clock.uptime();
  clock.sleep(0.002);
  double b = clock.uptime();
  EXPECT_GE(b - a, 0.002);
}

TEST(PosixClock, WallTimeCarriesTheLocalOffset) {
  const char* old = std::getenv("TZ");
  std::string saved = old ? old : "";
  ::setenv("TZ", "XYZ-3", 1);  // three hours east of UTC, no time-zone database needed
  ::tzset();
  EXPECT_EQ(PosixClock().now().utcOffsetSeconds, 3 * 3600);
  ::setenv("TZ", "UTC0", 1);
  ::tzset();
  EXPECT_EQ(PosixClock().now().utcOffsetSeconds, 0);
  if (old) ::setenv("TZ", saved.c_str(), 1); else ::unsetenv("TZ");
  ::tzset();
}

TEST(ThreadedScheduler, ASerialQueueRunsInOrderOnItsOwnThread) {
  ThreadedScheduler scheduler;
  auto queue = scheduler.makeSerialQueue("app.corvane.test", QoS::utility);
  EXPECT_EQ(queue->label(), "app.corvane.test");
  std::vector<int> order;
  std::atomic<bool> wrongThread{false};
  for (int i = 0; i < 100; ++i) {
    queue->async([&, i] {
      if (!queue->isCurrent() || scheduler.main().isCurrent()) wrongThread = true;
      order.push_back(i);
    });
  }
  ASSERT_TRUE(scheduler.waitForQueues(5));
  ASSERT_EQ(order.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
  EXPECT_FALSE(wrongThread);
  EXPECT_FALSE(queue->isCurrent());
}

TEST(ThreadedScheduler, TheMainQueueRunsOnlyWhenPumped) {
  ThreadedScheduler scheduler;
  auto worker = scheduler.makeSerialQueue("worker", QoS::userInitiated);
  std::atomic<int> ran{0};
  std::thread::id mainThread;
  worker->async([&] {
    scheduler.main().async([&] {
      mainThread = std::this_thread::get_id();
      EXPECT_TRUE(scheduler.main().isCurrent());
      ++ran;
    });
  });
  ASSERT_TRUE(scheduler.waitForQueues(5));
  EXPECT_EQ(ran, 0);
  EXPECT_TRUE(scheduler.runMainUntil([&] { return ran == 1; }, 5));
  EXPECT_EQ(mainThread, std::this_thread::get_id());
}

TEST(ThreadedScheduler, DelayedWorkCanBeCancelledAndTimersRepeat) {
  ThreadedScheduler scheduler;
  std::atomic<int> ticks{0};
  std::atomic<bool> cancelledRan{false};
  auto cancelled = scheduler.main().after(0.001, [&] { cancelledRan = true; });
  cancelled->cancel();
  auto timer = scheduler.repeating(scheduler.global(QoS::utility), 0.001, 0.001, 0.0005, [&] { ++ticks; });
  bool delayedRan = false;
  (void)scheduler.main().after(0.002, [&] { delayedRan = true; });
  EXPECT_TRUE(scheduler.runMainUntil([&] { return delayedRan && ticks >= 3; }, 5));
  timer->cancel();
  ASSERT_TRUE(scheduler.waitForQueues(5));
  int stopped = ticks;
  scheduler.runMain(0.005);
  ASSERT_TRUE(scheduler.waitForQueues(5));
  EXPECT_EQ(ticks, stopped);
  EXPECT_FALSE(cancelledRan);
  EXPECT_EQ(&scheduler.global(QoS::utility), &scheduler.global(QoS::utility));
}

TEST(ThreadedScheduler, DestroyingItDropsWorkNotYetStarted) {
  std::atomic<int> ran{0};
  {
    ThreadedScheduler scheduler;
    scheduler.main().async([&] { ++ran; });
    (void)scheduler.main().after(10, [&] { ++ran; });
  }
  EXPECT_EQ(ran, 0);
}

}  // namespace
}  // namespace corvane::platform::posix

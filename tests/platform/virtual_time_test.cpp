#include <gtest/gtest.h>

#include <limits>
#include <string>

#include <thread>

#include "platform/sim/virtual_time.hpp"

namespace corvane::platform::sim {
namespace {

using Log = std::vector<std::string>;

TEST(VirtualTime, RunsWorkInDueThenSubmissionOrder) {
  VirtualTime vt;
  Log log;
  double start = vt.uptime();
  vt.main().after(0.5, [&] { log.push_back("b@" + std::to_string(vt.uptime() - start)); });
  vt.main().async([&] { log.push_back("a"); });
  vt.main().after(0.5, [&] { log.push_back("c"); });
  auto q = vt.makeSerialQueue("app.corvane.actions", QoS::userInitiated);
  q->async([&] { log.push_back("d"); });
  EXPECT_EQ(vt.pendingCount(), 4u);
  EXPECT_TRUE(vt.runUntilIdle());
  EXPECT_EQ(log, (Log{"a", "d", "b@0.500000", "c"}));
  EXPECT_DOUBLE_EQ(vt.uptime() - start, 0.5);
}

TEST(VirtualTime, AdvanceByRunsOnlyDueWork) {
  VirtualTime vt;
  int ran = 0;
  vt.main().after(1.0, [&] { ++ran; });
  vt.main().after(2.0, [&] { ++ran; });
  vt.advanceBy(1.0);
  EXPECT_EQ(ran, 1);
  vt.advanceBy(0.999999999);
  EXPECT_EQ(ran, 1);
  vt.advanceBy(0.000000001);
  EXPECT_EQ(ran, 2);
}

TEST(VirtualTime, HugeAndInfiniteDelaysNeverOverflowIntoThePast) {
  VirtualTime vt;
  double start = vt.uptime();
  bool soon = false;
  bool late = false;
  vt.main().after(1e15, [&] { late = true; });
  vt.main().after(std::numeric_limits<double>::infinity(), [&] { late = true; });
  vt.main().after(1.0, [&] { soon = true; });
  vt.advanceBy(3600);
  EXPECT_TRUE(soon);
  EXPECT_FALSE(late) << "a delay of years is not due within the hour";
  auto q = vt.makeSerialQueue("app.corvane.actions", QoS::userInitiated);
  double slept = 0;
  q->async([&] {
    double before = vt.uptime();
    vt.sleep(1e300);
    slept = vt.uptime() - before;
  });
  EXPECT_TRUE(vt.runUntilIdle());
  EXPECT_GE(slept, 3e8) << "a sleep of ever lands years ahead, never behind";
  EXPECT_GE(vt.uptime(), start);
}

TEST(VirtualTime, CancelledWorkNeverRuns) {
  VirtualTime vt;
  bool ran = false;
  auto handle = vt.main().after(1.0, [&] { ran = true; });
  handle->cancel();
  EXPECT_TRUE(handle->isCancelled());
  vt.runUntilIdle();
  EXPECT_FALSE(ran);
  EXPECT_EQ(vt.pendingCount(), 0u);
}

TEST(VirtualTime, SleepOnAQueueRunsOtherQueuesButNeverItsOwn) {
  VirtualTime vt;
  auto actions = vt.makeSerialQueue("actions", QoS::userInitiated);
  Log log;
  double start = vt.uptime();
  actions->async([&] {
    log.push_back("run starts");
    actions->async([&] { log.push_back("next run"); });
    vt.main().after(0.2, [&] {
      log.push_back("main at 0.2 sees actions current: " + std::to_string(actions->isCurrent()));
    });
    vt.main().after(0.7, [&] { log.push_back("main at 0.7"); });
    vt.sleep(0.5);
    log.push_back("run wakes at " + std::to_string(vt.uptime() - start));
  });
  vt.runUntilIdle();
  EXPECT_EQ(log, (Log{"run starts", "main at 0.2 sees actions current: 0", "run wakes at 0.500000", "next run",
                      "main at 0.7"}));
}

TEST(VirtualTime, NestedSleepsKeepEveryQueueSerial) {
  VirtualTime vt;
  auto a = vt.makeSerialQueue("a", QoS::utility);
  auto b = vt.makeSerialQueue("b", QoS::utility);
  Log log;
  a->async([&] {
    b->async([&] {
      log.push_back("b1 starts");
      vt.sleep(0.1);  // may run main, never a's second item while a is still inside its first
      log.push_back("b1 ends");
    });
    a->async([&] { log.push_back("a2"); });
    vt.sleep(0.3);
    log.push_back("a1 ends");
  });
  vt.runUntilIdle();
  EXPECT_EQ(log, (Log{"b1 starts", "b1 ends", "a1 ends", "a2"}));
}

TEST(VirtualTime, RepeatingTimersFireOnScheduleAndDoNotKeepTheLoopBusy) {
  VirtualTime vt;
  std::vector<double> fired;
  double start = vt.uptime();
  auto timer = vt.repeating(vt.global(QoS::utility), 5.0, 5.0, 2.0, [&] { fired.push_back(vt.uptime() - start); });
  EXPECT_TRUE(vt.runUntilIdle());
  EXPECT_TRUE(fired.empty()) << "a timer alone is idle";
  vt.main().after(12.0, [] {});
  vt.runUntilIdle();
  EXPECT_EQ(fired, (std::vector<double>{5.0, 10.0}));
  vt.advanceBy(8.0);
  EXPECT_EQ(fired.size(), 4u);
  timer->cancel();
  vt.advanceBy(60.0);
  EXPECT_EQ(fired.size(), 4u);
}

TEST(VirtualTime, WallClockFollowsVirtualTime) {
  VirtualTime vt(WallTime{1'000'000'000, 3600}, 0.0);
  vt.advanceBy(1.5);
  EXPECT_EQ(vt.now(), (WallTime{2'500'000'000, 3600}));
}

TEST(VirtualTime, RunawayLoopsAreReportedNotHung) {
  VirtualTime vt;
  std::function<void()> again = [&] { vt.main().async(again); };
  vt.main().async(again);
  EXPECT_FALSE(vt.runUntilIdle(1000));
}

TEST(VirtualTime, PostingFromAnotherThreadIsSafe) {
  VirtualTime vt;
  std::atomic<int> ran{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 1000; ++i) vt.main().async([&] { ++ran; });
    });
  }
  for (auto& t : threads) t.join();
  vt.runUntilIdle();
  EXPECT_EQ(ran.load(), 4000);
}

TEST(VirtualTime, WorkOfADestroyedQueueNeverRuns) {
  VirtualTime vt;
  bool ran = false;
  {
    auto q = vt.makeSerialQueue("gone", QoS::utility);
    q->after(1.0, [&] { ran = true; });
  }
  vt.advanceBy(2.0);
  EXPECT_FALSE(ran);
}

TEST(VirtualTime, AThreadStandingForTheMainThreadBlocksTheMainQueueWhileItSleeps) {
  VirtualTime vt;
  auto actions = vt.makeSerialQueue("actions", QoS::userInitiated);
  std::vector<std::string> order;
  vt.main().async([&] { order.emplace_back("main"); });
  actions->async([&] { order.emplace_back("actions"); });
  vt.enterMain();
  EXPECT_TRUE(vt.main().isCurrent());
  vt.sleep(0.1);  // a call made from the main thread that takes time
  EXPECT_EQ(order, std::vector<std::string>{"actions"}) << "the main queue waits for its thread";
  vt.leaveMain();
  EXPECT_FALSE(vt.main().isCurrent());
  vt.runUntilIdle();
  EXPECT_EQ(order, (std::vector<std::string>{"actions", "main"}));
}

}  // namespace
}  // namespace corvane::platform::sim

#include <gtest/gtest.h>

#include "base/app_status.hpp"
#include "base/observable.hpp"

namespace corvane::base {
namespace {

TEST(Observable, PublishesEveryChangeUntilTheSubscriptionEnds) {
  Published<int> value{1};
  std::vector<int> seen;
  {
    auto sub = value.subscribe([&](const int& v) { seen.push_back(v); });
    value.set(2);
    value.set(2);
  }
  value.set(3);
  EXPECT_EQ(seen, (std::vector<int>{2, 2}));
  EXPECT_EQ(value.get(), 3);
}

TEST(Observable, ObserversMayUnsubscribeThemselvesAndOthersWhileCalled) {
  Signal<int> signal;
  std::vector<std::string> calls;
  Subscription second;
  Subscription first = signal.subscribe([&](const int&) {
    calls.push_back("first");
    first.cancel();
    second.cancel();
  });
  second = signal.subscribe([&](const int&) { calls.push_back("second"); });
  auto third = signal.subscribe([&](const int&) {
    calls.push_back("third");
    static Subscription added;  // added during a call: runs from the next emit on
    added = signal.subscribe([&](const int&) { calls.push_back("added"); });
  });
  signal.emit(1);
  EXPECT_EQ(calls, (std::vector<std::string>{"first", "third"}));
  calls.clear();
  third.cancel();
  signal.emit(2);
  EXPECT_EQ(calls, (std::vector<std::string>{"added"}));
}

TEST(Observable, SubscriptionOutlivingItsSignalIsHarmless) {
  Subscription sub;
  {
    Signal<> signal;
    sub = signal.subscribe([] {});
  }
  sub.cancel();
}

TEST(AppStatus, StartsWithNothingKnown) {
  AppStatus status;
  EXPECT_FALSE(status.trusted.get());
  EXPECT_FALSE(status.tapRunning.get());
  EXPECT_EQ(status.shortcutCount.get(), 0);
  EXPECT_TRUE(status.warnings.get().empty());
}

}  // namespace
}  // namespace corvane::base

#include "platform/macos/mac_scheduler.hpp"

#include <dispatch/dispatch.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <mutex>

namespace corvane::platform::macos {
namespace {

/// Where a quality of service sits in MacScheduler::globals_, its GCD class and its queue's label.
struct QoSInfo {
  std::size_t index;
  qos_class_t qosClass;
  const char* label;
};

QoSInfo info(QoS qos) {
  switch (qos) {
    case QoS::userInteractive: return {0, QOS_CLASS_USER_INTERACTIVE, "global.userInteractive"};
    case QoS::userInitiated: return {1, QOS_CLASS_USER_INITIATED, "global.userInitiated"};
    case QoS::defaultQoS: return {2, QOS_CLASS_DEFAULT, "global.default"};
    case QoS::utility: return {3, QOS_CLASS_UTILITY, "global.utility"};
    case QoS::background: return {4, QOS_CLASS_BACKGROUND, "global.background"};
  }
  return {2, QOS_CLASS_DEFAULT, "global.default"};
}

/// Seconds as dispatch nanoseconds: negative or NaN is 0, and a century caps what no caller means.
std::int64_t nanos(double seconds) {
  if (!(seconds > 0)) return 0;
  return static_cast<std::int64_t>(std::llround(std::min(seconds, 3.2e9) * 1e9));
}

/// Which of our queues runs the current work (for the global queues, which carry no specifics).
thread_local const Queue* currentQueue = nullptr;

class CurrentQueueScope {
 public:
  explicit CurrentQueueScope(const Queue* queue) : previous_(currentQueue) { currentQueue = queue; }
  ~CurrentQueueScope() { currentQueue = previous_; }
  CurrentQueueScope(const CurrentQueueScope&) = delete;
  CurrentQueueScope& operator=(const CurrentQueueScope&) = delete;

 private:
  const Queue* previous_;
};

/// A delayed piece of work. Cancelling drops the work (and what it holds) at once.
class DelayedWork final : public WorkItem {
 public:
  explicit DelayedWork(std::function<void()> work) : work_(std::move(work)) {}
  void cancel() override {
    std::function<void()> dropped;
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    dropped = std::move(work_);
    work_ = nullptr;
  }
  [[nodiscard]] bool isCancelled() const override {
    std::lock_guard lock(mutex_);
    return cancelled_;
  }
  /// The work, once, unless cancelled first.
  std::function<void()> take() {
    std::lock_guard lock(mutex_);
    if (cancelled_) return nullptr;
    auto work = std::move(work_);
    work_ = nullptr;
    return work;
  }

 private:
  mutable std::mutex mutex_;
  bool cancelled_ = false;
  std::function<void()> work_;
};

/// A repeating dispatch timer. It keeps running when its handle is dropped (as in the simulator);
/// only `cancel` stops it, and cancelling releases the handler and with it the timer.
class DispatchTimer final : public WorkItem {
 public:
  explicit DispatchTimer(dispatch_source_t source) : source_(source) {}
  void cancel() override {
    if (!cancelled_.exchange(true)) dispatch_source_cancel(source_);
  }
  [[nodiscard]] bool isCancelled() const override { return cancelled_.load(); }

 private:
  dispatch_source_t source_;
  std::atomic<bool> cancelled_{false};
};

class GcdQueue final : public Queue {
 public:
  enum class Kind { main, serial, global };

  GcdQueue(dispatch_queue_t queue, std::string label, Kind kind)
      : queue_(queue), label_(std::move(label)), kind_(kind) {
    if (kind_ == Kind::serial) dispatch_queue_set_specific(queue_, &kSpecificKey, this, nullptr);
  }
  ~GcdQueue() override {
    // Work still queued for a queue that is gone never runs.
    alive_->store(false);
    if (kind_ == Kind::serial) dispatch_queue_set_specific(queue_, &kSpecificKey, nullptr, nullptr);
  }
  GcdQueue(const GcdQueue&) = delete;
  GcdQueue& operator=(const GcdQueue&) = delete;

  [[nodiscard]] const std::string& label() const override { return label_; }

  void async(std::function<void()> work) override {
    auto alive = alive_;
    auto shared = std::make_shared<std::function<void()>>(std::move(work));
    const Queue* self = this;
    dispatch_async(queue_, ^{
      if (!alive->load()) return;
      CurrentQueueScope scope(self);
      (*shared)();
    });
  }

  WorkHandle after(double seconds, std::function<void()> work) override {
    auto item = std::make_shared<DelayedWork>(std::move(work));
    auto alive = alive_;
    const Queue* self = this;
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, nanos(seconds)), queue_, ^{
      if (!alive->load()) return;
      auto run = item->take();
      if (!run) return;
      CurrentQueueScope scope(self);
      run();
    });
    return item;
  }

  [[nodiscard]] bool isCurrent() const override {
    switch (kind_) {
      case Kind::main: return pthread_main_np() != 0;
      case Kind::serial: return dispatch_get_specific(&kSpecificKey) == this;
      case Kind::global: return currentQueue == this;
    }
    return false;
  }

  [[nodiscard]] dispatch_queue_t queue() const { return queue_; }
  [[nodiscard]] const std::shared_ptr<std::atomic<bool>>& alive() const { return alive_; }

 private:
  static inline char kSpecificKey = 0;

  dispatch_queue_t queue_;
  std::string label_;
  Kind kind_;
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
};

}  // namespace

MacScheduler::MacScheduler()
    : main_(std::make_unique<GcdQueue>(dispatch_get_main_queue(), "main", GcdQueue::Kind::main)) {
  for (QoS qos : {QoS::userInteractive, QoS::userInitiated, QoS::defaultQoS, QoS::utility, QoS::background}) {
    QoSInfo global = info(qos);
    globals_[global.index] =
        std::make_unique<GcdQueue>(dispatch_get_global_queue(global.qosClass, 0), global.label, GcdQueue::Kind::global);
  }
}

MacScheduler::~MacScheduler() = default;

Queue& MacScheduler::main() { return *main_; }

std::shared_ptr<Queue> MacScheduler::makeSerialQueue(const std::string& label, QoS qos) {
  dispatch_queue_attr_t attributes = dispatch_queue_attr_make_with_qos_class(DISPATCH_QUEUE_SERIAL, info(qos).qosClass, 0);
  return std::make_shared<GcdQueue>(dispatch_queue_create(label.c_str(), attributes), label, GcdQueue::Kind::serial);
}

Queue& MacScheduler::global(QoS qos) { return *globals_[info(qos).index]; }

WorkHandle MacScheduler::repeating(Queue& queue, double firstDelay, double interval, double leeway,
                                   std::function<void()> tick) {
  auto* gcd = dynamic_cast<GcdQueue*>(&queue);
  assert(gcd != nullptr && "a queue of this scheduler");
  if (gcd == nullptr) {
    auto never = std::make_shared<DelayedWork>(nullptr);
    never->cancel();
    return never;
  }
  dispatch_source_t source = dispatch_source_create(DISPATCH_SOURCE_TYPE_TIMER, 0, 0, gcd->queue());
  auto timer = std::make_shared<DispatchTimer>(source);
  dispatch_source_set_timer(source, dispatch_time(DISPATCH_TIME_NOW, nanos(firstDelay)),
                            static_cast<std::uint64_t>(std::max<std::int64_t>(1, nanos(interval))),
                            static_cast<std::uint64_t>(nanos(leeway)));
  auto alive = gcd->alive();
  auto shared = std::make_shared<std::function<void()>>(std::move(tick));
  const Queue* self = gcd;
  // The handler holds the timer until cancellation releases the handler.
  dispatch_source_set_event_handler(source, ^{
    if (!alive->load()) {
      timer->cancel();
      return;
    }
    if (timer->isCancelled()) return;
    CurrentQueueScope scope(self);
    (*shared)();
  });
  dispatch_activate(source);
  return timer;
}

}  // namespace corvane::platform::macos

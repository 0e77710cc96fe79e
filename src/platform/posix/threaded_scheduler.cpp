#include "platform/posix/threaded_scheduler.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <queue>

namespace corvane::platform::posix {
namespace {

using SteadyClock = std::chrono::steady_clock;

SteadyClock::duration toDuration(double seconds) {
  if (!(seconds > 0)) return SteadyClock::duration::zero();
  return std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(seconds));
}

class Item final : public WorkItem {
 public:
  void cancel() override { cancelled_ = true; }
  [[nodiscard]] bool isCancelled() const override { return cancelled_; }

 private:
  std::atomic<bool> cancelled_{false};
};

}  // namespace

/// One serial executor: a thread of its own, or none for the main queue (pumped by its owner).
class ThreadedScheduler::Worker {
 public:
  explicit Worker(bool ownThread) {
    if (ownThread) thread_ = std::thread([this] { loop(); });
  }
  ~Worker() { stop(); }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  void push(std::function<void()> work) {
    {
      std::lock_guard lock(mutex_);
      if (stopped_) return;
      items_.push_back(std::move(work));
    }
    changed_.notify_all();
  }

  void stop() {
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
      items_.clear();
    }
    changed_.notify_all();
    if (!thread_.joinable()) return;
    // Stopped from its own work (the scheduler destroyed inside a queue): let the thread end alone.
    if (thread_.get_id() == std::this_thread::get_id()) {
      thread_.detach();
      return;
    }
    thread_.join();
  }

  /// Runs one item if one arrives before `deadline`; false when none did.
  bool runOne(SteadyClock::time_point deadline) {
    std::function<void()> work;
    {
      std::unique_lock lock(mutex_);
      if (!changed_.wait_until(lock, deadline, [this] { return stopped_ || !items_.empty(); })) return false;
      if (stopped_) return false;
      work = std::move(items_.front());
      items_.pop_front();
      busy_ = true;
    }
    run(work);
    return true;
  }

  [[nodiscard]] bool idle() {
    std::lock_guard lock(mutex_);
    return items_.empty() && !busy_;
  }

  [[nodiscard]] bool isCurrent() const { return current() == this; }

 private:
  static const Worker*& current() {
    thread_local const Worker* worker = nullptr;
    return worker;
  }

  void run(std::function<void()>& work) {
    const Worker* outer = current();
    current() = this;
    work();
    current() = outer;
    {
      std::lock_guard lock(mutex_);
      busy_ = false;
    }
    changed_.notify_all();
  }

  void loop() {
    while (true) {
      std::function<void()> work;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopped_ || !items_.empty(); });
        if (stopped_) return;
        work = std::move(items_.front());
        items_.pop_front();
        busy_ = true;
      }
      run(work);
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> items_;
  bool busy_ = false;
  bool stopped_ = false;
  std::thread thread_;
};

class ThreadedScheduler::ThreadQueue final : public Queue {
 public:
  ThreadQueue(std::string label, std::shared_ptr<Worker> worker, Timers& timers)
      : label_(std::move(label)), worker_(std::move(worker)), timers_(timers) {}

  [[nodiscard]] const std::string& label() const override { return label_; }
  void async(std::function<void()> work) override { worker_->push(std::move(work)); }
  WorkHandle after(double seconds, std::function<void()> work) override;
  [[nodiscard]] bool isCurrent() const override { return worker_->isCurrent(); }

  [[nodiscard]] const std::shared_ptr<Worker>& worker() const { return worker_; }

 private:
  std::string label_;
  std::shared_ptr<Worker> worker_;
  Timers& timers_;
};

/// Due work and repeating timers, handed to their queue's worker when due.
class ThreadedScheduler::Timers {
 public:
  Timers() : thread_([this] { loop(); }) {}
  ~Timers() {
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  Timers(const Timers&) = delete;
  Timers& operator=(const Timers&) = delete;

  WorkHandle schedule(std::weak_ptr<Worker> worker, double delay, double interval, std::function<void()> work) {
    auto item = std::make_shared<Item>();
    auto entry = std::make_shared<Entry>(Entry{std::move(worker), std::move(work), toDuration(interval), item});
    {
      std::lock_guard lock(mutex_);
      due_.push(Due{SteadyClock::now() + toDuration(delay), nextSeq_++, std::move(entry)});
    }
    changed_.notify_all();
    return item;
  }

 private:
  struct Entry {
    std::weak_ptr<Worker> worker;
    std::function<void()> work;
    SteadyClock::duration interval;  ///< zero for one-shot work
    std::shared_ptr<Item> item;
  };
  struct Due {
    SteadyClock::time_point at;
    std::uint64_t seq;
    std::shared_ptr<Entry> entry;
    bool operator>(const Due& o) const { return at != o.at ? at > o.at : seq > o.seq; }
  };

  void loop() {
    std::unique_lock lock(mutex_);
    while (!stopped_) {
      if (due_.empty()) {
        changed_.wait(lock);
        continue;
      }
      auto next = due_.top();
      if (SteadyClock::now() < next.at) {
        changed_.wait_until(lock, next.at);
        continue;
      }
      due_.pop();
      auto& entry = *next.entry;
      if (entry.item->isCancelled()) continue;
      if (entry.interval > SteadyClock::duration::zero()) {
        due_.push(Due{next.at + entry.interval, nextSeq_++, next.entry});
      }
      if (auto worker = entry.worker.lock()) {
        worker->push([e = next.entry] {
          if (!e->item->isCancelled()) e->work();
        });
      }
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::priority_queue<Due, std::vector<Due>, std::greater<>> due_;
  std::uint64_t nextSeq_ = 0;
  bool stopped_ = false;
  std::thread thread_;
};

WorkHandle ThreadedScheduler::ThreadQueue::after(double seconds, std::function<void()> work) {
  return timers_.schedule(worker_, seconds, 0, std::move(work));
}

ThreadedScheduler::ThreadedScheduler() : timers_(std::make_unique<Timers>()) {
  main_ = makeQueue("main", false);
}

ThreadedScheduler::~ThreadedScheduler() {
  timers_.reset();
  std::vector<std::shared_ptr<Worker>> workers;
  {
    std::lock_guard lock(mutex_);
    workers = workers_;
  }
  for (auto& worker : workers) worker->stop();
}

std::shared_ptr<ThreadedScheduler::ThreadQueue> ThreadedScheduler::makeQueue(const std::string& label,
                                                                             bool ownThread) {
  auto worker = std::make_shared<Worker>(ownThread);
  {
    std::lock_guard lock(mutex_);
    workers_.push_back(worker);
  }
  return std::make_shared<ThreadQueue>(label, std::move(worker), *timers_);
}

Queue& ThreadedScheduler::main() { return *main_; }

std::shared_ptr<Queue> ThreadedScheduler::makeSerialQueue(const std::string& label, QoS) {
  return makeQueue(label, true);
}

Queue& ThreadedScheduler::global(QoS qos) {
  {
    std::lock_guard lock(mutex_);
    if (auto it = globals_.find(qos); it != globals_.end()) return *it->second;
  }
  auto queue = makeQueue("global", true);
  std::lock_guard lock(mutex_);
  auto [it, inserted] = globals_.emplace(qos, queue);
  if (!inserted) queue->worker()->stop();  // another thread made it first
  return *it->second;
}

WorkHandle ThreadedScheduler::repeating(Queue& queue, double firstDelay, double interval, double,
                                        std::function<void()> tick) {
  auto& threadQueue = static_cast<ThreadQueue&>(queue);
  // A zero interval would spin; a millisecond is the least a repeating timer waits.
  return timers_->schedule(threadQueue.worker(), firstDelay, std::max(interval, 0.001), std::move(tick));
}

void ThreadedScheduler::runMain(double seconds) {
  auto deadline = SteadyClock::now() + toDuration(seconds);
  while (main_->worker()->runOne(deadline)) {
  }
}

bool ThreadedScheduler::runMainUntil(const std::function<bool()>& done, double timeoutSeconds) {
  auto deadline = SteadyClock::now() + toDuration(timeoutSeconds);
  while (!done()) {
    auto slice = std::min(deadline, SteadyClock::now() + std::chrono::milliseconds(10));
    main_->worker()->runOne(slice);
    if (SteadyClock::now() >= deadline) return done();
  }
  return true;
}

bool ThreadedScheduler::waitForQueues(double timeoutSeconds) {
  auto deadline = SteadyClock::now() + toDuration(timeoutSeconds);
  while (true) {
    bool idle = true;
    {
      std::lock_guard lock(mutex_);
      for (const auto& worker : workers_) {
        if (worker != main_->worker() && !worker->idle()) idle = false;
      }
    }
    if (idle) return true;
    if (SteadyClock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace corvane::platform::posix

#include "platform/sim/virtual_time.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace corvane::platform::sim {
namespace {

/// The longest delay virtual time takes, about 31 years: far beyond any wait, and far enough from
/// the end of int64 that adding it to any reachable time cannot overflow.
constexpr std::int64_t kLongestNanos = 1'000'000'000'000'000'000LL;

std::int64_t toNanos(double seconds) {
  if (!(seconds > 0)) return 0;
  if (seconds >= static_cast<double>(kLongestNanos) / 1e9) return kLongestNanos;
  return static_cast<std::int64_t>(std::llround(seconds * 1e9));
}

}  // namespace

class VirtualTime::Item final : public WorkItem {
 public:
  Item(VirtualTime& owner, VirtualQueue* queue, std::function<void()> work, std::int64_t interval)
      : owner_(owner), queue_(queue), work_(std::move(work)), interval_(interval) {}
  void cancel() override {
    std::lock_guard lock(owner_.mutex_);
    cancelled_ = true;
  }
  [[nodiscard]] bool isCancelled() const override {
    std::lock_guard lock(owner_.mutex_);
    return cancelled_;
  }

  VirtualTime& owner_;
  VirtualQueue* queue_;
  std::function<void()> work_;
  std::int64_t interval_;  ///< > 0 for repeating timers
  bool cancelled_ = false;
};

class VirtualTime::VirtualQueue final : public Queue {
 public:
  VirtualQueue(VirtualTime& owner, std::string label) : owner_(owner), label_(std::move(label)) {}
  ~VirtualQueue() override {
    // Work still queued for a destroyed queue never runs.
    std::lock_guard lock(owner_.mutex_);
    for (auto& [key, item] : owner_.items_) {
      if (item->queue_ == this) item->cancelled_ = true;
    }
  }
  [[nodiscard]] const std::string& label() const override { return label_; }
  void async(std::function<void()> work) override {
    std::lock_guard lock(owner_.mutex_);
    owner_.schedule(this, owner_.now_, std::move(work), 0);
  }
  WorkHandle after(double seconds, std::function<void()> work) override {
    std::lock_guard lock(owner_.mutex_);
    return owner_.schedule(this, owner_.now_ + toNanos(seconds), std::move(work), 0);
  }
  [[nodiscard]] bool isCurrent() const override { return owner_.currentQueue() == this; }

 private:
  VirtualTime& owner_;
  std::string label_;
};

WallTime VirtualTime::defaultEpoch() {
  // Monday 2 March 2026, 09:00:00 UTC.
  return WallTime{1772442000LL * 1'000'000'000LL, 0};
}

VirtualTime::VirtualTime(WallTime epoch, double startUptime)
    : epoch_(epoch), now_(toNanos(startUptime)), main_(std::make_unique<VirtualQueue>(*this, "main")) {}

VirtualTime::~VirtualTime() {
  // Items hold raw queue pointers; drop them before the queues go.
  std::lock_guard lock(mutex_);
  items_.clear();
}

double VirtualTime::uptime() const {
  std::lock_guard lock(mutex_);
  return static_cast<double>(now_) / 1e9;
}

std::int64_t VirtualTime::nanos() const {
  std::lock_guard lock(mutex_);
  return now_;
}

WallTime VirtualTime::now() const {
  std::lock_guard lock(mutex_);
  return WallTime{epoch_.unixNanos + now_, epoch_.utcOffsetSeconds};
}

Queue& VirtualTime::main() { return *main_; }

std::shared_ptr<Queue> VirtualTime::makeSerialQueue(const std::string& label, QoS) {
  return std::make_shared<VirtualQueue>(*this, label);
}

Queue& VirtualTime::global(QoS qos) {
  std::lock_guard lock(mutex_);
  auto& slot = globals_[qos];
  if (!slot) slot = std::make_unique<VirtualQueue>(*this, "global");
  return *slot;
}

WorkHandle VirtualTime::repeating(Queue& queue, double firstDelay, double interval, double,
                                  std::function<void()> tick) {
  std::lock_guard lock(mutex_);
  auto* vq = dynamic_cast<VirtualQueue*>(&queue);
  // In virtual time timers fire exactly on their schedule; leeway only matters on a real machine.
  return schedule(vq, now_ + toNanos(firstDelay), std::move(tick), std::max<std::int64_t>(1, toNanos(interval)));
}

std::shared_ptr<VirtualTime::Item> VirtualTime::schedule(VirtualQueue* queue, std::int64_t due,
                                                         std::function<void()> work, std::int64_t repeatInterval) {
  auto item = std::make_shared<Item>(*this, queue, std::move(work), repeatInterval);
  items_.emplace(Key{due, nextSeq_++}, item);
  return item;
}

VirtualTime::VirtualQueue* VirtualTime::currentQueue() const {
  std::lock_guard lock(mutex_);
  return running_.empty() ? nullptr : running_.back();
}

bool VirtualTime::onMainThread() const {
  auto* queue = currentQueue();
  return queue == nullptr || queue == main_.get();
}

void VirtualTime::setTime(std::int64_t t) {
  if (t > now_) now_ = t;
}

bool VirtualTime::runOne(std::int64_t limit, bool includeRepeating) {
  std::shared_ptr<Item> item;
  std::int64_t due = 0;
  {
    std::lock_guard lock(mutex_);
    for (auto it = items_.begin(); it != items_.end();) {
      if (it->first.due > limit) break;
      auto& candidate = it->second;
      if (candidate->cancelled_) {
        it = items_.erase(it);
        continue;
      }
      bool busy = std::find(running_.begin(), running_.end(), candidate->queue_) != running_.end();
      if (busy || (!includeRepeating && candidate->interval_ > 0)) {
        ++it;
        continue;
      }
      item = candidate;
      due = it->first.due;
      items_.erase(it);
      break;
    }
    if (!item) return false;
    setTime(due);
    if (item->interval_ > 0) items_.emplace(Key{due + item->interval_, nextSeq_++}, item);
    running_.push_back(item->queue_);
    ++executed_;
  }
  // Repeating timers keep their work; one-shot work is released after it runs.
  auto work = item->interval_ > 0 ? item->work_ : std::move(item->work_);
  work();
  std::lock_guard lock(mutex_);
  running_.pop_back();
  return true;
}

bool VirtualTime::hasOneShotWork() const {
  std::lock_guard lock(mutex_);
  for (const auto& [key, item] : items_) {
    if (!item->cancelled_ && item->interval_ == 0) return true;
  }
  return false;
}

void VirtualTime::sleep(double seconds) {
  std::int64_t target;
  {
    std::lock_guard lock(mutex_);
    target = now_ + toNanos(seconds);
  }
  while (runOne(target, true)) {
  }
  std::lock_guard lock(mutex_);
  setTime(target);
}

bool VirtualTime::runUntilIdle(std::size_t maxItems) {
  std::size_t ran = 0;
  while (hasOneShotWork()) {
    // The earliest runnable item of any kind goes first, so timers due before it fire on the way.
    std::int64_t nextOneShot = 0;
    {
      std::lock_guard lock(mutex_);
      nextOneShot = INT64_MAX;
      for (const auto& [key, item] : items_) {
        if (!item->cancelled_ && item->interval_ == 0) {
          nextOneShot = key.due;
          break;
        }
      }
    }
    if (!runOne(nextOneShot, true)) return true;  // only work of running queues is left
    if (++ran >= maxItems) return false;
  }
  return true;
}

void VirtualTime::advanceTo(double uptimeSeconds) {
  std::int64_t target = toNanos(uptimeSeconds);
  while (runOne(target, true)) {
  }
  std::lock_guard lock(mutex_);
  setTime(target);
}

void VirtualTime::advanceBy(double seconds) {
  std::int64_t target;
  {
    std::lock_guard lock(mutex_);
    target = now_ + toNanos(seconds);
  }
  while (runOne(target, true)) {
  }
  std::lock_guard lock(mutex_);
  setTime(target);
}

void VirtualTime::enterMain() {
  std::lock_guard lock(mutex_);
  running_.push_back(main_.get());
}

void VirtualTime::leaveMain() {
  std::lock_guard lock(mutex_);
  auto it = std::find(running_.rbegin(), running_.rend(), main_.get());
  if (it != running_.rend()) running_.erase(std::next(it).base());
}

std::size_t VirtualTime::pendingCount() const {
  std::lock_guard lock(mutex_);
  std::size_t n = 0;
  for (const auto& [key, item] : items_) n += (!item->cancelled_ && item->interval_ == 0) ? 1 : 0;
  return n;
}

std::uint64_t VirtualTime::executedCount() const {
  std::lock_guard lock(mutex_);
  return executed_;
}

}  // namespace corvane::platform::sim

#pragma once
// The simulator's clock and scheduler: one deterministic event loop in virtual time, counted in
// whole nanoseconds. Nothing runs until a test or the session pumps it ("run until idle", "advance
// by"). A sleep made by work running on queue Q advances virtual time and meanwhile runs every
// other queue's due work in (due time, submission order) — never Q's own, so a serial queue stays
// serial. Posting work is thread-safe; pumping happens on one thread.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "platform/scheduler.hpp"

namespace corvane::platform::sim {

class VirtualTime final : public Clock, public Scheduler {
 public:
  /// `epoch` is the wall time at virtual uptime 0 (a fixed date, so reports are reproducible).
  explicit VirtualTime(WallTime epoch = defaultEpoch(), double startUptime = 1000.0);
  ~VirtualTime() override;
  VirtualTime(const VirtualTime&) = delete;
  VirtualTime& operator=(const VirtualTime&) = delete;

  static WallTime defaultEpoch();

  // Clock
  [[nodiscard]] double uptime() const override;
  [[nodiscard]] WallTime now() const override;
  void sleep(double seconds) override;

  // Scheduler
  [[nodiscard]] Queue& main() override;
  [[nodiscard]] std::shared_ptr<Queue> makeSerialQueue(const std::string& label, QoS qos) override;
  [[nodiscard]] Queue& global(QoS qos) override;
  WorkHandle repeating(Queue& queue, double firstDelay, double interval, double leeway,
                       std::function<void()> tick) override;

  /// Runs work until none but repeating timers is left, advancing time to each item's due time.
  /// Returns false when `maxItems` ran and work remains (a runaway loop in the code under test).
  bool runUntilIdle(std::size_t maxItems = 10'000'000);
  /// Runs all work due within `seconds`, then sets the time to now + seconds.
  void advanceBy(double seconds);
  /// Runs all work due up to `uptime`, then sets the time to it (never backwards).
  void advanceTo(double uptime);

  /// Until `leaveMain`, the calling thread stands for the main thread: a sleep it makes runs the
  /// other queues' due work but never the main queue's, as a main thread blocked in a call does,
  /// and the main queue reports itself current. The simulated session is the main thread between
  /// the moments it pumps time. Calls nest with the queues' own work; keep them balanced.
  void enterMain();
  void leaveMain();

  /// Whether the caller stands for the main thread: work of the main queue, or the pumping thread
  /// outside any queue's work.
  [[nodiscard]] bool onMainThread() const;

  [[nodiscard]] std::int64_t nanos() const;
  /// Pending one-shot work items (repeating timers not counted).
  [[nodiscard]] std::size_t pendingCount() const;
  /// Work items run so far.
  [[nodiscard]] std::uint64_t executedCount() const;

 private:
  class VirtualQueue;
  class Item;
  struct Key {
    std::int64_t due;
    std::uint64_t seq;
    bool operator<(const Key& o) const { return due != o.due ? due < o.due : seq < o.seq; }
  };

  std::shared_ptr<Item> schedule(VirtualQueue* queue, std::int64_t due, std::function<void()> work,
                                 std::int64_t repeatInterval);
  /// Runs the earliest item due at or before `limit` whose queue is not running; false if none.
  bool runOne(std::int64_t limit, bool includeRepeating);
  void setTime(std::int64_t t);
  bool hasOneShotWork() const;
  [[nodiscard]] VirtualQueue* currentQueue() const;

  friend class VirtualQueue;
  friend class Item;

  mutable std::recursive_mutex mutex_;
  WallTime epoch_;
  std::int64_t now_;
  std::uint64_t nextSeq_ = 0;
  std::uint64_t executed_ = 0;
  std::map<Key, std::shared_ptr<Item>> items_;
  std::vector<VirtualQueue*> running_;  ///< innermost last
  std::unique_ptr<VirtualQueue> main_;
  std::map<QoS, std::unique_ptr<VirtualQueue>> globals_;
};

}  // namespace corvane::platform::sim

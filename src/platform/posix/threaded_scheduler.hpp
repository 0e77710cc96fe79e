#pragma once
// Real queues for the interactive session and concurrency tests: every serial queue and every
// global queue runs on a thread of its own; the main queue runs on whichever thread pumps it
// (`runMain`). Timers fire on time from one timer thread (leeway is not used). Posting, cancelling
// and timers are thread-safe. Destroying the scheduler stops every thread; work not yet started is
// dropped.

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/scheduler.hpp"

namespace corvane::platform::posix {

class ThreadedScheduler final : public Scheduler {
 public:
  ThreadedScheduler();
  ~ThreadedScheduler() override;
  ThreadedScheduler(const ThreadedScheduler&) = delete;
  ThreadedScheduler& operator=(const ThreadedScheduler&) = delete;

  [[nodiscard]] Queue& main() override;
  [[nodiscard]] std::shared_ptr<Queue> makeSerialQueue(const std::string& label, QoS qos) override;
  [[nodiscard]] Queue& global(QoS qos) override;
  WorkHandle repeating(Queue& queue, double firstDelay, double interval, double leeway,
                       std::function<void()> tick) override;

  /// Runs main-queue work on the calling thread for `seconds` (0: only the work queued now).
  void runMain(double seconds);
  /// Runs main-queue work until `done()` holds or `timeoutSeconds` pass; whether `done()` held.
  bool runMainUntil(const std::function<bool()>& done, double timeoutSeconds);
  /// Waits until every serial and global queue is empty and idle; false on time-out.
  bool waitForQueues(double timeoutSeconds);

 private:
  class Worker;
  class ThreadQueue;
  class Timers;

  std::shared_ptr<ThreadQueue> makeQueue(const std::string& label, bool ownThread);

  std::mutex mutex_;
  std::vector<std::shared_ptr<Worker>> workers_;
  std::shared_ptr<ThreadQueue> main_;
  std::map<QoS, std::shared_ptr<ThreadQueue>> globals_;
  std::unique_ptr<Timers> timers_;
};

}  // namespace corvane::platform::posix

#pragma once
// Queues and timers. Every wait, delay and poll of the core goes through here, so the simulator can
// run it in virtual time.

#include <functional>
#include <memory>
#include <string>

namespace corvane::platform {

enum class QoS { userInteractive, userInitiated, defaultQoS, utility, background };

/// A cancellable piece of scheduled work. Cancelling work that already ran does nothing.
class WorkItem {
 public:
  virtual ~WorkItem() = default;
  virtual void cancel() = 0;
  [[nodiscard]] virtual bool isCancelled() const = 0;
};
using WorkHandle = std::shared_ptr<WorkItem>;

/// A serial queue (or the main queue): work runs one item at a time, in submission order for equal
/// due times.
class Queue {
 public:
  virtual ~Queue() = default;
  [[nodiscard]] virtual const std::string& label() const = 0;
  virtual void async(std::function<void()> work) = 0;
  virtual WorkHandle after(double seconds, std::function<void()> work) = 0;
  /// True when called from work running on this queue.
  [[nodiscard]] virtual bool isCurrent() const = 0;
};

class Scheduler {
 public:
  virtual ~Scheduler() = default;
  [[nodiscard]] virtual Queue& main() = 0;
  /// A new serial queue; the label names it in logs and tests ("app.corvane.actions").
  [[nodiscard]] virtual std::shared_ptr<Queue> makeSerialQueue(const std::string& label, QoS qos) = 0;
  /// The shared background queue of a quality of service.
  [[nodiscard]] virtual Queue& global(QoS qos) = 0;
  /// A repeating timer on `queue`: first after `firstDelay`, then every `interval`, each firing
  /// allowed up to `leeway` late. Cancel the handle to stop it.
  virtual WorkHandle repeating(Queue& queue, double firstDelay, double interval, double leeway,
                               std::function<void()> tick) = 0;
};

}  // namespace corvane::platform

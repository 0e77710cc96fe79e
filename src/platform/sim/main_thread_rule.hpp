#pragma once
// AppKit answers only on the main thread. The simulated services that stand for it (panels,
// screens) keep that rule: each call checks where it runs and a call from any other queue is
// recorded, so the test or the session that made it fails. Without a check set, every call counts
// as the main thread's.

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace corvane::platform::sim {

class MainThreadRule final {
 public:
  /// `onMain` answers whether the caller is the main thread (VirtualTime::onMainThread).
  void setCheck(std::function<bool()> onMain) {
    std::lock_guard lock(mutex_);
    onMain_ = std::move(onMain);
  }
  /// Records `call` when it is made off the main thread.
  void check(const char* call) const {
    std::lock_guard lock(mutex_);
    if (onMain_ && !onMain_()) violations_.emplace_back(call);
  }
  /// Calls made off the main thread, in order.
  [[nodiscard]] std::vector<std::string> violations() const {
    std::lock_guard lock(mutex_);
    return violations_;
  }

 private:
  mutable std::mutex mutex_;
  std::function<bool()> onMain_;
  mutable std::vector<std::string> violations_;
};

}  // namespace corvane::platform::sim

#pragma once
// Whether an owner is still there, for the callbacks it hands out that may outlive it (a timer, a
// completion from another queue, a subscriber). The owner keeps a Liveness as a member and ends it
// first thing in its destructor; callbacks made with guard() do nothing after that. guard() and
// end() are called on the main thread; the callbacks may be copied anywhere and are called on it.

#include <memory>
#include <utility>

namespace corvane::base {

class Liveness {
 public:
  Liveness() = default;
  Liveness(const Liveness&) = delete;
  Liveness& operator=(const Liveness&) = delete;
  ~Liveness() { end(); }

  void end() { token_.reset(); }

  /// `work`, doing nothing once the owner has ended.
  template <typename Work>
  [[nodiscard]] auto guard(Work work) const {
    return [alive = std::weak_ptr<const int>(token_), work = std::move(work)](auto&&... args) {
      if (alive.lock()) work(std::forward<decltype(args)>(args)...);
    };
  }

  /// `work`'s answer, or `fallback` once the owner has ended: for callbacks that answer a question.
  template <typename Result, typename Work>
  [[nodiscard]] auto guardOr(Result fallback, Work work) const {
    return [alive = std::weak_ptr<const int>(token_), fallback = std::move(fallback),
            work = std::move(work)](auto&&... args) -> Result {
      if (!alive.lock()) return fallback;
      return work(std::forward<decltype(args)>(args)...);
    };
  }

 private:
  std::shared_ptr<int> token_ = std::make_shared<int>(0);
};

}  // namespace corvane::base

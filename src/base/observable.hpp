#pragma once
// Observation for models and status: a Signal calls its observers in subscription order; a
// Published<T> is a value that signals every change. Main thread only. A Subscription ends
// observation when destroyed, and an observer may end its own or others' subscriptions (or add
// new ones) while being called.

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace corvane::base {

class Subscription {
 public:
  Subscription() = default;
  explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
  ~Subscription() { cancel(); }
  Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, nullptr)) {}
  Subscription& operator=(Subscription&& other) noexcept {
    if (this != &other) {
      cancel();
      cancel_ = std::exchange(other.cancel_, nullptr);
    }
    return *this;
  }
  Subscription(const Subscription&) = delete;
  Subscription& operator=(const Subscription&) = delete;

  void cancel() {
    if (cancel_) std::exchange(cancel_, nullptr)();
  }

 private:
  std::function<void()> cancel_;
};

template <typename... Args>
class Signal {
 public:
  using Observer = std::function<void(const Args&...)>;

  [[nodiscard]] Subscription subscribe(Observer observer) {
    auto id = nextId_++;
    state_->observers.push_back({id, std::make_shared<Observer>(std::move(observer))});
    std::weak_ptr<State> weak = state_;
    return Subscription([weak, id] {
      if (auto state = weak.lock()) std::erase_if(state->observers, [id](const Entry& e) { return e.id == id; });
    });
  }

  void emit(const Args&... args) const {
    // Observers added during the call wait for the next one; removed ones are skipped.
    auto snapshot = state_->observers;
    for (const auto& entry : snapshot) {
      bool stillThere = false;
      for (const auto& e : state_->observers) stillThere = stillThere || e.id == entry.id;
      if (stillThere) (*entry.observer)(args...);
    }
  }

  [[nodiscard]] std::size_t observerCount() const { return state_->observers.size(); }

 private:
  struct Entry {
    std::uint64_t id;
    std::shared_ptr<Observer> observer;
  };
  struct State {
    std::vector<Entry> observers;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
  std::uint64_t nextId_ = 0;
};

template <typename T>
class Published {
 public:
  Published() = default;
  explicit Published(T initial) : value_(std::move(initial)) {}

  [[nodiscard]] const T& get() const { return value_; }
  /// Stores the value and tells the observers (every assignment counts, equal or not).
  void set(T value) {
    value_ = std::move(value);
    changed_.emit(value_);
  }
  [[nodiscard]] Subscription subscribe(typename Signal<T>::Observer observer) {
    return changed_.subscribe(std::move(observer));
  }

 private:
  T value_{};
  Signal<T> changed_;
};

}  // namespace corvane::base

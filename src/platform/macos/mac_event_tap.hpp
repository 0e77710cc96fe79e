#pragma once

#include <memory>

#include "platform/event_tap.hpp"

namespace corvane::platform::macos {

/// The session event tap (CGEventTap): a filtering tap for the keyboard and a listen-only one for
/// clicks, both on a thread of its own with its own run loop, where the handler runs. Created and
/// invalidated on the main thread (invalidating waits for that thread to end); `enable`,
/// `isEnabled` and `isValid` may come from any thread. Owned by the key tap; destroying it
/// invalidates the tap.
class MacEventTap final : public EventTap {
 public:
  MacEventTap();
  ~MacEventTap() override;
  MacEventTap(const MacEventTap&) = delete;
  MacEventTap& operator=(const MacEventTap&) = delete;

  /// A second call replaces the first tap.
  [[nodiscard]] bool create(std::uint64_t mask, Handler handler) override;
  void enable(bool on) override;
  [[nodiscard]] bool isEnabled() const override;
  [[nodiscard]] bool isValid() const override;
  void invalidate() override;

  /// The port, its run-loop source and the handler; defined where Apple's types are known.
  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace corvane::platform::macos

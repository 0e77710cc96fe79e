#pragma once

#include <memory>

#include "platform/event_tap.hpp"

namespace corvane::platform::macos {

/// The session event tap (CGEventTap). Created and invalidated on the main thread, where its
/// callback runs because its source sits on the main run loop; `enable`, `isEnabled` and `isValid`
/// may also come from the watchdog's queue. Owned by the key tap; destroying it invalidates the tap.
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

#pragma once
// Presses of any mouse button anywhere on the desktop — in other applications (a global monitor)
// and in our own windows (a local one) — reported with the pointer's location, so the menu-bar
// panel can close on a click outside it. Main thread; the monitors end when this is destroyed.

#include <objc/objc.h>

#include <functional>

#include "platform/geometry.hpp"

namespace corvane::mac_app {

class MouseMonitor final {
 public:
  /// `onPress` gets the pointer in window coordinates.
  explicit MouseMonitor(std::function<void(platform::Point)> onPress);
  ~MouseMonitor();
  MouseMonitor(const MouseMonitor&) = delete;
  MouseMonitor& operator=(const MouseMonitor&) = delete;

 private:
  id global_ = nil;
  id local_ = nil;
};

}  // namespace corvane::mac_app

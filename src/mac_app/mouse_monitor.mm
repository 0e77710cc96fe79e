#include "mac_app/mouse_monitor.hpp"

#import <AppKit/AppKit.h>

#include <memory>
#include <utility>

namespace corvane::mac_app {

MouseMonitor::MouseMonitor(std::function<void(platform::Point)> onPress) {
  auto handler = std::make_shared<std::function<void(platform::Point)>>(std::move(onPress));
  auto report = ^{
    NSPoint p = [NSEvent mouseLocation];
    auto call = *handler;
    if (call) call({p.x, p.y});
  };
  // Any button: a middle or side click outside the panel closes it as well.
  NSEventMask mask = NSEventMaskLeftMouseDown | NSEventMaskRightMouseDown | NSEventMaskOtherMouseDown;
  global_ = [NSEvent addGlobalMonitorForEventsMatchingMask:mask
                                                   handler:^(NSEvent* event) {
                                                     (void)event;
                                                     report();
                                                   }];
  local_ = [NSEvent addLocalMonitorForEventsMatchingMask:mask
                                                 handler:^NSEvent*(NSEvent* event) {
                                                   report();
                                                   return event;  // the click still reaches its window
                                                 }];
}

MouseMonitor::~MouseMonitor() {
  if (global_ != nil) [NSEvent removeMonitor:global_];
  if (local_ != nil) [NSEvent removeMonitor:local_];
}

}  // namespace corvane::mac_app

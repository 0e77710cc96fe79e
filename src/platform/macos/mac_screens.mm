#include "platform/macos/mac_screens.hpp"

#import <AppKit/AppKit.h>

#include "platform/macos/main_thread.hpp"

namespace corvane::platform::macos {

namespace {

Rect toRect(NSRect r) { return {r.origin.x, r.origin.y, r.size.width, r.size.height}; }

ScreenInfo toScreenInfo(NSScreen* screen) {
  ScreenInfo info;
  // The display id stays the same while the screen is attached, unlike the NSScreen object.
  NSNumber* number = screen.deviceDescription[@"NSScreenNumber"];
  info.id = [number isKindOfClass:[NSNumber class]] ? number.unsignedIntValue : 0;
  info.frame = toRect(screen.frame);
  info.visibleFrame = toRect(screen.visibleFrame);
  info.backingScaleFactor = screen.backingScaleFactor > 0 ? screen.backingScaleFactor : 1;
  return info;
}

}  // namespace

std::vector<ScreenInfo> MacScreens::screens() {
  requireMainThread("Screens::screens");
  @autoreleasepool {
    std::vector<ScreenInfo> result;
    // NSScreen.screens lists the primary screen (the one with the menu bar) first.
    for (NSScreen* screen in [NSScreen screens]) result.push_back(toScreenInfo(screen));
    return result;
  }
}

std::optional<ScreenInfo> MacScreens::mainScreen() {
  requireMainThread("Screens::mainScreen");
  @autoreleasepool {
    NSScreen* screen = [NSScreen mainScreen];
    if (screen == nil) return std::nullopt;
    return toScreenInfo(screen);
  }
}

Point MacScreens::mouseLocation() {
  requireMainThread("Screens::mouseLocation");
  NSPoint p = [NSEvent mouseLocation];
  return {p.x, p.y};
}

}  // namespace corvane::platform::macos

#include "platform/macos/mac_window_list.hpp"

#include <CoreGraphics/CoreGraphics.h>

#include "platform/macos/cf_ref.hpp"

namespace corvane::platform::macos {
namespace {

std::optional<std::int32_t> intEntry(CFDictionaryRef window, CFStringRef key) {
  CFTypeRef value = CFDictionaryGetValue(window, key);
  if (value == nullptr || CFGetTypeID(value) != CFNumberGetTypeID()) return std::nullopt;
  std::int32_t out = 0;
  if (!CFNumberGetValue(static_cast<CFNumberRef>(value), kCFNumberSInt32Type, &out)) return std::nullopt;
  return out;
}

std::optional<Rect> boundsEntry(CFDictionaryRef window) {
  CFTypeRef value = CFDictionaryGetValue(window, kCGWindowBounds);
  if (value == nullptr || CFGetTypeID(value) != CFDictionaryGetTypeID()) return std::nullopt;
  CGRect bounds{};
  if (!CGRectMakeWithDictionaryRepresentation(static_cast<CFDictionaryRef>(value), &bounds)) return std::nullopt;
  return Rect{bounds.origin.x, bounds.origin.y, bounds.size.width, bounds.size.height};
}

}  // namespace

std::vector<WindowInfo> MacWindowList::onScreenWindows() {
  // Already ordered front to back; the bounds are in the top-left coordinates the core expects.
  auto list = CFRef<CFArrayRef>::adopt(
      CGWindowListCopyWindowInfo(kCGWindowListOptionOnScreenOnly | kCGWindowListExcludeDesktopElements, kCGNullWindowID));
  std::vector<WindowInfo> windows;
  if (!list) return windows;
  CFIndex count = CFArrayGetCount(list.get());
  windows.reserve(static_cast<std::size_t>(count));
  for (CFIndex i = 0; i < count; ++i) {
    CFTypeRef item = CFArrayGetValueAtIndex(list.get(), i);
    if (item == nullptr || CFGetTypeID(item) != CFDictionaryGetTypeID()) continue;
    auto window = static_cast<CFDictionaryRef>(item);
    auto bounds = boundsEntry(window);
    if (!bounds) continue;
    windows.push_back(WindowInfo{intEntry(window, kCGWindowOwnerPID).value_or(0), *bounds,
                                 intEntry(window, kCGWindowLayer).value_or(0)});
  }
  return windows;
}

}  // namespace corvane::platform::macos

#pragma once
// Real waits for the Mac-only smoke tests: the main queue, timers and file events are delivered by
// the main run loop, so a test turns it until what it waits for happened or the time is up.

#include <CoreFoundation/CoreFoundation.h>

#include <functional>

namespace corvane::platform::macos::testing {

/// Runs the main run loop until `done` or `seconds` have passed; returns `done()`.
inline bool runMainLoopUntil(const std::function<bool()>& done, double seconds = 5.0) {
  CFAbsoluteTime deadline = CFAbsoluteTimeGetCurrent() + seconds;
  while (!done() && CFAbsoluteTimeGetCurrent() < deadline) {
    CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.01, true);
  }
  return done();
}

/// Runs the main run loop for `seconds` (to show that something does not happen).
inline void runMainLoopFor(double seconds) {
  runMainLoopUntil([] { return false; }, seconds);
}

}  // namespace corvane::platform::macos::testing

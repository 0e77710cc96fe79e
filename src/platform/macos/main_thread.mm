#include "platform/macos/main_thread.hpp"

#import <Foundation/Foundation.h>

#include <cassert>

namespace corvane::platform::macos {

void requireMainThread(const char* call) {
  if ([NSThread isMainThread]) return;
  NSLog(@"Corvane: %s was called off the main thread", call);
  assert(false && "AppKit called off the main thread");
}

}  // namespace corvane::platform::macos

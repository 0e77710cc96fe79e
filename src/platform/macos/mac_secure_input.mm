#include "platform/macos/mac_secure_input.hpp"

#import <AppKit/AppKit.h>
#include <Carbon/Carbon.h>
#include <CoreGraphics/CoreGraphics.h>

#include <limits>

#include "platform/macos/cf_ref.hpp"
#include "platform/macos/cf_strings.hpp"

namespace corvane::platform::macos {

bool MacSecureInput::isEnabled() const { return IsSecureEventInputEnabled(); }

std::optional<std::int32_t> MacSecureInput::ownerPid() const {
  auto session = CFRef<CFDictionaryRef>::adopt(CGSessionCopyCurrentDictionary());
  if (!session) return std::nullopt;
  CFTypeRef value = CFDictionaryGetValue(session.get(), CFSTR("kCGSSessionSecureInputPID"));
  if (value == nullptr || CFGetTypeID(value) != CFNumberGetTypeID()) return std::nullopt;
  std::int64_t pid = 0;
  if (!CFNumberGetValue(static_cast<CFNumberRef>(value), kCFNumberSInt64Type, &pid)) return std::nullopt;
  if (pid <= 0 || pid > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(pid);
}

std::optional<std::string> MacSecureInput::applicationName(std::int32_t pid) const {
  @autoreleasepool {
    NSRunningApplication* application = [NSRunningApplication runningApplicationWithProcessIdentifier:pid];
    NSString* name = application.localizedName;
    if (name.length == 0) return std::nullopt;
    return toStdString(name);
  }
}

}  // namespace corvane::platform::macos

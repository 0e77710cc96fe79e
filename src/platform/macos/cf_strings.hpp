#pragma once
// Text across the boundary: Core Foundation and Foundation strings to and from the core's UTF-8
// std::string. Conversions never fail: bytes that are not UTF-8 become U+FFFD, so a bad name can
// never turn into a null string that Foundation would throw on. Any thread.

#include <CoreFoundation/CoreFoundation.h>

#include <string>
#include <string_view>

#include "platform/macos/cf_ref.hpp"

#ifdef __OBJC__
@class NSString;
#endif

namespace corvane::platform::macos {

/// The UTF-8 text of a string; "" for null.
[[nodiscard]] std::string toStdString(CFStringRef string);
/// A new string; null only when memory runs out.
[[nodiscard]] CFRef<CFStringRef> makeCFString(std::string_view utf8);
/// `bytes` with every sequence that is not valid UTF-8 replaced by U+FFFD.
[[nodiscard]] std::string validUtf8(std::string_view bytes);

#ifdef __OBJC__
[[nodiscard]] std::string toStdString(NSString* string);
[[nodiscard]] NSString* makeNSString(std::string_view utf8);
#endif

}  // namespace corvane::platform::macos

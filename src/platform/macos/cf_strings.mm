#include "platform/macos/cf_strings.hpp"

#import <Foundation/Foundation.h>

#include <cstdint>

namespace corvane::platform::macos {
namespace {

/// Length of the valid UTF-8 sequence starting at `i`, or 0.
std::size_t sequenceLength(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char lead = byte(i);
  std::size_t n = 0;
  std::uint32_t cp = 0;
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) {
    n = 2;
    cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    n = 3;
    cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    n = 4;
    cp = lead & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

std::string validUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    if (std::size_t n = sequenceLength(bytes, i); n > 0) {
      out.append(bytes.substr(i, n));
      i += n;
    } else {
      out.append("\xEF\xBF\xBD");
      ++i;
    }
  }
  return out;
}

std::string toStdString(CFStringRef string) {
  if (string == nullptr) return {};
  if (const char* fast = CFStringGetCStringPtr(string, kCFStringEncodingUTF8)) return fast;
  CFIndex length = CFStringGetLength(string);
  CFIndex used = 0;
  CFStringGetBytes(string, CFRangeMake(0, length), kCFStringEncodingUTF8, '?', false, nullptr, 0, &used);
  std::string out(static_cast<std::size_t>(used), '\0');
  CFStringGetBytes(string, CFRangeMake(0, length), kCFStringEncodingUTF8, '?', false,
                   reinterpret_cast<UInt8*>(out.data()), used, &used);
  out.resize(static_cast<std::size_t>(used));
  return out;
}

CFRef<CFStringRef> makeCFString(std::string_view utf8) {
  auto make = [](std::string_view text) {
    return CFRef<CFStringRef>::adopt(CFStringCreateWithBytes(kCFAllocatorDefault,
                                                             reinterpret_cast<const UInt8*>(text.data()),
                                                             static_cast<CFIndex>(text.size()),
                                                             kCFStringEncodingUTF8, false));
  };
  auto string = make(utf8);
  if (string) return string;
  return make(validUtf8(utf8));
}

std::string toStdString(NSString* string) { return toStdString((__bridge CFStringRef)string); }

NSString* makeNSString(std::string_view utf8) {
  auto string = makeCFString(utf8);
  if (!string) return @"";
  return (NSString*)CFBridgingRelease(CFRetain(string.get()));
}

}  // namespace corvane::platform::macos

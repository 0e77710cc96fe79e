#include "platform/macos/mac_text_metrics.hpp"

#import <AppKit/AppKit.h>

#include "platform/macos/cf_strings.hpp"
#include "platform/macos/mac_fonts.hpp"

namespace corvane::platform::macos {

double MacTextMetrics::width(const std::string& text, double pointSize, FontWeight weight) {
  if (text.empty() || pointSize <= 0) return 0;
  @autoreleasepool {
    NSDictionary* attributes = @{NSFontAttributeName : systemFont(pointSize, weight)};
    return [makeNSString(text) sizeWithAttributes:attributes].width;
  }
}

}  // namespace corvane::platform::macos

#pragma once
// The system font at the core's weights, shared by the text metrics and the views that draw with
// them, so a measured width and a drawn width are the same. Objective-C++ only; main thread.

#include "platform/panels.hpp"

#ifdef __OBJC__
@class NSFont;

namespace corvane::platform::macos {

[[nodiscard]] NSFont* systemFont(double pointSize, FontWeight weight);

}  // namespace corvane::platform::macos
#endif

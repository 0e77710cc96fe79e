#pragma once
// Attribute values across the boundary: what the Accessibility API returns, turned into the core's
// AXValue at once, and back for the few attributes the core sets. Any thread.

#include <CoreFoundation/CoreFoundation.h>

#include <optional>

#include "platform/accessibility.hpp"
#include "platform/macos/cf_ref.hpp"

namespace corvane::platform::macos {

/// Booleans, numbers (integer or not), strings (plain, attributed, URLs), elements, arrays of
/// elements, and AXValue points, sizes and text ranges. Anything else — rectangles, error values,
/// null, arrays holding anything but elements — is none.
[[nodiscard]] std::optional<AXValue> toAXValue(CFTypeRef value);
/// The Core Foundation form of a value; null for an element of another backend.
[[nodiscard]] CFRef<CFTypeRef> toCFValue(const AXValue& value);

}  // namespace corvane::platform::macos

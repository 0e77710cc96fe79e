#include "platform/macos/ax_value_conversion.hpp"

#include <ApplicationServices/ApplicationServices.h>

#include <type_traits>

#include "platform/macos/ax_element_handle.hpp"
#include "platform/macos/cf_strings.hpp"

namespace corvane::platform::macos {
namespace {

std::optional<AXValue> fromNumber(CFNumberRef number) {
  if (CFNumberIsFloatType(number)) {
    double d = 0;
    CFNumberGetValue(number, kCFNumberDoubleType, &d);
    return AXValue{d};
  }
  std::int64_t i = 0;
  CFNumberGetValue(number, kCFNumberSInt64Type, &i);
  return AXValue{i};
}

std::optional<AXValue> fromAXValueRef(AXValueRef value) {
  AXValueType type = AXValueGetType(value);
  switch (type) {
    case kAXValueTypeCGPoint: {
      CGPoint p{};
      if (!AXValueGetValue(value, type, &p)) return std::nullopt;
      return AXValue{Point{p.x, p.y}};
    }
    case kAXValueTypeCGSize: {
      CGSize s{};
      if (!AXValueGetValue(value, type, &s)) return std::nullopt;
      return AXValue{Size{s.width, s.height}};
    }
    case kAXValueTypeCFRange: {
      CFRange r{};
      if (!AXValueGetValue(value, type, &r)) return std::nullopt;
      return AXValue{TextRange{r.location, r.length}};
    }
    case kAXValueTypeCGRect:
    case kAXValueTypeAXError:
    case kAXValueTypeIllegal:
      return std::nullopt;
  }
  return std::nullopt;
}

std::optional<AXValue> fromArray(CFArrayRef array) {
  CFIndex count = CFArrayGetCount(array);
  std::vector<Element> elements;
  elements.reserve(static_cast<std::size_t>(count));
  for (CFIndex i = 0; i < count; ++i) {
    CFTypeRef item = CFArrayGetValueAtIndex(array, i);
    if (item == nullptr || CFGetTypeID(item) != AXUIElementGetTypeID()) return std::nullopt;
    elements.push_back(makeElement(CFRef<AXUIElementRef>::retain(static_cast<AXUIElementRef>(item))));
  }
  return AXValue{std::move(elements)};
}

template <typename T>
CFRef<CFTypeRef> owned(T ref) {
  return CFRef<CFTypeRef>::adopt(ref);
}

}  // namespace

std::optional<AXValue> toAXValue(CFTypeRef value) {
  if (value == nullptr) return std::nullopt;
  CFTypeID type = CFGetTypeID(value);
  if (type == CFBooleanGetTypeID()) return AXValue{CFBooleanGetValue(static_cast<CFBooleanRef>(value)) != 0};
  if (type == CFNumberGetTypeID()) return fromNumber(static_cast<CFNumberRef>(value));
  if (type == CFStringGetTypeID()) return AXValue{toStdString(static_cast<CFStringRef>(value))};
  if (type == CFAttributedStringGetTypeID()) {
    return AXValue{toStdString(CFAttributedStringGetString(static_cast<CFAttributedStringRef>(value)))};
  }
  if (type == CFURLGetTypeID()) return AXValue{toStdString(CFURLGetString(static_cast<CFURLRef>(value)))};
  if (type == AXUIElementGetTypeID()) {
    return AXValue{makeElement(CFRef<AXUIElementRef>::retain(static_cast<AXUIElementRef>(value)))};
  }
  if (type == AXValueGetTypeID()) return fromAXValueRef(static_cast<AXValueRef>(value));
  if (type == CFArrayGetTypeID()) return fromArray(static_cast<CFArrayRef>(value));
  return std::nullopt;
}

CFRef<CFTypeRef> toCFValue(const AXValue& value) {
  return std::visit(
      [](const auto& v) -> CFRef<CFTypeRef> {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) {
          return CFRef<CFTypeRef>::retain(v ? kCFBooleanTrue : kCFBooleanFalse);
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          return owned(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt64Type, &v));
        } else if constexpr (std::is_same_v<T, double>) {
          return owned(CFNumberCreate(kCFAllocatorDefault, kCFNumberDoubleType, &v));
        } else if constexpr (std::is_same_v<T, std::string>) {
          return CFRef<CFTypeRef>::retain(makeCFString(v).get());
        } else if constexpr (std::is_same_v<T, Point>) {
          CGPoint p = CGPointMake(v.x, v.y);
          return owned(AXValueCreate(kAXValueTypeCGPoint, &p));
        } else if constexpr (std::is_same_v<T, Size>) {
          CGSize s = CGSizeMake(v.width, v.height);
          return owned(AXValueCreate(kAXValueTypeCGSize, &s));
        } else if constexpr (std::is_same_v<T, TextRange>) {
          CFRange r = CFRangeMake(static_cast<CFIndex>(v.location), static_cast<CFIndex>(v.length));
          return owned(AXValueCreate(kAXValueTypeCFRange, &r));
        } else if constexpr (std::is_same_v<T, Element>) {
          return CFRef<CFTypeRef>::retain(axElementOf(v));
        } else {
          auto array = CFRef<CFMutableArrayRef>::adopt(
              CFArrayCreateMutable(kCFAllocatorDefault, static_cast<CFIndex>(v.size()), &kCFTypeArrayCallBacks));
          if (!array) return {};
          for (const Element& element : v) {
            AXUIElementRef ref = axElementOf(element);
            if (ref == nullptr) return {};
            CFArrayAppendValue(array.get(), ref);
          }
          return CFRef<CFTypeRef>::retain(array.get());
        }
      },
      value);
}

}  // namespace corvane::platform::macos

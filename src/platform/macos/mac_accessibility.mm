#include "platform/macos/mac_accessibility.hpp"

#include <ApplicationServices/ApplicationServices.h>

#include "platform/macos/ax_element_handle.hpp"
#include "platform/macos/ax_value_conversion.hpp"
#include "platform/macos/cf_ref.hpp"
#include "platform/macos/cf_strings.hpp"

namespace corvane::platform::macos {

Element MacAccessibility::application(std::int32_t pid) {
  return makeElement(CFRef<AXUIElementRef>::adopt(AXUIElementCreateApplication(pid)));
}

std::optional<std::int32_t> MacAccessibility::processId(const Element& element) {
  AXUIElementRef ref = axElementOf(element);
  if (ref == nullptr) return std::nullopt;
  pid_t pid = 0;
  if (AXUIElementGetPid(ref, &pid) != kAXErrorSuccess) return std::nullopt;
  return static_cast<std::int32_t>(pid);
}

std::expected<AXValue, AXError> MacAccessibility::copyAttribute(const Element& element, std::string_view attribute) {
  AXUIElementRef ref = axElementOf(element);
  if (ref == nullptr) return std::unexpected(ax::kIllegalArgument);
  auto name = makeCFString(attribute);
  CFTypeRef raw = nullptr;
  AXError error = AXUIElementCopyAttributeValue(ref, name.get(), &raw);
  auto value = CFRef<CFTypeRef>::adopt(raw);
  if (error != kAXErrorSuccess) return std::unexpected(error);
  // A value the core has no type for (a rectangle, an error value) counts as no value.
  auto converted = toAXValue(value.get());
  if (!converted) return std::unexpected(ax::kNoValue);
  return std::move(*converted);
}

std::expected<std::vector<std::optional<AXValue>>, AXError> MacAccessibility::copyMultipleAttributes(
    const Element& element, std::span<const std::string_view> attributes) {
  AXUIElementRef ref = axElementOf(element);
  if (ref == nullptr) return std::unexpected(ax::kIllegalArgument);
  auto names = CFRef<CFMutableArrayRef>::adopt(
      CFArrayCreateMutable(kCFAllocatorDefault, static_cast<CFIndex>(attributes.size()), &kCFTypeArrayCallBacks));
  if (!names) return std::unexpected(ax::kFailure);
  for (std::string_view attribute : attributes) CFArrayAppendValue(names.get(), makeCFString(attribute).get());
  CFArrayRef raw = nullptr;
  // Options 0: a failed attribute comes back as an error value in its place, not as a failed call.
  AXError error = AXUIElementCopyMultipleAttributeValues(ref, names.get(), 0, &raw);
  auto values = CFRef<CFArrayRef>::adopt(raw);
  if (error != kAXErrorSuccess) return std::unexpected(error);
  if (!values) return std::unexpected(ax::kFailure);
  std::vector<std::optional<AXValue>> out(attributes.size());
  auto count = std::min<std::size_t>(out.size(), static_cast<std::size_t>(CFArrayGetCount(values.get())));
  for (std::size_t i = 0; i < count; ++i) out[i] = toAXValue(CFArrayGetValueAtIndex(values.get(), static_cast<CFIndex>(i)));
  return out;
}

std::expected<std::vector<std::string>, AXError> MacAccessibility::actionNames(const Element& element) {
  AXUIElementRef ref = axElementOf(element);
  if (ref == nullptr) return std::unexpected(ax::kIllegalArgument);
  CFArrayRef raw = nullptr;
  AXError error = AXUIElementCopyActionNames(ref, &raw);
  auto names = CFRef<CFArrayRef>::adopt(raw);
  if (error != kAXErrorSuccess) return std::unexpected(error);
  std::vector<std::string> out;
  if (!names) return out;
  CFIndex count = CFArrayGetCount(names.get());
  out.reserve(static_cast<std::size_t>(count));
  for (CFIndex i = 0; i < count; ++i) {
    CFTypeRef name = CFArrayGetValueAtIndex(names.get(), i);
    if (name != nullptr && CFGetTypeID(name) == CFStringGetTypeID()) {
      out.push_back(toStdString(static_cast<CFStringRef>(name)));
    }
  }
  return out;
}

AXError MacAccessibility::performAction(const Element& element, std::string_view action) {
  AXUIElementRef ref = axElementOf(element);
  if (ref == nullptr) return ax::kIllegalArgument;
  return AXUIElementPerformAction(ref, makeCFString(action).get());
}

AXError MacAccessibility::setAttribute(const Element& element, std::string_view attribute, const AXValue& value) {
  AXUIElementRef ref = axElementOf(element);
  auto cfValue = toCFValue(value);
  if (ref == nullptr || !cfValue) return ax::kIllegalArgument;
  return AXUIElementSetAttributeValue(ref, makeCFString(attribute).get(), cfValue.get());
}

std::expected<Element, AXError> MacAccessibility::elementAtPosition(const Element& application, Point point) {
  AXUIElementRef ref = axElementOf(application);
  if (ref == nullptr) return std::unexpected(ax::kIllegalArgument);
  AXUIElementRef raw = nullptr;
  AXError error =
      AXUIElementCopyElementAtPosition(ref, static_cast<float>(point.x), static_cast<float>(point.y), &raw);
  auto found = CFRef<AXUIElementRef>::adopt(raw);
  if (error != kAXErrorSuccess) return std::unexpected(error);
  if (!found) return std::unexpected(ax::kNoValue);
  return makeElement(std::move(found));
}

AXError MacAccessibility::setMessagingTimeout(const Element& element, double seconds) {
  AXUIElementRef ref = axElementOf(element);
  if (ref == nullptr) return ax::kIllegalArgument;
  return AXUIElementSetMessagingTimeout(ref, static_cast<float>(seconds > 0 ? seconds : 0));
}

bool MacAccessibility::isTrusted(bool prompt) {
  if (!prompt) return AXIsProcessTrusted();
  const void* keys[] = {kAXTrustedCheckOptionPrompt};
  const void* values[] = {kCFBooleanTrue};
  auto options = CFRef<CFDictionaryRef>::adopt(CFDictionaryCreate(
      kCFAllocatorDefault, keys, values, 1, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
  return AXIsProcessTrustedWithOptions(options.get());
}

}  // namespace corvane::platform::macos

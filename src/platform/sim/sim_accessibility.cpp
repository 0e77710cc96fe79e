#include "platform/sim/sim_accessibility.hpp"

#include "platform/sim/sim_excel.hpp"

namespace corvane::platform::sim {

Element SimAccessibility::application(std::int32_t pid) { return excel_.axApplication(pid); }

std::optional<std::int32_t> SimAccessibility::processId(const Element& element) { return excel_.axProcessId(element); }

std::expected<AXValue, AXError> SimAccessibility::copyAttribute(const Element& element, std::string_view attribute) {
  return excel_.axCopyAttribute(element, attribute);
}

std::expected<std::vector<std::optional<AXValue>>, AXError> SimAccessibility::copyMultipleAttributes(
    const Element& element, std::span<const std::string_view> attributes) {
  return excel_.axCopyMultiple(element, attributes);
}

std::expected<std::vector<std::string>, AXError> SimAccessibility::actionNames(const Element& element) {
  return excel_.axActionNames(element);
}

AXError SimAccessibility::performAction(const Element& element, std::string_view action) {
  return excel_.axPerform(element, action);
}

AXError SimAccessibility::setAttribute(const Element& element, std::string_view attribute, const AXValue& value) {
  return excel_.axSet(element, attribute, value);
}

std::expected<Element, AXError> SimAccessibility::elementAtPosition(const Element& application, Point point) {
  return excel_.axElementAtPosition(application, point);
}

AXError SimAccessibility::setMessagingTimeout(const Element& element, double seconds) {
  return excel_.axSetTimeout(element, seconds);
}

bool SimAccessibility::isTrusted(bool prompt) { return excel_.axTrusted(prompt); }

}  // namespace corvane::platform::sim

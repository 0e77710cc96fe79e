#pragma once

#include "platform/accessibility.hpp"

namespace corvane::platform::macos {

/// The Accessibility API (AXUIElement). Stateless, and the API may be called from any thread: the
/// actions queue, the coach queue and the main thread all use one instance.
class MacAccessibility final : public Accessibility {
 public:
  [[nodiscard]] Element application(std::int32_t pid) override;
  [[nodiscard]] std::optional<std::int32_t> processId(const Element& element) override;
  [[nodiscard]] std::expected<AXValue, AXError> copyAttribute(const Element& element,
                                                              std::string_view attribute) override;
  [[nodiscard]] std::expected<std::vector<std::optional<AXValue>>, AXError> copyMultipleAttributes(
      const Element& element, std::span<const std::string_view> attributes) override;
  [[nodiscard]] std::expected<std::vector<std::string>, AXError> actionNames(const Element& element) override;
  [[nodiscard]] AXError performAction(const Element& element, std::string_view action) override;
  [[nodiscard]] AXError setAttribute(const Element& element, std::string_view attribute,
                                     const AXValue& value) override;
  [[nodiscard]] std::expected<Element, AXError> elementAtPosition(const Element& application, Point point) override;
  AXError setMessagingTimeout(const Element& element, double seconds) override;
  [[nodiscard]] bool isTrusted(bool prompt) override;
};

}  // namespace corvane::platform::macos

#pragma once
// An Accessibility that passes every call to another: tests derive from it and override only the
// calls they break.

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/accessibility.hpp"

namespace corvane::testing {

class ForwardingAccessibility : public platform::Accessibility {
 public:
  explicit ForwardingAccessibility(platform::Accessibility& inner) : inner_(inner) {}

  platform::Element application(std::int32_t pid) override { return inner_.application(pid); }
  std::optional<std::int32_t> processId(const platform::Element& e) override { return inner_.processId(e); }
  std::expected<platform::AXValue, platform::AXError> copyAttribute(const platform::Element& e,
                                                                    std::string_view a) override {
    return inner_.copyAttribute(e, a);
  }
  std::expected<std::vector<std::optional<platform::AXValue>>, platform::AXError> copyMultipleAttributes(
      const platform::Element& e, std::span<const std::string_view> a) override {
    return inner_.copyMultipleAttributes(e, a);
  }
  std::expected<std::vector<std::string>, platform::AXError> actionNames(const platform::Element& e) override {
    return inner_.actionNames(e);
  }
  platform::AXError performAction(const platform::Element& e, std::string_view a) override {
    return inner_.performAction(e, a);
  }
  platform::AXError setAttribute(const platform::Element& e, std::string_view a, const platform::AXValue& v) override {
    return inner_.setAttribute(e, a, v);
  }
  std::expected<platform::Element, platform::AXError> elementAtPosition(const platform::Element& e,
                                                                        platform::Point p) override {
    return inner_.elementAtPosition(e, p);
  }
  platform::AXError setMessagingTimeout(const platform::Element& e, double seconds) override {
    return inner_.setMessagingTimeout(e, seconds);
  }
  bool isTrusted(bool prompt) override { return inner_.isTrusted(prompt); }

 private:
  platform::Accessibility& inner_;
};

}  // namespace corvane::testing

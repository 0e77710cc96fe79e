#pragma once
// The Accessibility interface over the simulated Excel. A thin translation: every call goes to
// SimExcel, which counts it, applies faults and answers from its tree. Thread-safe; owned by SimExcel,
// which defines it next to the calls it forwards to (sim_excel_ax_calls.cpp).

#include "platform/accessibility.hpp"

namespace corvane::platform::sim {

class SimExcel;

class SimAccessibility final : public Accessibility {
 public:
  explicit SimAccessibility(SimExcel& excel) : excel_(excel) {}

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

 private:
  SimExcel& excel_;
};

}  // namespace corvane::platform::sim

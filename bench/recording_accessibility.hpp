#pragma once
// Forwards every Accessibility call to another implementation (the simulated Excel) and counts it,
// keeping the batched reads so that a scan's calls can be replayed. Shared by the benchmarks that
// report `axCalls`: the calls that reach Excel, each a round trip to its process (about 0.3 ms on a
// Mac). Making an application reference, asking a reference's process, setting its messaging
// timeout and the trust check stay in our process and cost nothing.

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/accessibility.hpp"

namespace corvane::bench {

class RecordingAccessibility final : public platform::Accessibility {
 public:
  explicit RecordingAccessibility(platform::Accessibility& inner) : inner_(inner) {}

  std::uint64_t calls = 0;  ///< every Accessibility call, of any kind
  std::uint64_t local = 0;  ///< those of them that stay in our process
  [[nodiscard]] std::uint64_t remote() const { return calls - local; }
  bool keepReads = false;   ///< record the batched reads (for a replay)
  std::vector<platform::Element> batchedReads;
  std::vector<std::string_view> names;

  platform::Element application(std::int32_t pid) override { return ++calls, ++local, inner_.application(pid); }
  std::optional<std::int32_t> processId(const platform::Element& e) override { return ++calls, ++local, inner_.processId(e); }
  std::expected<platform::AXValue, platform::AXError> copyAttribute(const platform::Element& e,
                                                                    std::string_view attribute) override {
    return ++calls, inner_.copyAttribute(e, attribute);
  }
  std::expected<std::vector<std::optional<platform::AXValue>>, platform::AXError> copyMultipleAttributes(
      const platform::Element& e, std::span<const std::string_view> attributes) override {
    ++calls;
    if (keepReads) {
      batchedReads.push_back(e);
      names.assign(attributes.begin(), attributes.end());
    }
    return inner_.copyMultipleAttributes(e, attributes);
  }
  std::expected<std::vector<std::string>, platform::AXError> actionNames(const platform::Element& e) override {
    return ++calls, inner_.actionNames(e);
  }
  platform::AXError performAction(const platform::Element& e, std::string_view action) override {
    return ++calls, inner_.performAction(e, action);
  }
  platform::AXError setAttribute(const platform::Element& e, std::string_view attribute,
                                 const platform::AXValue& value) override {
    return ++calls, inner_.setAttribute(e, attribute, value);
  }
  std::expected<platform::Element, platform::AXError> elementAtPosition(const platform::Element& app,
                                                                        platform::Point point) override {
    return ++calls, inner_.elementAtPosition(app, point);
  }
  platform::AXError setMessagingTimeout(const platform::Element& e, double seconds) override {
    return ++calls, ++local, inner_.setMessagingTimeout(e, seconds);
  }
  bool isTrusted(bool prompt) override { return ++calls, ++local, inner_.isTrusted(prompt); }

 private:
  platform::Accessibility& inner_;
};

}  // namespace corvane::bench

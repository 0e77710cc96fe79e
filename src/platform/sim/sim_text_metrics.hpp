#pragma once
// The simulator's fixed text metric: every character is 0.6 × the font size wide, whatever the
// weight, so placement tests are exact. Panel fitting sizes use the same metric.

#include <string>
#include <string_view>

#include "platform/panels.hpp"

namespace corvane::platform::sim {

/// Characters (Unicode scalar values) in UTF-8 text.
[[nodiscard]] std::size_t characterCount(std::string_view text);

class SimTextMetrics final : public TextMetrics {
 public:
  static constexpr double kWidthPerPoint = 0.6;
  [[nodiscard]] double width(const std::string& text, double pointSize, FontWeight weight) override;
};

}  // namespace corvane::platform::sim

#pragma once

#include "platform/panels.hpp"

namespace corvane::platform::macos {

/// Widths of text in the system font, as AppKit lays it out. Stateless; main thread.
class MacTextMetrics final : public TextMetrics {
 public:
  [[nodiscard]] double width(const std::string& text, double pointSize, FontWeight weight) override;
};

}  // namespace corvane::platform::macos

#include "platform/sim/sim_text_metrics.hpp"

namespace corvane::platform::sim {

std::size_t characterCount(std::string_view text) {
  std::size_t count = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++count;
  }
  return count;
}

double SimTextMetrics::width(const std::string& text, double pointSize, FontWeight) {
  return kWidthPerPoint * pointSize * static_cast<double>(characterCount(text));
}

}  // namespace corvane::platform::sim

#pragma once
// SVG to PNG with rsvg-convert (librsvg: Debian's librsvg2-bin, Homebrew's librsvg), run as a child
// process whose input and output are pipes, so nothing it writes bypasses the caller's file rules.
// Any thread; blocks until the converter ends or its time runs out.

#include <expected>
#include <string>
#include <string_view>

namespace corvane::platform::posix {

struct ConversionError {
  enum class Kind {
    missing,  ///< rsvg-convert is not installed (not on PATH)
    failed,   ///< it ran and refused, or ran out of time
  };
  Kind kind = Kind::failed;
  std::string description;
};

/// The PNG bytes of `svg`; gives up after `seconds`.
[[nodiscard]] std::expected<std::string, ConversionError> svgToPng(std::string_view svg, double seconds = 60);

}  // namespace corvane::platform::posix

#pragma once
// How Excel labels are compared: the label key (lower case, "&" as " and ", British spellings made
// American, letters and digits only) and the occurrence marker ("Merge#2" picks the second match).

#include <optional>
#include <vector>
#include <string>
#include <string_view>

namespace corvane::excel {

/// "Colour & Fill…" → "colorandfill". An empty key never matches anything.
[[nodiscard]] std::string labelKey(std::string_view label);

struct MarkedLabel {
  std::string name;            ///< the label without its marker
  std::optional<int> number;   ///< the n-th match, counted from 1
  friend bool operator==(const MarkedLabel&, const MarkedLabel&) = default;
};

/// "Merge#2" → ("Merge", 2); "Sheet#x" and "#0" keep the whole text.
[[nodiscard]] MarkedLabel stripMarker(std::string_view label);

/// The first label without its marker, or "" for none.
[[nodiscard]] std::string firstLabel(const std::vector<std::string>& labels);

}  // namespace corvane::excel

#include "excel/label_key.hpp"

#include <array>
#include <charconv>
#include <utility>

#include "model/text.hpp"

namespace corvane::excel {
namespace {

// Applied in this order; each row replaces every occurrence of its left side.
constexpr std::array<std::pair<std::string_view, std::string_view>, 18> kBritishToAmerican{{
    {"anti-clockwise", "counterclockwise"},
    {"anticlockwise", "counterclockwise"},
    {"colour", "color"},
    {"centre", "center"},
    {"analys", "analyz"},
    {"customis", "customiz"},
    {"organis", "organiz"},
    {"summaris", "summariz"},
    {"initialis", "initializ"},
    {"minimis", "minimiz"},
    {"maximis", "maximiz"},
    {"optimis", "optimiz"},
    {"favourite", "favorite"},
    {"dialogue", "dialog"},
    {"maths", "math"},
    {"grey", "gray"},
    {"behaviour", "behavior"},
    {"licence", "license"},
}};

}  // namespace

std::string labelKey(std::string_view label) {
  auto text = model::text::replaceAll(model::text::lower(label), "&", " and ");
  for (const auto& [british, american] : kBritishToAmerican) {
    if (text.find(british) != std::string::npos) text = model::text::replaceAll(text, british, american);
  }
  return model::text::lettersAndDigits(text);
}

MarkedLabel stripMarker(std::string_view label) {
  auto hash = label.rfind('#');
  if (hash == std::string_view::npos) return {std::string(label), std::nullopt};
  auto digits = label.substr(hash + 1);
  if (digits.starts_with("+")) digits.remove_prefix(1);
  int n = 0;
  auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (digits.empty() || ec != std::errc() || ptr != digits.data() + digits.size() || n <= 0) {
    return {std::string(label), std::nullopt};
  }
  return {std::string(label.substr(0, hash)), n};
}

std::string firstLabel(const std::vector<std::string>& labels) {
  return labels.empty() ? std::string() : stripMarker(labels.front()).name;
}

}  // namespace corvane::excel

#pragma once
// Small helpers the Excel lookups share to read values: one batched read into an array, texts,
// frames and numbers out of optional values, and the error a stopped work ends with. Internal to
// the excel folder.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "excel/action_error.hpp"
#include "excel/ax_names.hpp"
#include "excel/excel_app.hpp"

namespace corvane::excel::detail {

/// One batched read; every value absent when the call fails.
template <std::size_t N>
std::array<std::optional<platform::AXValue>, N> readAll(const ExcelApp& excel, const platform::Element& element,
                                                        const std::array<std::string_view, N>& names) {
  std::array<std::optional<platform::AXValue>, N> out;
  auto values = excel.ax().copyMultipleAttributes(element, names);
  if (!values || values->size() != N) return out;
  for (std::size_t i = 0; i < N; ++i) out[i] = std::move((*values)[i]);
  return out;
}

inline std::string text(const std::optional<platform::AXValue>& v) { return platform::valueAs<std::string>(v).value_or(""); }

inline std::optional<platform::Rect> frameOf(const std::optional<platform::AXValue>& position,
                                      const std::optional<platform::AXValue>& size) {
  auto p = platform::valueAs<platform::Point>(position);
  auto s = platform::valueAs<platform::Size>(size);
  if (!p || !s) return std::nullopt;
  return platform::Rect{p->x, p->y, s->width, s->height};
}

inline std::optional<double> numberOf(const std::optional<platform::AXValue>& v) {
  if (auto i = platform::valueAs<std::int64_t>(v)) return static_cast<double>(*i);
  return platform::valueAs<double>(v);
}

/// Reads `names` of an element that may be passed over (ExcelApp::readBriefly): nothing from one
/// that gave no answer.
template <std::size_t N>
std::array<std::optional<platform::AXValue>, N> readBriefly(const ExcelApp& excel, const platform::Element& element,
                                                            const std::array<std::string_view, N>& names) {
  std::array<std::optional<platform::AXValue>, N> out;
  auto read = excel.readBriefly(element, names);
  if (!read || read->size() != N) return out;
  std::move(read->begin(), read->end(), out.begin());
  return out;
}

inline bool frontmost(const ExcelApp& excel) {
  return excel.boolean(excel.application(), ax::kFrontmost).value_or(false);
}

inline ActionError stoppedError(const ExcelApp& excel) {
  return excel.stopError().value_or(ActionError::general("Corvane stopped before Excel answered"));
}

}  // namespace corvane::excel::detail

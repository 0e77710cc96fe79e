#pragma once
// The texts and buttons of the "Software Update" window for each stage.

#include <cstdint>
#include <string>

#include "platform/views/update_view.hpp"
#include "updates/update_model.hpp"

namespace corvane::updates {

inline constexpr const char* kProductName = "Corvane";

/// `currentVersion` is the running program's version.
[[nodiscard]] platform::views::UpdateView makeUpdateView(const UpdateModel& model, const std::string& currentVersion);

/// Bytes as "%.1f MB" (1 MB = 1,000,000 bytes, as the system's file sizes count).
[[nodiscard]] std::string megabytes(std::uint64_t bytes);

}  // namespace corvane::updates

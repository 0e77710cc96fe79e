#pragma once

#include <string>

namespace corvane::platform::posix {

/// The folder holding the running executable ("" when it cannot be found).
[[nodiscard]] std::string executableFolder();

}  // namespace corvane::platform::posix

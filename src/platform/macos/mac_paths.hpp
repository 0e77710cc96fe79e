#pragma once

#include "platform/paths.hpp"

namespace corvane::platform::macos {

/// The data locations of the signed-in user: ~/Library/Application Support/Corvane,
/// ~/Library/Logs/Corvane.log, ~/Desktop, the temporary folder and the former product's
/// ~/Library/Application Support/Pellmark. Folders are not created here. Any thread.
[[nodiscard]] Paths macPaths();

}  // namespace corvane::platform::macos

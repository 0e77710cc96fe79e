#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/paths.hpp"

namespace corvane::platform::posix {

/// The data locations of the command line. With a home folder given, everything lives under it in
/// the Mac layout (D/Library/Application Support/Corvane, D/Library/Logs, D/Desktop) and XDG
/// variables are ignored; otherwise Linux uses the XDG folders and a Mac the Mac layout under $HOME. `env` reads environment variables (tests pass
/// their own).
[[nodiscard]] Paths makePaths(const std::optional<std::string>& home,
                              const std::function<std::optional<std::string>(const char*)>& env = {});

/// The defaults file of a suite ("" for the program's own: defaults.json).
[[nodiscard]] std::string defaultsFile(const Paths& paths, const std::string& suite = "");

}  // namespace corvane::platform::posix

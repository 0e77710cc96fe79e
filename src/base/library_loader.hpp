#pragma once
// Builds the shortcut library from the built-in and the user's shortcuts files on disk.

#include <optional>
#include <string>

#include "model/shortcut_library.hpp"
#include "platform/files.hpp"

namespace corvane::base {

/// A source that reads `path` through `files` when the library is built.
[[nodiscard]] model::ShortcutSource fileSource(platform::Files& files, std::string displayName, std::string path);

/// The built-in file layered with the user's file; the user file takes part only when it exists.
[[nodiscard]] model::LibraryPtr loadLibrary(platform::Files& files, const std::string& builtinPath,
                                            const std::optional<std::string>& userPath);

/// The last component of a path.
[[nodiscard]] std::string fileName(const std::string& path);

}  // namespace corvane::base

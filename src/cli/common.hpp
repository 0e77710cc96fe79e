#pragma once
// What every corvane command shares: the file options, data locations and the library.

#include <CLI/CLI.hpp>

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <vector>

#include "model/shortcut_library.hpp"
#include "platform/files.hpp"
#include "platform/paths.hpp"

namespace corvane::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

/// A failure that ends a command with an exit code and a message on stderr.
struct CommandError {
  int exitCode = kExitUsage;
  std::string message;
};

struct CommonOptions {
  std::string builtin;
  std::string user;
  std::string home;
};

void addCommonOptions(CLI::App& command, CommonOptions& options);

/// A keystroke Excel received, as its combination's display text (⇧⌘L).
[[nodiscard]] std::string keystrokeText(std::uint16_t keyCode, std::uint64_t flags);

/// The data locations for these options (with --home, everything under that folder).
[[nodiscard]] platform::Paths pathsFor(const CommonOptions& options);

/// The built-in shortcuts file: --builtin, else shortcuts.json next to the executable or in the
/// installed data folder.
[[nodiscard]] std::expected<std::string, CommandError> builtinPath(const CommonOptions& options,
                                                                   platform::Files& files);

/// The user's shortcuts file: --user (which must exist), else my-shortcuts.json in the support
/// folder when it exists, else none.
[[nodiscard]] std::expected<std::optional<std::string>, CommandError> userPath(const CommonOptions& options,
                                                                               const platform::Paths& paths,
                                                                               platform::Files& files);

/// Who shows the library's warnings: `lint` prints them as its output; every other command prints
/// them on standard error, so that a problem with the files is never silent.
enum class LibraryWarnings { toStandardError, toCaller };

/// Builds the library from the files the options name. A file that cannot be read at all fails the
/// command (exit 1): its answers would be the built-in ones, passed off as the user's.
[[nodiscard]] std::expected<model::LibraryPtr, CommandError> loadLibrary(
    const CommonOptions& options, platform::Files& files, LibraryWarnings warnings = LibraryWarnings::toStandardError);

/// Keys typed after ⌥ as given on the command line: each one key (any case), upper-cased.
[[nodiscard]] std::expected<std::vector<std::string>, CommandError> keyPathArguments(
    const std::vector<std::string>& keys);

/// A folder of runtime resources next to the executable or installed ("sim" for fixtures).
[[nodiscard]] std::optional<std::string> resourcePath(const std::string& relative, platform::Files& files);

}  // namespace corvane::cli

#include "cli/common.hpp"

#include "base/library_loader.hpp"
#include "model/text.hpp"
#include "platform/posix/executable_path.hpp"
#include "platform/posix/posix_paths.hpp"

namespace corvane::cli {

void addCommonOptions(CLI::App& command, CommonOptions& options) {
  command.add_option("--builtin", options.builtin, "Built-in shortcuts file to use instead of the bundled one");
  command.add_option("--user", options.user, "Your shortcuts file (default: my-shortcuts.json in the support folder)");
  command.add_option("--home", options.home, "Home folder: every file lives under it, in the Mac layout");
}

platform::Paths pathsFor(const CommonOptions& options) {
  return platform::posix::makePaths(options.home.empty() ? std::nullopt : std::optional(options.home));
}

std::optional<std::string> resourcePath(const std::string& relative, platform::Files& files) {
  auto folder = platform::posix::executableFolder();
  for (const auto& candidate : {folder + "/" + relative, folder + "/../share/corvane/" + relative,
                                folder + "/Resources/" + relative}) {
    if (files.exists(candidate)) return candidate;
  }
  return std::nullopt;
}

std::expected<std::string, CommandError> builtinPath(const CommonOptions& options, platform::Files& files) {
  if (!options.builtin.empty()) {
    if (!files.exists(options.builtin)) {
      return std::unexpected(CommandError{kExitUsage, "No such built-in shortcuts file: " + options.builtin});
    }
    return options.builtin;
  }
  if (auto found = resourcePath("shortcuts.json", files)) return *found;
  return std::unexpected(CommandError{kExitUsage, "The built-in shortcuts file (shortcuts.json) is missing"});
}

std::expected<std::optional<std::string>, CommandError> userPath(const CommonOptions& options,
                                                                 const platform::Paths& paths,
                                                                 platform::Files& files) {
  if (!options.user.empty()) {
    if (!files.exists(options.user)) {
      return std::unexpected(CommandError{kExitUsage, "No such shortcuts file: " + options.user});
    }
    return std::optional(options.user);
  }
  auto defaultFile = paths.userShortcutsFile();
  if (files.exists(defaultFile)) return std::optional(defaultFile);
  return std::optional<std::string>{};
}

std::expected<std::vector<std::string>, CommandError> keyPathArguments(const std::vector<std::string>& keys) {
  std::vector<std::string> path;
  for (const auto& key : keys) {
    if (model::text::graphemeCount(key) != 1) {
      return std::unexpected(CommandError{kExitUsage, "\"" + key + "\" is not a single key"});
    }
    path.push_back(model::text::upper(key));
  }
  return path;
}

std::expected<model::LibraryPtr, CommandError> loadLibrary(const CommonOptions& options, platform::Files& files) {
  auto builtin = builtinPath(options, files);
  if (!builtin) return std::unexpected(builtin.error());
  auto user = userPath(options, pathsFor(options), files);
  if (!user) return std::unexpected(user.error());
  return base::loadLibrary(files, *builtin, *user);
}

}  // namespace corvane::cli

#include "cli/common.hpp"

#include <iostream>

#include "base/library_loader.hpp"
#include "model/key_combo.hpp"
#include "model/key_names.hpp"
#include "model/text.hpp"
#include "platform/event_tap.hpp"
#include "platform/posix/executable_path.hpp"
#include "platform/posix/posix_paths.hpp"

namespace corvane::cli {

std::string keystrokeText(std::uint16_t keyCode, std::uint64_t flags) {
  model::KeyCombo combo;
  combo.keyCode = keyCode;
  combo.command = (flags & platform::flags::kCommand) != 0;
  combo.shift = (flags & platform::flags::kShift) != 0;
  combo.option = (flags & platform::flags::kOption) != 0;
  combo.control = (flags & platform::flags::kControl) != 0;
  auto name = model::shortestNameForCode(keyCode);
  combo.text = name ? std::string(*name) : "key " + std::to_string(keyCode);
  return model::displayText(combo);
}

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

std::expected<model::LibraryPtr, CommandError> loadLibrary(const CommonOptions& options, platform::Files& files,
                                                           LibraryWarnings warnings) {
  auto builtin = builtinPath(options, files);
  if (!builtin) return std::unexpected(builtin.error());
  auto user = userPath(options, pathsFor(options), files);
  if (!user) return std::unexpected(user.error());
  auto library = base::loadLibrary(files, *builtin, *user);
  if (warnings == LibraryWarnings::toCaller) return library;
  for (const auto& warning : library->warnings()) std::cerr << "corvane: ⚠️ " << warning << "\n";
  if (!library->unreadableFiles().empty()) {
    return std::unexpected(CommandError{kExitFailure, "stopped: " + library->unreadableFiles().front() +
                                                          " can't be read (corvane lint shows every problem)"});
  }
  return library;
}

}  // namespace corvane::cli

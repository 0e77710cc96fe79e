#include <cstdio>
#include <iostream>
#include <string_view>
#include <memory>

#include "authoring/cheat_sheet.hpp"
#include "cli/command_registry.hpp"
#include "cli/common.hpp"
#include "model/grammar.hpp"
#include "platform/posix/posix_files.hpp"

namespace corvane::cli {
namespace {

std::string plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

/// Control characters from a file written out as escapes, so a name can't break the columns.
std::string visible(std::string_view text) {
  std::string out;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out;
}

int fail(const CommandError& error) {
  std::cerr << "corvane: " << error.message << "\n";
  return error.exitCode;
}

}  // namespace

namespace {

// lint, list, keys
void addLibraryCommands(CLI::App& app, int& exitCode) {
  struct LintState {
    CommonOptions common;
    std::string userFile;
  };
  auto lint = std::make_shared<LintState>();
  auto* lintCommand = app.add_subcommand("lint", "Check a shortcuts file: print every warning, then a summary");
  addCommonOptions(*lintCommand, lint->common);
  lintCommand->add_option("USERFILE", lint->userFile, "Your shortcuts file (same as --user)");
  lintCommand->callback([lint, &exitCode] {
    if (!lint->userFile.empty()) lint->common.user = lint->userFile;
    platform::posix::PosixFiles files;
    auto library = loadLibrary(lint->common, files, LibraryWarnings::toCaller);
    if (!library) {
      exitCode = fail(library.error());
      return;
    }
    const auto& lib = **library;
    for (const auto& warning : lib.warnings()) std::cout << warning << "\n";
    std::cout << plural(lib.shortcuts().size(), "shortcut", "shortcuts") << ", "
              << plural(lib.warnings().size(), "warning", "warnings") << "\n";
    exitCode = lib.warnings().empty() ? kExitOk : kExitFailure;
  });

  struct ListState {
    CommonOptions common;
    std::string userFile;
    bool markdown = false;
  };
  auto list = std::make_shared<ListState>();
  auto* listCommand = app.add_subcommand("list", "List every shortcut: keys, a tab, the name");
  addCommonOptions(*listCommand, list->common);
  listCommand->add_option("USERFILE", list->userFile, "Your shortcuts file (same as --user)");
  listCommand->add_flag("--markdown", list->markdown, "A cheat sheet in Markdown: every sequence by section");
  listCommand->callback([list, &exitCode] {
    if (!list->userFile.empty()) list->common.user = list->userFile;
    platform::posix::PosixFiles files;
    auto library = loadLibrary(list->common, files);
    if (!library) {
      exitCode = fail(library.error());
      return;
    }
    if (list->markdown) {
      std::cout << authoring::cheatSheetMarkdown((*library)->shortcuts());
      exitCode = kExitOk;
      return;
    }
    for (const auto& shortcut : (*library)->shortcuts()) {
      auto keyText = model::keyPathText(shortcut.keys);
      std::cout << visible(keyText) << "\t" << visible(shortcut.name)
                << ((*library)->replacesBuiltin(keyText) ? "\t(yours, replacing the built-in one)" : "") << "\n";
    }
    exitCode = kExitOk;
  });

  struct KeysState {
    CommonOptions common;
    std::vector<std::string> keys;
  };
  auto keys = std::make_shared<KeysState>();
  auto* keysCommand = app.add_subcommand("keys", "The options at a key path: key, label, group or shortcut");
  addCommonOptions(*keysCommand, keys->common);
  keysCommand->add_option("KEY", keys->keys, "Keys typed after ⌥ (case-insensitive)");
  keysCommand->callback([keys, &exitCode] {
    auto keyPath = keyPathArguments(keys->keys);
    if (!keyPath) {
      exitCode = fail(keyPath.error());
      return;
    }
    const auto& path = *keyPath;
    platform::posix::PosixFiles files;
    auto library = loadLibrary(keys->common, files);
    if (!library) {
      exitCode = fail(library.error());
      return;
    }
    const auto* node = (*library)->node(path);
    if (node == nullptr) {
      std::cerr << "corvane: no shortcut starts with " << model::keyPathText(path) << "\n";
      exitCode = kExitFailure;
      return;
    }

    for (const auto& option : (*library)->options(path)) {
      std::cout << option.key << "\t" << option.label << "\t" << (option.isGroup ? "group" : "shortcut") << "\n";
    }
    exitCode = kExitOk;
  });
}

}  // namespace

const CommandRegistration kLibraryCommands{10, addLibraryCommands};

}  // namespace corvane::cli

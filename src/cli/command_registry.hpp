#pragma once
// Commands register themselves from their own files, so adding one touches no shared file:
//   static const CommandRegistration kLint{"lint", addLintCommand};
// Registration order follows the `order` number (help lists commands by it).

#include <CLI/CLI.hpp>

#include <functional>

namespace corvane::cli {

using AddCommand = std::function<void(CLI::App& app, int& exitCode)>;

struct CommandRegistration {
  CommandRegistration(int order, AddCommand add);
};

/// Adds every registered command to the app.
void addRegisteredCommands(CLI::App& app, int& exitCode);

}  // namespace corvane::cli

#pragma once
// Each command registers itself on the app; its callback sets the exit code.

#include <CLI/CLI.hpp>

namespace corvane::cli {

void addLibraryCommands(CLI::App& app, int& exitCode);  // lint, list, keys

}  // namespace corvane::cli

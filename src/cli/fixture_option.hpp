#pragma once
// The --fixture option of the commands that run against the simulated Excel: a built-in variant
// (default, narrow, german, no-workbook, not-running) from the resources next to the executable, or
// a fixture file (anything containing "/" or ending in ".json").

#include <CLI/CLI.hpp>

#include <expected>
#include <memory>
#include <string>
#include <vector>

#include "cli/common.hpp"
#include "platform/files.hpp"
#include "platform/sim/excel_fixture.hpp"

namespace corvane::cli {

inline constexpr const char* kDefaultFixture = "default";
/// The variant in which Excel is not running; it needs no file.
inline constexpr const char* kNotRunningFixture = "not-running";

/// The built-in variant names, in the order help lists them.
[[nodiscard]] const std::vector<std::string>& builtinFixtureNames();

/// Adds --fixture NAME|FILE (default "default") to a command.
void addFixtureOption(CLI::App& command, std::string& fixture);

/// The fixture the option names; null for "not-running". A fixture that does not load is a usage
/// error whose message names the file and the fault's path.
[[nodiscard]] std::expected<std::shared_ptr<const platform::sim::ExcelFixture>, CommandError> loadFixtureOption(
    const std::string& option, platform::Files& files);

}  // namespace corvane::cli

#pragma once
// Reads an Excel fixture (docs/fixture-format.md) with exact errors: the first fault names its path
// in the document ("windows[0].children[3].frame: expected 4 numbers"). Pure functions; callable
// from any thread.

#include <expected>
#include <functional>
#include <string>
#include <string_view>

#include "platform/files.hpp"
#include "platform/sim/excel_fixture.hpp"
#include "platform/sim/fixture_error.hpp"

namespace corvane::platform::sim {

/// Reads the fixture file an "extends" names (relative to the file being read): its text, or the
/// reason it cannot be read.
using FixtureFileReader = std::function<std::expected<std::string, std::string>(const std::string& name)>;

/// JSON nesting a fixture may reach: a real Excel's tree is a few dozen levels deep.
inline constexpr int kMaxFixtureDepth = 200;

/// Parses a fixture document. Without a reader, a document that extends another is refused.
[[nodiscard]] std::expected<ExcelFixture, FixtureError> parseFixture(std::string_view json,
                                                                     const FixtureFileReader& readFile = {});

/// Reads and parses a fixture file; "extends" is resolved next to it.
[[nodiscard]] std::expected<ExcelFixture, FixtureError> loadFixtureFile(Files& files, const std::string& path);

}  // namespace corvane::platform::sim

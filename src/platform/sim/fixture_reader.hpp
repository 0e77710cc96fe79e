#pragma once
// The fixture format's schema: which keys each element may have, their defaults, and the references
// between parts (a command's dialog). Reads a whole document, its base already merged in.

#include "platform/sim/excel_fixture.hpp"
#include "platform/sim/fixture_json.hpp"

namespace corvane::platform::sim::fixture_json {

/// The fixture a document describes; throws FixtureFault at its first fault.
[[nodiscard]] ExcelFixture readFixture(const Json& doc);

}  // namespace corvane::platform::sim::fixture_json

#pragma once
// Reading a fixture's JSON with exact paths ("windows[0].frame"): the syntax, with duplicate keys
// refused and nesting bounded, and each kind of value. A fault throws FixtureFault, which only the
// fixture loader's entry points catch and turn into a FixtureError: it never leaves the loader.

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry.hpp"
#include "platform/sim/excel_fixture.hpp"
#include "platform/sim/fixture_error.hpp"

namespace corvane::platform::sim::fixture_json {

using Json = nlohmann::ordered_json;

struct FixtureFault {
  FixtureError error;
};

[[noreturn]] void fail(std::string path, std::string message);

// --- Paths, written as error messages write them ---

/// A key that needs no quoting in a path: letters, digits and "_".
[[nodiscard]] bool isPlainKey(std::string_view key);
[[nodiscard]] std::string member(const std::string& path, std::string_view key);
[[nodiscard]] std::string index(const std::string& path, std::size_t i);

/// Parses JSON text, refusing a key twice in one object (the JSON library would keep the last one)
/// and objects or arrays nested `maxDepth` deep.
[[nodiscard]] Json parseJson(std::string_view text, int maxDepth);

// --- Values; each fails with its path when the value is of the wrong kind ---

void expectObject(const Json& j, const std::string& path);
void expectArray(const Json& j, const std::string& path);
[[nodiscard]] std::string string(const Json& j, const std::string& path);
[[nodiscard]] std::string nonEmptyString(const Json& j, const std::string& path);
[[nodiscard]] bool boolean(const Json& j, const std::string& path);
[[nodiscard]] double number(const Json& j, const std::string& path);
[[nodiscard]] double nonNegative(const Json& j, const std::string& path);
[[nodiscard]] double positive(const Json& j, const std::string& path);
[[nodiscard]] std::int64_t wholeNumber(const Json& j, const std::string& path);
/// Exactly `count` finite numbers.
[[nodiscard]] std::vector<double> numbers(const Json& j, const std::string& path, std::size_t count);
/// [x, y, width, height], width and height not negative.
[[nodiscard]] Rect frame(const Json& j, const std::string& path);
/// [width, height], both greater than 0.
[[nodiscard]] Size size(const Json& j, const std::string& path);
/// A string, a whole number or a finite number.
[[nodiscard]] FixtureValue value(const Json& j, const std::string& path);

}  // namespace corvane::platform::sim::fixture_json

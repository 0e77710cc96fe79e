#pragma once
// Golden files under tests/data. Run with UPDATE_GOLDEN=1 to rewrite them from the actual output,
// then review the diff.

#include <string>

namespace corvane::testing {

/// The absolute path of a file under tests/data.
[[nodiscard]] std::string dataPath(const std::string& relative);
[[nodiscard]] std::string readDataFile(const std::string& relative);
/// Compares `actual` with the golden file (or rewrites it under UPDATE_GOLDEN=1).
void expectGolden(const std::string& relative, const std::string& actual);

}  // namespace corvane::testing

#pragma once
// A capture of the real Excel set against a fixture: which of the library's shortcuts the capture
// breaks (found in the fixture, not in the capture) and why, the names and roles that differ, and
// the times the capture measured beside the fixture's. Both are checked in a simulated Excel, so
// this runs anywhere. One thread: the caller's.

#include <string>
#include <vector>

#include "model/shortcut.hpp"
#include "platform/sim/excel_fixture.hpp"

namespace corvane::tools {

struct CaptureComparison {
  std::vector<std::string> breaks;       ///< check lines (icon, keys, name, note) of each shortcut that breaks
  int foundInFixture = 0;
  std::vector<std::string> differences;  ///< "Home › Shading (AXMenuButton): only in the capture", …
  std::vector<std::string> timings;      ///< "axLatency  capture  fixture"
  std::vector<std::string> about;        ///< where the capture was made, and its warnings
};

[[nodiscard]] CaptureComparison compareCapture(const platform::sim::ExcelFixture& capture,
                                               const platform::sim::ExcelFixture& fixture,
                                               const std::vector<model::Shortcut>& shortcuts);

/// The comparison as the report `corvane compare` prints.
[[nodiscard]] std::string comparisonText(const CaptureComparison& comparison, const std::string& captureName,
                                         const std::string& fixtureName);

}  // namespace corvane::tools

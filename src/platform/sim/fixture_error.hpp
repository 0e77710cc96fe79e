#pragma once
// What is wrong with an Excel fixture, and where in the document.

#include <string>

namespace corvane::platform::sim {

struct FixtureError {
  std::string path;     ///< where in the document; empty for the document as a whole
  std::string message;  ///< what is wrong there
  /// "path: message", or the message alone.
  [[nodiscard]] std::string text() const { return path.empty() ? message : path + ": " + message; }
  friend bool operator==(const FixtureError&, const FixtureError&) = default;
};

}  // namespace corvane::platform::sim

#pragma once
// What the program says when macOS Secure Input hides the keys from it: one log line and one
// notice, chosen by which application holds Secure Input. Pure functions.

#include <optional>
#include <string>

namespace corvane::app {

struct SecureInputWarning {
  std::string logLine;
  std::string message;  ///< shown as an error notice for `kSeconds`
  static constexpr double kSeconds = 8;
  friend bool operator==(const SecureInputWarning&, const SecureInputWarning&) = default;
};

/// `owner` is the name of the application holding Secure Input, when known (an empty name counts
/// as unknown).
[[nodiscard]] SecureInputWarning secureInputWarning(const std::optional<std::string>& owner);

}  // namespace corvane::app

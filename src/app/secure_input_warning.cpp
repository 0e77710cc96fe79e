#include "app/secure_input_warning.hpp"

namespace corvane::app {

SecureInputWarning secureInputWarning(const std::optional<std::string>& owner) {
  bool known = owner && !owner->empty();
  SecureInputWarning warning;
  // The log goes out with problem reports: which application the user had open stays out of it.
  warning.logLine = "Secure Input is on: macOS hides the letters you type from Corvane";
  if (!known) {
    warning.message =
        "macOS Secure Input is on, so Corvane can't see your keys. Close any open password field, or lock and "
        "unlock your Mac (⌃⌘Q).";
  } else if (*owner == "loginwindow") {
    warning.message =
        "macOS left Secure Input on after unlocking, so Corvane can't see your keys. Lock and unlock your Mac (⌃⌘Q).";
  } else {
    warning.message = *owner + " has Secure Input on (a password field), so Corvane can't see your keys. Close it or quit " +
                      *owner + ".";
  }
  return warning;
}

}  // namespace corvane::app

#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace corvane::platform {

/// The current ASCII-capable keyboard layout (on a Cyrillic input source, the Latin layout the
/// system falls back to). Main thread.
class KeyLayout {
 public:
  virtual ~KeyLayout() = default;
  /// What the key types with no modifiers, unchanged (may be empty or a control character); none
  /// when the layout cannot translate the key.
  [[nodiscard]] virtual std::optional<std::string> character(std::uint16_t keyCode) = 0;
  /// Called on the main queue whenever the selected input source changes.
  virtual void setChangeHandler(std::function<void()> onChange) = 0;
};

/// Secure Input: while another process has it on, keys never reach event taps.
class SecureInput {
 public:
  virtual ~SecureInput() = default;
  [[nodiscard]] virtual bool isEnabled() const = 0;
  /// The process holding Secure Input, from the session dictionary, when known.
  [[nodiscard]] virtual std::optional<std::int32_t> ownerPid() const = 0;
  /// The localized name of the running application with that process id.
  [[nodiscard]] virtual std::optional<std::string> applicationName(std::int32_t pid) const = 0;
};

}  // namespace corvane::platform

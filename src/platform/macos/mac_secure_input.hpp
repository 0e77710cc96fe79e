#pragma once

#include "platform/key_layout.hpp"

namespace corvane::platform::macos {

/// Secure Input from the HIToolbox and the session dictionary; names from the running
/// applications. Stateless; main thread (the key tap asks from its callback).
class MacSecureInput final : public SecureInput {
 public:
  [[nodiscard]] bool isEnabled() const override;
  [[nodiscard]] std::optional<std::int32_t> ownerPid() const override;
  /// None when no such application runs or it has no name.
  [[nodiscard]] std::optional<std::string> applicationName(std::int32_t pid) const override;
};

}  // namespace corvane::platform::macos

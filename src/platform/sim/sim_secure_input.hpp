#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/key_layout.hpp"

namespace corvane::platform::sim {

/// Secure Input as the session reports it: on or off, with the owner's process id when known,
/// and the names of running applications. Main thread.
class SimSecureInput final : public SecureInput {
 public:
  [[nodiscard]] bool isEnabled() const override { return enabled_; }
  [[nodiscard]] std::optional<std::int32_t> ownerPid() const override { return enabled_ ? ownerPid_ : std::nullopt; }
  [[nodiscard]] std::optional<std::string> applicationName(std::int32_t pid) const override;

  void turnOn(std::optional<std::int32_t> ownerPid = std::nullopt);
  void turnOff();
  void addApplication(std::int32_t pid, std::string name);

 private:
  bool enabled_ = false;
  std::optional<std::int32_t> ownerPid_;
  std::map<std::int32_t, std::string> applications_;
};

}  // namespace corvane::platform::sim

#include "platform/sim/sim_secure_input.hpp"

namespace corvane::platform::sim {

std::optional<std::string> SimSecureInput::applicationName(std::int32_t pid) const {
  auto it = applications_.find(pid);
  if (it == applications_.end()) return std::nullopt;
  return it->second;
}

void SimSecureInput::turnOn(std::optional<std::int32_t> ownerPid) {
  enabled_ = true;
  ownerPid_ = ownerPid;
}

void SimSecureInput::turnOff() {
  enabled_ = false;
  ownerPid_.reset();
}

void SimSecureInput::addApplication(std::int32_t pid, std::string name) { applications_[pid] = std::move(name); }

}  // namespace corvane::platform::sim

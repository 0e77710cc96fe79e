#include "platform/sim/memory_defaults.hpp"

namespace corvane::platform::sim {

MemoryDefaults::MemoryDefaults() : MemoryDefaults(std::make_shared<Suites>(), "") {
  suites_->values[""];
}

MemoryDefaults::MemoryDefaults(std::shared_ptr<Suites> suites, std::string name)
    : suites_(std::move(suites)), name_(std::move(name)) {}

std::optional<DefaultsValue> MemoryDefaults::raw(const std::string& key) const {
  std::lock_guard lock(suites_->mutex);
  const auto& suite = suites_->values[name_];
  auto it = suite.find(key);
  if (it == suite.end()) return std::nullopt;
  return it->second;
}

void MemoryDefaults::set(const std::string& key, DefaultsValue value) {
  std::lock_guard lock(suites_->mutex);
  suites_->values[name_][key] = std::move(value);
  ++suites_->writes[name_];
}

void MemoryDefaults::remove(const std::string& key) {
  std::lock_guard lock(suites_->mutex);
  suites_->values[name_].erase(key);
  ++suites_->writes[name_];
}

std::unique_ptr<Defaults> MemoryDefaults::openSuite(const std::string& name) {
  std::lock_guard lock(suites_->mutex);
  ++suites_->opens;
  // As on a Mac, a suite exists for another program only once something is stored in it.
  auto it = suites_->values.find(name);
  if (it == suites_->values.end() || it->second.empty()) return nullptr;
  return std::unique_ptr<Defaults>(new MemoryDefaults(suites_, name));
}

std::unique_ptr<MemoryDefaults> MemoryDefaults::createSuite(const std::string& name) {
  std::lock_guard lock(suites_->mutex);
  suites_->values[name];
  return std::unique_ptr<MemoryDefaults>(new MemoryDefaults(suites_, name));
}

std::map<std::string, DefaultsValue> MemoryDefaults::contents() const {
  std::lock_guard lock(suites_->mutex);
  return suites_->values[name_];
}

std::uint64_t MemoryDefaults::writeCount() const {
  std::lock_guard lock(suites_->mutex);
  auto it = suites_->writes.find(name_);
  return it == suites_->writes.end() ? 0 : it->second;
}

std::uint64_t MemoryDefaults::suiteOpenCount() const {
  std::lock_guard lock(suites_->mutex);
  return suites_->opens;
}

}  // namespace corvane::platform::sim

#pragma once
// In-memory defaults: a set of named suites (the standard one is ""), shared by every store opened
// from the same set, as suites are shared within one user account. Thread-safe.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/defaults.hpp"

namespace corvane::platform::sim {

class MemoryDefaults final : public Defaults {
 public:
  /// The standard suite of a new, empty set.
  MemoryDefaults();

  [[nodiscard]] std::optional<DefaultsValue> raw(const std::string& key) const override;
  void set(const std::string& key, DefaultsValue value) override;
  void remove(const std::string& key) override;
  /// Null when no suite of that name holds a value.
  [[nodiscard]] std::unique_ptr<Defaults> openSuite(const std::string& name) override;

  /// Creates a suite of the same set (empty) unless it exists, and returns its store.
  [[nodiscard]] std::unique_ptr<MemoryDefaults> createSuite(const std::string& name);
  /// Every key and value of this suite.
  [[nodiscard]] std::map<std::string, DefaultsValue> contents() const;
  /// Writes (set and remove) to this suite so far.
  [[nodiscard]] std::uint64_t writeCount() const;
  /// Calls of `openSuite` on any store of the set.
  [[nodiscard]] std::uint64_t suiteOpenCount() const;

 private:
  struct Suites {
    mutable std::mutex mutex;
    std::map<std::string, std::map<std::string, DefaultsValue>> values;
    std::map<std::string, std::uint64_t> writes;
    std::uint64_t opens = 0;
  };
  MemoryDefaults(std::shared_ptr<Suites> suites, std::string name);

  std::shared_ptr<Suites> suites_;
  std::string name_;
};

}  // namespace corvane::platform::sim

#pragma once

#include <memory>
#include <string>

#include "platform/defaults.hpp"

namespace corvane::platform::macos {

/// The user defaults (NSUserDefaults), which guard themselves: any thread. Values are translated
/// one to one; a stored object of a kind the core has no value for (data, dates, mixed lists) reads
/// as none and is never rewritten.
class MacDefaults final : public Defaults {
 public:
  /// The program's own defaults.
  MacDefaults();
  /// The defaults of the suite `name` (initWithSuiteName:).
  explicit MacDefaults(const std::string& suiteName);
  ~MacDefaults() override;
  MacDefaults(const MacDefaults&) = delete;
  MacDefaults& operator=(const MacDefaults&) = delete;

  [[nodiscard]] std::optional<DefaultsValue> raw(const std::string& key) const override;
  void set(const std::string& key, DefaultsValue value) override;
  void remove(const std::string& key) override;
  /// Null when the suite has no stored defaults.
  [[nodiscard]] std::unique_ptr<Defaults> openSuite(const std::string& name) override;

  /// The NSUserDefaults object; defined where Foundation is known.
  struct Store;

 private:
  std::unique_ptr<Store> store_;
};

}  // namespace corvane::platform::macos

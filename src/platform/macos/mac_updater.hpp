#pragma once

#include <memory>

#include "platform/updater.hpp"

namespace corvane::platform::macos {

/// Sparkle's SPUUpdater with a user driver that forwards every callback to the core's
/// UpdateUserDriver. A build without Sparkle has an updater that cannot start, and says why.
/// Main queue only; the driver must outlive the updater.
class MacUpdater final : public Updater {
 public:
  explicit MacUpdater(UpdateUserDriver& driver);
  ~MacUpdater() override;
  MacUpdater(const MacUpdater&) = delete;
  MacUpdater& operator=(const MacUpdater&) = delete;

  /// Whether this build carries the update framework.
  [[nodiscard]] static bool available();

  [[nodiscard]] std::expected<void, std::string> start() override;
  void checkForUpdates() override;
  [[nodiscard]] bool automaticallyChecksForUpdates() const override;
  void setAutomaticallyChecksForUpdates(bool on) override;
  [[nodiscard]] bool automaticallyDownloadsUpdates() const override;
  void setAutomaticallyDownloadsUpdates(bool on) override;

 private:
  struct Framework;
  std::unique_ptr<Framework> framework_;
};

}  // namespace corvane::platform::macos

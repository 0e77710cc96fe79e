#pragma once
// Starting the updater and the shell's "Check for Updates…" command. Main thread only; the shell
// owns it, with the model and driver, for the life of the process.

#include <functional>
#include <memory>
#include <string>

#include "platform/updater.hpp"
#include "updates/update_driver.hpp"
#include "updates/update_model.hpp"

namespace corvane::updates {

class UpdateFlow final {
 public:
  /// `notice` shows a short message of the key-list panel for the given seconds.
  UpdateFlow(UpdateModel& model, UpdateDriver& driver,
             std::function<void(const std::string& message, double seconds)> notice,
             std::function<void(const std::string&)> log);

  /// Starts `updater` (built with the driver); on failure logs why and goes on without one. A null
  /// updater (none on this platform) leaves the program without updates.
  void start(std::shared_ptr<platform::Updater> updater);
  /// Reopens a found update, else asks the updater to check, else explains that it can't.
  void checkForUpdates();
  [[nodiscard]] bool hasUpdater() const { return updater_ != nullptr; }

 private:
  UpdateModel& model_;
  UpdateDriver& driver_;
  std::function<void(const std::string&, double)> notice_;
  std::function<void(const std::string&)> log_;
  std::shared_ptr<platform::Updater> updater_;
};

}  // namespace corvane::updates

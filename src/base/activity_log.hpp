#pragma once
// The activity log: one line per event in a plain text file. `log` may be called from any thread:
// the time stamp and the line are made on the caller's thread, the file work happens in call order
// on the serial queue "app.corvane.log". Logging never reports failure. Owned by the application
// shell for the life of the process; the files, clock and scheduler must outlive it.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/clock.hpp"
#include "platform/files.hpp"
#include "platform/scheduler.hpp"

namespace corvane::base {

class ActivityLog final {
 public:
  static constexpr const char* kQueueLabel = "app.corvane.log";
  /// A file larger than this is deleted before the next append (no rotation, no trimming).
  static constexpr std::uint64_t kSizeLimit = 2'000'000;
  static constexpr std::size_t kTailLines = 200;
  static constexpr const char* kEmptyTail = "(The activity log is empty.)";

  ActivityLog(platform::Files& files, platform::Clock& clock, platform::Scheduler& scheduler, std::string logFile,
              std::string homeFolder);
  ActivityLog(const ActivityLog&) = delete;
  ActivityLog& operator=(const ActivityLog&) = delete;

  /// Appends "time stamp, two spaces, message, line feed".
  void log(const std::string& message);
  /// The last 200 lines with the home folder shown as "~". Reads on the calling thread, so a line
  /// being appended at that moment may be missing.
  [[nodiscard]] std::string logTail() const;
  [[nodiscard]] const std::string& logFile() const { return logFile_; }
  /// Runs `then` on the log queue once every line logged before this call is in the file.
  void afterPendingWrites(std::function<void()> then);
  /// Hears every message as it is logged, on the caller's thread (a transcript, a test). Replaces
  /// any earlier observer; an empty function removes it.
  void setObserver(std::function<void(const std::string&)> observer);

 private:
  struct Writer;

  platform::Files& files_;
  platform::Clock& clock_;
  std::string logFile_;
  std::string homeFolder_;
  std::shared_ptr<Writer> writer_;
  std::shared_ptr<platform::Queue> queue_;
  std::mutex observerLock_;
  std::function<void(const std::string&)> observer_;
};

/// `text` with every occurrence of the home folder's path shown as "~", whatever follows it, except
/// where an ASCII letter or digit follows: "/Users/al" does not eat the start of "/Users/alice".
[[nodiscard]] std::string abbreviateHomeFolder(const std::string& text, const std::string& homeFolder);

}  // namespace corvane::base

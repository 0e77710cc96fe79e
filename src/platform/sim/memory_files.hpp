#pragma once
// In-memory files and folders. Modification dates come from the (virtual) clock and strictly
// increase, so two writes never share a date. Folder watches report on the main queue. Writes,
// reads and folder creation under a path prefix can be made to fail. Thread-safe.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "platform/files.hpp"
#include "platform/scheduler.hpp"

namespace corvane::platform::sim {

class MemoryFiles final : public Files {
 public:
  /// The clock and the main queue must outlive this object and its watches.
  MemoryFiles(const Clock& clock, Queue& mainQueue);
  ~MemoryFiles() override;
  MemoryFiles(const MemoryFiles&) = delete;
  MemoryFiles& operator=(const MemoryFiles&) = delete;

  [[nodiscard]] std::expected<std::string, FileError> read(const std::string& path) override;
  [[nodiscard]] std::expected<std::string, FileError> readOwnFile(const std::string& path) override;
  [[nodiscard]] std::expected<void, FileError> writeAtomic(const std::string& path, std::string_view bytes) override;
  [[nodiscard]] std::expected<void, FileError> append(const std::string& path, std::string_view bytes) override;
  [[nodiscard]] bool exists(const std::string& path) override;
  [[nodiscard]] std::optional<std::uint64_t> size(const std::string& path) override;
  [[nodiscard]] std::optional<WallTime> modificationDate(const std::string& path) override;
  [[nodiscard]] std::expected<void, FileError> remove(const std::string& path) override;
  [[nodiscard]] std::expected<void, FileError> createFolders(const std::string& path) override;
  [[nodiscard]] std::expected<void, FileError> copy(const std::string& from, const std::string& to) override;
  [[nodiscard]] std::unique_ptr<FolderWatch> watchFolder(const std::string& folder,
                                                         std::function<void()> onWrite) override;

  /// Writes, removals and folder creation at or under `prefix` fail with the system's wording.
  void failWrites(const std::string& prefix, std::string reason = "Permission denied");
  /// Reads at or under `prefix` fail.
  void failReads(const std::string& prefix, std::string reason = "Permission denied");
  void clearFailures();
  /// Every file path, sorted.
  [[nodiscard]] std::vector<std::string> filePaths() const;
  [[nodiscard]] std::size_t watchCount() const;

 private:
  struct Entry {
    std::string bytes;
    WallTime modified;
  };
  struct Watch {
    std::string folder;
    std::function<void()> onWrite;
  };
  struct Watches {
    std::mutex mutex;
    std::map<std::uint64_t, Watch> byId;
    std::uint64_t nextId = 0;
  };
  class Handle;

  [[nodiscard]] std::optional<FileError> writeFailure(const std::string& path, const char* verb) const;
  /// Why a file cannot be written there: an injected failure, no folder for it, a folder in its place.
  [[nodiscard]] std::optional<FileError> cannotWriteFile(const std::string& path, const char* verb) const;
  void store(const std::string& path, std::string bytes);
  WallTime nextDate();
  /// Tells the watchers of the folder holding `path` (call without `mutex_` held).
  void changed(const std::string& path);

  const Clock& clock_;
  Queue& main_;
  mutable std::mutex mutex_;
  std::map<std::string, Entry> files_;
  std::set<std::string> folders_{"/"};
  std::map<std::string, std::string> writeFailures_;
  std::map<std::string, std::string> readFailures_;
  std::int64_t lastDate_ = INT64_MIN;
  std::shared_ptr<Watches> watches_ = std::make_shared<Watches>();
};

}  // namespace corvane::platform::sim

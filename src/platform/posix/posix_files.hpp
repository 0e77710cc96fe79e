#pragma once

#include "platform/files.hpp"
#include "platform/scheduler.hpp"

namespace corvane::platform::posix {

/// Real files. Folder watches (inotify on Linux, kqueue on a Mac) wait on a thread of their own and
/// deliver on `mainQueue` (which must outlive every watch); without a queue, folders cannot be
/// watched. A watch sees entries created, deleted and renamed (how editors save) and files written
/// in place.
class PosixFiles final : public Files {
 public:
  explicit PosixFiles(Queue* mainQueue = nullptr) : mainQueue_(mainQueue) {}

  std::expected<std::string, FileError> read(const std::string& path) override;
  std::expected<std::string, FileError> readOwnFile(const std::string& path) override;
  std::expected<void, FileError> writeAtomic(const std::string& path, std::string_view bytes) override;
  std::expected<void, FileError> append(const std::string& path, std::string_view bytes) override;
  bool exists(const std::string& path) override;
  std::optional<std::uint64_t> size(const std::string& path) override;
  std::optional<WallTime> modificationDate(const std::string& path) override;
  std::expected<void, FileError> remove(const std::string& path) override;
  std::expected<void, FileError> createFolders(const std::string& path) override;
  std::expected<void, FileError> copy(const std::string& from, const std::string& to) override;
  std::unique_ptr<FolderWatch> watchFolder(const std::string& folder, std::function<void()> onWrite) override;

 private:
  Queue* mainQueue_;
};

}  // namespace corvane::platform::posix

#pragma once

#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/wall_time.hpp"

namespace corvane::platform {

struct FileError {
  std::string description;  ///< the system's wording of what went wrong
  friend bool operator==(const FileError&, const FileError&) = default;
};

/// A folder watch; the watch ends when this is destroyed.
class FolderWatch {
 public:
  virtual ~FolderWatch() = default;
};

/// File operations. Thread-safe: the log queue, the main queue and others call it.
class Files {
 public:
  virtual ~Files() = default;
  [[nodiscard]] virtual std::expected<std::string, FileError> read(const std::string& path) = 0;
  /// Writes a temporary file beside `path` and renames it over `path`: readers see the old file or
  /// the new one, never a part.
  [[nodiscard]] virtual std::expected<void, FileError> writeAtomic(const std::string& path, std::string_view bytes) = 0;
  /// Appends to the end of the file, creating it when it does not exist.
  [[nodiscard]] virtual std::expected<void, FileError> append(const std::string& path, std::string_view bytes) = 0;
  [[nodiscard]] virtual bool exists(const std::string& path) = 0;
  [[nodiscard]] virtual std::optional<std::uint64_t> size(const std::string& path) = 0;
  [[nodiscard]] virtual std::optional<WallTime> modificationDate(const std::string& path) = 0;
  [[nodiscard]] virtual std::expected<void, FileError> remove(const std::string& path) = 0;
  /// Creates the folder with intermediate folders; an existing folder is fine.
  [[nodiscard]] virtual std::expected<void, FileError> createFolders(const std::string& path) = 0;
  [[nodiscard]] virtual std::expected<void, FileError> copy(const std::string& from, const std::string& to) = 0;
  /// Calls `onWrite` on the main queue after any entry of the folder is created, deleted, renamed or
  /// written. Null when the folder cannot be watched.
  [[nodiscard]] virtual std::unique_ptr<FolderWatch> watchFolder(const std::string& folder,
                                                                 std::function<void()> onWrite) = 0;
};

}  // namespace corvane::platform

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

/// The largest file `read` accepts: far above any shortcuts file or fixture a person writes, small
/// enough that a hostile one cannot take the memory.
inline constexpr std::uint64_t kMaxReadBytes = 10'000'000;

/// File operations. Thread-safe: the log queue, the main queue and others call it.
/// Every file created is readable by its owner only (0600): the log and the user's files say what
/// they work on.
class Files {
 public:
  virtual ~Files() = default;
  /// Follows a symbolic link. Refuses, without waiting, anything but a regular file (a FIFO, a
  /// device) and a file larger than kMaxReadBytes.
  [[nodiscard]] virtual std::expected<std::string, FileError> read(const std::string& path) = 0;
  /// `read` for a file only this program writes (the log): a symbolic link there was planted, so it
  /// is refused rather than followed.
  [[nodiscard]] virtual std::expected<std::string, FileError> readOwnFile(const std::string& path) = 0;
  /// Writes a temporary file beside `path` and renames it over `path`: readers see the old file or
  /// the new one, never a part. When `path` is a symbolic link (a synced file), the file it points
  /// to is replaced and the link stays. A folder, FIFO or device at `path` is refused and left alone.
  [[nodiscard]] virtual std::expected<void, FileError> writeAtomic(const std::string& path, std::string_view bytes) = 0;
  /// Appends to the end of the file, creating it when it does not exist. Never follows a symbolic
  /// link and appends only to a regular file.
  [[nodiscard]] virtual std::expected<void, FileError> append(const std::string& path, std::string_view bytes) = 0;
  [[nodiscard]] virtual bool exists(const std::string& path) = 0;
  [[nodiscard]] virtual std::optional<std::uint64_t> size(const std::string& path) = 0;
  [[nodiscard]] virtual std::optional<WallTime> modificationDate(const std::string& path) = 0;
  [[nodiscard]] virtual std::expected<void, FileError> remove(const std::string& path) = 0;
  /// Creates the folder with intermediate folders; an existing folder is fine.
  [[nodiscard]] virtual std::expected<void, FileError> createFolders(const std::string& path) = 0;
  [[nodiscard]] virtual std::expected<void, FileError> copy(const std::string& from, const std::string& to) = 0;
  /// Calls `onWrite` on the main queue after any entry of the folder is created, deleted, renamed or
  /// written — a save by rename and a file written in place (an editor's save, `append`) alike —
  /// within a moment, possibly once for several changes. Never after the watch is destroyed (on the
  /// main queue). Null when the folder cannot be watched (missing, not a folder).
  [[nodiscard]] virtual std::unique_ptr<FolderWatch> watchFolder(const std::string& folder,
                                                                 std::function<void()> onWrite) = 0;
};

}  // namespace corvane::platform

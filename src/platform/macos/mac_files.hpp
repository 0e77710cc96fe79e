#pragma once

#include "platform/files.hpp"

namespace corvane::platform::macos {

/// Files through Foundation and POSIX. Stateless and thread-safe; folder watches deliver on the
/// main queue and end when their FolderWatch is destroyed (on the main queue, so no event is
/// delivered after it).
class MacFiles final : public Files {
 public:
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
  /// An FSEvents stream of the folder's files: an entry created, deleted, renamed or written in
  /// place, and the folder itself deleted or moved; entries of folders inside it are left out.
  [[nodiscard]] std::unique_ptr<FolderWatch> watchFolder(const std::string& folder,
                                                         std::function<void()> onWrite) override;
};

}  // namespace corvane::platform::macos

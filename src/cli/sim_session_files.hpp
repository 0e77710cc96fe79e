#pragma once
// Real files on disk for a simulated session, except that folder watches are fed by the session: a
// save made by the script is announced at a virtual time, never by a thread racing the script. At a
// prompt, the disk is watched as well, so that another program's save reaches the program. Used on
// the session's thread only; watchers hear of writes on the main queue.

#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/scheduler.hpp"

namespace corvane::cli {

class SessionFiles final : public platform::Files {
 public:
  /// `diskEvents`: the queue the disk's own watch events arrive on; none: the disk is not watched.
  SessionFiles(platform::Files& disk, platform::Queue& main, platform::Queue* diskEvents);

  std::expected<std::string, platform::FileError> read(const std::string& path) override { return disk_.read(path); }
  std::expected<std::string, platform::FileError> readOwnFile(const std::string& path) override {
    return disk_.readOwnFile(path);
  }
  std::expected<void, platform::FileError> writeAtomic(const std::string& path, std::string_view bytes) override;
  std::expected<void, platform::FileError> append(const std::string& path, std::string_view bytes) override {
    return disk_.append(path, bytes);
  }
  bool exists(const std::string& path) override { return disk_.exists(path); }
  std::optional<std::uint64_t> size(const std::string& path) override { return disk_.size(path); }
  std::optional<platform::WallTime> modificationDate(const std::string& path) override {
    return disk_.modificationDate(path);
  }
  std::expected<void, platform::FileError> remove(const std::string& path) override;
  std::expected<void, platform::FileError> createFolders(const std::string& path) override {
    return disk_.createFolders(path);
  }
  std::expected<void, platform::FileError> copy(const std::string& from, const std::string& to) override;

  std::unique_ptr<platform::FolderWatch> watchFolder(const std::string& folder, std::function<void()> onWrite) override;

 private:
  struct Watch;

  /// An entry of a watched folder changed: its watchers hear of it on the main queue.
  void announce(const std::string& path);

  platform::Files& disk_;
  platform::Queue& main_;
  /// Without a queue it watches nothing.
  platform::posix::PosixFiles watcher_;
  std::vector<Watch*> watches_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace corvane::cli

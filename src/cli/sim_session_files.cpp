#include "cli/sim_session_files.hpp"

#include <algorithm>
#include <utility>

namespace corvane::cli {

struct SessionFiles::Watch final : platform::FolderWatch {
  Watch(SessionFiles& owner, std::string folder, std::function<void()> onWrite)
      : owner(owner), folder(std::move(folder)), onWrite(std::move(onWrite)) {
    owner.watches_.push_back(this);
  }
  ~Watch() override { std::erase(owner.watches_, this); }
  Watch(const Watch&) = delete;
  Watch& operator=(const Watch&) = delete;

  SessionFiles& owner;
  std::string folder;
  std::function<void()> onWrite;
  std::unique_ptr<platform::FolderWatch> onDisk;
};

SessionFiles::SessionFiles(platform::Files& disk, platform::Queue& main, platform::Queue* diskEvents)
    : disk_(disk), main_(main), watcher_(diskEvents) {}

std::expected<void, platform::FileError> SessionFiles::writeAtomic(const std::string& path, std::string_view bytes) {
  auto result = disk_.writeAtomic(path, bytes);
  announce(path);
  return result;
}

std::expected<void, platform::FileError> SessionFiles::remove(const std::string& path) {
  auto result = disk_.remove(path);
  announce(path);
  return result;
}

std::expected<void, platform::FileError> SessionFiles::copy(const std::string& from, const std::string& to) {
  auto result = disk_.copy(from, to);
  announce(to);
  return result;
}

std::unique_ptr<platform::FolderWatch> SessionFiles::watchFolder(const std::string& folder,
                                                                 std::function<void()> onWrite) {
  auto watch = std::make_unique<Watch>(*this, folder, std::move(onWrite));
  // The disk's events come on the session's own thread; the program hears of them on its main
  // queue at the present virtual time.
  watch->onDisk = watcher_.watchFolder(folder, [this, alive = std::weak_ptr<int>(alive_), w = watch.get()] {
    if (!alive.lock()) return;
    main_.async([this, alive, w] {
      if (!alive.lock()) return;
      if (std::ranges::find(watches_, w) != watches_.end()) w->onWrite();
    });
  });
  return watch;
}

void SessionFiles::announce(const std::string& path) {
  auto slash = path.rfind('/');
  auto folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
  for (auto* watch : watches_) {
    if (watch->folder != folder) continue;
    std::weak_ptr<int> alive = alive_;
    main_.async([this, alive, watch] {
      if (!alive.lock()) return;
      if (std::ranges::find(watches_, watch) != watches_.end()) watch->onWrite();
    });
  }
}

}  // namespace corvane::cli

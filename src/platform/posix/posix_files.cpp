#include "platform/posix/posix_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__APPLE__)
#include <dirent.h>
#include <sys/event.h>
#else
#include <poll.h>
#include <sys/inotify.h>
#endif

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

namespace corvane::platform::posix {
namespace {

FileError errnoError(const std::string& what, const std::string& path) {
  // O_NOFOLLOW answers a link with "Too many levels of symbolic links".
  if (errno == ELOOP) return FileError{what + " " + path + ": it is a symbolic link"};
  return FileError{what + " " + path + ": " + std::strerror(errno)};
}

bool writeAll(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    auto n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

/// Opening without blocking means a FIFO or a device answers at once; the type and size are checked
/// on the open descriptor, so the file cannot be swapped in between.
std::expected<std::string, FileError> readRegular(const std::string& path, bool followLinks) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW));
  if (fd < 0) return std::unexpected(errnoError("Couldn't open", path));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::unexpected(FileError{"Couldn't read " + path + ": it isn't a regular file"});
  }
  if (static_cast<std::uint64_t>(st.st_size) > kMaxReadBytes) {
    ::close(fd);
    return std::unexpected(FileError{"Couldn't read " + path + ": it is larger than " +
                                     std::to_string(kMaxReadBytes / 1'000'000) + " MB"});
  }
  std::string out;
  out.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  while (true) {
    auto n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      auto err = errnoError("Couldn't read", path);
      ::close(fd);
      return std::unexpected(err);
    }
    if (n == 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
    // A file that grows while it is read is held to the same limit.
    if (out.size() > kMaxReadBytes) {
      ::close(fd);
      return std::unexpected(FileError{"Couldn't read " + path + ": it is larger than " +
                                       std::to_string(kMaxReadBytes / 1'000'000) + " MB"});
    }
  }
  ::close(fd);
  return out;
}

std::string parentOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

#if defined(__APPLE__)

/// A kqueue vnode filter on the folder (entries created, deleted or renamed, the folder itself
/// deleted or moved) and on each regular file in it: a file written in place changes only its own
/// vnode, never the folder's. The files are listed again after every change. A user event wakes
/// the waiting thread when the watch ends.
class ChangeSource final {
 public:
  static std::unique_ptr<ChangeSource> open(const std::string& folder) {
    int folderFd = ::open(folder.c_str(), O_EVTONLY | O_CLOEXEC);
    if (folderFd < 0) return nullptr;
    int kq = ::kqueue();
    if (kq < 0) {
      ::close(folderFd);
      return nullptr;
    }
    struct kevent changes[2];
    EV_SET(&changes[0], folderFd, EVFILT_VNODE, EV_ADD | EV_CLEAR, kVnodeChanges, 0, nullptr);
    EV_SET(&changes[1], kStop, EVFILT_USER, EV_ADD | EV_CLEAR, 0, 0, nullptr);
    if (::kevent(kq, changes, 2, nullptr, 0, nullptr) != 0) {
      ::close(kq);
      ::close(folderFd);
      return nullptr;
    }
    auto source = std::unique_ptr<ChangeSource>(new ChangeSource(folder, kq, folderFd));
    source->watchFiles();
    return source;
  }
  ~ChangeSource() {
    for (const auto& [name, file] : files_) ::close(file.fd);
    ::close(kq_);
    ::close(folderFd_);
  }
  ChangeSource(const ChangeSource&) = delete;
  ChangeSource& operator=(const ChangeSource&) = delete;

  /// Blocks until the folder or one of its files changes (true) or `stop()` was called (false).
  bool waitForChange() {
    while (true) {
      struct kevent events[8];
      int n = ::kevent(kq_, nullptr, 0, events, 8, nullptr);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      bool changed = false;
      for (int i = 0; i < n; ++i) {
        if (events[i].filter == EVFILT_USER) return false;
        if (events[i].filter == EVFILT_VNODE) changed = true;
      }
      if (changed) {
        watchFiles();
        return true;
      }
    }
  }
  /// Any thread.
  void stop() {
    struct kevent trigger;
    EV_SET(&trigger, kStop, EVFILT_USER, 0, NOTE_TRIGGER, 0, nullptr);
    (void)::kevent(kq_, &trigger, 1, nullptr, 0, nullptr);
  }

 private:
  static constexpr uintptr_t kStop = 1;
  static constexpr unsigned kVnodeChanges = NOTE_WRITE | NOTE_DELETE | NOTE_RENAME | NOTE_EXTEND | NOTE_ATTRIB | NOTE_REVOKE;
  /// A support folder holds a handful of files; a folder with many more is not worth a descriptor each.
  static constexpr std::size_t kMaxFiles = 64;
  struct WatchedFile {
    int fd;
    ino_t inode;
  };

  ChangeSource(std::string folder, int kq, int folderFd) : folder_(std::move(folder)), kq_(kq), folderFd_(folderFd) {}

  /// Watches every regular file of the folder; a name now holding another file (saved by rename)
  /// is watched anew, and files gone are let go (closing a descriptor removes its filter).
  void watchFiles() {
    DIR* dir = ::opendir(folder_.c_str());
    if (dir == nullptr) return;
    std::map<std::string, WatchedFile> kept;
    while (dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      struct stat st {};
      if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
      if (auto it = files_.find(name); it != files_.end() && it->second.inode == st.st_ino) {
        kept.insert(files_.extract(it));
        continue;
      }
      if (kept.size() >= kMaxFiles) continue;
      int fd = ::openat(::dirfd(dir), name.c_str(), O_EVTONLY | O_NOFOLLOW | O_CLOEXEC);
      if (fd < 0) continue;
      struct kevent change;
      EV_SET(&change, fd, EVFILT_VNODE, EV_ADD | EV_CLEAR, kVnodeChanges, 0, nullptr);
      if (::kevent(kq_, &change, 1, nullptr, 0, nullptr) != 0) {
        ::close(fd);
        continue;
      }
      kept.emplace(name, WatchedFile{fd, st.st_ino});
    }
    ::closedir(dir);
    for (const auto& [name, file] : files_) ::close(file.fd);
    files_ = std::move(kept);
  }

  std::string folder_;
  int kq_;
  int folderFd_;
  std::map<std::string, WatchedFile> files_;
};

#else

/// inotify on the folder: entries created, deleted, moved, written and closed, or changed in their
/// attributes. A pipe wakes the waiting thread when the watch ends.
class ChangeSource final {
 public:
  static std::unique_ptr<ChangeSource> open(const std::string& folder) {
    int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return nullptr;
    constexpr std::uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB;
    int pipeFds[2];
    if (::inotify_add_watch(fd, folder.c_str(), kMask) < 0 || ::pipe2(pipeFds, O_CLOEXEC) != 0) {
      ::close(fd);
      return nullptr;
    }
    return std::unique_ptr<ChangeSource>(new ChangeSource(fd, pipeFds[0], pipeFds[1]));
  }
  ~ChangeSource() {
    ::close(fd_);
    ::close(stopRead_);
    ::close(stopWrite_);
  }
  ChangeSource(const ChangeSource&) = delete;
  ChangeSource& operator=(const ChangeSource&) = delete;

  /// Blocks until the folder changes (true) or `stop()` was called (false).
  bool waitForChange() {
    char buffer[4096];
    while (true) {
      pollfd fds[2] = {{fd_, POLLIN, 0}, {stopRead_, POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      if (fds[1].revents != 0) return false;
      if (::read(fd_, buffer, sizeof buffer) > 0) return true;
    }
  }
  /// Any thread.
  void stop() {
    char c = 0;
    (void)!::write(stopWrite_, &c, 1);
  }

 private:
  ChangeSource(int fd, int stopRead, int stopWrite) : fd_(fd), stopRead_(stopRead), stopWrite_(stopWrite) {}
  int fd_;
  int stopRead_;
  int stopWrite_;
};

#endif

/// One thread waits on the source and hands each change to the queue; destroying the watch stops
/// the thread, and a change already queued is then dropped.
class ThreadedWatch final : public FolderWatch {
 public:
  ThreadedWatch(std::unique_ptr<ChangeSource> source, Queue& queue, std::function<void()> onWrite)
      : source_(std::move(source)) {
    thread_ = std::thread([source = source_.get(), &queue, onWrite = std::move(onWrite), alive = alive_] {
      while (source->waitForChange()) {
        queue.async([onWrite, alive] {
          if (alive->load()) onWrite();
        });
      }
    });
  }
  ~ThreadedWatch() override {
    alive_->store(false);
    source_->stop();
    thread_.join();
  }
  ThreadedWatch(const ThreadedWatch&) = delete;
  ThreadedWatch& operator=(const ThreadedWatch&) = delete;

 private:
  std::unique_ptr<ChangeSource> source_;
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
  std::thread thread_;
};

}  // namespace

std::expected<std::string, FileError> PosixFiles::read(const std::string& path) { return readRegular(path, true); }

std::expected<std::string, FileError> PosixFiles::readOwnFile(const std::string& path) {
  return readRegular(path, false);
}

std::expected<void, FileError> PosixFiles::writeAtomic(const std::string& requested, std::string_view bytes) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  // A synced file is often a link: replace what it points to and keep the link.
  std::string path = requested;
  struct stat st {};
  bool existed = ::stat(path.c_str(), &st) == 0;
  if (existed && !S_ISREG(st.st_mode)) return std::unexpected(FileError{"Couldn't write " + requested + ": it isn't a regular file"});
  if (struct stat link {}; ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    if (!existed) return std::unexpected(FileError{"Couldn't write " + requested + ": it is a link to a missing file"});
    std::error_code ec;
    auto target = std::filesystem::canonical(path, ec);
    if (ec) return std::unexpected(FileError{"Couldn't write " + requested + ": " + ec.message()});
    path = target.string();
  }
  std::string temp = parentOf(path) + "/." + std::filesystem::path(path).filename().string() + ".tmp-" +
                     std::to_string(::getpid()) + "-" + std::to_string(random() % 1000000000);
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return std::unexpected(errnoError("Couldn't write", requested));
  // Keep the old file's permissions where there is one.
  if (existed) ::fchmod(fd, st.st_mode & 07777);
  if (!writeAll(fd, bytes) || ::fsync(fd) != 0) {
    auto err = errnoError("Couldn't write", requested);
    ::close(fd);
    ::unlink(temp.c_str());
    return std::unexpected(err);
  }
  ::close(fd);
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    auto err = errnoError("Couldn't replace", requested);
    ::unlink(temp.c_str());
    return std::unexpected(err);
  }
  // Make the rename itself durable.
  int dir = ::open(parentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return {};
}

std::expected<void, FileError> PosixFiles::append(const std::string& path, std::string_view bytes) {
  // Non-blocking, so that a FIFO planted there cannot hold the log queue.
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd < 0) return std::unexpected(errnoError("Couldn't open", path));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::unexpected(FileError{"Couldn't open " + path + ": it isn't a regular file"});
  }
  bool ok = writeAll(fd, bytes);
  auto err = ok ? FileError{} : errnoError("Couldn't write", path);
  ::close(fd);
  if (!ok) return std::unexpected(err);
  return {};
}

bool PosixFiles::exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::optional<std::uint64_t> PosixFiles::size(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

std::optional<WallTime> PosixFiles::modificationDate(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
#if defined(__APPLE__)
  const timespec& modified = st.st_mtimespec;
#else
  const timespec& modified = st.st_mtim;
#endif
  return WallTime{static_cast<std::int64_t>(modified.tv_sec) * 1'000'000'000 + modified.tv_nsec, 0};
}

std::expected<void, FileError> PosixFiles::remove(const std::string& path) {
  // An emptied folder goes too (a report attachment's own folder).
  if (std::remove(path.c_str()) != 0) return std::unexpected(errnoError("Couldn't delete", path));
  return {};
}

std::expected<void, FileError> PosixFiles::createFolders(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (ec) return std::unexpected(FileError{"Couldn't create folder " + path + ": " + ec.message()});
  return {};
}

std::expected<void, FileError> PosixFiles::copy(const std::string& from, const std::string& to) {
  auto bytes = read(from);
  if (!bytes) return std::unexpected(bytes.error());
  return writeAtomic(to, *bytes);
}

std::unique_ptr<FolderWatch> PosixFiles::watchFolder(const std::string& folder, std::function<void()> onWrite) {
  if (mainQueue_ == nullptr) return nullptr;
  auto source = ChangeSource::open(folder);
  if (!source) return nullptr;
  return std::make_unique<ThreadedWatch>(std::move(source), *mainQueue_, std::move(onWrite));
}

}  // namespace corvane::platform::posix

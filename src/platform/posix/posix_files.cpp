#include "platform/posix/posix_files.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

namespace corvane::platform::posix {
namespace {

FileError errnoError(const std::string& what, const std::string& path) {
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

std::string parentOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

class InotifyWatch final : public FolderWatch {
 public:
  InotifyWatch(int fd, int stopPipeRead, int stopPipeWrite, Queue& queue, std::function<void()> onWrite)
      : fd_(fd), stopRead_(stopPipeRead), stopWrite_(stopPipeWrite) {
    auto alive = alive_;
    thread_ = std::thread([this, &queue, onWrite = std::move(onWrite), alive] {
      char buffer[4096];
      while (true) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {stopRead_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
          if (errno == EINTR) continue;
          return;
        }
        if (fds[1].revents != 0) return;
        auto n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) continue;
        queue.async([onWrite, alive] {
          if (alive->load()) onWrite();
        });
      }
    });
  }
  ~InotifyWatch() override {
    alive_->store(false);
    char c = 0;
    (void)!::write(stopWrite_, &c, 1);
    thread_.join();
    ::close(fd_);
    ::close(stopRead_);
    ::close(stopWrite_);
  }
  InotifyWatch(const InotifyWatch&) = delete;
  InotifyWatch& operator=(const InotifyWatch&) = delete;

 private:
  int fd_;
  int stopRead_;
  int stopWrite_;
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
  std::thread thread_;
};

}  // namespace

std::expected<std::string, FileError> PosixFiles::read(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::unexpected(errnoError("Couldn't open", path));
  std::string out;
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
  }
  ::close(fd);
  return out;
}

std::expected<void, FileError> PosixFiles::writeAtomic(const std::string& path, std::string_view bytes) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  std::string temp = parentOf(path) + "/." + std::filesystem::path(path).filename().string() + ".tmp-" +
                     std::to_string(::getpid()) + "-" + std::to_string(random() % 1000000000);
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return std::unexpected(errnoError("Couldn't write", path));
  // Keep the old file's permissions where there is one.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
  if (!writeAll(fd, bytes) || ::fsync(fd) != 0) {
    auto err = errnoError("Couldn't write", path);
    ::close(fd);
    ::unlink(temp.c_str());
    return std::unexpected(err);
  }
  ::close(fd);
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    auto err = errnoError("Couldn't replace", path);
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
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return std::unexpected(errnoError("Couldn't open", path));
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
  return WallTime{static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec, 0};
}

std::expected<void, FileError> PosixFiles::remove(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return std::unexpected(errnoError("Couldn't delete", path));
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
  int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return nullptr;
  constexpr std::uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB;
  if (::inotify_add_watch(fd, folder.c_str(), kMask) < 0) {
    ::close(fd);
    return nullptr;
  }
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<InotifyWatch>(fd, pipeFds[0], pipeFds[1], *mainQueue_, std::move(onWrite));
}

}  // namespace corvane::platform::posix

#include "platform/macos/mac_files.hpp"

#include <dispatch/dispatch.h>
#include <fcntl.h>
#import <Foundation/Foundation.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/macos/cf_strings.hpp"
#include "platform/macos/mac_clock.hpp"

namespace corvane::platform::macos {
namespace {

FileError posixError(const char* what, const std::string& path) {
  return FileError{std::string(what) + " " + path + ": " + std::strerror(errno)};
}

FileError foundationError(const char* what, const std::string& path, NSError* error) {
  std::string reason = error != nil ? toStdString(error.localizedDescription) : std::string("unknown error");
  return FileError{std::string(what) + " " + path + ": " + reason};
}

/// Opening without blocking means a FIFO or a device answers at once; the type and size are checked
/// on the open descriptor, so the file cannot be swapped in between.
std::expected<std::string, FileError> readRegular(const std::string& path, bool followLinks) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW));
  if (fd < 0) return std::unexpected(posixError("Couldn't open", path));
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return std::unexpected(FileError{"Couldn't read " + path + ": it isn't a regular file"});
  }
  std::string out;
  char buffer[65536];
  while (true) {
    auto n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      auto error = posixError("Couldn't read", path);
      ::close(fd);
      return std::unexpected(error);
    }
    if (n == 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
    if (out.size() > kMaxReadBytes) {
      ::close(fd);
      return std::unexpected(FileError{"Couldn't read " + path + ": it is larger than " +
                                       std::to_string(kMaxReadBytes / 1'000'000) + " MB"});
    }
  }
  ::close(fd);
  return out;
}

NSData* dataOf(std::string_view bytes) {
  return [NSData dataWithBytes:bytes.data() length:bytes.size()];
}

class VnodeWatch final : public FolderWatch {
 public:
  explicit VnodeWatch(dispatch_source_t source) : source_(source) {}
  ~VnodeWatch() override { dispatch_source_cancel(source_); }
  VnodeWatch(const VnodeWatch&) = delete;
  VnodeWatch& operator=(const VnodeWatch&) = delete;

 private:
  dispatch_source_t source_;
};

}  // namespace

std::expected<std::string, FileError> MacFiles::read(const std::string& path) { return readRegular(path, true); }

std::expected<std::string, FileError> MacFiles::readOwnFile(const std::string& path) {
  return readRegular(path, false);
}

std::expected<void, FileError> MacFiles::writeAtomic(const std::string& requested, std::string_view bytes) {
  @autoreleasepool {
    struct stat info {};
    bool existed = ::stat(requested.c_str(), &info) == 0;
    if (existed && !S_ISREG(info.st_mode)) {
      return std::unexpected(FileError{"Couldn't write " + requested + ": it isn't a regular file"});
    }
    // A synced file is often a link: replace what it points to and keep the link.
    NSString* path = [makeNSString(requested) stringByResolvingSymlinksInPath];
    NSError* error = nil;
    // Atomic writing goes through a temporary file renamed over the old one.
    if (![dataOf(bytes) writeToFile:path options:NSDataWritingAtomic error:&error]) {
      return std::unexpected(foundationError("Couldn't write", requested, error));
    }
    if (!existed) ::chmod(path.fileSystemRepresentation, 0600);
    return {};
  }
}

std::expected<void, FileError> MacFiles::append(const std::string& path, std::string_view bytes) {
  // Non-blocking, so that a FIFO planted there cannot hold the log queue.
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd < 0) return std::unexpected(posixError("Couldn't open", path));
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return std::unexpected(FileError{"Couldn't open " + path + ": it isn't a regular file"});
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    auto n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      auto error = posixError("Couldn't write", path);
      ::close(fd);
      return std::unexpected(error);
    }
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return {};
}

bool MacFiles::exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

std::optional<std::uint64_t> MacFiles::size(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

std::optional<WallTime> MacFiles::modificationDate(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return localWallTime(static_cast<std::int64_t>(info.st_mtimespec.tv_sec) * 1'000'000'000 +
                       info.st_mtimespec.tv_nsec);
}

std::expected<void, FileError> MacFiles::remove(const std::string& path) {
  if (::unlink(path.c_str()) != 0) return std::unexpected(posixError("Couldn't delete", path));
  return {};
}

std::expected<void, FileError> MacFiles::createFolders(const std::string& path) {
  @autoreleasepool {
    NSError* error = nil;
    if (![[NSFileManager defaultManager] createDirectoryAtPath:makeNSString(path)
                                   withIntermediateDirectories:YES
                                                    attributes:nil
                                                         error:&error]) {
      return std::unexpected(foundationError("Couldn't create folder", path, error));
    }
    return {};
  }
}

std::expected<void, FileError> MacFiles::copy(const std::string& from, const std::string& to) {
  auto bytes = read(from);
  if (!bytes) return std::unexpected(bytes.error());
  return writeAtomic(to, *bytes);
}

std::unique_ptr<FolderWatch> MacFiles::watchFolder(const std::string& folder, std::function<void()> onWrite) {
  // Opened for event notification only, so the watch never keeps a volume from unmounting.
  int fd = ::open(folder.c_str(), O_EVTONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  dispatch_source_t source =
      dispatch_source_create(DISPATCH_SOURCE_TYPE_VNODE, static_cast<uintptr_t>(fd),
                             DISPATCH_VNODE_WRITE | DISPATCH_VNODE_DELETE | DISPATCH_VNODE_RENAME,
                             dispatch_get_main_queue());
  if (source == nil) {
    ::close(fd);
    return nullptr;
  }
  auto handler = std::make_shared<std::function<void()>>(std::move(onWrite));
  dispatch_source_set_event_handler(source, ^{
    (*handler)();
  });
  dispatch_source_set_cancel_handler(source, ^{
    ::close(fd);
  });
  dispatch_activate(source);
  return std::make_unique<VnodeWatch>(source);
}

}  // namespace corvane::platform::macos

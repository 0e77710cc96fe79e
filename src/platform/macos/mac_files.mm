#include "platform/macos/mac_files.hpp"

#include <CoreServices/CoreServices.h>
#include <dispatch/dispatch.h>
#include <fcntl.h>
#import <Foundation/Foundation.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

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

/// What a folder's event stream calls: the folder's real path (FSEvents reports real paths) and
/// the core's callback. Counted, because the stream keeps it as long as the stream lives, which may
/// be a moment longer than the watch.
struct StreamTarget {
  std::string folder;
  std::function<void()> onWrite;
  std::atomic<bool> alive{true};
  std::atomic<int> references{1};
};

const void* retainTarget(const void* info) {
  static_cast<StreamTarget*>(const_cast<void*>(info))->references.fetch_add(1);
  return info;
}

void releaseTarget(const void* info) {
  auto* target = static_cast<StreamTarget*>(const_cast<void*>(info));
  if (target->references.fetch_sub(1) == 1) delete target;
}

/// Whether an event is about an entry of the folder (not of a folder inside it), the folder itself,
/// or stands for events the system could not deliver one by one.
bool concernsFolder(const std::string& folder, std::string_view path, FSEventStreamEventFlags flags) {
  constexpr FSEventStreamEventFlags kMissed = kFSEventStreamEventFlagMustScanSubDirs |
                                              kFSEventStreamEventFlagUserDropped |
                                              kFSEventStreamEventFlagKernelDropped | kFSEventStreamEventFlagRootChanged;
  if ((flags & kMissed) != 0) return true;
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  if (path == folder) return true;
  auto slash = path.rfind('/');
  return slash != std::string_view::npos && path.substr(0, slash == 0 ? 1 : slash) == folder;
}

void streamCallback(ConstFSEventStreamRef, void* info, size_t count, void* paths,
                    const FSEventStreamEventFlags* flags, const FSEventStreamEventId*) {
  auto* target = static_cast<StreamTarget*>(info);
  if (!target->alive.load()) return;
  auto* names = static_cast<char**>(paths);
  for (size_t i = 0; i < count; ++i) {
    if (concernsFolder(target->folder, names[i], flags[i])) {
      auto call = target->onWrite;  // the callback may end the watch
      call();
      return;
    }
  }
}

/// How long the system gathers events before it reports them.
constexpr CFTimeInterval kLatencySeconds = 0.05;

/// File-level events of the folder on the main queue. A folder's own vnode changes only when an
/// entry is created, removed or renamed; an editor that saves in place changes just the file, so the
/// stream reports every file of the folder.
class EventStreamWatch final : public FolderWatch {
 public:
  EventStreamWatch(FSEventStreamRef stream, StreamTarget* target) : stream_(stream), target_(target) {}
  ~EventStreamWatch() override {
    target_->alive.store(false);
    FSEventStreamStop(stream_);
    FSEventStreamInvalidate(stream_);
    FSEventStreamRelease(stream_);
    releaseTarget(target_);
  }
  EventStreamWatch(const EventStreamWatch&) = delete;
  EventStreamWatch& operator=(const EventStreamWatch&) = delete;

 private:
  FSEventStreamRef stream_;
  StreamTarget* target_;
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
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return nullptr;
  char real[PATH_MAX];
  if (::realpath(folder.c_str(), real) == nullptr) return nullptr;
  @autoreleasepool {
    auto* target = new StreamTarget{real, std::move(onWrite)};
    FSEventStreamContext context{0, target, retainTarget, releaseTarget, nullptr};
    NSArray* paths = @[ makeNSString(real) ];
    constexpr FSEventStreamCreateFlags kFlags =
        kFSEventStreamCreateFlagFileEvents | kFSEventStreamCreateFlagNoDefer | kFSEventStreamCreateFlagWatchRoot;
    FSEventStreamRef stream = FSEventStreamCreate(kCFAllocatorDefault, streamCallback, &context,
                                                  (__bridge CFArrayRef)paths, kFSEventStreamEventIdSinceNow,
                                                  kLatencySeconds, kFlags);
    if (stream == nullptr) {
      releaseTarget(target);
      return nullptr;
    }
    FSEventStreamSetDispatchQueue(stream, dispatch_get_main_queue());
    if (!FSEventStreamStart(stream)) {
      FSEventStreamInvalidate(stream);
      FSEventStreamRelease(stream);
      releaseTarget(target);
      return nullptr;
    }
    return std::make_unique<EventStreamWatch>(stream, target);
  }
}

}  // namespace corvane::platform::macos

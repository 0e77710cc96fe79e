#include "platform/sim/memory_files.hpp"

namespace corvane::platform::sim {
namespace {

std::string normalized(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out += c;
  }
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string parentOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool under(const std::string& path, const std::string& prefix) {
  if (path.compare(0, prefix.size(), prefix) != 0) return false;
  return path.size() == prefix.size() || prefix.ends_with('/') || path[prefix.size()] == '/';
}

const std::string* failureFor(const std::map<std::string, std::string>& failures, const std::string& path) {
  for (const auto& [prefix, reason] : failures) {
    if (under(path, prefix)) return &reason;
  }
  return nullptr;
}

}  // namespace

class MemoryFiles::Handle final : public FolderWatch {
 public:
  Handle(std::shared_ptr<Watches> watches, std::uint64_t id) : watches_(std::move(watches)), id_(id) {}
  ~Handle() override {
    std::lock_guard lock(watches_->mutex);
    watches_->byId.erase(id_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

 private:
  std::shared_ptr<Watches> watches_;
  std::uint64_t id_;
};

MemoryFiles::MemoryFiles(const Clock& clock, Queue& mainQueue) : clock_(clock), main_(mainQueue) {}

MemoryFiles::~MemoryFiles() {
  // Reports still queued for the main queue find no watch.
  std::lock_guard lock(watches_->mutex);
  watches_->byId.clear();
}

std::optional<FileError> MemoryFiles::writeFailure(const std::string& path, const char* verb) const {
  if (const auto* reason = failureFor(writeFailures_, path)) {
    return FileError{std::string(verb) + " " + path + ": " + *reason};
  }
  return std::nullopt;
}

std::optional<FileError> MemoryFiles::cannotWriteFile(const std::string& path, const char* verb) const {
  if (auto failure = writeFailure(path, verb)) return failure;
  if (!folders_.contains(parentOf(path))) return FileError{std::string(verb) + " " + path + ": No such file or directory"};
  if (folders_.contains(path)) return FileError{std::string(verb) + " " + path + ": Is a directory"};
  return std::nullopt;
}

WallTime MemoryFiles::nextDate() {
  auto now = clock_.now();
  if (now.unixNanos <= lastDate_) now.unixNanos = lastDate_ + 1;
  lastDate_ = now.unixNanos;
  return now;
}

void MemoryFiles::store(const std::string& path, std::string bytes) {
  files_[path] = Entry{std::move(bytes), nextDate()};
}

void MemoryFiles::changed(const std::string& path) {
  auto folder = parentOf(path);
  std::weak_ptr<Watches> weak = watches_;
  std::vector<std::uint64_t> ids;
  {
    std::lock_guard lock(watches_->mutex);
    for (const auto& [id, watch] : watches_->byId) {
      if (watch.folder == folder) ids.push_back(id);
    }
  }
  for (auto id : ids) {
    main_.async([weak, id] {
      auto watches = weak.lock();
      if (!watches) return;
      std::function<void()> onWrite;
      {
        std::lock_guard lock(watches->mutex);
        auto it = watches->byId.find(id);
        if (it == watches->byId.end()) return;
        onWrite = it->second.onWrite;
      }
      onWrite();
    });
  }
}

std::expected<std::string, FileError> MemoryFiles::read(const std::string& rawPath) {
  auto path = normalized(rawPath);
  std::lock_guard lock(mutex_);
  if (const auto* reason = failureFor(readFailures_, path)) {
    return std::unexpected(FileError{"Couldn't open " + path + ": " + *reason});
  }
  auto it = files_.find(path);
  if (it == files_.end()) {
    auto why = folders_.contains(path) ? "Is a directory" : "No such file or directory";
    return std::unexpected(FileError{"Couldn't open " + path + ": " + why});
  }
  if (it->second.bytes.size() > kMaxReadBytes) {
    return std::unexpected(FileError{"Couldn't read " + path + ": it is larger than " +
                                     std::to_string(kMaxReadBytes / 1'000'000) + " MB"});
  }
  return it->second.bytes;
}

// Memory holds no links, so the log's own read is the plain one.
std::expected<std::string, FileError> MemoryFiles::readOwnFile(const std::string& path) { return read(path); }

std::expected<void, FileError> MemoryFiles::writeAtomic(const std::string& rawPath, std::string_view bytes) {
  auto path = normalized(rawPath);
  {
    std::lock_guard lock(mutex_);
    if (auto failure = cannotWriteFile(path, "Couldn't write")) return std::unexpected(*failure);
    store(path, std::string(bytes));
  }
  changed(path);
  return {};
}

std::expected<void, FileError> MemoryFiles::append(const std::string& rawPath, std::string_view bytes) {
  auto path = normalized(rawPath);
  {
    std::lock_guard lock(mutex_);
    if (auto failure = cannotWriteFile(path, "Couldn't open")) return std::unexpected(*failure);
    auto it = files_.find(path);
    std::string content = it == files_.end() ? std::string() : std::move(it->second.bytes);
    content.append(bytes);
    store(path, std::move(content));
  }
  changed(path);
  return {};
}

bool MemoryFiles::exists(const std::string& rawPath) {
  auto path = normalized(rawPath);
  std::lock_guard lock(mutex_);
  return files_.contains(path) || folders_.contains(path);
}

std::optional<std::uint64_t> MemoryFiles::size(const std::string& rawPath) {
  std::lock_guard lock(mutex_);
  auto it = files_.find(normalized(rawPath));
  if (it == files_.end()) return std::nullopt;
  return it->second.bytes.size();
}

std::optional<WallTime> MemoryFiles::modificationDate(const std::string& rawPath) {
  std::lock_guard lock(mutex_);
  auto it = files_.find(normalized(rawPath));
  if (it == files_.end()) return std::nullopt;
  return it->second.modified;
}

std::expected<void, FileError> MemoryFiles::remove(const std::string& rawPath) {
  auto path = normalized(rawPath);
  {
    std::lock_guard lock(mutex_);
    if (auto failure = writeFailure(path, "Couldn't delete")) return std::unexpected(*failure);
    if (files_.erase(path) == 0) {
      auto why = folders_.contains(path) ? "Is a directory" : "No such file or directory";
      return std::unexpected(FileError{"Couldn't delete " + path + ": " + why});
    }
  }
  changed(path);
  return {};
}

std::expected<void, FileError> MemoryFiles::createFolders(const std::string& rawPath) {
  auto path = normalized(rawPath);
  std::vector<std::string> created;
  {
    std::lock_guard lock(mutex_);
    if (folders_.contains(path)) return {};
    if (auto failure = writeFailure(path, "Couldn't create")) return std::unexpected(*failure);
    for (auto folder = path; !folders_.contains(folder); folder = parentOf(folder)) {
      if (files_.contains(folder)) return std::unexpected(FileError{"Couldn't create " + path + ": Not a directory"});
      created.push_back(folder);
    }
    folders_.insert(created.begin(), created.end());
  }
  for (const auto& folder : created) changed(folder);
  return {};
}

std::expected<void, FileError> MemoryFiles::copy(const std::string& rawFrom, const std::string& rawTo) {
  auto from = normalized(rawFrom);
  auto to = normalized(rawTo);
  {
    std::lock_guard lock(mutex_);
    if (const auto* reason = failureFor(readFailures_, from)) {
      return std::unexpected(FileError{"Couldn't copy " + from + ": " + *reason});
    }
    auto it = files_.find(from);
    if (it == files_.end()) return std::unexpected(FileError{"Couldn't copy " + from + ": No such file or directory"});
    if (auto failure = cannotWriteFile(to, "Couldn't copy to")) return std::unexpected(*failure);
    store(to, it->second.bytes);
  }
  changed(to);
  return {};
}

std::unique_ptr<FolderWatch> MemoryFiles::watchFolder(const std::string& rawFolder, std::function<void()> onWrite) {
  auto folder = normalized(rawFolder);
  {
    std::lock_guard lock(mutex_);
    if (!folders_.contains(folder)) return nullptr;
  }
  std::lock_guard lock(watches_->mutex);
  auto id = watches_->nextId++;
  watches_->byId.emplace(id, Watch{folder, std::move(onWrite)});
  return std::make_unique<Handle>(watches_, id);
}

void MemoryFiles::failWrites(const std::string& prefix, std::string reason) {
  std::lock_guard lock(mutex_);
  writeFailures_[normalized(prefix)] = std::move(reason);
}

void MemoryFiles::failReads(const std::string& prefix, std::string reason) {
  std::lock_guard lock(mutex_);
  readFailures_[normalized(prefix)] = std::move(reason);
}

void MemoryFiles::clearFailures() {
  std::lock_guard lock(mutex_);
  writeFailures_.clear();
  readFailures_.clear();
}

std::vector<std::string> MemoryFiles::filePaths() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const auto& [path, entry] : files_) out.push_back(path);
  return out;
}

std::size_t MemoryFiles::watchCount() const {
  std::lock_guard lock(watches_->mutex);
  return watches_->byId.size();
}

}  // namespace corvane::platform::sim

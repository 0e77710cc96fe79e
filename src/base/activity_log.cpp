#include "base/activity_log.hpp"

#include <utility>
#include <vector>

#include "base/time_format.hpp"

namespace corvane::base {
namespace {

std::string parentFolder(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Account names are ASCII: a letter or digit right after the home folder makes another account's
// folder ("/Users/ann" in "/Users/anne"). Anything else (a slash, a dot, a dash, an underscore, a
// quotation mark, any non-ASCII character, the end) leaves the user's own folder to hide.
bool makesAnotherName(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

struct ActivityLog::Writer {
  platform::Files& files;
  std::string path;
  bool folderTried = false;

  // Runs on the log queue only.
  void append(const std::string& line) {
    if (!folderTried) {
      folderTried = true;
      (void)files.createFolders(parentFolder(path));
    }
    if (auto size = files.size(path); size && *size > kSizeLimit) (void)files.remove(path);
    if (files.append(path, line)) return;
    // The folder may have been removed while the program ran.
    (void)files.createFolders(parentFolder(path));
    (void)files.append(path, line);
  }
};

ActivityLog::ActivityLog(platform::Files& files, platform::Clock& clock, platform::Scheduler& scheduler,
                         std::string logFile, std::string homeFolder)
    : files_(files),
      clock_(clock),
      logFile_(std::move(logFile)),
      homeFolder_(std::move(homeFolder)),
      writer_(std::make_shared<Writer>(Writer{files, logFile_})),
      queue_(scheduler.makeSerialQueue(kQueueLabel, platform::QoS::utility)) {}

void ActivityLog::afterPendingWrites(std::function<void()> then) { queue_->async(std::move(then)); }

void ActivityLog::log(const std::string& message) {
  std::string line = formatLogTimestamp(clock_.now()) + "  " + message + "\n";
  queue_->async([writer = writer_, line = std::move(line)] { writer->append(line); });
  std::function<void(const std::string&)> observer;
  {
    std::lock_guard lock(observerLock_);
    observer = observer_;
  }
  if (observer) observer(message);
}

void ActivityLog::setObserver(std::function<void(const std::string&)> observer) {
  std::lock_guard lock(observerLock_);
  observer_ = std::move(observer);
}

std::string ActivityLog::logTail() const {
  // Only this program writes the log: a link planted there must not put another file in a report.
  auto content = files_.readOwnFile(logFile_);
  if (!content || content->empty()) return kEmptyTail;
  std::string_view text = *content;
  // The final line feed ends the last line; it does not start another.
  if (text.back() == '\n') text.remove_suffix(1);
  if (text.empty()) return kEmptyTail;
  // Walking back, the 200th line feed from the end is where the kept lines begin.
  std::size_t start = 0;
  std::size_t lineFeeds = 0;
  for (std::size_t i = text.size(); i > 0; --i) {
    if (text[i - 1] == '\n' && ++lineFeeds == kTailLines) {
      start = i;
      break;
    }
  }
  return abbreviateHomeFolder(std::string(text.substr(start)), homeFolder_);
}

std::string abbreviateHomeFolder(const std::string& text, const std::string& homeFolder) {
  std::string home = homeFolder;
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  if (home.empty() || home == "/") return text;
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (true) {
    auto hit = text.find(home, pos);
    if (hit == std::string::npos) break;
    auto end = hit + home.size();
    bool anotherName = end < text.size() && makesAnotherName(text[end]);
    out.append(text, pos, hit - pos);
    out += anotherName ? home : std::string("~");
    pos = end;
  }
  out.append(text, pos);
  return out;
}

}  // namespace corvane::base

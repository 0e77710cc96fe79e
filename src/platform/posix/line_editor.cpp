#include "platform/posix/line_editor.hpp"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iostream>
#include <mutex>

#if CORVANE_LIBEDIT
#include <editline/readline.h>
#endif

namespace corvane::platform::posix {
namespace {

/// A queue drained by the prompt: a byte in a pipe wakes the prompt's poll.
class PromptQueue final : public Queue {
 public:
  PromptQueue() {
    if (::pipe(fds_) != 0) {
      fds_[0] = fds_[1] = -1;
      return;
    }
    for (int fd : fds_) {
      ::fcntl(fd, F_SETFD, FD_CLOEXEC);
      ::fcntl(fd, F_SETFL, O_NONBLOCK);
    }
  }
  ~PromptQueue() override {
    if (fds_[0] >= 0) ::close(fds_[0]);
    if (fds_[1] >= 0) ::close(fds_[1]);
  }
  PromptQueue(const PromptQueue&) = delete;
  PromptQueue& operator=(const PromptQueue&) = delete;

  const std::string& label() const override { return label_; }
  void async(std::function<void()> work) override {
    {
      std::lock_guard lock(mutex_);
      work_.push_back(std::move(work));
    }
    char c = 0;
    (void)!::write(fds_[1], &c, 1);
  }
  WorkHandle after(double, std::function<void()> work) override {
    async(std::move(work));
    return WorkHandle{};
  }
  bool isCurrent() const override { return running_; }

  [[nodiscard]] int wakeDescriptor() const { return fds_[0]; }
  /// Runs what was posted; true when there was anything.
  bool runPending() {
    char buffer[64];
    while (::read(fds_[0], buffer, sizeof buffer) > 0) {
    }
    std::deque<std::function<void()>> batch;
    {
      std::lock_guard lock(mutex_);
      batch.swap(work_);
    }
    running_ = true;
    for (auto& work : batch) work();
    running_ = false;
    return !batch.empty();
  }

 private:
  std::string label_ = "prompt";
  int fds_[2] = {-1, -1};
  std::mutex mutex_;
  std::deque<std::function<void()>> work_;
  bool running_ = false;
};

}  // namespace

struct LineEditor::Impl {
  std::string prompt;
  Completer completer;
  PromptQueue queue;
  std::function<std::string()> afterWork;
  std::optional<std::string> line;
  bool done = false;

  /// What the posted work has to show, if any.
  std::string runWork() {
    if (!queue.runPending() || !afterWork) return {};
    return afterWork();
  }
};

#if CORVANE_LIBEDIT
namespace {

// libedit's readline interface keeps its state in globals, hence one editor at a time.
LineEditor::Impl* active = nullptr;
std::vector<std::string> candidates;

char* nextCandidate(const char*, int state) {
  static std::size_t index = 0;
  if (state == 0) index = 0;
  if (index >= candidates.size()) return nullptr;
  return ::strdup(candidates[index++].c_str());
}

char** complete(const char* text, int start, int) {
  candidates.clear();
  if (active != nullptr && active->completer) {
    std::string_view before(rl_line_buffer, static_cast<std::size_t>(start));
    candidates = active->completer(before, text);
  }
  // No file names when nothing fits: the prompt's words are commands and keys.
  if (candidates.empty()) return nullptr;
  return rl_completion_matches(text, nextCandidate);
}

void lineDone(char* text) {
  if (active == nullptr) return;
  active->done = true;
  if (text == nullptr) {
    active->line.reset();
    std::fputs("\n", rl_outstream != nullptr ? rl_outstream : stdout);
    return;
  }
  active->line = std::string(text);
  std::free(text);
}

}  // namespace

LineEditor::LineEditor(std::string prompt, Completer completer) : impl_(std::make_unique<Impl>()) {
  impl_->prompt = std::move(prompt);
  impl_->completer = std::move(completer);
  active = impl_.get();
  rl_readline_name = "corvane";
  rl_attempted_completion_function = complete;
}

LineEditor::~LineEditor() {
  if (active == impl_.get()) active = nullptr;
}

std::optional<std::string> LineEditor::readLine() {
  auto& self = *impl_;
  self.done = false;
  self.line.reset();
  // Work that arrived while the last command ran is shown before the prompt, not across it.
  std::cout << self.runWork() << std::flush;
  rl_callback_handler_install(self.prompt.c_str(), reinterpret_cast<rl_vcpfunc_t*>(lineDone));
  while (!self.done) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {self.queue.wakeDescriptor(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents != 0) {
      if (auto shown = self.runWork(); !shown.empty()) {
        // Lift the line being typed, print above it, then draw it again.
        std::FILE* out = rl_outstream != nullptr ? rl_outstream : stdout;
        std::fputs("\r\033[K", out);
        std::fflush(out);
        std::cout << shown << std::flush;
        rl_forced_update_display();
      }
    }
    if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) rl_callback_read_char();
  }
  rl_callback_handler_remove();
  if (self.line && !self.line->empty()) add_history(self.line->c_str());
  return self.line;
}

#else

LineEditor::LineEditor(std::string prompt, Completer completer) : impl_(std::make_unique<Impl>()) {
  impl_->prompt = std::move(prompt);
  impl_->completer = std::move(completer);
}

LineEditor::~LineEditor() = default;

std::optional<std::string> LineEditor::readLine() {
  auto& self = *impl_;
  std::cout << self.runWork() << self.prompt << std::flush;
  std::string line;
  // Lines already read ahead (pasted together) wait in the stream's buffer, not on the descriptor.
  while (std::cin.rdbuf()->in_avail() <= 0) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {self.queue.wakeDescriptor(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (fds[1].revents != 0) {
      if (auto shown = self.runWork(); !shown.empty()) std::cout << "\n" << shown << self.prompt << std::flush;
    }
    if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) break;
  }
  if (!std::getline(std::cin, line)) {
    std::cout << "\n" << std::flush;
    return std::nullopt;
  }
  return line;
}

#endif

Queue& LineEditor::queue() { return impl_->queue; }

void LineEditor::setAfterWork(std::function<std::string()> afterWork) { impl_->afterWork = std::move(afterWork); }

}  // namespace corvane::platform::posix

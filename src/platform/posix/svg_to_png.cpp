#include "platform/posix/svg_to_png.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace corvane::platform::posix {
namespace {

constexpr const char* kConverter = "rsvg-convert";
/// What the converter may say on standard error before the rest is dropped.
constexpr std::size_t kMaxMessage = 2000;

/// A pipe's two ends, closed when it goes.
struct Pipe {
  int read = -1;
  int write = -1;
  Pipe() {
    int fds[2];
    if (::pipe(fds) == 0) {
      read = fds[0];
      write = fds[1];
      ::fcntl(read, F_SETFD, FD_CLOEXEC);
      ::fcntl(write, F_SETFD, FD_CLOEXEC);
    }
  }
  ~Pipe() {
    closeRead();
    closeWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  [[nodiscard]] bool ok() const { return read >= 0 && write >= 0; }
  void closeRead() {
    if (read >= 0) ::close(read);
    read = -1;
  }
  void closeWrite() {
    if (write >= 0) ::close(write);
    write = -1;
  }
};

/// Writing to a converter that has already ended must fail with EPIPE, not end this process.
struct IgnoreBrokenPipe {
  struct sigaction old {};
  IgnoreBrokenPipe() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);  // a macro on macOS
    ::sigaction(SIGPIPE, &ignore, &old);
  }
  ~IgnoreBrokenPipe() { ::sigaction(SIGPIPE, &old, nullptr); }
  IgnoreBrokenPipe(const IgnoreBrokenPipe&) = delete;
  IgnoreBrokenPipe& operator=(const IgnoreBrokenPipe&) = delete;
};

std::string firstLine(std::string text) {
  auto end = text.find('\n');
  if (end != std::string::npos) text.resize(end);
  return text;
}

}  // namespace

std::expected<std::string, ConversionError> svgToPng(std::string_view svg, double seconds) {
  using Kind = ConversionError::Kind;
  Pipe in;
  Pipe out;
  Pipe err;
  auto cannotStart = [](int error) {
    return std::unexpected(ConversionError{Kind::failed, std::string("Couldn't start ") + kConverter + ": " +
                                                             std::strerror(error)});
  };
  if (!in.ok() || !out.ok() || !err.ok()) return cannotStart(errno);
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_adddup2(&actions, in.read, 0);
  ::posix_spawn_file_actions_adddup2(&actions, out.write, 1);
  ::posix_spawn_file_actions_adddup2(&actions, err.write, 2);
  // With no file named it reads the SVG from standard input and writes the PNG to standard output.
  std::array<char*, 4> argv{const_cast<char*>(kConverter), const_cast<char*>("--format"), const_cast<char*>("png"),
                            nullptr};
  pid_t pid = -1;
  int spawned = ::posix_spawnp(&pid, kConverter, &actions, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    if (spawned == ENOENT) {
      return std::unexpected(ConversionError{Kind::missing, std::string(kConverter) + " is not installed"});
    }
    return cannotStart(spawned);
  }
  in.closeRead();
  out.closeWrite();
  err.closeWrite();
  ::fcntl(in.write, F_SETFL, ::fcntl(in.write, F_GETFL) | O_NONBLOCK);

  IgnoreBrokenPipe ignoreBrokenPipe;
  std::string png;
  std::string message;
  std::size_t written = 0;
  if (svg.empty()) in.closeWrite();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  bool timedOut = false;
  while (out.read >= 0 || err.read >= 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut = true;
      break;
    }
    std::array<pollfd, 3> fds{pollfd{in.write, POLLOUT, 0}, pollfd{out.read, POLLIN, 0}, pollfd{err.read, POLLIN, 0}};
    if (::poll(fds.data(), fds.size(), static_cast<int>(left.count())) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (in.write >= 0 && (fds[0].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
      auto n = ::write(in.write, svg.data() + written, svg.size() - written);
      if (n > 0) written += static_cast<std::size_t>(n);
      // Done, or the converter stopped reading: it says why on standard error.
      if (written == svg.size() || (n < 0 && errno != EAGAIN && errno != EINTR)) in.closeWrite();
    }
    char buffer[65536];
    if (out.read >= 0 && (fds[1].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
      auto n = ::read(out.read, buffer, sizeof buffer);
      if (n > 0) png.append(buffer, static_cast<std::size_t>(n));
      if (n == 0 || (n < 0 && errno != EINTR)) out.closeRead();
    }
    if (err.read >= 0 && (fds[2].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
      auto n = ::read(err.read, buffer, sizeof buffer);
      if (n > 0 && message.size() < kMaxMessage) message.append(buffer, static_cast<std::size_t>(n));
      if (n == 0 || (n < 0 && errno != EINTR)) err.closeRead();
    }
  }
  in.closeWrite();
  if (timedOut) ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (timedOut) {
    char limit[32];
    std::snprintf(limit, sizeof limit, "%g", seconds);
    return std::unexpected(ConversionError{Kind::failed, std::string(kConverter) + " took longer than " + limit + " s"});
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || png.empty()) {
    auto why = firstLine(message);
    return std::unexpected(ConversionError{Kind::failed, std::string(kConverter) + " refused the picture" +
                                                             (why.empty() ? std::string() : ": " + why)});
  }
  return png;
}

}  // namespace corvane::platform::posix

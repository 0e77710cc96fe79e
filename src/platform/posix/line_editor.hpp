#pragma once
// The prompt at a terminal: line editing, history and completion (through libedit when the build
// has it, else plain lines). Work posted to `queue()` from any thread runs on the prompt's thread
// while it waits for a line (and before the prompt is drawn); what it has to show is printed above
// the line being typed, which is then drawn again. One per process (libedit's prompt is global);
// used from one thread.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/scheduler.hpp"

namespace corvane::platform::posix {

class LineEditor final {
 public:
  /// The candidates for the word being typed, given the line before it.
  using Completer = std::function<std::vector<std::string>(std::string_view before, std::string_view word)>;

  LineEditor(std::string prompt, Completer completer);
  ~LineEditor();
  LineEditor(const LineEditor&) = delete;
  LineEditor& operator=(const LineEditor&) = delete;

  /// The next line without its line break, kept in the history when not empty; none at the end of
  /// the input (Ctrl-D on an empty line), after which the terminal is on a fresh line.
  [[nodiscard]] std::optional<std::string> readLine();

  /// Work from other threads for the prompt's thread. `after` is not offered (it runs at once).
  [[nodiscard]] Queue& queue();
  /// Called on the prompt's thread after each batch of posted work; what it returns is printed above
  /// the prompt (the line being typed is lifted only when there is something to print).
  void setAfterWork(std::function<std::string()> afterWork);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace corvane::platform::posix

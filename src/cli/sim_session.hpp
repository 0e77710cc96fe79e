#pragma once
// A whole Corvane over the simulated desktop, in virtual time: the shell, the simulated Excel,
// keyboard, workspace, screens and panels, with files and settings on disk under the home folder.
// Commands (sim_script.hpp) drive it; what becomes visible is printed to the transcript. One
// thread: the caller's, which pumps virtual time.

#include <expected>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/sim_script.hpp"
#include "cli/sim_session_options.hpp"

namespace corvane::cli {

/// What a session is made of (sim_session_parts.hpp).
struct SessionParts;

class SimSession final {
 public:
  SimSession(SimSessionOptions options, std::ostream& out);
  ~SimSession();
  SimSession(const SimSession&) = delete;
  SimSession& operator=(const SimSession&) = delete;

  /// Applies the settings and starts the shell; an unknown setting is an error and nothing starts.
  [[nodiscard]] std::expected<void, std::string> start();
  /// Schedules one command at its time in virtual time, where it happens whatever the program is
  /// doing then (a run, a key-tip scan); time runs when a later command, settle() or finish() needs
  /// it. A time before the previous command's end is returned as text at once; a command that
  /// cannot apply when its time comes is kept for takeFailure(), and the script's later commands
  /// do nothing.
  [[nodiscard]] std::expected<void, std::string> execute(const SimCommand& command);
  /// The command that could not apply, once; clearing it lets later commands act again.
  [[nodiscard]] std::optional<SimFailure> takeFailure();
  /// After an interactive command: lets time run to where the next command would start.
  void settle();
  /// At a prompt: the user took `seconds` before the next command; the program lives through them
  /// (a notice times out, the panel may open again).
  void idle(double seconds);
  /// Runs what became due at the present time (a folder event from disk) and reports what it showed.
  void catchUp();
  /// Runs until nothing but repeating timers is left.
  void finish();
  [[nodiscard]] bool quitRequested() const;

 private:
  std::unique_ptr<SessionParts> parts_;
};

}  // namespace corvane::cli

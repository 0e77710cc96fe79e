#pragma once
// What a simulated session is made of: the simulated desktop and Excel, the files and settings on
// disk, the shell, and the session's own state (the time the script has reached, the modifier keys
// held). The user's hands are in sim_session_input.cpp, the commands that act on the program in
// sim_session_actions.cpp. One thread: the session's, which pumps virtual time.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "app/app_shell.hpp"
#include "base/observable.hpp"
#include "cli/sim_script.hpp"
#include "cli/sim_session_files.hpp"
#include "cli/sim_session_options.hpp"
#include "cli/sim_transcript.hpp"
#include "platform/event_tap.hpp"
#include "platform/posix/json_file_defaults.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/sim/sim_event_tap.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/sim_key_layout.hpp"
#include "platform/sim/sim_panels.hpp"
#include "platform/sim/sim_screens.hpp"
#include "platform/sim/sim_secure_input.hpp"
#include "platform/sim/sim_text_metrics.hpp"
#include "platform/sim/sim_workspace.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::cli {

// The pace of the user's hands, in seconds.
inline constexpr double kGap = 0.1;           ///< between one command's last event and the next command
inline constexpr double kTapHold = 0.1;       ///< ⌥ down to up in a tap
inline constexpr double kModifierGap = 0.02;  ///< ⇧ down to ⌥ down, and ⌥ up to ⇧ up, in a ⇧⌥ tap
inline constexpr double kKeyHold = 0.05;      ///< a key's press to its release
inline constexpr double kTypeSpacing = 0.15;  ///< between the keys of "type"

struct SessionParts {
  SessionParts(SimSessionOptions opts, std::ostream& out)
      : options(std::move(opts)),
        transcript(out),
        excel(time, time, options.fixture),
        layout(time.main()),
        disk(&time.main()),
        files(disk, time.main(), options.diskEvents),
        defaults(options.paths),
        simPanels(time),
        panels(simPanels, transcript),
        workspace(time, &excel) {}
  SessionParts(const SessionParts&) = delete;
  SessionParts& operator=(const SessionParts&) = delete;

  SimSessionOptions options;
  Transcript transcript;
  platform::sim::VirtualTime time;
  platform::sim::SimExcel excel;
  /// The window server, which hands hardware events to the tap, and the tap's own thread.
  std::shared_ptr<platform::Queue> hid = time.makeSerialQueue("hid", platform::QoS::userInteractive);
  std::shared_ptr<platform::Queue> tapThread = time.makeSerialQueue("app.corvane.keytap", platform::QoS::userInteractive);
  platform::sim::SimEventTap tap;
  platform::sim::SimKeyLayout layout;
  platform::sim::SimSecureInput secure;
  platform::posix::PosixFiles disk;
  SessionFiles files;
  platform::posix::JsonFileDefaults defaults;
  platform::sim::SimScreens screens;
  platform::sim::SimTextMetrics metrics;
  platform::sim::SimPanels simPanels;
  RecordingPanels panels;
  platform::sim::SimWorkspace workspace;
  std::unique_ptr<app::AppShell> shell;
  base::Subscription statusSubscription;

  double startUptime = 0;
  double cursor = 0;  ///< uptime of the previous command's last event
  bool optionDown = false;
  bool commandDown = false;
  bool shiftDown = false;
  std::string lastStatus;
  bool quit = false;
  bool quitScheduled = false;
  /// The first command that could not apply; nothing the script asked for happens after it.
  std::optional<SimFailure> failure;
  std::size_t openedReported = 0;

  [[nodiscard]] std::uint64_t flags() const {
    return (optionDown ? platform::flags::kOption : 0) | (commandDown ? platform::flags::kCommand : 0) |
           (shiftDown ? platform::flags::kShift : 0);
  }
  /// Pumps time to `uptime`; the session stops standing for the main thread meanwhile, so the main
  /// queue's work runs.
  void at(double uptime) {
    if (asMain) time.leaveMain();
    time.advanceTo(uptime);
    if (asMain) time.enterMain();
  }
  /// While it lives the session stands for the main thread: a call into the program that takes
  /// virtual time (a window-list read, an Accessibility call) blocks it as it blocks a Mac's main
  /// thread, instead of running the main queue's later work first.
  struct AsMain {
    explicit AsMain(SessionParts& parts) : p(parts) {
      p.asMain = true;
      p.time.enterMain();
    }
    ~AsMain() {
      p.time.leaveMain();
      p.asMain = false;
    }
    AsMain(const AsMain&) = delete;
    AsMain& operator=(const AsMain&) = delete;
    SessionParts& p;
  };
  bool asMain = false;
  /// A hardware event at `uptime`, from the window server's own queue as on a Mac: it reaches the
  /// tap on time whatever the main queue or the actions queue are doing.
  void event(double uptime, std::function<void()> work) {
    (void)hid->after(std::max(0.0, uptime - time.uptime()), [this, work = std::move(work)] {
      if (quit || failure) return;
      work();
    });
  }
  /// A command at `uptime`, on the main queue: it acts as the main thread would, then, even while
  /// a run or a scan is taking time on the actions queue.
  void command(double uptime, std::function<void()> work) {
    (void)time.main().after(std::max(0.0, uptime - time.uptime()), [this, work = std::move(work)] {
      if (quit || failure) return;
      work();
    });
  }

  // --- The user's hands (sim_session_input.cpp) ---

  /// A hardware event: through the tap first (on its own queue); what passes reaches the frontmost
  /// application.
  void deliver(const platform::RawEvent& event, std::function<void()> toFrontApplication);
  /// The modifier keys held changed: a flags-changed event.
  void modifiers();
  /// A key pressed at `downAt` and released kKeyHold later.
  void key(std::uint16_t code, double downAt);
  enum class Modifier { option, command, shift };
  /// A modifier key goes down or up at `uptime`.
  void modifier(double uptime, Modifier which, bool down);
  void click(bool right, double x, double y);

  // --- Acting on the program (sim_session_actions.cpp) ---

  /// Acts on the program as it is now, standing for its main thread.
  std::expected<void, std::string> act(const SimCommand& command);
  /// A row or switch of the open menu-bar panel, by its title (case and a trailing "…" aside).
  std::expected<void, std::string> pressInPanel(const std::string& title);
  /// A button of the problem the key-list panel shows, by its title.
  std::expected<void, std::string> pressInProblem(const std::string& title);
  /// Titles as typed at a prompt: any case, with or without the trailing "…".
  static bool sameTitle(const std::string& shown, const std::string& typed);
  /// What the program asked the desktop to open or show since the last look, one line each.
  void reportOpened();
  void reportStatus();
};

}  // namespace corvane::cli

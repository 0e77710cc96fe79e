#include "cli/sim_session.hpp"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "cli/common.hpp"
#include "cli/sim_session_parts.hpp"
#include "model/text.hpp"
#include "platform/sim/excel_event.hpp"
#include "platform/sim/scripted_updater.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_input_poster.hpp"
#include "platform/sim/sim_window_list.hpp"
#include "platform/views/report_view.hpp"

// The session's wiring (start) and the timing of its commands (execute): when each event of the
// user's hands happens, and when a command reaches the program.

namespace corvane::cli {

using platform::RawEvent;
using platform::Verdict;

SimSession::SimSession(SimSessionOptions options, std::ostream& out)
    : parts_(std::make_unique<SessionParts>(std::move(options), out)) {}

SimSession::~SimSession() {
  if (parts_->shell) parts_->shell->activityLog().setObserver({});
  parts_->excel.setObserver(nullptr);
}

std::expected<void, std::string> SimSession::start() {
  auto& p = *parts_;
  p.startUptime = p.time.uptime();
  p.cursor = p.startUptime;
  // A wrong key's beep is heard at once, in its place among what the screen shows.
  p.workspace.setBeepObserver([&p] { p.transcript.emit("beep", ""); });

  // Excel is in front, as when the user starts the program to use it; a first run: the permission
  // is missing until the script grants it.
  if (p.options.fixture) p.workspace.switchTo("Excel");
  p.time.runUntilIdle();
  p.excel.setTrusted(false);
  p.tap.setTrusted(false);
  p.tap.runOn(*p.tapThread, *p.hid);
  p.simPanels.mainThread().setCheck([&p] { return p.time.onMainThread(); });
  p.screens.mainThread().setCheck([&p] { return p.time.onMainThread(); });
  p.excel.inputPoster().setSink([&p](const RawEvent& event) {
    auto verdict = p.tap.inject(event);
    // What Corvane posts while another application is in front goes to that application.
    if (verdict == Verdict::pass && !p.excel.isFrontmost() && event.type != platform::EventType::keyUp &&
        event.type != platform::EventType::leftMouseUp) {
      auto front = p.workspace.frontmostApplication();
      p.transcript.emit("elsewhere", (front ? front->name : std::string("nobody")) + " got " +
                                         (event.type == platform::EventType::keyDown
                                              ? "key " + keystrokeText(event.keyCode, event.flags)
                                              : std::string("a click")));
    }
    return verdict;
  });
  p.excel.setObserver([&p](const platform::sim::ExcelEvent& event) {
    p.transcript.emit("excel", event.kind == platform::sim::ExcelEvent::Kind::key
                                   ? "key " + keystrokeText(event.keyCode, event.flags)
                                   : platform::sim::describe(event));
  });

  app::AppPlatform platform{
      .clock = p.time,
      .scheduler = p.time,
      .eventTap = p.tap,
      .keyLayout = p.layout,
      .secureInput = p.secure,
      .defaults = p.defaults,
      .files = p.files,
      .paths = p.options.paths,
      .accessibility = p.excel.accessibility(),
      .windowList = p.excel.windowList(),
      .inputPoster = p.excel.inputPoster(),
      .screens = p.screens,
      .panels = p.panels,
      .textMetrics = p.metrics,
      .workspace = p.workspace,
      .makeUpdater = [&p](platform::UpdateUserDriver& driver) -> std::shared_ptr<platform::Updater> {
        platform::sim::ScriptedFeed feed;
        feed.automaticallyChecks = false;
        platform::sim::ScriptedFeedStep notFound;
        notFound.kind = platform::sim::ScriptedFeedStep::Kind::notFound;
        notFound.delay = 1.0;
        feed.steps.push_back(notFound);
        return std::make_shared<platform::sim::ScriptedUpdater>(p.time, driver, feed);
      },
      .builtinShortcutsFile = p.options.builtinFile,
      .version = "1.0.0",
      .build = "1",
      .userShortcutsFile = p.options.userFile.value_or(""),
      .statusItemFrame = {},
      .osVersion = "14.5",
      .machineModel = "Simulator1,1",
      .excelVersion = [&p]() -> std::optional<std::string> {
        if (!p.options.fixture) return std::nullopt;
        return std::string("16.89 (simulated)");
      },
      // Quit from a menu or the menu-bar panel ends the session as it ends the program.
      .terminate =
          [&p] {
            // Quit from a menu or the panel: said, since the prompt then ends without being asked to.
            if (!p.quit) p.transcript.emit("quit", "Corvane quit");
            p.quit = true;
          },
  };
  p.shell = std::make_unique<app::AppShell>(std::move(platform));
  // The report's window shows what the user typed; the transcript shows what would be sent too.
  p.panels.addFormatter([&p](const platform::views::View& view) -> std::optional<TranscriptLine> {
    const auto* report = dynamic_cast<const platform::views::ReportView*>(&view);
    if (!report || !p.shell) return std::nullopt;
    auto details = model::text::trim(report->details);
    std::vector<std::string> parts{"What happened: " + (details.empty() ? std::string("(not described)") : details)};
    const auto& systemInfo = p.shell->problemReport().model().systemInfo;
    if (systemInfo) parts.push_back(systemInfo());
    // The switch and, under it, what the log holds, as the window shows them.
    parts.push_back(report->includeLogTitle + ": " + (report->includeLog ? "on" : "off"));
    parts.push_back(report->includeLogLine);
    if (report->notice) parts.push_back(*report->notice);
    return TranscriptLine{"report", model::text::join(parts, "\n")};
  });
  for (const auto& [key, value] : p.options.settings) {
    if (auto assigned = p.shell->prefs().assign(key, value); !assigned) return std::unexpected(assigned.error());
  }
  p.shell->activityLog().setObserver([&p](const std::string& message) { p.transcript.emit("log", message); });
  p.statusSubscription = p.shell->iconChanged.subscribe([&p] { p.reportStatus(); });
  p.shell->applicationDidFinishLaunching();
  p.time.advanceBy(0);
  return {};
}

bool SimSession::quitRequested() const { return parts_->quit || parts_->quitScheduled; }

std::optional<SimFailure> SimSession::takeFailure() { return std::exchange(parts_->failure, std::nullopt); }

void SimSession::settle() {
  parts_->at(parts_->cursor + kGap);
  parts_->reportOpened();
}

void SimSession::idle(double seconds) {
  // Hours at the prompt would only run watchdog ticks; an hour tells the program as much.
  parts_->at(parts_->time.uptime() + std::clamp(seconds, 0.0, 3600.0));
  parts_->reportOpened();
}

void SimSession::catchUp() {
  parts_->at(parts_->time.uptime());
  parts_->reportOpened();
}

void SimSession::finish() {
  auto& p = *parts_;
  p.time.runUntilIdle();
  p.reportOpened();
  // AppKit answers only on the main thread; a Mac would not forgive what the simulation allowed.
  for (const auto& call : p.simPanels.mainThread().violations()) p.transcript.emit("error", call + " off the main thread");
  for (const auto& call : p.screens.mainThread().violations()) p.transcript.emit("error", call + " off the main thread");
}

std::expected<void, std::string> SimSession::execute(const SimCommand& command) {
  auto& p = *parts_;
  auto& shell = *p.shell;
  // A command without a time follows the previous one; when time has already run past that (a
  // prompt settles between commands), it starts now. Only an explicit time can lie in the past:
  // before the previous command's last event, or before the time the program has reached.
  double start = std::max(p.cursor + kGap, p.time.uptime());
  if (command.at) {
    start = p.startUptime + *command.at;
    // A microsecond's slack: times written to the millisecond meet sums of doubles.
    if (start < std::max(p.cursor, p.time.uptime()) - 1e-6) {
      char text[96];
      std::snprintf(text, sizeof text, "at %.6g is before the previous command's last event", *command.at);
      return std::unexpected(std::string(text));
    }
  }
  double last = start;
  const auto& verb = command.verb;

  // The user's hands: events queued at their times, so that work taking time in between (a key-tip
  // scan, a run) sees them arrive as it would on a Mac. Time runs on when a later command needs it.
  bool hardware = true;
  using Modifier = SessionParts::Modifier;
  if (verb == "tap") {
    // "tap shift" holds ⇧ around the ⌥ tap.
    bool shift = !command.args.empty();
    if (shift) p.modifier(start, Modifier::shift, true);
    double optionAt = shift ? start + kModifierGap : start;
    p.modifier(optionAt, Modifier::option, true);
    last = optionAt + kTapHold;
    p.modifier(last, Modifier::option, false);
    if (shift) {
      last += kModifierGap;
      p.modifier(last, Modifier::shift, false);
    }
  } else if (verb == "option down" || verb == "option up") {
    p.modifier(start, Modifier::option, verb == "option down");
  } else if (verb == "cmd down" || verb == "cmd up") {
    p.modifier(start, Modifier::command, verb == "cmd down");
  } else if (verb == "shift down" || verb == "shift up") {
    p.modifier(start, Modifier::shift, verb == "shift down");
  } else if (verb == "key") {
    p.key(command.keyCodes.front(), start);
    last = start + kKeyHold;
  } else if (verb == "type") {
    for (std::size_t i = 0; i < command.keyCodes.size(); ++i) {
      double downAt = start + kTypeSpacing * static_cast<double>(i);
      p.key(command.keyCodes[i], downAt);
      last = downAt + kKeyHold;
    }
  } else if (verb == "click" || verb == "right-click") {
    p.event(start, [&p, right = verb == "right-click", x = command.x, y = command.y] { p.click(right, x, y); });
  } else if (verb == "stall-main") {
    // Work on the main queue that takes that long (a slow save, a modal): whatever the user types
    // meanwhile is queued after it, so the next commands fall inside the stall.
    (void)p.time.main().after(std::max(0.0, start - p.time.uptime()),
                              [&p, seconds = command.seconds] {
                                char text[64];
                                std::snprintf(text, sizeof text, "main queue busy for %.3g s", seconds);
                                p.transcript.emit("stall", text);
                                p.time.sleep(seconds);
                                p.transcript.emit("stall", "main queue free");
                              });
  } else {
    hardware = false;
  }
  if (hardware) {
    p.cursor = last;
    return {};
  }
  if (verb == "wait") {
    // Time runs on when a later command needs it; pumping here would let a run in flight carry the
    // clock past the next command's time.
    p.cursor = start + command.seconds;
    return {};
  }
  if (verb == "grant-access") {
    // The program notices on its next permission poll (at most 1.5 s); the command lasts until the
    // listener runs, so the next line already types into a listening session.
    p.at(start);
    {
      SessionParts::AsMain asMain(p);
      p.excel.setTrusted(true);
      p.tap.setTrusted(true);
    }
    for (int tick = 0; tick < 200 && !shell.status().tapRunning.get(); ++tick) {
      last += 0.01;
      p.at(last);
    }
    p.cursor = std::max(last, p.time.uptime());
    p.reportOpened();
    return {};
  }
  if (verb == "quit") p.quitScheduled = true;
  // Everything else acts on the program at the command's time, from its main thread: queued there
  // at its time, so that it happens on time even while a run or a scan is taking time on the
  // actions queue. A command that cannot apply stops the script there (takeFailure()).
  p.command(start, [&p, command] {
    if (auto done = p.act(command); !done) p.failure = SimFailure{command.lineNumber, done.error()};
    p.reportOpened();
  });
  p.cursor = last;
  return {};
}

}  // namespace corvane::cli

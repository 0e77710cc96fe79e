#include "cli/sim_session.hpp"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>

#include "app/app_shell.hpp"
#include "app/settings_model.hpp"
#include "base/observable.hpp"
#include "authoring/shortcut_browser_model.hpp"
#include "authoring/shortcut_editor_model.hpp"
#include "cli/common.hpp"
#include "cli/sim_transcript.hpp"
#include "model/text.hpp"
#include "onboarding/welcome_model.hpp"
#include "platform/event_tap.hpp"
#include "platform/posix/json_file_defaults.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/sim/excel_event.hpp"
#include "platform/sim/scripted_updater.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_event_tap.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/sim_input_poster.hpp"
#include "platform/sim/sim_key_layout.hpp"
#include "platform/sim/sim_panels.hpp"
#include "platform/sim/sim_screens.hpp"
#include "platform/sim/sim_secure_input.hpp"
#include "platform/sim/sim_text_metrics.hpp"
#include "platform/sim/sim_window_list.hpp"
#include "platform/sim/sim_workspace.hpp"
#include "platform/sim/virtual_time.hpp"
#include "platform/views/coach_hint_view.hpp"
#include "platform/views/hud_views.hpp"
#include "platform/views/quick_panel_view.hpp"
#include "platform/views/report_view.hpp"
#include "platform/views/welcome_view.hpp"

namespace corvane::cli {

namespace {

using platform::RawEvent;
using platform::Verdict;

constexpr double kGap = 0.1;           ///< between one command's last event and the next command
constexpr double kTapHold = 0.1;       ///< ⌥ down to up in a tap
constexpr double kModifierGap = 0.02;  ///< ⇧ down to ⌥ down, and ⌥ up to ⇧ up, in a ⇧⌥ tap
constexpr double kKeyHold = 0.05;      ///< a key's press to its release
constexpr double kTypeSpacing = 0.15;  ///< between the keys of "type"

platform::PanelAction buttonAction(const std::string& id) {
  platform::PanelAction action;
  action.kind = platform::PanelAction::Kind::button;
  action.id = id;
  return action;
}

/// Real files on disk, except that folder watches are fed by the session: a save made by the
/// script is announced at a virtual time, never by a thread racing the script. At a prompt, the
/// disk is watched as well (`diskEvents`), so that another program's save reaches the program.
class SessionFiles final : public platform::Files {
 public:
  SessionFiles(platform::Files& disk, platform::Queue& main, platform::Queue* diskEvents)
      : disk_(disk), main_(main), watcher_(diskEvents) {}

  std::expected<std::string, platform::FileError> read(const std::string& path) override { return disk_.read(path); }
  std::expected<std::string, platform::FileError> readOwnFile(const std::string& path) override {
    return disk_.readOwnFile(path);
  }
  std::expected<void, platform::FileError> writeAtomic(const std::string& path, std::string_view bytes) override {
    auto result = disk_.writeAtomic(path, bytes);
    announce(path);
    return result;
  }
  std::expected<void, platform::FileError> append(const std::string& path, std::string_view bytes) override {
    return disk_.append(path, bytes);
  }
  bool exists(const std::string& path) override { return disk_.exists(path); }
  std::optional<std::uint64_t> size(const std::string& path) override { return disk_.size(path); }
  std::optional<platform::WallTime> modificationDate(const std::string& path) override {
    return disk_.modificationDate(path);
  }
  std::expected<void, platform::FileError> remove(const std::string& path) override {
    auto result = disk_.remove(path);
    announce(path);
    return result;
  }
  std::expected<void, platform::FileError> createFolders(const std::string& path) override {
    return disk_.createFolders(path);
  }
  std::expected<void, platform::FileError> copy(const std::string& from, const std::string& to) override {
    auto result = disk_.copy(from, to);
    announce(to);
    return result;
  }

  std::unique_ptr<platform::FolderWatch> watchFolder(const std::string& folder, std::function<void()> onWrite) override {
    auto watch = std::make_unique<Watch>(*this, folder, std::move(onWrite));
    // The disk's events come on the session's own thread; the program hears of them on its main
    // queue at the present virtual time.
    watch->onDisk = watcher_.watchFolder(folder, [this, alive = std::weak_ptr<int>(alive_), w = watch.get()] {
      if (!alive.lock()) return;
      main_.async([this, alive, w] {
        if (!alive.lock()) return;
        if (std::ranges::find(watches_, w) != watches_.end()) w->onWrite();
      });
    });
    return watch;
  }

 private:
  struct Watch final : platform::FolderWatch {
    Watch(SessionFiles& owner, std::string folder, std::function<void()> onWrite)
        : owner(owner), folder(std::move(folder)), onWrite(std::move(onWrite)) {
      owner.watches_.push_back(this);
    }
    ~Watch() override { std::erase(owner.watches_, this); }
    SessionFiles& owner;
    std::string folder;
    std::function<void()> onWrite;
    std::unique_ptr<platform::FolderWatch> onDisk;
  };

  /// An entry of a watched folder changed: its watchers hear of it on the main queue.
  void announce(const std::string& path) {
    auto slash = path.rfind('/');
    auto folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    for (auto* watch : watches_) {
      if (watch->folder != folder) continue;
      std::weak_ptr<int> alive = alive_;
      main_.async([this, alive, watch] {
        if (!alive.lock()) return;
        if (std::ranges::find(watches_, watch) != watches_.end()) watch->onWrite();
      });
    }
  }

  platform::Files& disk_;
  platform::Queue& main_;
  /// Without a queue it watches nothing.
  platform::posix::PosixFiles watcher_;
  std::vector<Watch*> watches_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace

struct SimSession::Parts {
  Parts(SimSessionOptions opts, std::ostream& out)
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
    explicit AsMain(Parts& parts) : p(parts) {
      p.asMain = true;
      p.time.enterMain();
    }
    ~AsMain() {
      p.time.leaveMain();
      p.asMain = false;
    }
    AsMain(const AsMain&) = delete;
    AsMain& operator=(const AsMain&) = delete;
    Parts& p;
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

  /// A hardware event: through the tap first (on its own queue); what passes reaches the frontmost
  /// application.
  void deliver(const RawEvent& event, std::function<void()> toFrontApplication) {
    tap.post(event, [this, toFrontApplication = std::move(toFrontApplication)](Verdict verdict) {
      if (verdict == Verdict::pass && excel.isFrontmost()) toFrontApplication();
    });
  }

  void modifiers() {
    auto now = flags();
    excel.inputPoster().setHardwareModifierFlags(now);
    deliver(platform::sim::flagsEvent(now), [this, now] { excel.receiveFlags(now); });
  }

  void key(std::uint16_t code, double downAt) {
    event(downAt, [this, code] {
      auto held = flags();
      deliver(platform::sim::keyDownEvent(code, held), [this, code, held] { excel.receiveKey(code, true, held); });
    });
    event(downAt + kKeyHold, [this, code] {
      auto held = flags();
      deliver(platform::sim::keyUpEvent(code, held), [this, code, held] { excel.receiveKey(code, false, held); });
    });
  }
  enum class Modifier { option, command, shift };
  /// A modifier key goes down or up at `uptime`.
  void modifier(double uptime, Modifier which, bool down) {
    event(uptime, [this, which, down] {
      switch (which) {
        case Modifier::option: optionDown = down; break;
        case Modifier::command: commandDown = down; break;
        case Modifier::shift: shiftDown = down; break;
      }
      modifiers();
    });
  }

  void click(bool right, double x, double y) {
    platform::Point point{x, y};
    excel.inputPoster().movePointer(point);
    deliver(platform::sim::mouseDownEvent(right, point, flags()), [this, right, point] {
      if (right) return;
      excel.receiveMouse(platform::InputPoster::Mouse::leftDown, point);
      excel.receiveMouse(platform::InputPoster::Mouse::leftUp, point);
    });
  }

  /// A row or switch of the open menu-bar panel, by its title (case and a trailing "…" aside).
  std::expected<void, std::string> pressInPanel(const std::string& title) {
    auto view = shell->quickPanel().currentView();
    if (!shell->quickPanel().isOpen() || !view) {
      return std::unexpected(std::string("the menu-bar panel is not open (panel)"));
    }
    std::vector<platform::views::QuickPanelItem> items{view->mainSwitch};
    items.insert(items.end(), view->items.begin(), view->items.end());
    std::vector<std::string> titles;
    for (const auto& item : items) {
      titles.push_back(item.title);
      if (!sameTitle(item.title, title)) continue;
      platform::PanelAction action;
      action.id = item.id;
      if (item.kind == platform::views::QuickPanelItem::Kind::toggle) {
        action.kind = platform::PanelAction::Kind::toggle;
        action.on = !item.on;
      } else {
        action.kind = platform::PanelAction::Kind::button;
      }
      (void)panels.act(platform::PanelKind::quickPanel, action);
      return {};
    }
    return std::unexpected("the menu-bar panel has no “" + title + "” (it has: " + model::text::join(titles, ", ") +
                           ")");
  }

  /// A button of the problem the key-list panel shows, by its title.
  std::expected<void, std::string> pressInProblem(const std::string& title) {
    const auto* problem = dynamic_cast<const platform::views::ProblemView*>(shell->hud().currentView().get());
    if (!problem || !shell->hud().isVisible()) return std::unexpected(std::string("no problem is showing"));
    std::vector<platform::views::Button> buttons = problem->fixes;
    buttons.push_back(problem->dismiss);
    std::vector<std::string> titles;
    for (const auto& button : buttons) {
      titles.push_back(button.title);
      if (!sameTitle(button.title, title)) continue;
      (void)panels.act(platform::PanelKind::hud, buttonAction(button.id));
      return {};
    }
    return std::unexpected("the problem has no “" + title + "” button (it has: " + model::text::join(titles, ", ") +
                           ")");
  }

  /// Titles as typed at a prompt: any case, with or without the trailing "…".
  static bool sameTitle(const std::string& shown, const std::string& typed) {
    auto plain = [](std::string text) {
      text = model::text::replaceAll(text, "…", "");
      text = model::text::replaceAll(text, "...", "");
      return model::text::lower(model::text::trim(text));
    };
    return plain(shown) == plain(typed);
  }

  /// What the program asked the desktop to open or show since the last look, one line each.
  void reportOpened() {
    const auto& requests = workspace.openRequests();
    for (; openedReported < requests.size(); ++openedReported) {
      const auto& r = requests[openedReported];
      switch (r.kind) {
        case platform::sim::OpenRequest::Kind::url:
        case platform::sim::OpenRequest::Kind::file: transcript.emit("open", r.target); break;
        case platform::sim::OpenRequest::Kind::fileWithApplication:
          transcript.emit("open", r.target + " with " + r.application);
          break;
        case platform::sim::OpenRequest::Kind::reveal: transcript.emit("open", "reveal " + r.target); break;
      }
    }
  }

  /// Acts on the program as it is now, standing for its main thread.
  std::expected<void, std::string> act(const SimCommand& command) {
    auto& p = *this;
    auto& shell = *this->shell;
    const auto& verb = command.verb;
    if (verb == "switch-app") {
      if (!p.workspace.switchTo(command.rest)) return std::unexpected("cannot bring " + command.rest + " to the front");
      // Another application coming forward takes key status from the program's own windows.
      p.panels.otherApplicationActivated([&p] {
        for (auto* panel : p.simPanels.all()) {
          if (panel->isKey()) panel->resignKey();
        }
      });
    } else if (verb == "write-user-file") {
      const auto& target = shell.userFile().userFile();
      auto slash = target.rfind('/');
      if (slash != std::string::npos) (void)p.files.createFolders(target.substr(0, slash));
      if (auto copied = p.files.copy(command.rest, target); !copied) {
        return std::unexpected("cannot copy " + command.rest + ": " + copied.error().description);
      }
    } else if (verb == "palette" || verb == "palette up" || verb == "palette down" || verb == "palette enter" ||
               verb == "palette escape") {
      platform::PanelAction action;
      if (verb == "palette") {
        action.kind = platform::PanelAction::Kind::text;
        action.text = command.rest;
      } else {
        static const std::map<std::string, std::string> keys{
            {"palette up", "up"}, {"palette down", "down"}, {"palette enter", "return"}, {"palette escape", "escape"}};
        action.kind = platform::PanelAction::Kind::key;
        action.id = keys.at(verb);
      }
      if (!p.panels.act(platform::PanelKind::palette, action)) {
        return std::unexpected(std::string("the palette is not open (double-tap ⌥ in Excel)"));
      }
    } else if (verb == "revoke-access") {
      // Taken out of the Accessibility list: macOS switches the tap off, and no tap can be made again
      // until the permission is granted back.
      p.excel.setTrusted(false);
      p.tap.setTrusted(false);
    } else if (verb == "status-item") {
      auto has = [&](const char* word) { return std::ranges::find(command.args, word) != command.args.end(); };
      shell.statusItemClicked(app::StatusItemEvent{has("option"), has("control"), has("right")});
    } else if (verb == "panel") {
      if (!shell.quickPanel().isOpen()) shell.quickPanel().toggle(std::nullopt);
      if (!shell.quickPanel().isOpen()) {
        return std::unexpected(std::string("the menu-bar panel closed less than 0.25 s ago and stays closed"));
      }
    } else if (verb == "panel press") {
      if (auto pressed = p.pressInPanel(command.rest); !pressed) return pressed;
    } else if (verb == "fix") {
      if (auto pressed = p.pressInProblem(command.rest); !pressed) return pressed;
    } else if (verb == "report") {
      shell.reportProblemFromMenu();
    } else if (verb == "report type") {
      // What the user types into "What happened", as the window's text field sends it.
      platform::PanelAction typed;
      typed.kind = platform::PanelAction::Kind::text;
      typed.text = command.rest;
      if (!p.panels.actOnView<platform::views::ReportView>(typed)) {
        return std::unexpected(std::string("the problem report is not open (report)"));
      }
    } else if (verb == "report send") {
      if (!p.panels.actOnView<platform::views::ReportView>(buttonAction("send"))) {
        return std::unexpected(std::string("the problem report is not open (report)"));
      }
    } else if (verb == "hint turn-off") {
      if (!p.panels.actOnView<platform::views::CoachHintView>(buttonAction("turnOff"))) {
        return std::unexpected(std::string("no learning hint is showing"));
      }
    } else if (verb == "hint close") {
      if (!p.panels.anyVisible(platform::PanelKind::coachHint)) {
        return std::unexpected(std::string("no learning hint is showing"));
      }
      shell.coach().dismiss();
    } else if (verb == "excel quit") {
      auto pid = p.excel.pid();
      if (!p.excel.isRunning() || !pid) return std::unexpected(std::string("Excel is not running"));
      (void)p.workspace.terminate(*pid);
    } else if (verb == "excel launch") {
      if (!p.options.fixture) return std::unexpected(std::string("this session has no Excel (--fixture not-running)"));
      if (p.excel.isRunning()) return std::unexpected(std::string("Excel is already running"));
      (void)p.workspace.launch(platform::sim::SimWorkspace::kExcelBundle, p.excel.application().title);
    } else if (verb == "excel fill-sheet") {
      if (p.excel.fillSheet(static_cast<std::size_t>(command.seconds)) == 0 && command.seconds > 0) {
        return std::unexpected(std::string("Excel shows no workbook"));
      }
    } else if (verb == "settings") {
      std::optional<app::SettingsPage> page;
      if (!command.rest.empty()) {
        // By its title or its name, in any case, with or without spaces: "key tips", "keyTips".
        auto squeezed = [](std::string_view text) {
          auto lowered = model::text::lower(text);
          std::erase(lowered, ' ');
          return lowered;
        };
        std::vector<std::string> names;
        for (const auto& info : app::settingsPages()) {
          if (squeezed(info.id) == squeezed(command.rest) || squeezed(info.title) == squeezed(command.rest)) page = info.page;
          names.push_back(model::text::lower(info.title));
        }
        if (!page) return std::unexpected("no settings page \"" + command.rest + "\" (" + model::text::join(names, ", ") + ")");
      }
      shell.showSettings();
      if (page) shell.settingsModel().select(*page);
    } else if (verb == "list") {
      shell.showList();
      shell.listModel().setQuery(command.rest);
    } else if (verb == "editor new") {
      shell.editShortcuts();
      shell.editorModel().newShortcut();
    } else if (verb == "editor record") {
      auto& editor = shell.editorModel();
      if (!editor.editing()) return std::unexpected(std::string("no shortcut is being edited (editor new)"));
      // A new recording replaces the keys, as pressing Record again does in the window.
      editor.clearKeys();
      editor.setRecording(true);
      for (const auto& name : command.args) {
        editor.receive(authoring::recording::Character{model::text::upper(name)});
      }
      editor.receive(authoring::recording::Done{});
    } else if (verb == "editor save") {
      auto& editor = shell.editorModel();
      if (!editor.editing()) return std::unexpected(std::string("no shortcut is being edited (editor new)"));
      // The window's Save button is greyed out when the form can't be saved; the session says why.
      if (auto saved = editor.save(); !saved) p.transcript.emit("editor", "not saved: " + saved.error());
    } else if (verb == "updates check") {
      shell.checkForUpdates();
    } else if (verb == "welcome") {
      if (command.args.empty()) {
        shell.showWelcome();
      } else {
        static const std::map<std::string, platform::views::WelcomeAction> buttons{
            {"next", platform::views::WelcomeAction::next},
            {"back", platform::views::WelcomeAction::back},
            {"skip", platform::views::WelcomeAction::skip},
            {"done", platform::views::WelcomeAction::done}};
        if (!shell.welcomeModel().isShowing()) return std::unexpected(std::string("the welcome window is not open"));
        shell.welcomeModel().perform(buttons.at(command.args.front()));
      }
    } else if (verb == "quit") {
      p.quit = true;
      shell.quit();
    } else if (verb == "help") {
      // The front end prints help; nothing happens in the session.
    }
    return {};
  }

  void reportStatus() {
    auto line = shell->statusLine().text;
    if (line == lastStatus) return;
    lastStatus = line;
    transcript.emit("status", line);
  }
};

SimSession::SimSession(SimSessionOptions options, std::ostream& out)
    : parts_(std::make_unique<Parts>(std::move(options), out)) {}

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
  using Modifier = Parts::Modifier;
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
      Parts::AsMain asMain(p);
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

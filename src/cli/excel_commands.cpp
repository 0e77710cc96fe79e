// corvane run, check and menu-map: the automation against the simulated Excel, in virtual time.
// Each command builds one simulated desktop, runs to completion on its queues and prints what
// happened; the reports also go to the support folder under --home, as the application writes them.

#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/time_format.hpp"
#include "cli/command_registry.hpp"
#include "cli/common.hpp"
#include "cli/fixture_option.hpp"
#include "cli/live_excel.hpp"
#include "excel/action_runner.hpp"
#include "excel/run_problem.hpp"
#include "excel/shortcut_check.hpp"
#include "model/grammar.hpp"
#include "model/key_combo.hpp"
#include "model/key_names.hpp"
#include "model/shortcut_library.hpp"
#include "model/text.hpp"
#include "platform/event_tap.hpp"
#include "platform/posix/posix_clock.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/sim_input_poster.hpp"
#include "platform/sim/sim_window_list.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::cli {
namespace {

struct ExcelCommandState {
  CommonOptions common;
  std::string fixture;
  bool live = false;
};

void addLiveOption(CLI::App& command, bool& live) {
  command.add_flag("--live", live, "Act on the running Excel (on a Mac) instead of the simulated one");
}

/// Prints a run's log lines and its problem; the exit code.
int reportRun(const std::vector<std::string>& log, const std::optional<excel::RunProblem>& problem) {
  for (const auto& line : log) std::cout << line << "\n";
  if (!problem) return kExitOk;
  std::cout << "problem: " << problem->title << "\n" << "detail: " << problem->detail << "\n";
  if (!problem->fixes.empty()) {
    std::vector<std::string> labels;
    for (auto fix : problem->fixes) labels.emplace_back(excel::fixLabel(fix));
    std::cout << "fixes: " << model::text::join(labels, ", ") << "\n";
  }
  return kExitFailure;
}

int fail(const CommandError& error) {
  std::cerr << "corvane: " << error.message << "\n";
  return error.exitCode;
}

/// One simulated desktop with Excel and the runner over it; lives for one command.
class SimDesktop {
 public:
  explicit SimDesktop(std::shared_ptr<const platform::sim::ExcelFixture> fixture)
      : excel_(time_, time_, std::move(fixture)),
        services_{excel_.accessibility(), excel_.windowList(), excel_.inputPoster(), time_},
        runner_(time_, services_, [this](const std::string& line) { log_.push_back(line); }) {}

  platform::sim::VirtualTime& time() { return time_; }
  platform::sim::SimExcel& excel() { return excel_; }
  excel::ActionRunner& runner() { return runner_; }
  [[nodiscard]] const excel::ExcelServices& services() const { return services_; }
  [[nodiscard]] const std::vector<std::string>& log() const { return log_; }

 private:
  platform::sim::VirtualTime time_;
  platform::sim::SimExcel excel_;
  excel::ExcelServices services_;
  std::vector<std::string> log_;
  excel::ActionRunner runner_;
};

/// What `run` and `check` work on: the library, the simulated desktop and Excel's process in it.
struct ExcelSession {
  model::LibraryPtr library;
  std::unique_ptr<SimDesktop> desktop;
  std::int32_t pid = 0;
};

/// Loads the fixture and the library, lets `refuse` turn the command down on the library alone (a
/// key path that names no shortcut), then starts the desktop and finds Excel; without Excel the
/// command ends with `notRunning`.
std::expected<ExcelSession, CommandError> startExcelSession(
    const ExcelCommandState& state, platform::Files& files, const std::string& notRunning,
    const std::function<std::optional<CommandError>(const model::ShortcutLibrary&)>& refuse = {}) {
  auto fixture = loadFixtureOption(state.fixture, files);
  if (!fixture) return std::unexpected(fixture.error());
  auto library = loadLibrary(state.common, files);
  if (!library) return std::unexpected(library.error());
  if (refuse) {
    if (auto refused = refuse(**library)) return std::unexpected(*refused);
  }
  auto desktop = std::make_unique<SimDesktop>(*fixture);
  auto pid = desktop->excel().pid();
  if (!pid) return std::unexpected(CommandError{kExitFailure, notRunning});
  return ExcelSession{*library, std::move(desktop), *pid};
}

/// Writes a report into the support folder and says where (on standard error, so the output stays
/// the report); false when it couldn't, which fails the command.
bool writeReport(const CommonOptions& common, platform::Files& files, const std::string& name,
                 const std::string& text) {
  auto folder = pathsFor(common).supportFolder;
  auto path = folder + "/" + name;
  auto created = files.createFolders(folder);
  auto written = created ? files.writeAtomic(path, text) : std::unexpected(created.error());
  if (!written) {
    // The error already names the file.
    std::cerr << "corvane: " << written.error().description << "\n";
    return false;
  }
  std::cerr << "corvane: wrote " << path << "\n";
  return true;
}

/// The key arguments as one path: "H O I", "h o i" and "H" "O" "I" all name the same keys.
std::vector<std::string> keyPath(const std::vector<std::string>& arguments) {
  std::vector<std::string> keys;
  for (const auto& argument : arguments) {
    for (const auto& piece : model::text::split(argument, " ")) {
      auto key = model::text::trim(piece);
      if (!key.empty()) keys.push_back(model::text::upper(key));
    }
  }
  return keys;
}

void addRunCommand(CLI::App& app, int& exitCode) {
  struct State : ExcelCommandState {
    std::vector<std::string> keys;
  };
  auto state = std::make_shared<State>();
  auto* command = app.add_subcommand("run", "Run the shortcut with these keys against the simulated Excel");
  addCommonOptions(*command, state->common);
  addFixtureOption(*command, state->fixture);
  command->add_option("KEY", state->keys, "The shortcut's keys, for example H O I")->required();
  addLiveOption(*command, state->live);
  command->callback([state, &exitCode] {
    platform::posix::PosixFiles files;
    auto keys = keyPath(state->keys);
    if (state->live) {
      auto library = loadLibrary(state->common, files);
      if (!library) {
        exitCode = fail(library.error());
        return;
      }
      const auto* shortcut = keys.empty() ? nullptr : (*library)->shortcut(keys);
      if (shortcut == nullptr) {
        exitCode = fail({kExitUsage, "No shortcut ends at " + model::keyPathText(keys)});
        return;
      }
      auto live = openLiveExcel();
      if (!live) {
        exitCode = fail({kExitUsage, live.error()});
        return;
      }
      std::vector<std::string> log;
      excel::ActionRunner runner((*live)->scheduler(), (*live)->services(),
                                 [&log](const std::string& line) { log.push_back(line); });
      exitCode = reportRun(log, runner.runNow(*shortcut, (*live)->pid()));
      return;
    }
    auto session = startExcelSession(*state, files, "Excel is not running",
                                     [&keys](const model::ShortcutLibrary& library) -> std::optional<CommandError> {
                                       if (!keys.empty() && library.shortcut(keys) != nullptr) return std::nullopt;
                                       return CommandError{kExitUsage, "No shortcut ends at " + model::keyPathText(keys)};
                                     });
    if (!session) {
      exitCode = fail(session.error());
      return;
    }
    const auto& shortcut = *session->library->shortcut(keys);
    auto& desktop = *session->desktop;
    std::optional<excel::RunProblem> problem;
    desktop.runner().run(shortcut, session->pid,
                         [&](std::optional<excel::RunProblem> result) { problem = std::move(result); });
    (void)desktop.time().runUntilIdle();

    for (const auto& line : desktop.log()) std::cout << line << "\n";
    for (const auto& event : desktop.excel().events()) {
      switch (event.kind) {
        case platform::sim::ExcelEvent::Kind::ran:
          std::cout << "excel: ran " << event.label << "\n";
          break;
        case platform::sim::ExcelEvent::Kind::key:
          std::cout << "excel: key " << keystrokeText(event.keyCode, event.flags) << "\n";
          break;
        case platform::sim::ExcelEvent::Kind::tabSelected:
        case platform::sim::ExcelEvent::Kind::menuOpened:
        case platform::sim::ExcelEvent::Kind::menuClosed:
        case platform::sim::ExcelEvent::Kind::dialogOpened:
        case platform::sim::ExcelEvent::Kind::dialogClosed:
        case platform::sim::ExcelEvent::Kind::focused:
        case platform::sim::ExcelEvent::Kind::launched:
        case platform::sim::ExcelEvent::Kind::quit:
        case platform::sim::ExcelEvent::Kind::ribbonCollapsed:
        case platform::sim::ExcelEvent::Kind::ribbonShown:
        case platform::sim::ExcelEvent::Kind::keyTipsShown:
        case platform::sim::ExcelEvent::Kind::keyTipsHidden:
        case platform::sim::ExcelEvent::Kind::keyTip:
          break;
      }
    }
    exitCode = reportRun({}, problem);
  });
}

void addCheckCommand(CLI::App& app, int& exitCode) {
  auto state = std::make_shared<ExcelCommandState>();
  auto* command = app.add_subcommand("check", "Look for every shortcut's target in the simulated Excel and report");
  addCommonOptions(*command, state->common);
  addFixtureOption(*command, state->fixture);
  addLiveOption(*command, state->live);
  command->callback([state, &exitCode] {
    platform::posix::PosixFiles files;
    if (state->live) {
      auto library = loadLibrary(state->common, files);
      if (!library) {
        exitCode = fail(library.error());
        return;
      }
      auto live = openLiveExcel();
      if (!live) {
        exitCode = fail({kExitUsage, live.error()});
        return;
      }
      const auto& services = (*live)->services();
      excel::ExcelApp app(services, (*live)->pid());
      auto report = excel::checkShortcuts(app, (*library)->shortcuts(), base::formatDateMinute(services.clock.now()));
      std::cout << report.text << "\n";
      writeReport(state->common, files, excel::kCheckFileName, report.text);
      exitCode = report.notFound == 0 ? kExitOk : kExitFailure;
      return;
    }
    // Without Excel nothing is checked, and the user is told as the application tells them.
    auto session = startExcelSession(*state, files, "Open Excel with a workbook first");
    if (!session) {
      exitCode = fail(session.error());
      return;
    }
    auto& desktop = *session->desktop;
    std::optional<excel::ShortcutCheckReport> report;
    // The report is dated when it was made, not by the simulated desktop's clock.
    auto date = base::formatDateMinute(platform::posix::PosixClock().now());
    desktop.runner().check(session->library->shortcuts(), session->pid, date,
                           [&](excel::ShortcutCheckReport result) { report = std::move(result); });
    (void)desktop.time().runUntilIdle();
    if (!report) {
      exitCode = fail({kExitFailure, "The check did not finish"});
      return;
    }
    std::cout << report->text << "\n";
    bool written = writeReport(state->common, files, excel::kCheckFileName, report->text);
    exitCode = written && report->notFound == 0 && !report->blocked ? kExitOk : kExitFailure;
  });
}

void addMenuMapCommand(CLI::App& app, int& exitCode) {
  auto state = std::make_shared<ExcelCommandState>();
  auto* command = app.add_subcommand("menu-map", "Write the simulated Excel's menus with their key equivalents");
  addCommonOptions(*command, state->common);
  addFixtureOption(*command, state->fixture);
  command->callback([state, &exitCode] {
    platform::posix::PosixFiles files;
    auto fixture = loadFixtureOption(state->fixture, files);
    if (!fixture) {
      exitCode = fail(fixture.error());
      return;
    }
    SimDesktop desktop(*fixture);
    // Without Excel there is no menu bar to read: the map says so, as it does for unreadable menus.
    excel::MenuMap map{{}, "Couldn't read Excel's menus."};
    if (auto pid = desktop.excel().pid()) {
      desktop.time().global(platform::QoS::userInitiated).async([&] {
        excel::ExcelApp excel(desktop.services(), *pid);
        map = excel::menuMap(excel);
      });
      (void)desktop.time().runUntilIdle();
    }
    // A map that stopped early says where, on its last line, in the file as on the screen.
    auto text = map.fileText();
    std::cout << text;
    if (!text.ends_with("\n")) std::cout << "\n";
    bool written = writeReport(state->common, files, excel::kMenuMapFileName, text);
    exitCode = written && map.complete() ? kExitOk : kExitFailure;
  });
}

}  // namespace

const CommandRegistration kRunCommand{40, addRunCommand};
const CommandRegistration kCheckCommand{41, addCheckCommand};
const CommandRegistration kMenuMapCommand{42, addMenuMapCommand};

}  // namespace corvane::cli

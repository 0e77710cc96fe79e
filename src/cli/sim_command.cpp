// corvane sim: the whole program over the simulated desktop. Interactive with a prompt on a
// terminal; otherwise (or with --script) it reads the same commands without one, runs them in
// virtual time and prints the transcript.

#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/command_registry.hpp"
#include "cli/common.hpp"
#include "cli/fixture_option.hpp"
#include "cli/sim_script.hpp"
#include "cli/sim_session.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/posix/terminal.hpp"

namespace corvane::cli {
namespace {

constexpr const char* kPrompt = "corvane> ";

struct SimState {
  CommonOptions common;
  std::string fixture;
  std::vector<std::string> settings;
  std::string script;
};

std::expected<SimSessionOptions, CommandError> sessionOptions(const SimState& state, platform::Files& files) {
  SimSessionOptions options;
  auto fixture = loadFixtureOption(state.fixture, files);
  if (!fixture) return std::unexpected(fixture.error());
  options.fixture = *fixture;
  auto builtin = builtinPath(state.common, files);
  if (!builtin) return std::unexpected(builtin.error());
  options.builtinFile = *builtin;
  options.paths = pathsFor(state.common);
  if (!state.common.user.empty()) {
    auto user = userPath(state.common, options.paths, files);
    if (!user) return std::unexpected(user.error());
    options.userFile = *user;
  }
  for (const auto& setting : state.settings) {
    auto equals = setting.find('=');
    if (equals == std::string::npos || equals == 0) {
      return std::unexpected(CommandError{kExitUsage, "--set takes KEY=VALUE, not \"" + setting + "\""});
    }
    options.settings.emplace_back(setting.substr(0, equals), setting.substr(equals + 1));
  }
  return options;
}

int runScript(SimSession& session, const std::string& text, const std::string& source) {
  auto commands = parseSimScript(text);
  if (!commands) {
    std::cerr << "corvane: " << source << ": " << commands.error() << "\n";
    return kExitUsage;
  }
  for (const auto& command : *commands) {
    if (command.verb == "help") {
      std::cout << simHelp();
      continue;
    }
    if (auto done = session.execute(command); !done) {
      std::cerr << "corvane: " << source << ": line " << command.lineNumber << ": " << done.error() << "\n";
      session.finish();
      return kExitFailure;
    }
    if (session.quitRequested()) break;
  }
  session.finish();
  if (auto failed = session.takeFailure()) {
    std::cerr << "corvane: " << source << ": line " << failed->lineNumber << ": " << failed->text << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

int runInteractive(SimSession& session) {
  std::string line;
  int lineNumber = 0;
  while (true) {
    std::cout << kPrompt << std::flush;
    if (!std::getline(std::cin, line)) break;
    auto parsed = parseSimLine(line, ++lineNumber);
    if (!parsed) {
      std::cout << parsed.error() << "\n";
      continue;
    }
    if (!*parsed) continue;
    if ((*parsed)->verb == "help") {
      std::cout << simHelp();
      continue;
    }
    if (auto done = session.execute(**parsed); !done) {
      std::cout << done.error() << "\n";
      continue;
    }
    if (session.quitRequested()) break;
    session.settle();
    if (auto failed = session.takeFailure()) std::cout << failed->text << "\n";
    if (session.quitRequested()) break;
  }
  session.finish();
  return kExitOk;
}

void addSimCommand(CLI::App& app, int& exitCode) {
  auto state = std::make_shared<SimState>();
  auto* command = app.add_subcommand("sim", "Run Corvane over a simulated desktop and Excel, interactively or from a script");
  addCommonOptions(*command, state->common);
  addFixtureOption(*command, state->fixture);
  command->add_option("--set", state->settings, "A preference before start, KEY=VALUE (repeatable)")
      ->type_name("KEY=VALUE")
      ->take_all();
  command->add_option("--script", state->script, "Read the commands from FILE")->type_name("FILE");
  command->callback([state, &exitCode] {
    platform::posix::PosixFiles files;
    auto options = sessionOptions(*state, files);
    if (!options) {
      std::cerr << "corvane: " << options.error().message << "\n";
      exitCode = options.error().exitCode;
      return;
    }
    std::string script;
    std::string source;
    bool interactive = false;
    if (!state->script.empty()) {
      auto text = files.read(state->script);
      if (!text) {
        std::cerr << "corvane: cannot read " << state->script << ": " << text.error().description << "\n";
        exitCode = kExitUsage;
        return;
      }
      script = std::move(*text);
      source = state->script;
    } else if (platform::posix::standardInputIsTerminal()) {
      interactive = true;
    } else {
      script.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
      source = "standard input";
    }
    // A script with a syntax error runs nothing.
    if (!interactive) {
      if (auto commands = parseSimScript(script); !commands) {
        std::cerr << "corvane: " << source << ": " << commands.error() << "\n";
        exitCode = kExitUsage;
        return;
      }
    }

    if (interactive) {
      std::cout << "Corvane over a simulated Excel, in virtual time. Type help for the commands, quit to leave.\n";
    }
    SimSession session(std::move(*options), std::cout);
    if (auto started = session.start(); !started) {
      std::cerr << "corvane: --set: " << started.error() << "\n";
      exitCode = kExitUsage;
      return;
    }
    exitCode = interactive ? runInteractive(session) : runScript(session, script, source);
  });
}

}  // namespace

const CommandRegistration kSimCommand{60, addSimCommand};

}  // namespace corvane::cli

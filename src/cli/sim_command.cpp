// corvane sim: the whole program over the simulated desktop. Interactive with a prompt on a
// terminal; otherwise (or with --script) it reads the same commands without one, runs them in
// virtual time and prints the transcript.

#include <algorithm>
#include <cstdlib>
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
#include "model/key_names.hpp"
#include "model/text.hpp"
#include "platform/posix/line_editor.hpp"
#include "platform/posix/posix_clock.hpp"
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

/// Commands, then key names after the commands that take keys.
std::vector<std::string> promptCompletions(std::string_view before, std::string_view word) {
  auto typed = model::text::lower(word);
  std::vector<std::string> out;
  auto offer = [&](std::string_view candidate) {
    if (std::string_view(candidate).starts_with(typed)) out.emplace_back(candidate);
  };
  auto words = model::text::split(model::text::trim(std::string(before)), " ");
  std::erase_if(words, [](const std::string& w) { return w.empty(); });
  if (!words.empty() && words[0] == "at") words.erase(words.begin(), words.begin() + std::min<std::size_t>(2, words.size()));
  if (words.empty()) {
    for (const auto& name : simCommandNames()) offer(name.substr(0, name.find(' ')));
  } else if (words.size() == 1) {
    for (const auto& name : simCommandNames()) {
      if (name.starts_with(model::text::lower(words[0]) + " ")) offer(name.substr(name.find(' ') + 1));
    }
  }
  auto verb = words.empty() ? std::string() : model::text::lower(words[0]);
  if (verb == "key" || verb == "type" || (verb == "editor" && words.size() > 1)) {
    for (const auto& key : model::keyNameTable()) offer(key.name);
  }
  std::ranges::sort(out);
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

int runInteractive(SimSession& session, std::ostringstream& shown, platform::posix::LineEditor& editor) {
  auto take = [&shown] {
    auto text = shown.str();
    shown.str({});
    return text;
  };
  editor.setAfterWork([&session, &take] {
    session.catchUp();
    return take();
  });
  std::cout << take() << std::flush;
  // Virtual time follows the time the user takes between commands. A terminal test sets
  // CORVANE_PROMPT_TIME=still, so that its transcript does not depend on how busy the machine is.
  const char* promptTime = std::getenv("CORVANE_PROMPT_TIME");
  const bool followUser = promptTime == nullptr || std::string_view(promptTime) != "still";
  platform::posix::PosixClock clock;
  int lineNumber = 0;
  while (true) {
    double shownAt = clock.uptime();
    auto line = editor.readLine();
    if (!line) break;
    if (followUser) {
      session.idle(clock.uptime() - shownAt);
      std::cout << take();
    }
    auto parsed = parseSimLine(*line, ++lineNumber);
    if (!parsed) {
      std::cout << parsed.error() << "\n";
      continue;
    }
    if (!*parsed) continue;
    if ((*parsed)->verb == "help") {
      std::cout << simHelp();
      continue;
    }
    auto done = session.execute(**parsed);
    std::cout << take();
    if (!done) {
      std::cout << done.error() << "\n";
      continue;
    }
    if (session.quitRequested()) break;
    session.settle();
    std::cout << take();
    if (auto failed = session.takeFailure()) std::cout << failed->text << "\n";
    std::cout << std::flush;
    // Quit pressed in the panel ends the program once its work has run.
    if (session.quitRequested()) break;
  }
  session.finish();
  std::cout << take() << std::flush;
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
    // At the prompt the transcript is collected and printed between lines, so that what happens
    // while the user types (a file saved by an editor) appears above the line being typed.
    std::ostringstream shown;
    std::unique_ptr<platform::posix::LineEditor> editor;
    if (interactive) {
      editor = std::make_unique<platform::posix::LineEditor>(kPrompt, promptCompletions);
      options->diskEvents = &editor->queue();
    }
    SimSession session(std::move(*options), interactive ? static_cast<std::ostream&>(shown) : std::cout);
    if (auto started = session.start(); !started) {
      std::cout << shown.str();
      std::cerr << "corvane: --set: " << started.error() << "\n";
      exitCode = kExitUsage;
      return;
    }
    exitCode = interactive ? runInteractive(session, shown, *editor) : runScript(session, script, source);
  });
}

}  // namespace

const CommandRegistration kSimCommand{60, addSimCommand};

}  // namespace corvane::cli

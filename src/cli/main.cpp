// corvane: the command line over the portable core (shortcut files, the simulated Excel).

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command_registry.hpp"
#include "cli/common.hpp"

namespace {

/// Edits (insert, delete, replace, swap two neighbours) from one word to the other.
std::size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

/// The command a mistyped word was probably meant to be: the nearest within two edits.
std::string nearestCommand(CLI::App& app, const std::string& typed) {
  std::string best;
  std::size_t bestDistance = 3;
  for (auto* command : app.get_subcommands([](CLI::App*) { return true; })) {
    auto distance = editDistance(typed, command->get_name());
    if (distance < bestDistance) {
      bestDistance = distance;
      best = command->get_name();
    }
  }
  return best;
}

CLI::App* findCommand(CLI::App& app, const std::string& name) {
  for (auto* command : app.get_subcommands([](CLI::App*) { return true; })) {
    if (command->get_name() == name) return command;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace corvane::cli;
  CLI::App app{"Corvane: Excel for Windows' ribbon key sequences for Excel on the Mac"};
  app.name("corvane");
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string(CORVANE_VERSION_TEXT));
  int exitCode = kExitOk;
  addRegisteredCommands(app, exitCode);
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!arguments.empty() && arguments[0] == "help") {
    // "corvane help" and "corvane help COMMAND", as people try first.
    if (arguments.size() > 1) {
      if (auto* command = findCommand(app, arguments[1])) {
        std::cout << command->help();
        return kExitOk;
      }
    }
    std::cout << app.help();
    return kExitOk;
  }
  if (!arguments.empty() && !arguments[0].starts_with("-") && findCommand(app, arguments[0]) == nullptr) {
    std::cerr << "corvane: unknown command \"" << arguments[0] << "\"";
    if (auto nearest = nearestCommand(app, arguments[0]); !nearest.empty()) std::cerr << " (did you mean " << nearest << "?)";
    std::cerr << "\nRun corvane help for the commands.\n";
    return kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return kExitOk;
  } catch (const CLI::CallForAllHelp&) {
    std::cout << app.help("", CLI::AppFormatMode::All);
    return kExitOk;
  } catch (const CLI::CallForVersion&) {
    std::cout << CORVANE_VERSION_TEXT << "\n";
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) {
      app.exit(e);
      return kExitOk;
    }
    std::cerr << "corvane: " << e.what() << "\n";
    std::cerr << "Run corvane help for the commands, or add --help to a command.\n";
    return kExitUsage;
  }
  return exitCode;
}

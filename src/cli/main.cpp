// corvane: the command line over the portable core (shortcut files, the simulated Excel).

#include <CLI/CLI.hpp>

#include <iostream>

#include "cli/command_registry.hpp"
#include "cli/common.hpp"

int main(int argc, char** argv) {
  using namespace corvane::cli;
  CLI::App app{"Corvane: Excel for Windows' ribbon key sequences for Excel on the Mac"};
  app.require_subcommand(1);
  int exitCode = kExitOk;
  addRegisteredCommands(app, exitCode);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return kExitOk;
  } catch (const CLI::CallForAllHelp&) {
    std::cout << app.help("", CLI::AppFormatMode::All);
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) {
      app.exit(e);
      return kExitOk;
    }
    std::cerr << "corvane: " << e.what() << "\n";
    std::cerr << "Run with --help for usage.\n";
    return kExitUsage;
  }
  return exitCode;
}

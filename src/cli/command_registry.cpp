#include "cli/command_registry.hpp"

#include <map>

namespace corvane::cli {
namespace {

std::multimap<int, AddCommand>& registry() {
  static std::multimap<int, AddCommand> commands;
  return commands;
}

}  // namespace

CommandRegistration::CommandRegistration(int order, AddCommand add) { registry().emplace(order, std::move(add)); }

void addRegisteredCommands(CLI::App& app, int& exitCode) {
  for (auto& [order, add] : registry()) add(app, exitCode);
}

}  // namespace corvane::cli

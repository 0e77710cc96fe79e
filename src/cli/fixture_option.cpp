#include "cli/fixture_option.hpp"

#include <algorithm>

#include "platform/sim/fixture_loader.hpp"

namespace corvane::cli {
namespace {

bool namesFile(const std::string& option) {
  return option.find('/') != std::string::npos || (option.size() >= 5 && option.ends_with(".json"));
}

std::string variantList() {
  std::string list;
  const auto& names = builtinFixtureNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) list += i + 1 == names.size() ? " or " : ", ";
    list += names[i];
  }
  return list;
}

}  // namespace

const std::vector<std::string>& builtinFixtureNames() {
  static const std::vector<std::string> names{"default",   "slow",   "excel-2019",  "english-uk",
                                              "narrow",    "collapsed", "german",    "no-workbook",
                                              kNotRunningFixture};
  return names;
}

void addFixtureOption(CLI::App& command, std::string& fixture) {
  fixture = kDefaultFixture;
  command.add_option("--fixture", fixture,
                     "The simulated Excel: " + variantList() + ", or a fixture file (.json)")
      ->type_name("NAME|FILE");
}

std::expected<std::shared_ptr<const platform::sim::ExcelFixture>, CommandError> loadFixtureOption(
    const std::string& option, platform::Files& files) {
  std::string path;
  if (namesFile(option)) {
    if (!files.exists(option)) return std::unexpected(CommandError{kExitUsage, "No such fixture file: " + option});
    path = option;
  } else {
    if (option == kNotRunningFixture) return std::shared_ptr<const platform::sim::ExcelFixture>{};
    const auto& names = builtinFixtureNames();
    if (std::find(names.begin(), names.end(), option) == names.end()) {
      return std::unexpected(
          CommandError{kExitUsage, "Unknown fixture “" + option + "”: use " + variantList() + ", or a .json file"});
    }
    auto found = resourcePath("sim/" + option + ".json", files);
    if (!found) {
      return std::unexpected(CommandError{kExitUsage, "The built-in fixture sim/" + option + ".json is missing"});
    }
    path = *found;
  }
  auto fixture = platform::sim::loadFixtureFile(files, path);
  if (!fixture) return std::unexpected(CommandError{kExitUsage, path + ": " + fixture.error().text()});
  return std::make_shared<const platform::sim::ExcelFixture>(std::move(*fixture));
}

}  // namespace corvane::cli

// corvane tree: the simulated Excel's element tree as the Accessibility interface shows it, one
// element per line — the aid for fixture work and bug reports.

#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/command_registry.hpp"
#include "cli/common.hpp"
#include "cli/fixture_option.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::cli {
namespace {

std::string number(double n) {
  if (n == 0) return "0";  // never "-0"
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", n);
  return text;
}

std::string escaped(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
        break;
    }
  }
  return out + "\"";
}

std::optional<std::string> valueText(const std::optional<platform::AXValue>& value) {
  if (!value) return std::nullopt;
  if (const auto* s = std::get_if<std::string>(&*value)) return *s;
  if (const auto* i = std::get_if<std::int64_t>(&*value)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&*value)) return number(*d);
  if (const auto* b = std::get_if<bool>(&*value)) return *b ? "true" : "false";
  return std::nullopt;
}

class TreePrinter {
 public:
  TreePrinter(platform::Accessibility& ax, std::ostream& out) : ax_(ax), out_(out) {}

  void print(const platform::Element& element, int level, int maxDepth) {
    static constexpr std::string_view names[] = {"AXRole",  "AXTitle", "AXDescription", "AXHelp",    "AXIdentifier",
                                                 "AXValue", "AXPosition", "AXSize",     "AXEnabled", "AXChildren"};
    auto values = ax_.copyMultipleAttributes(element, names);
    if (!values) {
      out_ << std::string(2 * static_cast<std::size_t>(level), ' ') << "(unreadable element, error "
           << values.error() << ")\n";
      return;
    }
    const auto& v = *values;
    std::string line(2 * static_cast<std::size_t>(level), ' ');
    line += platform::valueAs<std::string>(v[0]).value_or("?");
    const char* keys[] = {"title", "desc", "help", "id"};
    for (std::size_t i = 0; i < 4; ++i) {
      auto text = platform::valueAs<std::string>(v[i + 1]);
      if (text && !text->empty()) line += std::string(" ") + keys[i] + "=" + escaped(*text);
    }
    if (auto value = valueText(v[5])) line += " value=" + escaped(*value);
    auto position = platform::valueAs<platform::Point>(v[6]);
    auto size = platform::valueAs<platform::Size>(v[7]);
    if (position && size) {
      line += " frame=(" + number(position->x) + "," + number(position->y) + "," + number(size->width) + "," +
              number(size->height) + ")";
    }
    if (platform::valueAs<bool>(v[8]) == false) line += " disabled";
    out_ << line << "\n";
    if (level >= maxDepth) return;
    for (const auto& child : platform::valueAs<std::vector<platform::Element>>(v[9]).value_or(std::vector<platform::Element>{})) {
      print(child, level + 1, maxDepth);
    }
  }

 private:
  platform::Accessibility& ax_;
  std::ostream& out_;
};

void addTreeCommand(CLI::App& app, int& exitCode) {
  struct State {
    CommonOptions common;  // accepted like every command's; the tree needs no shortcuts
    std::string fixture;
    int depth = -1;
  };
  auto state = std::make_shared<State>();
  auto* command = app.add_subcommand("tree", "Print the simulated Excel's element tree, one element per line");
  addCommonOptions(*command, state->common);
  addFixtureOption(*command, state->fixture);
  command->add_option("--depth", state->depth, "Levels below the application to print (0: the application only)")
      ->check(CLI::Validator(
          [](const std::string& text) -> std::string {
            return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos
                       ? std::string()
                       : "expected a whole number, 0 or more";
          },
          "N"))
      ->type_name("N");
  command->callback([state, &exitCode] {
    platform::posix::PosixFiles files;
    auto fixture = loadFixtureOption(state->fixture, files);
    if (!fixture) {
      std::cerr << "corvane: " << fixture.error().message << "\n";
      exitCode = fixture.error().exitCode;
      return;
    }
    platform::sim::VirtualTime time;
    platform::sim::SimExcel excel(time, time, *fixture);
    auto pid = excel.pid();
    if (!pid) {
      std::cerr << "corvane: Excel is not running\n";
      exitCode = kExitOk;
      return;
    }
    auto& ax = excel.accessibility();
    TreePrinter printer(ax, std::cout);
    printer.print(ax.application(*pid), 0, state->depth < 0 ? INT32_MAX : state->depth);
    exitCode = kExitOk;
  });
}

}  // namespace

const CommandRegistration kTreeCommand{30, addTreeCommand};

}  // namespace corvane::cli

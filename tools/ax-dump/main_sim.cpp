// ax-dump where there is no Excel: captures the simulated one, exactly as the Mac program captures
// the real one, so what a capture holds can be seen and tested anywhere.
//
//   ax-dump --fixture NAME|FILE [--name NAME] [--selected-tab-only] [--no-menus] [--keep-values] [-o FILE]

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/posix/posix_files.hpp"
#include "platform/sim/fixture_loader.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/sim_input_poster.hpp"
#include "platform/sim/sim_window_list.hpp"
#include "platform/sim/virtual_time.hpp"
#include "tools/ax-dump/dump_command.hpp"

namespace {

/// A built-in variant from the fixtures beside the program, or a file.
std::string fixturePath(const std::string& option, const char* argv0) {
  if (option.find('/') != std::string::npos || option.ends_with(".json")) return option;
  std::error_code error;
  auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  auto folder = error ? std::filesystem::path(argv0).parent_path() : self.parent_path();
  return (folder / "sim" / (option + ".json")).string();
}

}  // namespace

int main(int argc, const char* argv[]) {
  using namespace corvane;
  auto line = tools::parseDumpArguments(argc, argv, true);
  if (!line) {
    std::fprintf(stderr, "ax-dump: %s\n%s", line.error().c_str(), tools::dumpUsage(true).c_str());
    return 2;
  }
  if (line->help) {
    std::fputs(tools::dumpUsage(true).c_str(), stdout);
    return 0;
  }
  platform::posix::PosixFiles files;
  auto path = fixturePath(line->fixture, argv[0]);
  auto fixture = platform::sim::loadFixtureFile(files, path);
  if (!fixture) {
    std::fprintf(stderr, "ax-dump: %s: %s\n", path.c_str(), fixture.error().text().c_str());
    return 2;
  }
  auto shared = std::make_shared<const platform::sim::ExcelFixture>(std::move(*fixture));
  platform::sim::VirtualTime time;
  platform::sim::SimExcel excel(time, time, shared);
  if (!excel.pid()) {
    std::fputs("ax-dump: Excel is not running\n", stderr);
    return 1;
  }
  tools::DumpTarget target;
  target.pid = *excel.pid();
  target.title = shared->application.title;
  target.bundleIdentifier = shared->application.bundleIdentifier;
  target.screen = shared->application.screen;
  target.excelVersion = "simulated (" + (shared->name.empty() ? line->fixture : shared->name) + ")";
  target.macOSVersion = "simulated";
  target.language = "simulated";
  excel::ExcelServices services{excel.accessibility(), excel.windowList(), excel.inputPoster(), time};
  return tools::finishDump(tools::dumpExcel(services, target, line->options), line->output, files);
}

#include "tools/ax-dump/dump_command.hpp"

#include <cstdio>
#include <string_view>

namespace corvane::tools {

std::string dumpUsage(bool simulated) {
  std::string usage = "usage: ax-dump [--name NAME] [--selected-tab-only] [--no-menus] [--keep-values] ";
  usage += simulated ? "--fixture NAME|FILE " : "";
  usage +=
      "[-o FILE]\n"
      "Captures Excel's accessibility tree as a Corvane simulator fixture (to standard output unless -o names a\n"
      "file) and prints a summary. It selects every ribbon tab in turn and opens each dropdown, gallery, folded\n"
      "group and menu-bar menu, closing each again with Escape while Excel is in front; then restores your tab.\n"
      "  --selected-tab-only  capture only the open tab's groups\n"
      "  --no-menus           open no menu: leaves dropdown, gallery and folded-group contents out\n"
      "  --keep-values        keep what the workbook shows (cells, formula bar, sheet tabs, window titles)\n";
  if (simulated) usage += "  --fixture NAME|FILE  the simulated Excel to capture (this system has no Excel)\n";
  usage += "Replay it with: corvane tree --fixture FILE; compare it with: corvane compare FILE\n";
  return usage;
}

std::expected<DumpCommandLine, std::string> parseDumpArguments(int argc, const char* const argv[], bool simulated) {
  DumpCommandLine line;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      line.help = true;
    } else if (arg == "--selected-tab-only") {
      line.options.allTabs = false;
    } else if (arg == "--no-menus") {
      line.options.openMenus = false;
    } else if (arg == "--keep-values") {
      line.options.keepValues = true;
    } else if (arg == "--name" && hasValue) {
      line.options.name = argv[++i];
    } else if (arg == "-o" && hasValue) {
      line.output = argv[++i];
    } else if (arg == "--fixture" && hasValue && simulated) {
      line.fixture = argv[++i];
    } else if (arg == "--name" || arg == "-o" || (arg == "--fixture" && simulated)) {
      return std::unexpected(std::string(arg) + " needs a value");
    } else {
      return std::unexpected("unknown option " + std::string(arg));
    }
  }
  if (simulated && line.fixture.empty() && !line.help) {
    return std::unexpected(std::string("this system has no Excel: name a simulated one with --fixture NAME|FILE"));
  }
  return line;
}

int finishDump(const std::expected<Dump, std::string>& dump, const std::string& output, platform::Files& files) {
  if (!dump) {
    std::fprintf(stderr, "ax-dump: %s\n", dump.error().c_str());
    return 1;
  }
  if (output.empty()) {
    std::fwrite(dump->json.data(), 1, dump->json.size(), stdout);
  } else if (auto written = files.writeAtomic(output, dump->json); !written) {
    std::fprintf(stderr, "ax-dump: cannot write %s: %s\n", output.c_str(), written.error().description.c_str());
    return 1;
  }
  auto summary = summaryText(*dump);
  std::fputs(summary.c_str(), stderr);
  if (!output.empty()) std::fprintf(stderr, "Written to %s. Please send it with the check report and the comparison.\n", output.c_str());
  return 0;
}

}  // namespace corvane::tools

#pragma once
// ax-dump's command line, shared by the Mac program (the running Excel) and the one built elsewhere
// (the simulated Excel, `--fixture`): options, writing the capture and printing its summary.

#include <expected>
#include <string>

#include "platform/files.hpp"
#include "tools/ax-dump/fixture_writer.hpp"

namespace corvane::tools {

struct DumpCommandLine {
  DumpOptions options;
  std::string output;   ///< "" for standard output
  std::string fixture;  ///< the simulated Excel to capture (not on a Mac)
  bool help = false;
};

/// The usage text; `simulated` adds --fixture.
[[nodiscard]] std::string dumpUsage(bool simulated);

/// The options, or what is wrong with them.
[[nodiscard]] std::expected<DumpCommandLine, std::string> parseDumpArguments(int argc, const char* const argv[],
                                                                             bool simulated);

/// Writes the capture (to the output file, or standard output) and the summary (to standard error);
/// the program's exit status.
[[nodiscard]] int finishDump(const std::expected<Dump, std::string>& dump, const std::string& output,
                             platform::Files& files);

}  // namespace corvane::tools

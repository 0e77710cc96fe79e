// ax-dump: captures the running Excel's accessibility tree as a simulator fixture.
//
//   ax-dump [--name NAME] [--selected-tab-only] [-o FILE]
//
// Excel must be running with a workbook open, and the program running ax-dump (the terminal) needs
// the Accessibility permission. Every ribbon tab is selected in turn unless --selected-tab-only.

#import <AppKit/AppKit.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/macos/mac_accessibility.hpp"
#include "platform/macos/mac_clock.hpp"
#include "platform/macos/mac_files.hpp"
#include "tools/ax-dump/fixture_writer.hpp"

namespace {

constexpr const char* kUsage =
    "usage: ax-dump [--name NAME] [--selected-tab-only] [-o FILE]\n"
    "Writes the running Excel's accessibility tree as a Corvane simulator fixture (to standard output\n"
    "unless -o names a file). Replay it with: corvane tree --fixture FILE\n";

int fail(const std::string& message) {
  std::fprintf(stderr, "ax-dump: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, const char* argv[]) {
  @autoreleasepool {
    corvane::tools::DumpOptions options;
    std::string output;
    for (int i = 1; i < argc; ++i) {
      std::string_view arg = argv[i];
      if (arg == "--help" || arg == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
      }
      if (arg == "--selected-tab-only") {
        options.allTabs = false;
      } else if ((arg == "--name" || arg == "-o") && i + 1 < argc) {
        (arg == "--name" ? options.name : output) = argv[++i];
      } else {
        std::fputs(kUsage, stderr);
        return 2;
      }
    }

    NSArray<NSRunningApplication*>* running =
        [NSRunningApplication runningApplicationsWithBundleIdentifier:@"com.microsoft.Excel"];
    NSRunningApplication* excel = running.firstObject;
    if (excel == nil) return fail("Excel is not running");

    corvane::tools::DumpTarget target;
    target.pid = excel.processIdentifier;
    if (excel.localizedName.length > 0) target.title = excel.localizedName.UTF8String;
    target.frontmost = excel.active;
    NSScreen* screen = [NSScreen screens].firstObject;
    if (screen != nil) target.screen = {screen.frame.size.width, screen.frame.size.height};

    corvane::platform::macos::MacAccessibility ax;
    if (!ax.isTrusted(true)) {
      return fail("allow this terminal in System Settings › Privacy & Security › Accessibility, then run again");
    }
    corvane::platform::macos::MacClock clock;
    auto dump = corvane::tools::dumpExcel(ax, clock, target, options);
    if (!dump) return fail(dump.error());

    if (output.empty()) {
      std::fwrite(dump->json.data(), 1, dump->json.size(), stdout);
    } else {
      corvane::platform::macos::MacFiles files;
      if (auto written = files.writeAtomic(output, dump->json); !written) {
        return fail("cannot write " + output + ": " + written.error().description);
      }
    }
    std::fprintf(stderr, "ax-dump: %zu elements\n", dump->elements);
    for (const auto& note : dump->notes) std::fprintf(stderr, "ax-dump: note: %s\n", note.c_str());
    return 0;
  }
}

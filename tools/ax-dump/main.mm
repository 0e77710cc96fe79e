// ax-dump: captures the running Excel's accessibility tree as a simulator fixture.
//
//   ax-dump [--name NAME] [--selected-tab-only] [--no-menus] [--keep-values] [-o FILE]
//
// Excel must be running with a workbook open, and the program running ax-dump (the terminal) needs
// the Accessibility permission. Every ribbon tab is selected in turn unless --selected-tab-only, and
// every dropdown and menu opened and closed again unless --no-menus.

#import <AppKit/AppKit.h>

#include <cstdio>
#include <string>

#include "platform/macos/mac_accessibility.hpp"
#include "platform/macos/mac_clock.hpp"
#include "platform/macos/mac_files.hpp"
#include "platform/macos/mac_input_poster.hpp"
#include "platform/macos/mac_window_list.hpp"
#include "tools/ax-dump/dump_command.hpp"

namespace {

std::string utf8(NSString* text) { return text.length > 0 ? std::string(text.UTF8String) : std::string(); }

}  // namespace

int main(int argc, const char* argv[]) {
  @autoreleasepool {
    using namespace corvane;
    auto line = tools::parseDumpArguments(argc, argv, false);
    if (!line) {
      std::fprintf(stderr, "ax-dump: %s\n%s", line.error().c_str(), tools::dumpUsage(false).c_str());
      return 2;
    }
    if (line->help) {
      std::fputs(tools::dumpUsage(false).c_str(), stdout);
      return 0;
    }

    NSArray<NSRunningApplication*>* running =
        [NSRunningApplication runningApplicationsWithBundleIdentifier:@"com.microsoft.Excel"];
    NSRunningApplication* excel = running.firstObject;
    if (excel == nil) {
      std::fputs("ax-dump: Excel is not running\n", stderr);
      return 1;
    }

    tools::DumpTarget target;
    target.pid = excel.processIdentifier;
    if (excel.localizedName.length > 0) target.title = utf8(excel.localizedName);
    NSScreen* screen = [NSScreen screens].firstObject;
    if (screen != nil) target.screen = {screen.frame.size.width, screen.frame.size.height};
    NSBundle* bundle = excel.bundleURL != nil ? [NSBundle bundleWithURL:excel.bundleURL] : nil;
    if (bundle != nil) {
      id version = bundle.infoDictionary[@"CFBundleShortVersionString"];
      id build = bundle.infoDictionary[@"CFBundleVersion"];
      if ([version isKindOfClass:[NSString class]]) target.excelVersion = utf8(version);
      if ([build isKindOfClass:[NSString class]]) target.excelVersion += " (" + utf8(build) + ")";
      // The language Excel shows itself in: the first of the user's languages it has.
      NSArray<NSString*>* languages = [NSBundle preferredLocalizationsFromArray:bundle.localizations];
      if (languages.count > 0) target.language = utf8(languages.firstObject);
    }
    target.macOSVersion = utf8([NSProcessInfo processInfo].operatingSystemVersionString);

    platform::macos::MacAccessibility ax;
    if (!ax.isTrusted(true)) {
      std::fputs("ax-dump: allow this terminal in System Settings › Privacy & Security › Accessibility, then run again\n",
                 stderr);
      return 1;
    }
    platform::macos::MacClock clock;
    platform::macos::MacWindowList windows;
    platform::macos::MacInputPoster input;
    platform::macos::MacFiles files;
    excel::ExcelServices services{ax, windows, input, clock};
    return tools::finishDump(tools::dumpExcel(services, target, line->options), line->output, files);
  }
}

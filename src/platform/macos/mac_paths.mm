#include "platform/macos/mac_paths.hpp"

#import <Foundation/Foundation.h>

#include "platform/macos/cf_strings.hpp"

namespace corvane::platform::macos {
namespace {

/// The user's folder of that kind, or `fallback` under the home folder when the system names none.
std::string userFolder(NSSearchPathDirectory kind, const std::string& home, const char* fallback) {
  NSString* found = NSSearchPathForDirectoriesInDomains(kind, NSUserDomainMask, YES).firstObject;
  if (found.length == 0) return home + "/" + fallback;
  return toStdString(found);
}

std::string withoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

Paths macPaths() {
  @autoreleasepool {
    Paths paths;
    paths.home = withoutTrailingSlash(toStdString(NSHomeDirectory()));
    auto support = userFolder(NSApplicationSupportDirectory, paths.home, "Library/Application Support");
    auto library = userFolder(NSLibraryDirectory, paths.home, "Library");
    paths.supportFolder = support + "/Corvane";
    paths.formerSupportFolder = support + "/Pellmark";
    paths.logFile = library + "/Logs/Corvane.log";
    paths.desktop = userFolder(NSDesktopDirectory, paths.home, "Desktop");
    paths.temporaryFolder = withoutTrailingSlash(toStdString(NSTemporaryDirectory()));
    if (paths.temporaryFolder.empty()) paths.temporaryFolder = "/tmp";
    return paths;
  }
}

}  // namespace corvane::platform::macos

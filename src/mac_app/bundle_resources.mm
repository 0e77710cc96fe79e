#include "mac_app/bundle_resources.hpp"

#include "mac_app/view_kit.hpp"

namespace corvane::mac_app {

std::string builtinShortcutsFile(NSBundle* bundle) {
  if (NSString* found = [bundle pathForResource:@"shortcuts" ofType:@"json"]) return str(found);
  // An application bundle keeps its resources under Contents; a bare executable's bundle is its folder.
  NSString* contents = [bundle.bundlePath stringByAppendingPathComponent:@"Contents"];
  BOOL isFolder = NO;
  bool bundled = [[NSFileManager defaultManager] fileExistsAtPath:contents isDirectory:&isFolder] && isFolder;
  NSString* base = bundled ? contents : bundle.bundlePath;
  return str([base stringByAppendingPathComponent:@"Resources/shortcuts.json"]);
}

}  // namespace corvane::mac_app

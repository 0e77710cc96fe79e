#pragma once
// Where the application's own files are. Main thread.

#import <Foundation/Foundation.h>

#include <string>

namespace corvane::mac_app {

/// The built-in shortcuts file: the bundle's resource "shortcuts" of type "json"; when the bundle
/// has no such resource (a bare executable, a damaged bundle), the relative path
/// "Resources/shortcuts.json" taken from the bundle's contents — never from the working folder,
/// which is / for an application the Finder opened.
[[nodiscard]] std::string builtinShortcutsFile(NSBundle* bundle);

}  // namespace corvane::mac_app

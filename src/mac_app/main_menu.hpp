#pragma once
// The application's main menu: the application menu and the Edit menu, so that the standard
// editing keys (⌘X, ⌘C, ⌘V, ⌘A, ⌘Z) work in the windows' text fields. Main thread.

#import <AppKit/AppKit.h>

namespace corvane::mac_app {

[[nodiscard]] NSMenu* makeMainMenu();

}  // namespace corvane::mac_app

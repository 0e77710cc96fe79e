// Corvane.app's entry point: the one-time import of the former product's settings, the
// application object with its delegate, the activation policy from `showInDock`, the run loop.

#import <AppKit/AppKit.h>

#include "base/former_settings.hpp"
#include "base/preferences.hpp"
#include "mac_app/app_delegate.hpp"
#include "platform/macos/mac_defaults.hpp"
#include "platform/macos/mac_files.hpp"
#include "platform/macos/mac_paths.hpp"

int main(int argc, const char* argv[]) {
  (void)argc;
  (void)argv;
  @autoreleasepool {
    namespace macos = corvane::platform::macos;
    bool showInDock = false;
    {
      // Before anything reads a preference, so the imported values are the ones read.
      macos::MacDefaults defaults;
      macos::MacFiles files;
      corvane::base::importFormerSettings(defaults, files, macos::macPaths());
      corvane::base::Preferences preferences(defaults);
      showInDock = preferences.showInDock.get();
    }
    NSApplication* application = [NSApplication sharedApplication];
    [application setActivationPolicy:showInDock ? NSApplicationActivationPolicyRegular
                                                : NSApplicationActivationPolicyAccessory];
    // The application holds its delegate weakly.
    CVAppDelegate* delegate = [[CVAppDelegate alloc] init];
    application.delegate = delegate;
    [application run];
  }
  return 0;
}

#pragma once
// The application delegate: the composition root of Corvane.app. At launch it builds the macOS
// services, the shell over them and the status item, and forwards the application's own events
// (reopen, termination) to the shell. Main thread; lives as long as the process.

#import <AppKit/AppKit.h>

@interface CVAppDelegate : NSObject <NSApplicationDelegate>
@end

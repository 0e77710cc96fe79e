#pragma once
// AppKit answers only on the main thread; a call from any other thread may work for a while and
// then corrupt a window or crash far from its cause. Every entry point of a service that calls
// AppKit (panels, screens, the status item, windows) checks where it runs, as the simulated
// services record it in tests.

namespace corvane::platform::macos {

/// Does nothing on the main thread. Elsewhere it writes `call` to the system log and, in a debug
/// build, stops the program there. One `[NSThread isMainThread]` check.
void requireMainThread(const char* call);

}  // namespace corvane::platform::macos

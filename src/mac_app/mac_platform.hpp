#pragma once
// Every real platform service of the product, built once by the application delegate and kept
// for the life of the process. Main thread builds it; each service states its own threading.

#include <memory>

#include "platform/macos/mac_accessibility.hpp"
#include "platform/macos/mac_clock.hpp"
#include "platform/macos/mac_defaults.hpp"
#include "platform/macos/mac_event_tap.hpp"
#include "platform/macos/mac_files.hpp"
#include "platform/macos/mac_input_poster.hpp"
#include "platform/macos/mac_key_layout.hpp"
#include "platform/macos/mac_panels.hpp"
#include "platform/macos/mac_scheduler.hpp"
#include "platform/macos/mac_screens.hpp"
#include "platform/macos/mac_secure_input.hpp"
#include "platform/macos/mac_text_metrics.hpp"
#include "platform/macos/mac_window_list.hpp"
#include "platform/macos/mac_workspace.hpp"
#include "platform/paths.hpp"

namespace corvane::mac_app {

struct MacPlatform {
  MacPlatform();
  MacPlatform(const MacPlatform&) = delete;
  MacPlatform& operator=(const MacPlatform&) = delete;

  platform::macos::MacClock clock;
  platform::macos::MacScheduler scheduler;
  platform::macos::MacEventTap eventTap;
  platform::macos::MacKeyLayout keyLayout;
  platform::macos::MacSecureInput secureInput;
  platform::macos::MacDefaults defaults;
  platform::macos::MacFiles files;
  platform::Paths paths;
  platform::macos::MacAccessibility accessibility;
  platform::macos::MacWindowList windowList;
  platform::macos::MacInputPoster inputPoster;
  platform::macos::MacScreens screens;
  platform::macos::MacPanels panels;
  platform::macos::MacTextMetrics textMetrics;
  platform::macos::MacWorkspace workspace;
};

}  // namespace corvane::mac_app

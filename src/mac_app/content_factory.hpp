#pragma once
// The AppKit view of each view model, for MacPanels. Main thread only.

#include "platform/macos/panel_content.hpp"

namespace corvane::mac_app {

/// Builds the view that draws a view model, or nil for a model the application has no view for.
[[nodiscard]] platform::macos::PanelContentFactory makeContentFactory();

}  // namespace corvane::mac_app

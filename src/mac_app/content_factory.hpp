#pragma once
// The AppKit view of each view model, for MacPanels. Main thread only.

#include "platform/macos/panel_content.hpp"

namespace corvane::mac_app {

/// The content view class that draws `view`'s kind of model; nil for a kind the application has no
/// view for.
[[nodiscard]] Class contentClass(const platform::views::View& view);

/// Builds the view that draws a view model, or nil for a model the application has no view for.
[[nodiscard]] platform::macos::PanelContentFactory makeContentFactory();

}  // namespace corvane::mac_app

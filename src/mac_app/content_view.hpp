#pragma once
// The base of every view that draws a view model in a panel: it keeps the panel's action sink and
// the model it shows (any model the content factory pairs with the view's class), and rebuilds its
// subviews from the model. A subclass only draws. Main thread only; owned by its panel.

#import <AppKit/AppKit.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/macos/panel_content.hpp"
#include "platform/panels.hpp"
#include "platform/views/view.hpp"

@class CVBlockButton;

@interface CVContentView : NSView <CVPanelContent>
- (instancetype)initWithSink:(corvane::platform::macos::PanelActionSink)sink;
/// Hands an action to the panel's sink.
- (void)send:(const corvane::platform::PanelAction&)action;
/// A push button that sends `action` when pressed (the view may be gone by then: nothing is sent).
- (CVBlockButton*)buttonTitled:(const std::string&)title sending:(const corvane::platform::PanelAction&)action;
/// A check box that sends a toggle named `identifier` with its new state.
- (CVBlockButton*)checkBoxTitled:(const std::string&)title on:(bool)on toggling:(const std::string&)identifier;
/// A pop-up of (title, value) choices that sends a select named `identifier` with the chosen value.
- (NSPopUpButton*)pickerNamed:(const std::string&)identifier
                      choices:(const std::vector<std::pair<std::string, std::string>>&)choices
                     selected:(const std::string&)selected;
/// The model drawn now; null until the first one is shown.
- (const std::shared_ptr<const corvane::platform::views::View>&)shownModel;
/// Subclasses: draw the shown model (rebuild subviews, or mark for display).
- (void)render;
@end

namespace corvane::mac_app {

/// The model `view` draws, as the type the content factory pairs with its class; null before the
/// first one is shown.
template <typename T>
[[nodiscard]] const T* modelOf(CVContentView* view) {
  return dynamic_cast<const T*>([view shownModel].get());
}

}  // namespace corvane::mac_app

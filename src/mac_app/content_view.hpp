#pragma once
// The base of every view that draws a view model in a panel: it keeps the panel's action sink and
// the model it shows, and rebuilds its subviews from the model. Main thread only; owned by its panel.

#import <AppKit/AppKit.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/macos/panel_content.hpp"
#include "platform/panels.hpp"
#include "platform/views/view.hpp"

@class CVBlockButton;

namespace corvane::mac_app {

/// Keeps `view` in `slot` when it is a `T`; false (and `slot` untouched) otherwise.
template <typename T>
[[nodiscard]] bool keepAs(std::shared_ptr<const T>& slot, const std::shared_ptr<const platform::views::View>& view) {
  auto model = std::dynamic_pointer_cast<const T>(view);
  if (!model) return false;
  slot = std::move(model);
  return true;
}

}  // namespace corvane::mac_app

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
/// Subclasses: keep `view` when it is the kind they draw, else return NO.
- (BOOL)takeView:(const std::shared_ptr<const corvane::platform::views::View>&)view;
/// Subclasses: draw the kept model (rebuild subviews, or mark for display).
- (void)render;
@end

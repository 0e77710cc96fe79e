#pragma once
// The base of every view that draws a view model in a panel: it keeps the panel's action sink and
// the model it shows, and rebuilds its subviews from the model. Main thread only; owned by its panel.

#import <AppKit/AppKit.h>

#include <memory>

#include "platform/macos/panel_content.hpp"
#include "platform/panels.hpp"
#include "platform/views/view.hpp"

@interface CVContentView : NSView <CVPanelContent>
- (instancetype)initWithSink:(corvane::platform::macos::PanelActionSink)sink;
/// Hands an action to the panel's sink.
- (void)send:(const corvane::platform::PanelAction&)action;
/// Subclasses: keep `view` when it is the kind they draw, else return NO.
- (BOOL)takeView:(const std::shared_ptr<const corvane::platform::views::View>&)view;
/// Subclasses: draw the kept model (rebuild subviews, or mark for display).
- (void)render;
@end

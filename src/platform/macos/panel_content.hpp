#pragma once
// What a panel hosts: an AppKit view that draws one kind of view model. The application, which
// owns the views, gives MacPanels a factory; the panel asks it for a new view only when its content
// changes kind (the HUD turns from a key list into a notice). Objective-C++ only; main thread.

#include <functional>
#include <memory>

#include "platform/panels.hpp"
#include "platform/views/view.hpp"

#ifdef __OBJC__
#import <AppKit/AppKit.h>

/// The accessibility subrole of every panel of ours, so a scan of windows never takes one for Excel's.
extern NSString* const CVOwnPanelSubrole;

@protocol CVPanelContent <NSObject>
/// Draws `view`; NO when it is a kind of view model this view does not draw.
- (BOOL)showView:(const std::shared_ptr<const corvane::platform::views::View>&)view;
/// The size the content wants, in points.
- (NSSize)contentFittingSize;
@end

namespace corvane::platform::macos {

/// Delivers a user action to whatever sink the panel holds at the time.
using PanelActionSink = std::function<void(const PanelAction&)>;

/// A view for `view` in a panel of `kind`, or nil when the application has none for it; user input
/// goes to `sink`.
using PanelContentFactory = std::function<NSView<CVPanelContent>*(
    PanelKind kind, const std::shared_ptr<const views::View>& view, PanelActionSink sink)>;

}  // namespace corvane::platform::macos
#endif

#pragma once
// The small pieces every AppKit view of the application is built from: labels in the system font,
// key badges, symbols, buttons and fields that call a block, stacks. Main thread only.

#import <AppKit/AppKit.h>

#include <string>
#include <string_view>

#include "platform/panels.hpp"
#include "platform/views/view.hpp"

namespace corvane::mac_app {

[[nodiscard]] NSString* ns(std::string_view text);
[[nodiscard]] std::string str(NSString* text);
[[nodiscard]] NSColor* color(const platform::views::Color& c, double alphaFactor = 1);
[[nodiscard]] NSFont* font(double pointSize, platform::FontWeight weight = platform::FontWeight::regular);

/// A non-editable, non-selectable label.
[[nodiscard]] NSTextField* label(std::string_view text, double pointSize,
                                 platform::FontWeight weight = platform::FontWeight::regular,
                                 NSColor* textColor = nil);
/// A label that wraps at `width` points.
[[nodiscard]] NSTextField* wrappingLabel(std::string_view text, double pointSize, double width, NSColor* textColor = nil);
/// A system symbol ("chevron.right") at a point size, tinted; an empty view when the system lacks it.
[[nodiscard]] NSView* symbol(std::string_view name, double pointSize, NSColor* tint = nil);

enum class StackAxis { horizontal, vertical };
[[nodiscard]] NSStackView* stack(StackAxis axis, double spacing, NSArray<NSView*>* views);
/// Pins `child` to `parent`'s edges with `inset` points on every side.
void pin(NSView* child, NSView* parent, NSEdgeInsets inset);
/// Removes every subview.
void clear(NSView* view);
/// An empty view that takes up the slack of a horizontal stack (pushes what follows to the right).
[[nodiscard]] NSView* flexibleSpace();

}  // namespace corvane::mac_app

/// A rounded key cap with centred text, sized to its text.
@interface CVKeyBadge : NSView
- (instancetype)initWithText:(NSString*)text
                        fill:(NSColor*)fill
                      border:(NSColor*)border
                   textColor:(NSColor*)textColor
                    fontSize:(CGFloat)fontSize;
@end

/// A push button, check box or switch that runs a block when pressed.
@interface CVBlockButton : NSButton
@property(nonatomic, copy) void (^onPress)(CVBlockButton* sender);
+ (instancetype)buttonWithTitle:(NSString*)title onPress:(void (^)(CVBlockButton* sender))onPress;
+ (instancetype)checkBoxWithTitle:(NSString*)title on:(BOOL)on onPress:(void (^)(CVBlockButton* sender))onPress;
@end

/// A pop-up button that runs a block with the chosen item's index.
@interface CVBlockPopUp : NSPopUpButton
@property(nonatomic, copy) void (^onChoose)(NSInteger index);
@end

/// A text field that reports each change and the navigation keys (up, down, return, escape).
@interface CVBlockTextField : NSTextField <NSTextFieldDelegate>
@property(nonatomic, copy) void (^onChange)(NSString* text);
/// Returns YES when it handled the key ("up", "down", "return", "escape").
@property(nonatomic, copy) BOOL (^onKey)(NSString* key);
/// Sets the text unless it already reads so, keeping the caret where the user left it.
- (void)setTextKeepingSelection:(NSString*)text;
@end

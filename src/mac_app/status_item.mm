#include "mac_app/status_item.hpp"

#import <AppKit/AppKit.h>

#include <algorithm>
#include <utility>

#include "mac_app/view_kit.hpp"
#include "platform/macos/main_thread.hpp"

/// Receives the status button's clicks.
@interface CVStatusTarget : NSObject
@property(nonatomic, copy) void (^onClick)(corvane::app::StatusItemEvent click);
- (void)clicked:(id)sender;
@end

@implementation CVStatusTarget
- (void)clicked:(id)sender {
  (void)sender;
  NSEvent* event = [NSApp currentEvent];
  corvane::app::StatusItemEvent click;
  click.rightMouseUp = event.type == NSEventTypeRightMouseUp;
  click.optionHeld = (event.modifierFlags & NSEventModifierFlagOption) != 0;
  click.controlHeld = (event.modifierFlags & NSEventModifierFlagControl) != 0;
  if (self.onClick) self.onClick(click);
}
@end

namespace corvane::mac_app {

namespace {

constexpr double kSize = 18;

/// The logo: a key cap (a rounded square) with the Option sign on it, and a track along its
/// bottom edge for the run animation's car. Listening fills the cap and cuts the sign out of it.
NSImage* logo(bool listening, std::optional<double> car, double pointSize) {
  double size = pointSize > 0 ? pointSize : kSize;
  NSImage* image = [NSImage imageWithSize:NSMakeSize(size, size)
                                  flipped:NO
                           drawingHandler:^BOOL(NSRect rect) {
                             // Drawn on an 18-point grid, scaled to the size asked for.
                             NSAffineTransform* scale = [NSAffineTransform transform];
                             [scale scaleBy:rect.size.width / kSize];
                             [scale concat];
                             [[NSColor blackColor] set];
                             NSRect cap = NSMakeRect(2.5, 4.5, 13, 11);
                             NSBezierPath* outline = [NSBezierPath bezierPathWithRoundedRect:cap xRadius:2.5 yRadius:2.5];
                             outline.lineWidth = 1.4;
                             // The Option sign: a bar, a step down and a bar, as on the key.
                             NSBezierPath* sign = [NSBezierPath bezierPath];
                             [sign moveToPoint:NSMakePoint(5, 12.5)];
                             [sign lineToPoint:NSMakePoint(7.5, 12.5)];
                             [sign lineToPoint:NSMakePoint(10.5, 7.5)];
                             [sign lineToPoint:NSMakePoint(13, 7.5)];
                             [sign moveToPoint:NSMakePoint(10, 12.5)];
                             [sign lineToPoint:NSMakePoint(13, 12.5)];
                             sign.lineWidth = 1.3;
                             sign.lineCapStyle = NSLineCapStyleRound;
                             sign.lineJoinStyle = NSLineJoinStyleRound;
                             if (listening) {
                               [outline fill];
                               [[NSGraphicsContext currentContext] setCompositingOperation:NSCompositingOperationDestinationOut];
                               [sign stroke];
                               [[NSGraphicsContext currentContext] setCompositingOperation:NSCompositingOperationSourceOver];
                             } else {
                               [outline stroke];
                               [sign stroke];
                             }
                             if (car) {
                               double t = std::clamp(*car, 0.0, 1.0);
                               double x = 2 + t * (kSize - 4 - 4);
                               [[NSBezierPath bezierPathWithRoundedRect:NSMakeRect(x, 0.5, 4, 2.5) xRadius:1 yRadius:1] fill];
                             }
                             return YES;
                           }];
  [image setTemplate:YES];
  return image;
}

NSImage* warning(const app::StatusIconState& state) {
  NSString* name = state.systemSymbolName.empty() ? @"exclamationmark.triangle" : ns(state.systemSymbolName);
  NSImage* image = [NSImage imageWithSystemSymbolName:name accessibilityDescription:ns(state.accessibilityDescription)];
  if (image == nil) return logo(false, std::nullopt, state.pointSize);
  NSImageSymbolConfiguration* configuration = [NSImageSymbolConfiguration configurationWithPointSize:14
                                                                                              weight:NSFontWeightMedium];
  NSImage* sized = [image imageWithSymbolConfiguration:configuration];
  if (sized == nil) sized = image;
  [sized setTemplate:YES];
  return sized;
}

}  // namespace

struct StatusItem::Item {
  NSStatusItem* item = nil;
  CVStatusTarget* target = nil;
  std::optional<app::StatusIconState> shown;
};

StatusItem::StatusItem(std::function<void(const app::StatusItemEvent&)> onClick) : item_(std::make_unique<Item>()) {
  platform::macos::requireMainThread("StatusItem::StatusItem");
  item_->item = [[NSStatusBar systemStatusBar] statusItemWithLength:NSSquareStatusItemLength];
  item_->target = [[CVStatusTarget alloc] init];
  auto handler = std::make_shared<std::function<void(const app::StatusItemEvent&)>>(std::move(onClick));
  item_->target.onClick = ^(app::StatusItemEvent click) {
    auto call = *handler;  // a copy, so a click that replaces the handler finishes its call
    if (call) call(click);
  };
  NSStatusBarButton* button = item_->item.button;
  button.target = item_->target;
  button.action = @selector(clicked:);
  // A left click answers as the button goes down, as menu-bar items do; a right click on release.
  [button sendActionOn:NSEventMaskLeftMouseDown | NSEventMaskRightMouseUp];
  show(app::StatusIconState{});
}

StatusItem::~StatusItem() {
  platform::macos::requireMainThread("StatusItem::~StatusItem");
  [[NSStatusBar systemStatusBar] removeStatusItem:item_->item];
}

void StatusItem::show(const app::StatusIconState& state) {
  platform::macos::requireMainThread("StatusItem::show");
  if (item_->shown == state) return;
  item_->shown = state;
  NSStatusBarButton* button = item_->item.button;
  NSImage* image = nil;
  switch (state.symbol) {
    case app::StatusIconState::Symbol::logo: image = logo(state.listening, state.car, state.pointSize); break;
    case app::StatusIconState::Symbol::warning: image = warning(state); break;
  }
  [image setTemplate:state.templateImage];
  image.accessibilityDescription = ns(state.accessibilityDescription);
  button.image = image;
  button.appearsDisabled = state.disabledLook;
  button.toolTip = ns(state.toolTip);
}

std::optional<platform::Rect> StatusItem::buttonFrame() const {
  platform::macos::requireMainThread("StatusItem::buttonFrame");
  NSStatusBarButton* button = item_->item.button;
  NSWindow* window = button.window;
  if (window == nil || !item_->item.visible) return std::nullopt;
  NSRect frame = [window convertRectToScreen:[button convertRect:button.bounds toView:nil]];
  return platform::Rect{frame.origin.x, frame.origin.y, frame.size.width, frame.size.height};
}

void StatusItem::setVisible(bool visible) {
  platform::macos::requireMainThread("StatusItem::setVisible");
  item_->item.visible = visible;
}

void StatusItem::setHighlighted(bool on) {
  platform::macos::requireMainThread("StatusItem::setHighlighted");
  [item_->item.button highlight:on];
}

}  // namespace corvane::mac_app

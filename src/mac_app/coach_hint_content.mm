#include "mac_app/coach_hint_content.hpp"

#include "mac_app/content_kit.hpp"
#include "platform/views/coach_hint_view.hpp"

@implementation CVCoachHintContent

- (void)render {
  corvane::mac_app::clear(self);
  const auto& m = *modelOf<views::CoachHintView>(self);
  NSImage* appIcon = [NSApp applicationIconImage];
  NSMutableArray<NSView*>* parts = [NSMutableArray array];
  if (appIcon != nil) {
    NSImageView* icon = [NSImageView imageViewWithImage:appIcon];
    [icon.widthAnchor constraintEqualToConstant:16].active = YES;
    [icon.heightAnchor constraintEqualToConstant:16].active = YES;
    [parts addObject:icon];
  }
  [parts addObject:label(m.name, 12, FontWeight::medium)];
  for (const auto& key : m.keys) {
    [parts addObject:[[CVKeyBadge alloc] initWithText:ns(key)
                                                 fill:corvane::mac_app::color(m.badgeFill)
                                               border:corvane::mac_app::color(m.badgeBorder)
                                            textColor:corvane::mac_app::color(m.badgeText)
                                             fontSize:11]];
  }
  [parts addObject:label(m.trailer, 11.5, FontWeight::regular, [NSColor secondaryLabelColor])];
  if (m.turnOff) {
    CVBlockButton* button = [self buttonTitled:m.turnOff->title sending:corvane::mac_app::buttonAction(m.turnOff->id)];
    button.bezelStyle = NSBezelStyleInline;
    button.controlSize = NSControlSizeSmall;
    [parts addObject:button];
  }
  NSStackView* row = stack(StackAxis::horizontal, 6, parts);
  [self addSubview:row];
  corvane::mac_app::pin(row, self, NSEdgeInsetsMake(0, 12, 0, 12));
  [row.heightAnchor constraintEqualToConstant:m.height].active = YES;
}

@end

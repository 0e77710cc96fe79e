#include "mac_app/key_tip_overlay_content.hpp"

#include "mac_app/content_kit.hpp"
#include "platform/views/key_tip_overlay_view.hpp"

@implementation CVKeyTipOverlayContent

- (instancetype)initWithSink:(corvane::platform::macos::PanelActionSink)sink {
  if ((self = [super initWithSink:std::move(sink)])) {
    self.wantsLayer = YES;
    self.layerContentsRedrawPolicy = NSViewLayerContentsRedrawOnSetNeedsDisplay;
  }
  return self;
}

- (void)render {
  self.needsDisplay = YES;
}

- (NSSize)contentFittingSize {
  // The overlay covers its screen; the core sizes it to the screen's frame.
  return self.frame.size;
}

- (void)drawRect:(NSRect)dirtyRect {
  (void)dirtyRect;
  const auto* model = modelOf<views::KeyTipOverlayView>(self);
  if (model == nullptr) return;
  for (const auto& badge : model->badges) {
    if (badge.connector) {
      NSBezierPath* line = [NSBezierPath bezierPath];
      [line moveToPoint:NSMakePoint(badge.connector->first.x, badge.connector->first.y)];
      [line lineToPoint:NSMakePoint(badge.connector->second.x, badge.connector->second.y)];
      line.lineWidth = 1;
      line.lineCapStyle = NSLineCapStyleRound;
      [corvane::mac_app::color(badge.connectorColor) setStroke];
      [line stroke];
    }
    // The rectangle is already on the pixel grid; the stroke sits half its width inside it.
    NSRect rect = NSInsetRect(NSMakeRect(badge.rect.x, badge.rect.y, badge.rect.width, badge.rect.height),
                              badge.borderWidth / 2, badge.borderWidth / 2);
    NSBezierPath* path = [NSBezierPath bezierPathWithRoundedRect:rect
                                                         xRadius:badge.cornerRadius
                                                         yRadius:badge.cornerRadius];
    [corvane::mac_app::color(badge.fill) setFill];
    [path fill];
    path.lineWidth = badge.borderWidth;
    [corvane::mac_app::color(badge.border) setStroke];
    [path stroke];

    NSDictionary* attributes = @{
      NSFontAttributeName : corvane::mac_app::font(badge.fontSize, corvane::platform::FontWeight::medium),
      NSForegroundColorAttributeName : corvane::mac_app::color(badge.textColor)
    };
    NSString* text = corvane::mac_app::ns(badge.text);
    NSSize size = [text sizeWithAttributes:attributes];
    [text drawAtPoint:NSMakePoint(NSMidX(rect) - size.width / 2, NSMidY(rect) - size.height / 2)
        withAttributes:attributes];
  }
}

@end

#include "mac_app/view_kit.hpp"

#include <algorithm>
#include <cmath>

#include "platform/macos/cf_strings.hpp"
#include "platform/macos/mac_fonts.hpp"

namespace corvane::mac_app {

NSString* ns(std::string_view text) { return platform::macos::makeNSString(text); }

std::string str(NSString* text) { return platform::macos::toStdString(text); }

NSColor* color(const platform::views::Color& c, double alphaFactor) {
  return [NSColor colorWithSRGBRed:c.red green:c.green blue:c.blue alpha:c.alpha * alphaFactor];
}

NSFont* font(double pointSize, platform::FontWeight weight) { return platform::macos::systemFont(pointSize, weight); }

NSTextField* label(std::string_view text, double pointSize, platform::FontWeight weight, NSColor* textColor) {
  NSTextField* field = [NSTextField labelWithString:ns(text)];
  field.font = font(pointSize, weight);
  if (textColor != nil) field.textColor = textColor;
  field.selectable = NO;
  return field;
}

NSTextField* wrappingLabel(std::string_view text, double pointSize, double width, NSColor* textColor) {
  NSTextField* field = [NSTextField wrappingLabelWithString:ns(text)];
  field.font = font(pointSize);
  if (textColor != nil) field.textColor = textColor;
  field.selectable = NO;
  field.preferredMaxLayoutWidth = width;
  [field.widthAnchor constraintLessThanOrEqualToConstant:width].active = YES;
  return field;
}

NSView* symbol(std::string_view name, double pointSize, NSColor* tint) {
  NSImage* image = [NSImage imageWithSystemSymbolName:ns(name) accessibilityDescription:nil];
  if (image == nil) return [[NSView alloc] initWithFrame:NSZeroRect];
  NSImageSymbolConfiguration* configuration = [NSImageSymbolConfiguration configurationWithPointSize:pointSize
                                                                                              weight:NSFontWeightMedium];
  NSImage* sized = [image imageWithSymbolConfiguration:configuration];
  NSImageView* view = [NSImageView imageViewWithImage:sized != nil ? sized : image];
  if (tint != nil) view.contentTintColor = tint;
  return view;
}

NSStackView* stack(StackAxis axis, double spacing, NSArray<NSView*>* views) {
  NSStackView* s = [NSStackView stackViewWithViews:views];
  s.orientation = axis == StackAxis::horizontal ? NSUserInterfaceLayoutOrientationHorizontal
                                                : NSUserInterfaceLayoutOrientationVertical;
  s.alignment = axis == StackAxis::horizontal ? NSLayoutAttributeCenterY : NSLayoutAttributeLeading;
  s.spacing = spacing;
  s.translatesAutoresizingMaskIntoConstraints = NO;
  return s;
}

void pin(NSView* child, NSView* parent, NSEdgeInsets inset) {
  child.translatesAutoresizingMaskIntoConstraints = NO;
  // The far edges give way a little: until the panel takes its fitting size, its old frame must
  // not fight the content. Fitting sizes are measured far below this priority, so they still hug.
  NSLayoutConstraint* trailing = [child.trailingAnchor constraintEqualToAnchor:parent.trailingAnchor constant:-inset.right];
  NSLayoutConstraint* bottom = [child.bottomAnchor constraintEqualToAnchor:parent.bottomAnchor constant:-inset.bottom];
  trailing.priority = NSLayoutPriorityRequired - 1;
  bottom.priority = NSLayoutPriorityRequired - 1;
  [NSLayoutConstraint activateConstraints:@[
    [child.leadingAnchor constraintEqualToAnchor:parent.leadingAnchor constant:inset.left],
    [child.topAnchor constraintEqualToAnchor:parent.topAnchor constant:inset.top], trailing, bottom
  ]];
}

void clear(NSView* view) {
  for (NSView* subview in [view.subviews copy]) [subview removeFromSuperview];
}

NSView* flexibleSpace() {
  NSView* spacer = [[NSView alloc] initWithFrame:NSZeroRect];
  [spacer setContentHuggingPriority:NSLayoutPriorityDefaultLow forOrientation:NSLayoutConstraintOrientationHorizontal];
  return spacer;
}

}  // namespace corvane::mac_app

@implementation CVKeyBadge {
  NSString* _text;
  NSColor* _fill;
  NSColor* _border;
  NSDictionary* _attributes;
}

- (instancetype)initWithText:(NSString*)text
                        fill:(NSColor*)fill
                      border:(NSColor*)border
                   textColor:(NSColor*)textColor
                    fontSize:(CGFloat)fontSize {
  if ((self = [super initWithFrame:NSZeroRect])) {
    _text = [text copy];
    _fill = fill;
    _border = border;
    _attributes = @{
      NSFontAttributeName : corvane::mac_app::font(fontSize, corvane::platform::FontWeight::medium),
      NSForegroundColorAttributeName : textColor
    };
    self.translatesAutoresizingMaskIntoConstraints = NO;
    [self setContentHuggingPriority:NSLayoutPriorityRequired forOrientation:NSLayoutConstraintOrientationHorizontal];
    [self setContentCompressionResistancePriority:NSLayoutPriorityRequired
                                   forOrientation:NSLayoutConstraintOrientationHorizontal];
  }
  return self;
}

- (NSSize)intrinsicContentSize {
  NSFont* f = _attributes[NSFontAttributeName];
  double textWidth = std::round([_text sizeWithAttributes:_attributes].width);
  double height = std::round(f.pointSize * 1.5);
  return NSMakeSize(std::max(textWidth + 8, height - 2), height);
}

- (void)drawRect:(NSRect)dirtyRect {
  (void)dirtyRect;
  double pixel = 1 / (self.window.backingScaleFactor > 0 ? self.window.backingScaleFactor : 2);
  NSRect box = NSInsetRect(self.bounds, pixel / 2, pixel / 2);
  NSBezierPath* path = [NSBezierPath bezierPathWithRoundedRect:box xRadius:3 yRadius:3];
  [_fill setFill];
  [path fill];
  path.lineWidth = pixel;
  [_border setStroke];
  [path stroke];
  NSSize size = [_text sizeWithAttributes:_attributes];
  NSPoint at = NSMakePoint(NSMidX(self.bounds) - size.width / 2, NSMidY(self.bounds) - size.height / 2);
  [_text drawAtPoint:at withAttributes:_attributes];
}

@end

@implementation CVBlockButton

+ (instancetype)buttonWithTitle:(NSString*)title onPress:(void (^)(CVBlockButton*))onPress {
  CVBlockButton* button = [[self alloc] initWithFrame:NSZeroRect];
  button.title = title;
  button.bezelStyle = NSBezelStyleRounded;
  button.buttonType = NSButtonTypeMomentaryPushIn;
  button.onPress = onPress;
  button.target = button;
  button.action = @selector(pressed:);
  return button;
}

+ (instancetype)checkBoxWithTitle:(NSString*)title on:(BOOL)on onPress:(void (^)(CVBlockButton*))onPress {
  CVBlockButton* button = [[self alloc] initWithFrame:NSZeroRect];
  button.buttonType = NSButtonTypeSwitch;
  button.title = title;
  button.state = on ? NSControlStateValueOn : NSControlStateValueOff;
  button.onPress = onPress;
  button.target = button;
  button.action = @selector(pressed:);
  return button;
}

- (BOOL)acceptsFirstMouse:(NSEvent*)event {
  (void)event;
  return YES;
}

- (void)pressed:(id)sender {
  (void)sender;
  if (self.onPress) self.onPress(self);
}

@end

@implementation CVBlockPopUp

- (instancetype)initWithFrame:(NSRect)frame {
  if ((self = [super initWithFrame:frame pullsDown:NO])) {
    self.target = self;
    self.action = @selector(chosen:);
  }
  return self;
}

- (void)chosen:(id)sender {
  (void)sender;
  if (self.onChoose) self.onChoose(self.indexOfSelectedItem);
}

@end

@implementation CVBlockTextField

- (instancetype)initWithFrame:(NSRect)frame {
  if ((self = [super initWithFrame:frame])) self.delegate = self;
  return self;
}

- (void)controlTextDidChange:(NSNotification*)notification {
  (void)notification;
  if (self.onChange) self.onChange(self.stringValue);
}

- (BOOL)control:(NSControl*)control textView:(NSTextView*)textView doCommandBySelector:(SEL)command {
  (void)control;
  (void)textView;
  if (!self.onKey) return NO;
  if (command == @selector(moveUp:)) return self.onKey(@"up");
  if (command == @selector(moveDown:)) return self.onKey(@"down");
  if (command == @selector(insertNewline:)) return self.onKey(@"return");
  if (command == @selector(cancelOperation:)) return self.onKey(@"escape");
  return NO;
}

- (void)setTextKeepingSelection:(NSString*)text {
  if ([self.stringValue isEqualToString:text]) return;
  NSText* editor = [self currentEditor];
  NSRange selection = editor != nil ? editor.selectedRange : NSMakeRange(text.length, 0);
  self.stringValue = text;
  if (editor != nil) {
    NSUInteger at = std::min<NSUInteger>(selection.location, text.length);
    [self currentEditor].selectedRange = NSMakeRange(at, 0);
  }
}

@end

#include "mac_app/quick_panel_content.hpp"

#include <string>

#include "mac_app/content_kit.hpp"
#include "platform/views/quick_panel_view.hpp"

/// A switch that runs a block with its new state.
@interface CVBlockSwitch : NSSwitch
@property(nonatomic, copy) void (^onToggle)(BOOL on);
@end

@implementation CVBlockSwitch
- (instancetype)initWithFrame:(NSRect)frame {
  if ((self = [super initWithFrame:frame])) {
    self.target = self;
    self.action = @selector(toggled:);
  }
  return self;
}
- (void)toggled:(id)sender {
  (void)sender;
  if (self.onToggle) self.onToggle(self.state == NSControlStateValueOn);
}
- (BOOL)acceptsFirstMouse:(NSEvent*)event {
  (void)event;
  return YES;
}
@end

namespace {

NSColor* toneColour(views::PanelTone tone) {
  switch (tone) {
    case views::PanelTone::ok: return [NSColor systemGreenColor];
    case views::PanelTone::warn: return [NSColor systemOrangeColor];
    case views::PanelTone::bad: return [NSColor systemRedColor];
  }
  return [NSColor secondaryLabelColor];
}

/// The name the panel's controller reads for a key press.
std::string keyName(NSEvent* event) {
  switch (event.keyCode) {
    case 126: return "up";
    case 125: return "down";
    case 36: return "return";
    case 76: return "enter";
    case 53: return "escape";
    default: break;
  }
  return corvane::mac_app::str(event.charactersIgnoringModifiers.lowercaseString);
}

}  // namespace

@implementation CVQuickPanelContent

- (BOOL)acceptsFirstResponder {
  return YES;
}

- (void)viewDidMoveToWindow {
  [super viewDidMoveToWindow];
  if (self.window != nil) [self.window makeFirstResponder:self];
}

- (void)keyDown:(NSEvent*)event {
  bool command = (event.modifierFlags & NSEventModifierFlagCommand) != 0;
  [self send:corvane::mac_app::keyAction(keyName(event), command)];
}

- (BOOL)performKeyEquivalent:(NSEvent*)event {
  // ⌘ shortcuts of the panel's rows come here before any menu sees them.
  if (self.window.keyWindow && (event.modifierFlags & NSEventModifierFlagCommand) != 0) {
    [self keyDown:event];
    return YES;
  }
  return [super performKeyEquivalent:event];
}

- (NSView*)toggle:(const views::QuickPanelItem&)item bold:(bool)bold {
  CVContentView* __weak weakSelf = self;
  std::string id = item.id;
  CVBlockSwitch* control = [[CVBlockSwitch alloc] initWithFrame:NSZeroRect];
  control.controlSize = NSControlSizeSmall;
  control.state = item.on ? NSControlStateValueOn : NSControlStateValueOff;
  control.onToggle = ^(BOOL on) {
    [weakSelf send:corvane::mac_app::toggleAction(id, on)];
  };
  NSMutableArray<NSView*>* parts = [NSMutableArray array];
  if (!item.symbol.empty()) [parts addObject:corvane::mac_app::symbol(item.symbol, 13, [NSColor secondaryLabelColor])];
  [parts addObject:label(item.title, 13, bold ? FontWeight::semibold : FontWeight::regular)];
  [parts addObject:flexibleSpace()];
  [parts addObject:control];
  NSStackView* line = stack(StackAxis::horizontal, 8, parts);
  [line.widthAnchor constraintEqualToConstant:modelOf<views::QuickPanelView>(self)->width - 24].active = YES;
  return line;
}

- (NSView*)row:(const views::QuickPanelItem&)item {
  CVBlockButton* button = [self buttonTitled:item.title sending:corvane::mac_app::buttonAction(item.id)];
  button.bordered = NO;
  button.alignment = NSTextAlignmentLeft;
  button.font = corvane::mac_app::font(13);
  NSImage* image = item.symbol.empty() ? nil : [NSImage imageWithSystemSymbolName:ns(item.symbol) accessibilityDescription:nil];
  if (image != nil) {
    button.image = image;
    button.imagePosition = NSImageLeading;
  }
  NSMutableArray<NSView*>* parts = [NSMutableArray arrayWithObjects:button, flexibleSpace(), nil];
  if (item.detail) [parts addObject:label(*item.detail, 12, FontWeight::regular, [NSColor secondaryLabelColor])];
  if (item.keyHint) [parts addObject:label(*item.keyHint, 12, FontWeight::regular, [NSColor tertiaryLabelColor])];
  NSStackView* line = stack(StackAxis::horizontal, 8, parts);
  line.edgeInsets = NSEdgeInsetsMake(3, 6, 3, 6);
  [line.widthAnchor constraintEqualToConstant:modelOf<views::QuickPanelView>(self)->width - 24].active = YES;
  if (item.selected) {
    line.wantsLayer = YES;
    line.layer.cornerRadius = 5;
    line.layer.backgroundColor = [[NSColor selectedContentBackgroundColor] colorWithAlphaComponent:0.35].CGColor;
  }
  return line;
}

- (void)render {
  corvane::mac_app::clear(self);
  const auto& m = *modelOf<views::QuickPanelView>(self);
  NSMutableArray<NSView*>* rows = [NSMutableArray array];

  // The status line in its tone's colour.
  NSColor* tone = toneColour(m.tone);
  NSView* dot = corvane::mac_app::symbol("circle.fill", 8, tone);
  NSStackView* status = stack(StackAxis::horizontal, 5, @[ dot, label(m.statusText, 11, FontWeight::medium, tone) ]);
  NSStackView* title = stack(StackAxis::vertical, 2, @[ label(m.appName, 13, FontWeight::bold), status ]);
  NSView* mainSwitch = [self toggle:m.mainSwitch bold:true];
  [rows addObject:title];
  [rows addObject:mainSwitch];

  NSBox* line = [[NSBox alloc] initWithFrame:NSZeroRect];
  line.boxType = NSBoxSeparator;
  [line.widthAnchor constraintEqualToConstant:m.width - 24].active = YES;
  [rows addObject:line];

  for (const auto& item : m.items) {
    switch (item.kind) {
      case views::QuickPanelItem::Kind::toggle: [rows addObject:[self toggle:item bold:false]]; break;
      case views::QuickPanelItem::Kind::row: [rows addObject:[self row:item]]; break;
    }
  }

  NSStackView* root = stack(StackAxis::vertical, 6, rows);
  [self addSubview:root];
  corvane::mac_app::pin(root, self, NSEdgeInsetsMake(12, 12, 10, 12));
}

@end

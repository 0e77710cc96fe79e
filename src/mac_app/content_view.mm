#include "mac_app/content_view.hpp"

#include "mac_app/view_actions.hpp"
#include "mac_app/view_kit.hpp"

#include <algorithm>
#include <cmath>
#include <typeinfo>
#include <utility>

@implementation CVContentView {
  corvane::platform::macos::PanelActionSink _sink;
  std::shared_ptr<const corvane::platform::views::View> _model;
}

- (instancetype)initWithSink:(corvane::platform::macos::PanelActionSink)sink {
  if ((self = [super initWithFrame:NSMakeRect(0, 0, 100, 100)])) _sink = std::move(sink);
  return self;
}

- (BOOL)acceptsFirstMouse:(NSEvent*)event {
  (void)event;
  return YES;
}

- (void)send:(const corvane::platform::PanelAction&)action {
  if (_sink) _sink(action);
}

- (CVBlockButton*)buttonTitled:(const std::string&)title sending:(const corvane::platform::PanelAction&)action {
  CVContentView* __weak weakSelf = self;
  corvane::platform::PanelAction copy = action;
  return [CVBlockButton buttonWithTitle:corvane::mac_app::ns(title)
                                onPress:^(CVBlockButton*) {
                                  [weakSelf send:copy];
                                }];
}

- (CVBlockButton*)checkBoxTitled:(const std::string&)title on:(bool)on toggling:(const std::string&)identifier {
  CVContentView* __weak weakSelf = self;
  std::string id = identifier;
  return [CVBlockButton checkBoxWithTitle:corvane::mac_app::ns(title)
                                       on:on
                                  onPress:^(CVBlockButton* sender) {
                                    [weakSelf send:corvane::mac_app::toggleAction(id, sender.state == NSControlStateValueOn)];
                                  }];
}

- (NSPopUpButton*)pickerNamed:(const std::string&)identifier
                      choices:(const std::vector<std::pair<std::string, std::string>>&)choices
                     selected:(const std::string&)selected {
  CVBlockPopUp* popup = [[CVBlockPopUp alloc] initWithFrame:NSMakeRect(0, 0, 240, 26)];
  std::vector<std::string> values;
  for (const auto& [title, value] : choices) {
    // Through the menu: the button's own addItemWithTitle: drops an earlier item of the same title,
    // and two of Excel's buttons may well share one.
    [popup.menu addItemWithTitle:corvane::mac_app::ns(title) action:nil keyEquivalent:@""];
    values.push_back(value);
    if (value == selected) [popup selectItemAtIndex:popup.numberOfItems - 1];
  }
  CVContentView* __weak weakSelf = self;
  std::string id = identifier;
  popup.onChoose = ^(NSInteger index) {
    if (index < 0 || static_cast<std::size_t>(index) >= values.size()) return;
    [weakSelf send:corvane::mac_app::selectAction(id, values[static_cast<std::size_t>(index)])];
  };
  popup.enabled = !choices.empty();
  return popup;
}

- (const std::shared_ptr<const corvane::platform::views::View>&)shownModel {
  return _model;
}

- (void)render {
}

- (BOOL)showView:(const std::shared_ptr<const corvane::platform::views::View>&)view {
  // A content draws the kind of model the factory made it for (the first it is shown); a model of
  // another kind needs the factory's other class.
  if (!view) return NO;
  if (_model) {
    const corvane::platform::views::View& shown = *_model;
    const corvane::platform::views::View& offered = *view;
    if (typeid(shown) != typeid(offered)) return NO;
  }
  _model = view;
  // A rebuild takes the text field being typed in out of the window for a moment; give it back
  // its focus and caret, so typing goes on undisturbed.
  NSTextField* editing = nil;
  NSRange selection = NSMakeRange(0, 0);
  id responder = self.window.firstResponder;
  if ([responder isKindOfClass:[NSTextView class]] && [[responder delegate] isKindOfClass:[NSTextField class]]) {
    NSTextField* field = (NSTextField*)[responder delegate];
    if ([field isDescendantOf:self]) {
      editing = field;
      selection = ((NSTextView*)responder).selectedRange;
    }
  }
  [self render];
  // Only when the rebuild left nobody with the focus: a view may have taken it on purpose.
  id now = self.window.firstResponder;
  bool focusLost = now == nil || now == self.window;
  if (editing != nil && focusLost && [editing isDescendantOf:self] && [self.window makeFirstResponder:editing]) {
    NSText* editor = [editing currentEditor];
    NSUInteger length = editing.stringValue.length;
    NSUInteger at = std::min<NSUInteger>(selection.location, length);
    editor.selectedRange = NSMakeRange(at, std::min<NSUInteger>(selection.length, length - at));
  }
  return YES;
}

- (NSSize)contentFittingSize {
  [self layoutSubtreeIfNeeded];
  NSSize size = self.fittingSize;
  return NSMakeSize(std::ceil(size.width), std::ceil(size.height));
}

@end

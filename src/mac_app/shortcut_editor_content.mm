#include "mac_app/shortcut_editor_content.hpp"

#include <string>

#include "mac_app/content_kit.hpp"
#include "platform/macos/mac_key_layout.hpp"
#include "platform/views/shortcut_editor_view.hpp"

namespace {

constexpr double kWidth = 560;

NSView* keyCap(const std::string& key) {
  return [[CVKeyBadge alloc] initWithText:ns(key)
                                     fill:[NSColor controlBackgroundColor]
                                   border:[NSColor separatorColor]
                                textColor:[NSColor labelColor]
                                 fontSize:12];
}

NSColor* checkColour(views::CheckLevel level) {
  switch (level) {
    case views::CheckLevel::ok: return [NSColor systemGreenColor];
    case views::CheckLevel::info: return [NSColor secondaryLabelColor];
    case views::CheckLevel::problem: return [NSColor systemOrangeColor];
  }
  return [NSColor secondaryLabelColor];
}

const char* checkSymbol(views::CheckLevel level) {
  switch (level) {
    case views::CheckLevel::ok: return "checkmark.circle.fill";
    case views::CheckLevel::info: return "info.circle";
    case views::CheckLevel::problem: return "exclamationmark.triangle.fill";
  }
  return "info.circle";
}

}  // namespace

@implementation CVShortcutEditorContent {  CVBlockTextField* _menuPath;
  CVBlockTextField* _combo;
  CVBlockTextField* _name;
  corvane::platform::macos::MacKeyLayout _layout;
}
- (instancetype)initWithSink:(corvane::platform::macos::PanelActionSink)sink {
  if ((self = [super initWithSink:std::move(sink)])) {
    _menuPath = [self fieldNamed:"menuPath" placeholder:@"Format > Cells…"];
    _combo = [self fieldNamed:"combo" placeholder:@"⇧⌘L"];
    _name = [self fieldNamed:"name" placeholder:@""];
  }
  return self;
}

- (CVBlockTextField*)fieldNamed:(std::string)name placeholder:(NSString*)placeholder {
  CVBlockTextField* field = [[CVBlockTextField alloc] initWithFrame:NSMakeRect(0, 0, 260, 22)];
  field.placeholderString = placeholder;
  field.translatesAutoresizingMaskIntoConstraints = NO;
  [field.widthAnchor constraintEqualToConstant:300].active = YES;
  CVContentView* __weak weakSelf = self;
  field.onChange = ^(NSString* text) {
    [weakSelf send:corvane::mac_app::textAction(name, corvane::mac_app::str(text))];
  };
  return field;
}

- (BOOL)recording {
  const auto* model = modelOf<views::ShortcutEditorView>(self);
  return model != nullptr && model->form && (model->form->recording || model->form->recordingCombo);
}

- (BOOL)acceptsFirstResponder {
  return YES;
}

- (void)keyDown:(NSEvent*)event {
  if (![self recording]) {
    [super keyDown:event];
    return;
  }
  views::CaughtKey key;
  key.keyCode = event.keyCode;
  NSEventModifierFlags flags = event.modifierFlags;
  key.command = (flags & NSEventModifierFlagCommand) != 0;
  key.shift = (flags & NSEventModifierFlagShift) != 0;
  key.option = (flags & NSEventModifierFlagOption) != 0;
  key.control = (flags & NSEventModifierFlagControl) != 0;
  // What the key types with no modifiers on the current layout, so ⌥H is caught as "h", not "˙".
  key.character = _layout.character(event.keyCode).value_or(corvane::mac_app::str(event.charactersIgnoringModifiers));
  [self send:corvane::mac_app::caughtKeyAction(key)];
}

- (BOOL)performKeyEquivalent:(NSEvent*)event {
  // While recording, ⌘ combinations are keys to catch, not menu commands.
  if ([self recording] && self.window.firstResponder == self) {
    [self keyDown:event];
    return YES;
  }
  return [super performKeyEquivalent:event];
}

- (NSButton*)button:(const views::EditorButton&)b {
  std::string index = b.entryIndex >= 0 ? std::to_string(b.entryIndex) : std::string();
  CVBlockButton* button = [self buttonTitled:b.title
                                     sending:corvane::mac_app::buttonAction(corvane::mac_app::actionName(b.action), index)];
  button.enabled = b.enabled;
  if (b.action == views::EditorAction::save) button.keyEquivalent = @"\r";
  return button;
}

- (NSButton*)actionButton:(NSString*)title action:(views::EditorAction)action {
  return [self button:views::EditorButton{corvane::mac_app::str(title), action, true, -1}];
}

- (NSPopUpButton*)picker:(const std::vector<views::EditorChoice>&)choices
                selected:(const std::string&)selected
                    name:(const std::string&)name {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const auto& choice : choices) pairs.emplace_back(choice.title, choice.value);
  return [self pickerNamed:name choices:pairs selected:selected];
}

- (NSView*)formRow:(NSString*)title control:(NSView*)control {
  NSTextField* caption = label(corvane::mac_app::str(title), 13, FontWeight::regular, [NSColor secondaryLabelColor]);
  caption.alignment = NSTextAlignmentRight;
  [caption.widthAnchor constraintEqualToConstant:110].active = YES;
  return stack(StackAxis::horizontal, 10, @[ caption, control ]);
}

- (NSView*)entryRow:(const views::EditorEntryRow&)entry {
  NSColor* tone = entry.disabled ? [NSColor tertiaryLabelColor] : [NSColor labelColor];
  NSTextField* keys = label(entry.keys, 13, FontWeight::semibold, tone);
  [keys.widthAnchor constraintEqualToConstant:90].active = YES;
  NSStackView* words = stack(StackAxis::vertical, 1, @[
    label(entry.name, 13, FontWeight::regular, tone), label(entry.summary, 11, FontWeight::regular, [NSColor secondaryLabelColor])
  ]);
  NSMutableArray<NSView*>* parts = [NSMutableArray arrayWithObjects:keys, words, flexibleSpace(), nil];
  for (const auto& b : entry.buttons) [parts addObject:[self button:b]];
  NSStackView* row = stack(StackAxis::horizontal, 10, parts);
  [row.widthAnchor constraintEqualToConstant:kWidth].active = YES;
  return row;
}

- (NSView*)form:(const views::EditorForm&)f {
  NSMutableArray<NSView*>* rows = [NSMutableArray array];
  [rows addObject:label(f.heading, 15, FontWeight::semibold)];

  NSMutableArray<NSView*>* keys = [NSMutableArray arrayWithObject:label("⌥", 13, FontWeight::semibold)];
  for (const auto& key : f.keys) [keys addObject:keyCap(key)];
  if (f.recording) [keys addObject:label("Type the keys…", 12, FontWeight::regular, [NSColor controlAccentColor])];
  [keys addObject:flexibleSpace()];
  if (!f.recording) [keys addObject:[self actionButton:@"Record Again" action:views::EditorAction::recordKeys]];
  [keys addObject:[self actionButton:@"Clear" action:views::EditorAction::clearKeys]];
  NSStackView* keyRow = stack(StackAxis::horizontal, 6, keys);
  [keyRow.widthAnchor constraintEqualToConstant:kWidth - 120].active = YES;
  [rows addObject:[self formRow:@"Keys" control:keyRow]];
  if (!f.check.empty()) {
    NSColor* tint = checkColour(f.checkLevel);
    [rows addObject:[self formRow:@""
                          control:stack(StackAxis::horizontal, 5, @[
                            corvane::mac_app::symbol(checkSymbol(f.checkLevel), 11, tint),
                            wrappingLabel(f.check, 11, kWidth - 150, tint)
                          ])]];
  }

  [rows addObject:[self formRow:@"Does" control:[self picker:f.kinds selected:f.kind name:"kind"]]];
  if (f.kind == "ribbon") {
    [rows addObject:[self formRow:@"Tab" control:[self picker:f.tabs selected:f.tab name:"tab"]]];
    [rows addObject:[self formRow:@"Button" control:[self picker:f.buttons selected:f.button name:"button"]]];
    if (f.items.size() > 1) {
      [rows addObject:[self formRow:@"Menu item" control:[self picker:f.items selected:f.item name:"item"]]];
    }
  } else if (f.kind == "menu") {
    [_menuPath setTextKeepingSelection:ns(f.menuPath)];
    [rows addObject:[self formRow:@"Menu path" control:_menuPath]];
  } else {
    [_combo setTextKeepingSelection:ns(f.combo)];
    NSMutableArray<NSView*>* combo = [NSMutableArray arrayWithObject:_combo];
    if (!f.comboDisplay.empty()) [combo addObject:label(f.comboDisplay, 13, FontWeight::medium)];
    if (f.recordingCombo) {
      [combo addObject:label("Press the keystroke…", 12, FontWeight::regular, [NSColor controlAccentColor])];
    } else {
      [combo addObject:[self actionButton:@"Record" action:views::EditorAction::recordCombo]];
    }
    [rows addObject:[self formRow:@"Keystroke" control:stack(StackAxis::horizontal, 8, combo)]];
  }

  [_name setTextKeepingSelection:ns(f.name)];
  _name.placeholderString = ns(f.namePlaceholder);
  [rows addObject:[self formRow:@"Name" control:_name]];

  NSMutableArray<NSView*>* buttons = [NSMutableArray arrayWithObject:flexibleSpace()];
  for (const auto& b : f.buttonsRow) [buttons addObject:[self button:b]];
  NSStackView* buttonRow = stack(StackAxis::horizontal, 8, buttons);
  [buttonRow.widthAnchor constraintEqualToConstant:kWidth].active = YES;
  [rows addObject:buttonRow];
  return stack(StackAxis::vertical, 10, rows);
}

- (void)render {
  corvane::mac_app::clear(self);
  const auto& m = *modelOf<views::ShortcutEditorView>(self);
  NSMutableArray<NSView*>* rows = [NSMutableArray array];
  [rows addObject:label(m.title, 17, FontWeight::bold)];

  if (m.form) {
    [rows addObject:[self form:*m.form]];
  } else {
    if (m.entries.empty()) [rows addObject:wrappingLabel(m.emptyText, 13, kWidth, [NSColor secondaryLabelColor])];
    for (const auto& entry : m.entries) [rows addObject:[self entryRow:entry]];
    NSMutableArray<NSView*>* buttons = [NSMutableArray array];
    for (const auto& b : m.listButtons) [buttons addObject:[self button:b]];
    [rows addObject:stack(StackAxis::horizontal, 8, buttons)];
  }
  if (m.saveError) {
    [rows addObject:stack(StackAxis::horizontal, 5, @[
      corvane::mac_app::symbol("exclamationmark.triangle.fill", 11, [NSColor systemOrangeColor]),
      wrappingLabel(*m.saveError, 12, kWidth - 20, [NSColor systemOrangeColor])
    ])];
  }

  NSStackView* root = stack(StackAxis::vertical, 12, rows);
  [self addSubview:root];
  corvane::mac_app::pin(root, self, NSEdgeInsetsMake(20, 20, 20, 20));
  // Recording takes the keys; the page itself must be the first responder for that.
  if ([self recording] && self.window != nil) [self.window makeFirstResponder:self];
}

@end

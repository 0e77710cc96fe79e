#include "mac_app/shortcut_list_content.hpp"

#include <string>

#include "mac_app/content_kit.hpp"
#include "platform/views/shortcut_list_view.hpp"

/// A flipped document view, so the list starts at the top of its scroll view.
@interface CVFlippedView : NSView
@end

@implementation CVFlippedView
- (BOOL)isFlipped {
  return YES;
}
@end

namespace {

constexpr double kSidebarWidth = 210;
constexpr double kListWidth = 560;
constexpr double kHeight = 520;

NSColor* tint(const views::SectionTint& t) { return [NSColor colorWithSRGBRed:t.red green:t.green blue:t.blue alpha:1]; }

NSView* flippedDocument() {
  NSView* view = [[CVFlippedView alloc] initWithFrame:NSZeroRect];
  view.translatesAutoresizingMaskIntoConstraints = NO;
  return view;
}

}  // namespace

@implementation CVShortcutListContent {  CVBlockTextField* _search;
}
- (instancetype)initWithSink:(corvane::platform::macos::PanelActionSink)sink {
  if ((self = [super initWithSink:std::move(sink)])) {
    _search = [[CVBlockTextField alloc] initWithFrame:NSMakeRect(0, 0, 260, 22)];
    _search.bezelStyle = NSTextFieldRoundedBezel;
    _search.translatesAutoresizingMaskIntoConstraints = NO;
    CVContentView* __weak weakSelf = self;
    _search.onChange = ^(NSString* text) {
      [weakSelf send:corvane::mac_app::textAction("query", corvane::mac_app::str(text))];
    };
  }
  return self;
}

- (NSView*)sectionRow:(const views::ShortcutListSection&)section {
  CVBlockButton* row = [self buttonTitled:section.title sending:corvane::mac_app::selectAction(section.id, {})];
  row.bordered = section.selected;
  row.bezelStyle = NSBezelStyleRecessed;
  row.alignment = NSTextAlignmentLeft;
  NSImage* image = [NSImage imageWithSystemSymbolName:ns(section.symbol) accessibilityDescription:nil];
  if (image != nil) {
    row.image = image;
    row.imagePosition = NSImageLeading;
    row.contentTintColor = tint(section.tint);
  }
  row.toolTip = ns(section.countText);
  NSTextField* count = label(std::to_string(section.count), 11, FontWeight::regular, [NSColor secondaryLabelColor]);
  NSView* spacer = corvane::mac_app::flexibleSpace();
  NSStackView* line = stack(StackAxis::horizontal, 4, @[ row, spacer, count ]);
  [line.widthAnchor constraintEqualToConstant:kSidebarWidth - 20].active = YES;
  return line;
}

- (NSView*)shortcutRow:(const views::ShortcutListRow&)row {
  NSMutableArray<NSView*>* keys = [NSMutableArray arrayWithObject:label("⌥", 12, FontWeight::semibold)];
  for (const auto& key : row.keys) {
    [keys addObject:[[CVKeyBadge alloc] initWithText:ns(key)
                                                fill:[NSColor controlBackgroundColor]
                                              border:[NSColor separatorColor]
                                           textColor:[NSColor labelColor]
                                            fontSize:11]];
  }
  NSStackView* keyStack = stack(StackAxis::horizontal, 3, keys);
  [keyStack.widthAnchor constraintEqualToConstant:120].active = YES;
  NSMutableArray<NSView*>* words = [NSMutableArray arrayWithObject:label(row.name, 13, FontWeight::medium)];
  if (!row.summary.empty()) {
    [words addObject:corvane::mac_app::wrappingLabel(row.summary, 11, kListWidth - 160, [NSColor secondaryLabelColor])];
  }
  if (row.note) {
    [words addObject:corvane::mac_app::wrappingLabel(*row.note, 11, kListWidth - 160, [NSColor systemOrangeColor])];
  }
  NSStackView* line = stack(StackAxis::horizontal, 10, @[ keyStack, stack(StackAxis::vertical, 2, words) ]);
  line.alignment = NSLayoutAttributeTop;
  return line;
}

- (void)render {
  corvane::mac_app::clear(self);
  const auto& m = *modelOf<views::ShortcutListView>(self);

  NSMutableArray<NSView*>* sidebarRows = [NSMutableArray array];
  for (const auto& section : m.sections) [sidebarRows addObject:[self sectionRow:section]];
  NSView* sidebarSpacer = [[NSView alloc] initWithFrame:NSZeroRect];
  [sidebarSpacer setContentHuggingPriority:NSLayoutPriorityDefaultLow forOrientation:NSLayoutConstraintOrientationVertical];
  [sidebarRows addObject:sidebarSpacer];
  [sidebarRows addObject:[self buttonTitled:m.makeYourOwnTitle sending:corvane::mac_app::buttonAction("makeYourOwn")]];
  NSStackView* sidebar = stack(StackAxis::vertical, 4, sidebarRows);
  [sidebar.widthAnchor constraintEqualToConstant:kSidebarWidth].active = YES;
  sidebar.edgeInsets = NSEdgeInsetsMake(12, 10, 12, 10);

  _search.placeholderString = ns(m.queryPlaceholder);
  [_search setTextKeepingSelection:ns(m.query)];
  NSStackView* top = stack(StackAxis::horizontal, 10, @[ _search, label(m.countText, 11, FontWeight::regular, [NSColor secondaryLabelColor]) ]);

  NSMutableArray<NSView*>* listRows = [NSMutableArray array];
  if (m.rows.empty()) [listRows addObject:label(m.emptyText, 13, FontWeight::regular, [NSColor secondaryLabelColor])];
  for (const auto& row : m.rows) [listRows addObject:[self shortcutRow:row]];
  NSStackView* list = stack(StackAxis::vertical, 10, listRows);
  NSView* document = flippedDocument();
  [document addSubview:list];
  corvane::mac_app::pin(list, document, NSEdgeInsetsMake(4, 4, 4, 4));
  NSScrollView* scroll = [[NSScrollView alloc] initWithFrame:NSMakeRect(0, 0, kListWidth, 400)];
  scroll.translatesAutoresizingMaskIntoConstraints = NO;
  scroll.hasVerticalScroller = YES;
  scroll.drawsBackground = NO;
  scroll.documentView = document;
  [document.widthAnchor constraintEqualToAnchor:scroll.contentView.widthAnchor].active = YES;
  [scroll.widthAnchor constraintEqualToConstant:kListWidth].active = YES;
  [scroll setContentHuggingPriority:NSLayoutPriorityDefaultLow forOrientation:NSLayoutConstraintOrientationVertical];

  NSMutableArray<NSView*>* hints = [NSMutableArray array];
  for (const auto& hint : m.hints) [hints addObject:label(hint, 11, FontWeight::regular, [NSColor secondaryLabelColor])];
  NSStackView* main = stack(StackAxis::vertical, 10, @[ top, scroll, stack(StackAxis::vertical, 2, hints) ]);
  main.edgeInsets = NSEdgeInsetsMake(12, 12, 12, 12);

  NSBox* divider = [[NSBox alloc] initWithFrame:NSZeroRect];
  divider.boxType = NSBoxSeparator;
  NSStackView* root = stack(StackAxis::horizontal, 0, @[ sidebar, divider, main ]);
  root.alignment = NSLayoutAttributeTop;
  [self addSubview:root];
  corvane::mac_app::pin(root, self, NSEdgeInsetsMake(0, 0, 0, 0));
  [root.heightAnchor constraintEqualToConstant:kHeight].active = YES;
  [sidebar.heightAnchor constraintEqualToAnchor:root.heightAnchor].active = YES;
  [main.heightAnchor constraintEqualToAnchor:root.heightAnchor].active = YES;
  [divider.heightAnchor constraintEqualToAnchor:root.heightAnchor].active = YES;
}

@end

#import <AppKit/AppKit.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "mac_app/content_factory.hpp"
#include "mac_app/hud_views.hpp"
#include "mac_app/key_tip_overlay_content.hpp"
#include "mac_app/shortcut_editor_content.hpp"
#include "mac_app/view_actions.hpp"
#include "mac_app/view_kit.hpp"
#include "platform/views/coach_hint_view.hpp"
#include "platform/views/hud_views.hpp"
#include "platform/views/palette_view.hpp"
#include "platform/views/quick_panel_view.hpp"
#include "platform/views/report_view.hpp"
#include "platform/views/settings_view.hpp"
#include "platform/views/key_tip_overlay_view.hpp"
#include "platform/views/shortcut_editor_view.hpp"
#include "platform/views/shortcut_list_view.hpp"
#include "platform/views/update_view.hpp"
#include "platform/views/welcome_view.hpp"

namespace corvane::mac_app {
namespace {

namespace views = platform::views;
using platform::PanelAction;

/// A content view built by the application's factory, with the actions it sends.
struct Built {
  std::vector<PanelAction> actions;
  NSView<CVPanelContent>* view = nil;

  explicit Built(const std::shared_ptr<const views::View>& model, platform::PanelKind kind = platform::PanelKind::hud) {
    [NSApplication sharedApplication];
    auto factory = makeContentFactory();
    view = factory(kind, model, [this](const PanelAction& a) { actions.push_back(a); });
    if (view != nil) [view showView:model];
  }
};

void collectButtons(NSView* view, std::vector<NSButton*>& out) {
  if ([view isKindOfClass:[NSButton class]]) out.push_back((NSButton*)view);
  for (NSView* sub in view.subviews) collectButtons(sub, out);
}

std::vector<NSButton*> buttonsIn(NSView* view) {
  std::vector<NSButton*> out;
  collectButtons(view, out);
  return out;
}

NSButton* buttonTitled(NSView* view, NSString* title) {
  for (NSButton* b : buttonsIn(view)) {
    if ([b.title isEqualToString:title]) return b;
  }
  return nil;
}

TEST(ViewActions, EveryActionNameReadsBackAsItsAction) {
  using views::EditorAction;
  using views::UpdateAction;
  using views::WelcomeAction;
  for (auto a : {UpdateAction::install, UpdateAction::skip, UpdateAction::later, UpdateAction::cancel,
                 UpdateAction::relaunch, UpdateAction::installOnQuit, UpdateAction::acknowledge,
                 UpdateAction::setAutoInstall}) {
    EXPECT_EQ(updateAction(actionName(a)), a) << actionName(a);
  }
  for (auto a : {WelcomeAction::skip, WelcomeAction::back, WelcomeAction::next, WelcomeAction::done,
                 WelcomeAction::openAccessibilitySettings}) {
    EXPECT_EQ(welcomeAction(actionName(a)), a) << actionName(a);
  }
  for (auto a : {EditorAction::newShortcut, EditorAction::edit, EditorAction::remove, EditorAction::openFile,
                 EditorAction::save, EditorAction::cancel, EditorAction::tryIt, EditorAction::recordKeys,
                 EditorAction::clearKeys, EditorAction::recordCombo}) {
    EXPECT_EQ(editorAction(actionName(a)), a) << actionName(a);
  }
  EXPECT_FALSE(updateAction("").has_value());
  EXPECT_FALSE(welcomeAction("Next").has_value());
  EXPECT_FALSE(editorAction("save ").has_value());
}

TEST(ViewActions, ACaughtKeyTravelsWhole) {
  views::CaughtKey key{4, true, true, false, true, "h"};
  auto action = caughtKeyAction(key);
  EXPECT_EQ(action.kind, PanelAction::Kind::key);
  EXPECT_EQ(caughtKey(action), key);
}

TEST(ContentFactory, EveryViewModelHasItsViewAndAnUnknownOneNone) {
  struct Unknown : views::View {};
  EXPECT_NE(Built(std::make_shared<views::KeyListView>()).view, nil);
  EXPECT_NE(Built(std::make_shared<views::NoticeView>()).view, nil);
  EXPECT_NE(Built(std::make_shared<views::BusyView>()).view, nil);
  EXPECT_NE(Built(std::make_shared<views::ProblemView>()).view, nil);
  EXPECT_NE(Built(std::make_shared<views::KeyTipOverlayView>()).view, nil);
  EXPECT_NE(Built(std::make_shared<views::UpdateView>()).view, nil);
  EXPECT_NE(Built(std::make_shared<views::WelcomeView>()).view, nil);
  EXPECT_NE(Built(std::make_shared<views::ShortcutEditorView>()).view, nil);
  EXPECT_NE(Built(std::make_shared<views::ShortcutListView>()).view, nil);
  EXPECT_NE(Built(std::make_shared<views::CoachHintView>(), platform::PanelKind::coachHint).view, nil);
  EXPECT_NE(Built(std::make_shared<views::PaletteView>(), platform::PanelKind::palette).view, nil);
  EXPECT_NE(Built(std::make_shared<views::QuickPanelView>(), platform::PanelKind::quickPanel).view, nil);
  EXPECT_NE(Built(std::make_shared<views::ReportView>()).view, nil);
  EXPECT_NE(Built(std::make_shared<views::SettingsView>()).view, nil);
  EXPECT_EQ(Built(std::make_shared<Unknown>()).view, nil);
}

TEST(HUDViews, AViewRefusesAnotherKindOfModel) {
  Built list(std::make_shared<views::KeyListView>());
  EXPECT_FALSE([list.view showView:std::make_shared<views::NoticeView>()]);
  EXPECT_TRUE([list.view showView:std::make_shared<views::KeyListView>()]);
}

TEST(HUDViews, MoreColumnsMakeAWiderKeyList) {
  auto one = std::make_shared<views::KeyListView>();
  one->title = "Home";
  one->columns = {{{"B", "Bold", false, false}, {"I", "Italic", false, false}}};
  auto three = std::make_shared<views::KeyListView>(*one);
  three->columns.push_back(one->columns[0]);
  three->columns.push_back(one->columns[0]);
  NSSize narrow = [Built(one).view contentFittingSize];
  NSSize wide = [Built(three).view contentFittingSize];
  EXPECT_GT(wide.width, narrow.width + 50);
  EXPECT_NEAR(wide.height, narrow.height, 1);
}

TEST(HUDViews, TheProblemPanelHasItsWidthAndSendsEachButtonsId) {
  auto problem = std::make_shared<views::ProblemView>();
  problem->title = "Couldn't find “AutoFit Column Width”";
  problem->detail = "Excel's window may be too narrow to show the button.";
  problem->fixes = {{"widenExcel", "Widen Excel"}, {"tryAgain", "Try Again"}};
  Built built(problem);
  EXPECT_NEAR([built.view contentFittingSize].width, problem->width, 1);

  [buttonTitled(built.view, @"Widen Excel") performClick:nil];
  [buttonTitled(built.view, @"Dismiss") performClick:nil];
  ASSERT_EQ(built.actions.size(), 2u);
  EXPECT_EQ(built.actions[0].id, "widenExcel");
  EXPECT_EQ(built.actions[1].id, "dismiss");
  EXPECT_EQ(built.actions[1].kind, PanelAction::Kind::button);
}

TEST(WindowViews, UpdateAndWelcomeButtonsSendTheirActionNames) {
  auto update = std::make_shared<views::UpdateView>();
  update->title = "Corvane 1.1 is available";
  update->buttons = {{"Install Update", views::UpdateAction::install, true}, {"Later", views::UpdateAction::later, false}};
  update->checkBox = views::UpdateCheckBox{"Install updates automatically", false, views::UpdateAction::setAutoInstall};
  Built u(update, platform::PanelKind::window);
  [buttonTitled(u.view, @"Later") performClick:nil];
  [buttonTitled(u.view, @"Install updates automatically") performClick:nil];
  ASSERT_EQ(u.actions.size(), 2u);
  EXPECT_EQ(u.actions[0].id, "later");
  EXPECT_EQ(u.actions[1].kind, PanelAction::Kind::toggle);
  EXPECT_EQ(u.actions[1].id, "setAutoInstall");
  EXPECT_TRUE(u.actions[1].on);
  EXPECT_TRUE([buttonTitled(u.view, @"Install Update").keyEquivalent isEqualToString:@"\r"]);

  auto welcome = std::make_shared<views::WelcomeView>();
  welcome->footerButtons = {{"Skip for now", views::WelcomeAction::skip, false},
                            {"Continue", views::WelcomeAction::next, true}};
  Built w(welcome, platform::PanelKind::window);
  [buttonTitled(w.view, @"Continue") performClick:nil];
  ASSERT_EQ(w.actions.size(), 1u);
  EXPECT_EQ(w.actions[0].id, "next");
}

NSEvent* keyDown(unsigned short keyCode, NSString* characters, NSEventModifierFlags flags) {
  NSEvent* event = [NSEvent keyEventWithType:NSEventTypeKeyDown
                                    location:NSZeroPoint
                               modifierFlags:flags
                                   timestamp:0
                                windowNumber:0
                                     context:nil
                                  characters:characters
                 charactersIgnoringModifiers:characters.lowercaseString
                                   isARepeat:NO
                                     keyCode:keyCode];
  // AppKit makes one for any key; without it the test has nothing to send.
  if (event == nil) std::abort();
  return event;
}

TEST(EditorView, KeysAreCaughtOnlyWhileRecording) {
  auto page = std::make_shared<views::ShortcutEditorView>();
  page->form = views::EditorForm{};
  page->form->recording = true;
  page->form->kinds = {{"Keystroke", "keystroke"}};
  page->form->kind = "keystroke";
  Built built(page, platform::PanelKind::window);
  [built.view keyDown:keyDown(4, @"H", NSEventModifierFlagShift | NSEventModifierFlagCommand)];
  ASSERT_EQ(built.actions.size(), 1u);
  auto caught = caughtKey(built.actions[0]);
  EXPECT_EQ(caught.keyCode, 4);
  EXPECT_TRUE(caught.shift);
  EXPECT_TRUE(caught.command);
  EXPECT_FALSE(caught.option);
  EXPECT_FALSE(caught.character.empty());

  auto idle = std::make_shared<views::ShortcutEditorView>(*page);
  idle->form->recording = false;
  [built.view showView:idle];
  [built.view keyDown:keyDown(4, @"h", 0)];
  EXPECT_EQ(built.actions.size(), 1u);
}

TEST(EditorView, RowButtonsCarryTheirEntryIndex) {
  auto page = std::make_shared<views::ShortcutEditorView>();
  page->entries = {{3, "Q W", "Quick wrap", "Wrap Text", false, {{"Edit", views::EditorAction::edit, true, 3},
                                                                  {"Remove", views::EditorAction::remove, true, 3}}}};
  Built built(page, platform::PanelKind::window);
  [buttonTitled(built.view, @"Remove") performClick:nil];
  ASSERT_EQ(built.actions.size(), 1u);
  EXPECT_EQ(built.actions[0].id, "remove");
  EXPECT_EQ(built.actions[0].text, "3");
}

TEST(QuickPanelView, KeysReachThePanelByNameAndWithCommand) {
  auto panel = std::make_shared<views::QuickPanelView>();
  panel->items = {{views::QuickPanelItem::Kind::row, "showList", "Shortcut List", "list.bullet", false, 1, std::nullopt,
                   std::nullopt, true}};
  Built built(panel, platform::PanelKind::quickPanel);
  [built.view keyDown:keyDown(125, @"\uF701", 0)];
  [built.view keyDown:keyDown(37, @"l", NSEventModifierFlagCommand)];
  [built.view keyDown:keyDown(53, @"\x1b", 0)];
  ASSERT_EQ(built.actions.size(), 3u);
  EXPECT_EQ(built.actions[0].id, "down");
  EXPECT_EQ(built.actions[1].id, "l");
  EXPECT_TRUE(built.actions[1].command);
  EXPECT_EQ(built.actions[2].id, "escape");
  [buttonTitled(built.view, @"Shortcut List") performClick:nil];
  ASSERT_EQ(built.actions.size(), 4u);
  EXPECT_EQ(built.actions[3].id, "showList");
}

void collectLabels(NSView* view, std::vector<NSTextField*>& out) {
  if ([view isKindOfClass:[NSTextField class]] && !((NSTextField*)view).editable) out.push_back((NSTextField*)view);
  for (NSView* sub in view.subviews) collectLabels(sub, out);
}

TEST(QuickPanelView, ShowsRowTitlesWithoutTheirNumbersAndTheStatusInItsTone) {
  auto panel = std::make_shared<views::QuickPanelView>();
  panel->statusText = "Accessibility access needed";
  panel->tone = views::PanelTone::bad;
  panel->items = {{views::QuickPanelItem::Kind::row, "allowAccess", "Allow Accessibility Access…", "hand.raised", false,
                   7, std::nullopt, std::nullopt, false}};
  Built built(panel, platform::PanelKind::quickPanel);
  std::vector<NSTextField*> labels;
  collectLabels(built.view, labels);
  NSTextField* status = nil;
  for (NSTextField* label : labels) {
    EXPECT_FALSE([label.stringValue isEqualToString:@"7"]) << "a row's number is drawn";
    if ([label.stringValue isEqualToString:@"Accessibility access needed"]) status = label;
  }
  ASSERT_NE(status, nil);
  EXPECT_TRUE([status.textColor isEqual:[NSColor systemRedColor]]);
  EXPECT_NE(buttonTitled(built.view, @"Allow Accessibility Access…"), nil);

  auto ready = std::make_shared<views::QuickPanelView>(*panel);
  ready->statusText = "Ready: tap ⌥ in Excel";
  ready->tone = views::PanelTone::ok;
  ASSERT_TRUE([built.view showView:ready]);
  labels.clear();
  collectLabels(built.view, labels);
  bool green = false;
  for (NSTextField* label : labels) {
    if ([label.stringValue isEqualToString:@"Ready: tap ⌥ in Excel"]) green = [label.textColor isEqual:[NSColor systemGreenColor]];
  }
  EXPECT_TRUE(green);
}

TEST(SettingsView, PagesSwitchesAndButtonsSendWhatTheModelNames) {
  auto settings = std::make_shared<views::SettingsView>();
  settings->sidebar = {{"general", "General", "gearshape"}, {"keyTips", "Key Tips", "keyboard"}};
  settings->selectedPage = "general";
  settings->pageTitle = "General";
  views::SettingsControl toggle;
  toggle.kind = views::SettingsControl::Kind::toggle;
  toggle.id = "showInDock";
  toggle.title = "Show in the Dock";
  views::SettingsControl button;
  button.kind = views::SettingsControl::Kind::button;
  button.id = "openLog";
  button.title = "Open Log";
  settings->controls = {toggle, button};
  Built built(settings, platform::PanelKind::window);
  [buttonTitled(built.view, @"Key Tips") performClick:nil];
  [buttonTitled(built.view, @"Show in the Dock") performClick:nil];
  [buttonTitled(built.view, @"Open Log") performClick:nil];
  ASSERT_EQ(built.actions.size(), 3u);
  EXPECT_EQ(built.actions[0].kind, PanelAction::Kind::select);
  EXPECT_EQ(built.actions[0].id, "page");
  EXPECT_EQ(built.actions[0].text, "keyTips");
  EXPECT_EQ(built.actions[1].kind, PanelAction::Kind::toggle);
  EXPECT_EQ(built.actions[1].id, "showInDock");
  EXPECT_TRUE(built.actions[1].on);
  EXPECT_EQ(built.actions[2].id, "openLog");
}

NSTextField* fieldIn(NSView* view) {
  if ([view isKindOfClass:[CVBlockTextField class]]) return (NSTextField*)view;
  for (NSView* sub in view.subviews) {
    if (NSTextField* found = fieldIn(sub)) return found;
  }
  return nil;
}

TEST(PaletteView, TheFieldsNavigationKeysAndTypingBecomeActions) {
  auto palette = std::make_shared<views::PaletteView>();
  palette->query = "fre";
  palette->rows = {{{"W", "F"}, "Freeze Panes", "View", true}};
  Built built(palette, platform::PanelKind::palette);
  auto* field = (CVBlockTextField*)fieldIn(built.view);
  ASSERT_NE(field, nil);
  EXPECT_TRUE([field.stringValue isEqualToString:@"fre"]);
  EXPECT_TRUE(field.onKey(@"down"));
  EXPECT_TRUE(field.onKey(@"return"));
  field.onChange(@"free");
  ASSERT_EQ(built.actions.size(), 3u);
  EXPECT_EQ(built.actions[0].kind, PanelAction::Kind::key);
  EXPECT_EQ(built.actions[0].id, "down");
  EXPECT_EQ(built.actions[1].id, "return");
  EXPECT_EQ(built.actions[2].kind, PanelAction::Kind::text);
  EXPECT_EQ(built.actions[2].text, "free");

  // A new model with the same query leaves the field's text alone.
  auto again = std::make_shared<views::PaletteView>(*palette);
  [built.view showView:again];
  EXPECT_EQ(fieldIn(built.view), field);
}

TEST(ReportView, SwitchesAndSendCarryTheNamesTheReportReads) {
  auto report = std::make_shared<views::ReportView>();
  Built built(report, platform::PanelKind::window);
  [buttonTitled(built.view, @"Include the activity log") performClick:nil];
  [buttonTitled(built.view, @"What's included") performClick:nil];
  [buttonTitled(built.view, @"Send…") performClick:nil];
  ASSERT_EQ(built.actions.size(), 3u);
  EXPECT_EQ(built.actions[0].id, "includeLog");
  EXPECT_FALSE(built.actions[0].on);  // it starts on
  EXPECT_EQ(built.actions[1].id, "showIncluded");
  EXPECT_TRUE(built.actions[1].on);
  EXPECT_EQ(built.actions[2].kind, PanelAction::Kind::button);
  EXPECT_EQ(built.actions[2].id, "send");
}

TEST(CoachHintView, TheTurnOffButtonSendsItsId) {
  auto hint = std::make_shared<views::CoachHintView>();
  hint->name = "Bold";
  hint->keys = {"H", "1"};
  hint->turnOff = views::Button{"turnOffHints", "Turn off learning hints"};
  Built built(hint, platform::PanelKind::coachHint);
  EXPECT_NEAR([built.view contentFittingSize].height, hint->height, 0.5);
  [buttonTitled(built.view, @"Turn off learning hints") performClick:nil];
  ASSERT_EQ(built.actions.size(), 1u);
  EXPECT_EQ(built.actions[0].id, "turnOffHints");
}

TEST(OverlayView, KeepsItsFrameAsItsSize) {
  auto overlay = std::make_shared<views::KeyTipOverlayView>();
  views::BadgeView badge;
  badge.text = "H";
  badge.rect = {10, 10, 15, 17};
  overlay->badges.push_back(badge);
  Built built(overlay, platform::PanelKind::keyTipOverlay);
  built.view.frame = NSMakeRect(0, 0, 1440, 900);
  NSSize size = [built.view contentFittingSize];
  EXPECT_EQ(size.width, 1440);
  EXPECT_EQ(size.height, 900);
}

}  // namespace
}  // namespace corvane::mac_app

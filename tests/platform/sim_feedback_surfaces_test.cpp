// The simulator's screens, panels, text metric and renderers of the feedback view models.

#include <gtest/gtest.h>

#include "platform/event_tap.hpp"
#include "platform/sim/sim_panels.hpp"
#include "platform/sim/sim_screens.hpp"
#include "platform/sim/sim_text_metrics.hpp"
#include "platform/sim/svg_renderer.hpp"
#include "platform/sim/text_renderer.hpp"
#include "platform/sim/virtual_time.hpp"
#include "platform/views/coach_hint_view.hpp"
#include "platform/views/hud_views.hpp"
#include "platform/views/palette_view.hpp"
#include "platform/views/shortcut_editor_view.hpp"

namespace corvane::platform::sim {
namespace {

TEST(SimTextMetrics, SixTenthsOfTheSizePerCharacter) {
  SimTextMetrics metrics;
  EXPECT_DOUBLE_EQ(metrics.width("ABC", 10, FontWeight::regular), 18);
  EXPECT_DOUBLE_EQ(metrics.width("⌥é", 10, FontWeight::bold), 12);  // characters, not bytes
  EXPECT_DOUBLE_EQ(metrics.width("", 13, FontWeight::medium), 0);
  EXPECT_EQ(characterCount("a\xE2\x8C\xA5"), 2u);
}

TEST(SimScreens, DefaultScreenAndMainScreenChoice) {
  SimScreens screens;
  ASSERT_EQ(screens.screens().size(), 1u);
  EXPECT_EQ(screens.screens()[0].visibleFrame, (Rect{0, 0, 1440, 875}));
  EXPECT_EQ(screens.mouseLocation(), (Point{720, 450}));
  screens.setScreens({SimScreens::makeScreen(1, {0, 0, 100, 100}), SimScreens::makeScreen(2, {100, 0, 100, 100})});
  screens.setMainScreen(1);
  EXPECT_EQ(screens.mainScreen()->id, 2u);
  screens.setMainScreen(5);
  EXPECT_FALSE(screens.mainScreen());
  screens.setScreens({});
  EXPECT_FALSE(screens.mainScreen());
}

TEST(SimPanels, RecordOrderingKeyStatusAndInput) {
  VirtualTime time;
  SimPanels panels(time);
  auto a = panels.create(PanelKind::palette, {600, 300});
  auto b = panels.create(PanelKind::quickPanel, {300, 200});
  auto* simA = panels.first(PanelKind::palette);
  EXPECT_FALSE(simA->isVisible());
  EXPECT_EQ(a->frame().size(), (Size{600, 300}));
  std::vector<PanelAction::Kind> seen;
  a->setActionSink([&](const PanelAction& action) { seen.push_back(action.kind); });
  a->makeKeyAndOrderFront();
  EXPECT_TRUE(panels.ownWindowIsKey());
  b->makeKeyAndOrderFront();  // a loses key status and hears about it
  EXPECT_FALSE(a->isKey());
  EXPECT_EQ(seen, std::vector{PanelAction::Kind::closed});
  PanelAction typed;
  typed.kind = PanelAction::Kind::text;
  typed.text = "bold";
  EXPECT_TRUE(simA->send(typed));
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_FALSE(panels.first(PanelKind::quickPanel)->send({}));  // no sink
  b->orderOut();
  EXPECT_FALSE(panels.ownWindowIsKey());
  b.reset();
  EXPECT_EQ(panels.all().size(), 1u);
  EXPECT_EQ(panels.createdCount(), 2u);
}

TEST(SimPanels, TheKeyWindowTakesTypedKeysAsItsFocusedControlWould) {
  VirtualTime time;
  SimPanels panels(time);
  auto palette = panels.create(PanelKind::palette, {600, 300});
  auto editor = panels.create(PanelKind::window, {480, 360});
  std::vector<PanelAction> toPalette;
  std::vector<PanelAction> toEditor;
  palette->setActionSink([&](const PanelAction& a) { toPalette.push_back(a); });
  editor->setActionSink([&](const PanelAction& a) { toEditor.push_back(a); });
  EXPECT_EQ(panels.keyPanel(), nullptr);
  palette->makeKeyAndOrderFront();
  auto view = std::make_shared<views::PaletteView>();
  view->query = "wr";
  palette->setContent(view);
  auto* field = panels.keyPanel();
  ASSERT_EQ(field, panels.first(PanelKind::palette));
  field->keyDown(0, 0, "a");                   // types into the search field
  field->keyDown(0, flags::kShift, "a");       // ⇧ gives the capital
  field->keyDown(51, 0, "\x7f");               // Delete: the text without its last character
  field->keyDown(126, 0, std::nullopt);        // ↑ ↓ ⏎ esc are the palette's commands
  field->keyDown(36, 0, "\r");
  field->keyDown(9, flags::kCommand, "v");     // ⌘V goes to the panel as a command key
  field->keyDown(122, 0, "\x10");              // F1 types nothing into the field
  ASSERT_EQ(toPalette.size(), 6u);
  EXPECT_EQ(toPalette[0].text, "wra");
  EXPECT_EQ(toPalette[1].text, "wrA");
  EXPECT_EQ(toPalette[2].text, "w");
  EXPECT_EQ(toPalette[3].id, "up");
  EXPECT_EQ(toPalette[4].id, "return");
  EXPECT_TRUE(toPalette[5].command);
  EXPECT_EQ(toPalette[5].id, "v");
  view->query = "é";
  field->keyDown(51, 0, "\x7f");
  EXPECT_EQ(toPalette.back().text, "") << "a character of two bytes goes whole";

  // The editor's window catches every key while it records, and none otherwise.
  editor->makeKeyAndOrderFront();
  ASSERT_EQ(panels.keyPanel(), panels.first(PanelKind::window));
  auto page = std::make_shared<views::ShortcutEditorView>();
  page->form.emplace();
  page->form->recording = true;
  editor->setContent(page);
  panels.keyPanel()->keyDown(4, flags::kOption, "h");
  ASSERT_EQ(toEditor.size(), 1u);
  EXPECT_EQ(toEditor[0].kind, PanelAction::Kind::key);
  EXPECT_EQ(toEditor[0].id, "h");
  EXPECT_EQ(toEditor[0].keyCode, 4);
  EXPECT_TRUE(toEditor[0].option);
  page->form->recording = false;
  panels.keyPanel()->keyDown(4, 0, "h");
  EXPECT_EQ(toEditor.size(), 1u);
}

TEST(SimPanels, AlphaAnimationsFinishInVirtualTime) {
  VirtualTime time;
  SimPanels panels(time);
  auto panel = panels.create(PanelKind::coachHint, {29, 28});
  bool done = false;
  panel->animateAlpha(0, 0.15, [&] { done = true; });
  time.advanceBy(0.149);
  EXPECT_FALSE(done);
  time.advanceBy(0.002);
  EXPECT_TRUE(done);
  EXPECT_DOUBLE_EQ(panels.first(PanelKind::coachHint)->alpha(), 0);
}

TEST(SimPanels, FittingSizeUsesTheTextLines) {
  VirtualTime time;
  SimPanels panels(time);
  auto panel = panels.create(PanelKind::hud, {300, 60});
  EXPECT_EQ(panel->fittingSize(), (Size{300, 60}));
  auto busy = std::make_shared<views::BusyView>();
  busy->title = "Bold";  // "… Bold": 6 characters
  panel->setContent(busy);
  EXPECT_DOUBLE_EQ(panel->fittingSize().width, 0.6 * 13 * 6 + 24);
  EXPECT_DOUBLE_EQ(panel->fittingSize().height, 18 + 16);
  auto problem = std::make_shared<views::ProblemView>();
  problem->title = "t";
  panel->setContent(problem);
  EXPECT_DOUBLE_EQ(panel->fittingSize().width, 380);
}

TEST(TextRenderer, KeyListInColumnsWithFooter) {
  views::KeyListView view;
  view.pathKeys = {"H"};
  view.title = "Home";
  view.columns = {{{"B", "Bold", false, false}, {"O", "Format", true, false}}, {{"E", "Edit", false, true}}};
  view.hints = {{"esc", "Back"}};
  EXPECT_EQ(renderText(view),
            "⌥ H  Home\n"
            "[B] Bold       [E] Edit (2003)\n"
            "[O] Format ›\n"
            "esc Back\n");
  view.message = "Nothing on “Z” here";
  view.messageIsError = true;
  EXPECT_EQ(renderTextLines(view).back(), "(!) Nothing on “Z” here");
}

TEST(TextRenderer, NoticeProblemHintAndPalette) {
  views::NoticeView notice;
  notice.message = "Corvane is off";
  notice.isError = true;
  EXPECT_EQ(renderText(notice), "Corvane: ⚠ Corvane is off\n");
  views::ProblemView problem;
  problem.title = "Couldn't find “Bold”";
  problem.fixes = {{"Try Again", "Try Again"}};
  EXPECT_EQ(renderTextLines(problem).back(), "[Try Again] [Dismiss] [x]");
  views::CoachHintView hint;
  hint.name = "Bold";
  hint.keys = {"H", "1"};
  hint.turnOff = views::Button{"turnOff", "Turn off learning hints"};
  EXPECT_EQ(renderText(hint), "Bold  [H] [1]  next time  [Turn off learning hints]\n");
  views::PaletteView palette;
  palette.footerInstruction = "Double-tap ⌥ in Excel to open";
  palette.footerKeys = {{"⏎", "Run"}};
  palette.emptyText = "Type a command, like “freeze” or “paste values”.";
  EXPECT_EQ(renderText(palette),
            "🔍 Search Excel commands\n"
            "Type a command, like “freeze” or “paste values”.\n"
            "Double-tap ⌥ in Excel to open   ⏎ Run\n");
  palette.emptyText.reset();
  palette.query = "bo";
  palette.rows = {{{"H", "1"}, "Bold", "Home", true}};
  auto lines = renderTextLines(palette);
  EXPECT_EQ(lines[1], "› [H] [1]  Bold");
  EXPECT_EQ(lines[2], "    Home");
}

TEST(SvgRenderer, BadgesAreGroupsWithTheirKeysAndTarget) {
  SvgPicture picture({0, 0, 1440, 900}, 900);
  picture.addBox({10, 50, 140, 20}, "control", "Bold & <Italic>", false);
  // Too long for its box: cut with an ellipsis, never drawn over its neighbour.
  picture.addBox({160, 50, 40, 20}, "control", "Conditional Formatting");
  views::KeyTipOverlayView overlay;
  views::BadgeView badge;
  badge.text = "FN";
  badge.rect = {100, 700, 20, 17};
  badge.keys = "H F N";
  badge.target = "Font \"Settings\"";
  badge.connector = std::pair{Point{110, 717}, Point{110, 720}};
  overlay.badges = {badge};
  picture.addOverlay(overlay, {0, 0, 1440, 900});
  auto svg = picture.str();
  EXPECT_NE(svg.find("<g class=\"keytip\" data-keys=\"H F N\" data-target=\"Font &quot;Settings&quot;\">"),
            std::string::npos);
  EXPECT_NE(svg.find(">FN</text></g>"), std::string::npos);
  // Window y 700 + 17 high → picture y 900 − 717 = 183.
  EXPECT_NE(svg.find("x=\"100\" y=\"183\" width=\"20\" height=\"17\""), std::string::npos);
  EXPECT_NE(svg.find("Bold &amp; &lt;Italic&gt;"), std::string::npos);
  EXPECT_NE(svg.find("class=\"control disabled\""), std::string::npos);
  EXPECT_NE(svg.find(">Condi…</text>"), std::string::npos) << svg;
  EXPECT_EQ(svg.find("white-space"), std::string::npos) << "every text placed explicitly";
  EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7);
}

}  // namespace
}  // namespace corvane::platform::sim

#include "mac_app/content_factory.hpp"

#include "mac_app/coach_hint_content.hpp"
#include "mac_app/hud_views.hpp"
#include "mac_app/key_tip_overlay_content.hpp"
#include "mac_app/palette_content.hpp"
#include "mac_app/quick_panel_content.hpp"
#include "mac_app/report_content.hpp"
#include "mac_app/settings_content.hpp"
#include "mac_app/shortcut_editor_content.hpp"
#include "mac_app/shortcut_list_content.hpp"
#include "mac_app/update_content.hpp"
#include "mac_app/welcome_content.hpp"
#include "platform/views/coach_hint_view.hpp"
#include "platform/views/hud_views.hpp"
#include "platform/views/key_tip_overlay_view.hpp"
#include "platform/views/palette_view.hpp"
#include "platform/views/quick_panel_view.hpp"
#include "platform/views/report_view.hpp"
#include "platform/views/settings_view.hpp"
#include "platform/views/shortcut_editor_view.hpp"
#include "platform/views/shortcut_list_view.hpp"
#include "platform/views/update_view.hpp"
#include "platform/views/welcome_view.hpp"

namespace corvane::mac_app {

namespace views = platform::views;

Class contentClass(const views::View& view) {
  if (dynamic_cast<const views::KeyListView*>(&view)) return [CVKeyListContent class];
  if (dynamic_cast<const views::NoticeView*>(&view)) return [CVNoticeContent class];
  if (dynamic_cast<const views::BusyView*>(&view)) return [CVBusyContent class];
  if (dynamic_cast<const views::ProblemView*>(&view)) return [CVProblemContent class];
  if (dynamic_cast<const views::KeyTipOverlayView*>(&view)) return [CVKeyTipOverlayContent class];
  if (dynamic_cast<const views::UpdateView*>(&view)) return [CVUpdateContent class];
  if (dynamic_cast<const views::WelcomeView*>(&view)) return [CVWelcomeContent class];
  if (dynamic_cast<const views::ShortcutEditorView*>(&view)) return [CVShortcutEditorContent class];
  if (dynamic_cast<const views::ShortcutListView*>(&view)) return [CVShortcutListContent class];
  if (dynamic_cast<const views::CoachHintView*>(&view)) return [CVCoachHintContent class];
  if (dynamic_cast<const views::PaletteView*>(&view)) return [CVPaletteContent class];
  if (dynamic_cast<const views::QuickPanelView*>(&view)) return [CVQuickPanelContent class];
  if (dynamic_cast<const views::ReportView*>(&view)) return [CVReportContent class];
  if (dynamic_cast<const views::SettingsView*>(&view)) return [CVSettingsContent class];
  return nil;
}

platform::macos::PanelContentFactory makeContentFactory() {
  return [](platform::PanelKind kind, const std::shared_ptr<const views::View>& view,
            platform::macos::PanelActionSink sink) -> NSView<CVPanelContent>* {
    (void)kind;
    if (!view) return nil;
    Class type = contentClass(*view);
    if (type == nil) return nil;
    return [[type alloc] initWithSink:std::move(sink)];
  };
}

}  // namespace corvane::mac_app

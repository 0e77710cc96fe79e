#include "app/settings_model.hpp"

#include <gtest/gtest.h>

#include <set>

#include "platform/sim/memory_defaults.hpp"

namespace corvane::app {
namespace {

using platform::PanelAction;
using platform::views::SettingsControl;

PanelAction act(PanelAction::Kind kind, std::string id, std::string text = {}, bool on = false) {
  PanelAction a;
  a.kind = kind;
  a.id = std::move(id);
  a.text = std::move(text);
  a.on = on;
  return a;
}

class SettingsModelTest : public ::testing::Test {
 protected:
  const SettingsControl* find(const std::string& id) {
    view = model.view();
    for (const auto& c : view.controls)
      if (c.id == id) return &c;
    return nullptr;
  }

  platform::sim::MemoryDefaults defaults;
  base::Preferences prefs{defaults};
  base::AppStatus status;
  std::vector<SettingsAction> performed;
  SettingsModel model{prefs, status, "2.1", [this](SettingsAction a) { performed.push_back(a); }};
  platform::views::SettingsView view;
};

TEST(SettingsPages, NinePagesInOrderBindingEverySettingExactlyOnce) {
  std::vector<std::string> titles;
  std::multiset<std::string> bound;
  for (const auto& page : settingsPages()) {
    titles.emplace_back(page.title);
    for (auto key : page.preferences) bound.emplace(key);
    EXPECT_EQ(settingsPageNamed(page.id), page.page);
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"General", "Menu Bar", "Key Tips", "Key List", "Learning Hints",
                                              "My Shortcuts", "Excel", "Troubleshooting", "About"}));
  std::multiset<std::string> all;
  for (auto key : base::Preferences::settingKeys()) all.emplace(key);
  EXPECT_EQ(bound, all);
  EXPECT_EQ(settingsPageNamed("nope"), std::nullopt);
}

TEST(SettingsPages, EveryRoutedActionIsOfferedSomewhere) {
  std::set<SettingsAction> offered;
  for (const auto& page : settingsPages()) offered.insert(page.actions.begin(), page.actions.end());
  for (auto a : {SettingsAction::showWelcome, SettingsAction::checkShortcuts, SettingsAction::dumpMenus,
                 SettingsAction::openLog, SettingsAction::editShortcuts, SettingsAction::reportProblemFromMenu,
                 SettingsAction::openAccessibilitySettings, SettingsAction::checkForUpdates}) {
    EXPECT_TRUE(offered.contains(a)) << actionName(a);
    EXPECT_EQ(settingsActionNamed(actionName(a)), a);
  }
}

TEST_F(SettingsModelTest, PagesShowCurrentValuesAndPickersListEveryCaseInOrder) {
  model.select(SettingsPage::keyTips);
  prefs.tipStyle.set(model::TipStyle::graphite);
  const auto* style = find("tipStyle");
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style->kind, SettingsControl::Kind::picker);
  EXPECT_EQ(style->selected, "graphite");
  ASSERT_EQ(style->choices.size(), 5u);
  EXPECT_EQ(style->choices[0].value, "office");
  EXPECT_EQ(style->choices[1].value, "darkYellow");
  EXPECT_EQ(view.selectedPage, "keyTips");
  EXPECT_EQ(view.sidebar.size(), 9u);
  EXPECT_EQ(find("enabled"), nullptr);  // on another page
}

TEST_F(SettingsModelTest, ControlsWriteThroughToPreferencesAndBadInputChangesNothing) {
  model.select(SettingsPage::keyList);
  model.handle(act(PanelAction::Kind::select, "keyListMode", "always"));
  EXPECT_EQ(prefs.keyListMode.get(), model::KeyListMode::always);
  model.handle(act(PanelAction::Kind::select, "keyListMode", "sometimes"));
  EXPECT_EQ(prefs.keyListMode.get(), model::KeyListMode::always);
  model.handle(act(PanelAction::Kind::toggle, "learningHints", "", false));
  EXPECT_FALSE(prefs.learningHints.get());
  // Keys that are not settings, and a switch sent for a picker, are ignored.
  model.handle(act(PanelAction::Kind::toggle, "importedOldSettings", "", true));
  EXPECT_FALSE(defaults.has("importedOldSettings"));
  model.handle(act(PanelAction::Kind::toggle, "tipStyle", "", true));
  EXPECT_EQ(prefs.tipStyle.get(), model::TipStyle::office);
}

TEST_F(SettingsModelTest, PagesAndButtonsAreChosenByName) {
  int changes = 0;
  auto subscription = model.changed.subscribe([&] { ++changes; });
  model.handle(act(PanelAction::Kind::select, "page", "troubleshooting"));
  EXPECT_EQ(model.selected(), SettingsPage::troubleshooting);
  model.handle(act(PanelAction::Kind::select, "page", "nowhere"));
  EXPECT_EQ(model.selected(), SettingsPage::troubleshooting);
  EXPECT_EQ(changes, 1);
  ASSERT_NE(find("openLog"), nullptr);
  model.handle(act(PanelAction::Kind::button, "openLog"));
  model.handle(act(PanelAction::Kind::button, "formatDisk"));
  EXPECT_EQ(performed, (std::vector<SettingsAction>{SettingsAction::openLog}));
}

TEST_F(SettingsModelTest, StatusChangesAreShownAndAnnounced) {
  int changes = 0;
  auto subscription = model.changed.subscribe([&] { ++changes; });
  model.select(SettingsPage::myShortcuts);
  status.shortcutCount.set(42);
  status.warnings.set({"first", "second"});
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(find("shortcutCount")->title, "42 shortcuts loaded");
  EXPECT_EQ(find("warningCount")->title, "2 problem(s) in the shortcuts files");
  int warningLines = 0;
  for (const auto& c : view.controls) warningLines += c.id == "warning";
  EXPECT_EQ(warningLines, 2);
  model.select(SettingsPage::troubleshooting);
  status.trusted.set(true);
  EXPECT_EQ(find("trusted")->title, "Accessibility access: allowed");
  EXPECT_EQ(find("tapRunning")->title, "Keyboard listener: stopped");
  prefs.enabled.set(false);
  EXPECT_EQ(changes, 6);
}

TEST_F(SettingsModelTest, TheKeyTipsPageSaysSoOnceExcelsOwnKeyTipsWereSeen) {
  model.select(SettingsPage::keyTips);
  EXPECT_EQ(find("excelKeyTips"), nullptr);
  int changes = 0;
  auto subscription = model.changed.subscribe([&] { ++changes; });
  status.excelKeyTipsSeen.set(true);
  EXPECT_EQ(changes, 1);
  const auto* line = find("excelKeyTips");
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->kind, SettingsControl::Kind::info);
  EXPECT_EQ(line->title, "Excel's own KeyTips answer ⌥ too");
  EXPECT_NE(line->detail.find("Excel › Settings › Accessibility"), std::string::npos) << "the first way out";
  EXPECT_NE(line->detail.find("another key"), std::string::npos) << "the second";
  EXPECT_EQ(view.controls.back().id, "excelKeyTips") << "after the page's settings";
  model.select(SettingsPage::keyList);
  EXPECT_EQ(find("excelKeyTips"), nullptr) << "on the Key Tips page only";
}

TEST_F(SettingsModelTest, TheAboutPageSaysNothingIsSent) {
  model.select(SettingsPage::about);
  EXPECT_EQ(find("version")->title, "Corvane 2.1");
  EXPECT_NE(find("privacy")->title.find("sends nothing"), std::string::npos);
  EXPECT_NE(find("checkForUpdates"), nullptr);
}

}  // namespace
}  // namespace corvane::app

#include "app/settings_model.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include "app/excel_key_tips_notice.hpp"
#include "app/name_table.hpp"

namespace corvane::app {

namespace {

using platform::views::SettingsChoice;
using platform::views::SettingsControl;
namespace keys = base::prefkeys;

constexpr std::array kActionNames{
    std::pair{SettingsAction::showWelcome, "showWelcome"},
    std::pair{SettingsAction::editShortcuts, "editShortcuts"},
    std::pair{SettingsAction::reloadShortcuts, "reloadShortcuts"},
    std::pair{SettingsAction::checkShortcuts, "checkShortcuts"},
    std::pair{SettingsAction::dumpMenus, "dumpMenus"},
    std::pair{SettingsAction::openAccessibilitySettings, "openAccessibilitySettings"},
    std::pair{SettingsAction::restartTap, "restartTap"},
    std::pair{SettingsAction::openLog, "openLog"},
    std::pair{SettingsAction::reportProblemFromMenu, "reportProblemFromMenu"},
    std::pair{SettingsAction::checkForUpdates, "checkForUpdates"},
};

std::string actionTitle(SettingsAction action) {
  switch (action) {
    case SettingsAction::showWelcome: return "Show the Welcome Guide…";
    case SettingsAction::editShortcuts: return "Edit my-shortcuts.json…";
    case SettingsAction::reloadShortcuts: return "Reload Shortcuts";
    case SettingsAction::checkShortcuts: return "Check Shortcuts Against Excel";
    case SettingsAction::dumpMenus: return "Write Excel's Menu Map";
    case SettingsAction::openAccessibilitySettings: return "Open Accessibility Settings…";
    case SettingsAction::restartTap: return "Restart Keyboard Listener";
    case SettingsAction::openLog: return "Open Activity Log";
    case SettingsAction::reportProblemFromMenu: return "Report a Problem…";
    case SettingsAction::checkForUpdates: return "Check for Updates…";
  }
  return {};
}

std::string choiceTitle(model::TipStyle v) {
  switch (v) {
    case model::TipStyle::office: return "Office";
    case model::TipStyle::darkYellow: return "Dark yellow";
    case model::TipStyle::classic: return "Classic";
    case model::TipStyle::blue: return "Blue";
    case model::TipStyle::graphite: return "Graphite";
  }
  return {};
}
std::string choiceTitle(model::TipSize v) {
  switch (v) {
    case model::TipSize::regular: return "Regular";
    case model::TipSize::large: return "Large";
  }
  return {};
}
std::string choiceTitle(model::KeyListMode v) {
  switch (v) {
    case model::KeyListMode::never: return "Never";
    case model::KeyListMode::whenNoTips: return "When no key tips can be shown";
    case model::KeyListMode::always: return "Always";
  }
  return {};
}
std::string choiceTitle(model::SearchTrigger v) {
  switch (v) {
    case model::SearchTrigger::doubleTapOption: return "Double-tap ⌥";
    case model::SearchTrigger::optionSlash: return "⌥ then /";
    case model::SearchTrigger::optionSpace: return "⌥ Space";
    case model::SearchTrigger::off: return "Off";
  }
  return {};
}
std::string choiceTitle(model::MenuBarClick v) {
  switch (v) {
    case model::MenuBarClick::showPanel: return "Opens the menu-bar panel";
    case model::MenuBarClick::toggle: return "Turns Excel shortcuts on or off";
  }
  return {};
}

template <typename Enum, std::size_t N>
SettingsControl picker(std::string_view key, std::string title, std::string detail, const std::array<Enum, N>& all,
                       Enum current) {
  SettingsControl control;
  control.kind = SettingsControl::Kind::picker;
  control.id = std::string(key);
  control.title = std::move(title);
  control.detail = std::move(detail);
  for (auto value : all) control.choices.push_back({std::string(model::rawValue(value)), choiceTitle(value)});
  control.selected = std::string(model::rawValue(current));
  return control;
}

SettingsControl toggle(std::string_view key, std::string title, std::string detail, bool on) {
  SettingsControl control;
  control.kind = SettingsControl::Kind::toggle;
  control.id = std::string(key);
  control.title = std::move(title);
  control.detail = std::move(detail);
  control.on = on;
  return control;
}

SettingsControl info(std::string id, std::string title, std::string detail = {}) {
  SettingsControl control;
  control.id = std::move(id);
  control.title = std::move(title);
  control.detail = std::move(detail);
  return control;
}

/// The control of one setting, with its current value.
SettingsControl control(std::string_view key, const base::Preferences& p) {
  if (key == keys::kEnabled) return toggle(key, "Excel shortcuts", "Tap ⌥ in Excel, then type the keys.", p.enabled.get());
  if (key == keys::kHoldToStart)
    return toggle(key, "Start by holding ⌥", "Holding ⌥ while typing the first key starts a sequence too.",
                  p.holdToStart.get());
  if (key == keys::kShowInDock)
    return toggle(key, "Show in the Dock", "Off: Corvane lives in the menu bar only.", p.showInDock.get());
  if (key == keys::kSearchTrigger)
    return picker(key, "Search Excel commands", "How the command search opens in Excel.", model::kAllSearchTriggers,
                  p.searchTrigger.get());
  if (key == keys::kMenuBarClick)
    return picker(key, "Clicking the menu-bar icon", "", model::kAllMenuBarClicks, p.menuBarClick.get());
  if (key == keys::kRightClickAlternates)
    return toggle(key, "Right-click does the other", "A right-click or ⌃-click does what a click does not.",
                  p.rightClickAlternates.get());
  if (key == keys::kDimIconWhenOff)
    return toggle(key, "Dim the icon when off", "", p.dimIconWhenOff.get());
  if (key == keys::kShowRibbonTips)
    return toggle(key, "Key tips on the ribbon", "Letter badges on Excel's ribbon show the next keys.",
                  p.showRibbonTips.get());
  if (key == keys::kTipStyle)
    return picker(key, "Style", "Colours of the badges and the key list.", model::kAllTipStyles, p.tipStyle.get());
  if (key == keys::kTipSize) return picker(key, "Size", "", model::kAllTipSizes, p.tipSize.get());
  if (key == keys::kKeyListMode)
    return picker(key, "Show the key list", "The panel that lists the keys that may follow.", model::kAllKeyListModes,
                  p.keyListMode.get());
  if (key == keys::kLearningHints)
    return toggle(key, "Learning hints", "After a mouse click on the ribbon, show the keys that do the same.",
                  p.learningHints.get());
  return info(std::string(key), std::string(key));
}

bool isBindable(std::string_view key) {
  auto all = base::Preferences::settingKeys();
  return std::ranges::find(all, key) != all.end();
}

}  // namespace

const std::vector<SettingsPageInfo>& settingsPages() {
  using A = SettingsAction;
  static const std::vector<SettingsPageInfo> pages{
      {SettingsPage::general, "general", "General", "gearshape",
       {keys::kEnabled, keys::kHoldToStart, keys::kSearchTrigger, keys::kShowInDock}, {A::showWelcome}},
      {SettingsPage::menuBar, "menuBar", "Menu Bar", "menubar.rectangle",
       {keys::kMenuBarClick, keys::kRightClickAlternates, keys::kDimIconWhenOff}, {}},
      {SettingsPage::keyTips, "keyTips", "Key Tips", "textformat.abc",
       {keys::kShowRibbonTips, keys::kTipStyle, keys::kTipSize}, {}},
      {SettingsPage::keyList, "keyList", "Key List", "list.bullet.rectangle", {keys::kKeyListMode}, {}},
      {SettingsPage::learningHints, "learningHints", "Learning Hints", "lightbulb", {keys::kLearningHints}, {}},
      {SettingsPage::myShortcuts, "myShortcuts", "My Shortcuts", "keyboard", {},
       {A::editShortcuts, A::reloadShortcuts}},
      {SettingsPage::excel, "excel", "Excel", "tablecells", {}, {A::checkShortcuts, A::dumpMenus}},
      {SettingsPage::troubleshooting, "troubleshooting", "Troubleshooting", "stethoscope", {},
       {A::openAccessibilitySettings, A::restartTap, A::openLog, A::reportProblemFromMenu}},
      {SettingsPage::about, "about", "About", "info.circle", {}, {A::checkForUpdates}},
  };
  return pages;
}

const SettingsPageInfo& settingsPage(SettingsPage page) {
  const auto& pages = settingsPages();
  return *std::ranges::find(pages, page, &SettingsPageInfo::page);
}

std::optional<SettingsPage> settingsPageNamed(std::string_view id) {
  const auto& pages = settingsPages();
  auto it = std::ranges::find(pages, id, &SettingsPageInfo::id);
  if (it == pages.end()) return std::nullopt;
  return it->page;
}

std::string_view actionName(SettingsAction action) { return nameIn(kActionNames, action); }

std::optional<SettingsAction> settingsActionNamed(std::string_view name) {
  return valueIn<SettingsAction>(kActionNames, name);
}

SettingsModel::SettingsModel(base::Preferences& prefs, base::AppStatus& status, std::string version,
                             std::function<void(SettingsAction)> perform)
    : prefs_(prefs), status_(status), version_(std::move(version)), perform_(std::move(perform)) {
  subscriptions_.push_back(prefs_.changed.subscribe([this] { changed.emit(); }));
  auto relay = [this](const auto&) { changed.emit(); };
  subscriptions_.push_back(status_.trusted.subscribe(relay));
  subscriptions_.push_back(status_.tapRunning.subscribe(relay));
  subscriptions_.push_back(status_.launchAtLogin.subscribe(relay));
  subscriptions_.push_back(status_.shortcutCount.subscribe(relay));
  subscriptions_.push_back(status_.warnings.subscribe(relay));
  subscriptions_.push_back(status_.excelRunning.subscribe(relay));
  subscriptions_.push_back(status_.learnedCount.subscribe(relay));
  subscriptions_.push_back(status_.excelKeyTipsSeen.subscribe(relay));
}

void SettingsModel::select(SettingsPage page) {
  selected_ = page;
  changed.emit();
}

std::vector<SettingsControl> SettingsModel::infoLines(SettingsPage page) const {
  switch (page) {
    case SettingsPage::general:
      return {info("launchAtLogin", status_.launchAtLogin.get() ? "Opens at login" : "Doesn't open at login")};
    case SettingsPage::keyTips:
      if (!status_.excelKeyTipsSeen.get()) return {};
      return {info("excelKeyTips", ExcelKeyTipsNotice::kSettingsTitle, ExcelKeyTipsNotice::kSettingsDetail)};
    case SettingsPage::menuBar:
    case SettingsPage::keyList: return {};
    case SettingsPage::learningHints:
      return {info("learnedCount", "Shortcuts learned: " + std::to_string(status_.learnedCount.get()))};
    case SettingsPage::myShortcuts: {
      const auto& warnings = status_.warnings.get();
      std::vector<SettingsControl> lines{info("shortcutCount",
                                              std::to_string(status_.shortcutCount.get()) + " shortcuts loaded")};
      if (!warnings.empty())
        lines.push_back(info("warningCount", std::to_string(warnings.size()) + " problem(s) in the shortcuts files"));
      for (std::size_t i = 0; i < warnings.size(); ++i) lines.push_back(info("warning", warnings[i]));
      return lines;
    }
    case SettingsPage::excel:
      return {info("excelRunning", status_.excelRunning.get() ? "Excel is running" : "Excel isn't running")};
    case SettingsPage::troubleshooting:
      return {info("trusted", status_.trusted.get() ? "Accessibility access: allowed" : "Accessibility access: not allowed"),
              info("tapRunning", status_.tapRunning.get() ? "Keyboard listener: running" : "Keyboard listener: stopped")};
    case SettingsPage::about:
      return {info("version", "Corvane " + version_),
              info("privacy", "Corvane sends nothing to anyone: no usage counts, no analytics.")};
  }
  return {};
}

platform::views::SettingsView SettingsModel::view() const {
  platform::views::SettingsView view;
  for (const auto& page : settingsPages())
    view.sidebar.push_back({std::string(page.id), std::string(page.title), std::string(page.symbol)});
  const auto& page = settingsPage(selected_);
  view.selectedPage = std::string(page.id);
  view.pageTitle = std::string(page.title);
  for (auto key : page.preferences) view.controls.push_back(control(key, prefs_));
  for (auto& line : infoLines(selected_)) view.controls.push_back(std::move(line));
  for (auto action : page.actions) {
    SettingsControl button;
    button.kind = SettingsControl::Kind::button;
    button.id = std::string(actionName(action));
    button.title = actionTitle(action);
    view.controls.push_back(std::move(button));
  }
  return view;
}

void SettingsModel::handle(const platform::PanelAction& action) {
  using Kind = platform::PanelAction::Kind;
  switch (action.kind) {
    case Kind::select:
      if (action.id == "page") {
        if (auto page = settingsPageNamed(action.text)) select(*page);
        return;
      }
      if (isBindable(action.id)) (void)prefs_.assign(action.id, action.text);
      return;
    case Kind::toggle:
      if (isBindable(action.id)) (void)prefs_.assign(action.id, action.on ? "true" : "false");
      return;
    case Kind::button:
      if (auto named = settingsActionNamed(action.id); named && perform_) perform_(*named);
      return;
    case Kind::key:
    case Kind::text:
    case Kind::closed: return;
  }
}

}  // namespace corvane::app

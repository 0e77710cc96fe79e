#include "mac_app/view_actions.hpp"

#include <array>
#include <utility>

namespace corvane::mac_app {

using platform::PanelAction;
namespace views = platform::views;

namespace {

constexpr std::array kUpdateActions = {views::UpdateAction::install,      views::UpdateAction::skip,
                                       views::UpdateAction::later,        views::UpdateAction::cancel,
                                       views::UpdateAction::relaunch,     views::UpdateAction::installOnQuit,
                                       views::UpdateAction::acknowledge,  views::UpdateAction::setAutoInstall};
constexpr std::array kWelcomeActions = {views::WelcomeAction::skip, views::WelcomeAction::back,
                                        views::WelcomeAction::next, views::WelcomeAction::done,
                                        views::WelcomeAction::openAccessibilitySettings};
constexpr std::array kEditorActions = {views::EditorAction::newShortcut, views::EditorAction::edit,
                                       views::EditorAction::remove,      views::EditorAction::openFile,
                                       views::EditorAction::save,        views::EditorAction::cancel,
                                       views::EditorAction::tryIt,       views::EditorAction::recordKeys,
                                       views::EditorAction::clearKeys,   views::EditorAction::recordCombo};

template <typename Enum, std::size_t N>
std::optional<Enum> fromName(const std::array<Enum, N>& all, std::string_view name) {
  for (Enum e : all) {
    if (actionName(e) == name) return e;
  }
  return std::nullopt;
}

}  // namespace

std::string actionName(views::UpdateAction action) {
  switch (action) {
    case views::UpdateAction::install: return "install";
    case views::UpdateAction::skip: return "skip";
    case views::UpdateAction::later: return "later";
    case views::UpdateAction::cancel: return "cancel";
    case views::UpdateAction::relaunch: return "relaunch";
    case views::UpdateAction::installOnQuit: return "installOnQuit";
    case views::UpdateAction::acknowledge: return "acknowledge";
    case views::UpdateAction::setAutoInstall: return "setAutoInstall";
  }
  return {};
}

std::string actionName(views::WelcomeAction action) {
  switch (action) {
    case views::WelcomeAction::skip: return "skip";
    case views::WelcomeAction::back: return "back";
    case views::WelcomeAction::next: return "next";
    case views::WelcomeAction::done: return "done";
    case views::WelcomeAction::openAccessibilitySettings: return "openAccessibilitySettings";
  }
  return {};
}

std::string actionName(views::EditorAction action) {
  switch (action) {
    case views::EditorAction::newShortcut: return "newShortcut";
    case views::EditorAction::edit: return "edit";
    case views::EditorAction::remove: return "remove";
    case views::EditorAction::openFile: return "openFile";
    case views::EditorAction::save: return "save";
    case views::EditorAction::cancel: return "cancel";
    case views::EditorAction::tryIt: return "tryIt";
    case views::EditorAction::recordKeys: return "recordKeys";
    case views::EditorAction::clearKeys: return "clearKeys";
    case views::EditorAction::recordCombo: return "recordCombo";
  }
  return {};
}

std::optional<views::UpdateAction> updateAction(std::string_view name) { return fromName(kUpdateActions, name); }
std::optional<views::WelcomeAction> welcomeAction(std::string_view name) { return fromName(kWelcomeActions, name); }
std::optional<views::EditorAction> editorAction(std::string_view name) { return fromName(kEditorActions, name); }

PanelAction buttonAction(std::string id, std::string text) {
  PanelAction action;
  action.kind = PanelAction::Kind::button;
  action.id = std::move(id);
  action.text = std::move(text);
  return action;
}

PanelAction toggleAction(std::string id, bool on) {
  PanelAction action;
  action.kind = PanelAction::Kind::toggle;
  action.id = std::move(id);
  action.on = on;
  return action;
}

PanelAction selectAction(std::string id, std::string value) {
  PanelAction action;
  action.kind = PanelAction::Kind::select;
  action.id = std::move(id);
  action.text = std::move(value);
  return action;
}

PanelAction textAction(std::string id, std::string text) {
  PanelAction action;
  action.kind = PanelAction::Kind::text;
  action.id = std::move(id);
  action.text = std::move(text);
  return action;
}

PanelAction keyAction(std::string id, bool command) {
  PanelAction action;
  action.kind = PanelAction::Kind::key;
  action.id = std::move(id);
  action.command = command;
  return action;
}

PanelAction caughtKeyAction(const views::CaughtKey& key) {
  PanelAction action = keyAction(key.character, key.command);
  action.shift = key.shift;
  action.option = key.option;
  action.control = key.control;
  action.keyCode = key.keyCode;
  return action;
}

views::CaughtKey caughtKey(const PanelAction& action) {
  return {action.keyCode, action.command, action.shift, action.option, action.control, action.id};
}

}  // namespace corvane::mac_app

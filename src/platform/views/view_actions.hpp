#pragma once
// How a window's view tells its model what the user did: each action enum travels as a button
// whose id is the case name ("install", "next", "recordKeys"). One table serves the views that send
// and the models that read. Plain values.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/panels.hpp"
#include "platform/views/shortcut_editor_view.hpp"
#include "platform/views/update_view.hpp"
#include "platform/views/welcome_view.hpp"

namespace corvane::platform::views {

inline std::string actionName(UpdateAction action) {
  switch (action) {
    case UpdateAction::install: return "install";
    case UpdateAction::skip: return "skip";
    case UpdateAction::later: return "later";
    case UpdateAction::cancel: return "cancel";
    case UpdateAction::relaunch: return "relaunch";
    case UpdateAction::installOnQuit: return "installOnQuit";
    case UpdateAction::acknowledge: return "acknowledge";
    case UpdateAction::setAutoInstall: return "setAutoInstall";
  }
  return {};
}

inline std::string actionName(WelcomeAction action) {
  switch (action) {
    case WelcomeAction::skip: return "skip";
    case WelcomeAction::back: return "back";
    case WelcomeAction::next: return "next";
    case WelcomeAction::done: return "done";
    case WelcomeAction::openAccessibilitySettings: return "openAccessibilitySettings";
  }
  return {};
}

inline std::string actionName(EditorAction action) {
  switch (action) {
    case EditorAction::newShortcut: return "newShortcut";
    case EditorAction::edit: return "edit";
    case EditorAction::remove: return "remove";
    case EditorAction::openFile: return "openFile";
    case EditorAction::save: return "save";
    case EditorAction::cancel: return "cancel";
    case EditorAction::tryIt: return "tryIt";
    case EditorAction::recordKeys: return "recordKeys";
    case EditorAction::clearKeys: return "clearKeys";
    case EditorAction::recordCombo: return "recordCombo";
  }
  return {};
}

namespace {

constexpr std::array kUpdateActions = {UpdateAction::install,      UpdateAction::skip,
                                       UpdateAction::later,        UpdateAction::cancel,
                                       UpdateAction::relaunch,     UpdateAction::installOnQuit,
                                       UpdateAction::acknowledge,  UpdateAction::setAutoInstall};
constexpr std::array kWelcomeActions = {WelcomeAction::skip, WelcomeAction::back,
                                        WelcomeAction::next, WelcomeAction::done,
                                        WelcomeAction::openAccessibilitySettings};
constexpr std::array kEditorActions = {EditorAction::newShortcut, EditorAction::edit,
                                       EditorAction::remove,      EditorAction::openFile,
                                       EditorAction::save,        EditorAction::cancel,
                                       EditorAction::tryIt,       EditorAction::recordKeys,
                                       EditorAction::clearKeys,   EditorAction::recordCombo};

template <typename Enum, std::size_t N>
std::optional<Enum> fromName(const std::array<Enum, N>& all, std::string_view name) {
  for (Enum e : all) {
    if (actionName(e) == name) return e;
  }
  return std::nullopt;
}

}  // namespace

inline std::optional<UpdateAction> updateAction(std::string_view name) { return fromName(kUpdateActions, name); }
inline std::optional<WelcomeAction> welcomeAction(std::string_view name) { return fromName(kWelcomeActions, name); }
inline std::optional<EditorAction> editorAction(std::string_view name) { return fromName(kEditorActions, name); }

/// A key the shortcut editor's key catcher received (`key` action with the modifiers and code).
inline CaughtKey caughtKey(const PanelAction& action) {
  return {action.keyCode, action.command, action.shift, action.option, action.control, action.id};
}

}  // namespace corvane::platform::views

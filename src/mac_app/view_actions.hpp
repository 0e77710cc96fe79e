#pragma once
// How the views of the windows tell the shell what the user did: each view model's action enum
// travels as a button whose id is the case name ("install", "next", "recordKeys"); an editor row's
// buttons carry the entry index as the text. Choices, fields and switches name themselves in `id`.
// Main thread; plain values.

#include <optional>
#include <string>
#include <string_view>

#include "platform/panels.hpp"
#include "platform/views/shortcut_editor_view.hpp"
#include "platform/views/update_view.hpp"
#include "platform/views/view_actions.hpp"
#include "platform/views/welcome_view.hpp"

namespace corvane::mac_app {

using platform::views::actionName;
using platform::views::caughtKey;
using platform::views::editorAction;
using platform::views::updateAction;
using platform::views::welcomeAction;

[[nodiscard]] platform::PanelAction buttonAction(std::string id, std::string text = {});
[[nodiscard]] platform::PanelAction toggleAction(std::string id, bool on);
[[nodiscard]] platform::PanelAction selectAction(std::string id, std::string value);
[[nodiscard]] platform::PanelAction textAction(std::string id, std::string text);
[[nodiscard]] platform::PanelAction keyAction(std::string id, bool command = false);

/// A key press for the shortcut editor's key catcher: `id` is the character, with the key code and
/// every held modifier; caughtKey reads it back.
[[nodiscard]] platform::PanelAction caughtKeyAction(const platform::views::CaughtKey& key);

}  // namespace corvane::mac_app

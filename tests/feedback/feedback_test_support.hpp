#pragma once
// Shared by the feedback tests: a library from inline JSON and a window list a test fills in.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/shortcut_library.hpp"
#include "platform/accessibility.hpp"
#include "platform/panels.hpp"

namespace corvane::feedback::testing {

inline model::LibraryPtr libraryFrom(const std::string& json) {
  auto library = model::ShortcutLibrary::build(model::ShortcutSource::fromBytes("built-in", "shortcuts.json", json),
                                               std::nullopt);
  EXPECT_TRUE(library->warnings().empty()) << library->warnings().front();
  return library;
}

/// What the user does in a panel.
inline platform::PanelAction buttonPress(std::string id) {
  platform::PanelAction action;
  action.id = std::move(id);
  return action;
}
inline platform::PanelAction keyPress(std::string id) {
  platform::PanelAction action;
  action.kind = platform::PanelAction::Kind::key;
  action.id = std::move(id);
  return action;
}
inline platform::PanelAction typed(std::string text) {
  platform::PanelAction action;
  action.kind = platform::PanelAction::Kind::text;
  action.text = std::move(text);
  return action;
}

struct ListedWindows final : platform::WindowList {
  std::vector<platform::WindowInfo> windows;
  std::vector<platform::WindowInfo> onScreenWindows() override { return windows; }
};

}  // namespace corvane::feedback::testing

#pragma once
// The key list's content built from the HUD's state: title and subtitle, rows in columns, footer.

#include <optional>
#include <string>
#include <vector>

#include "model/settings.hpp"
#include "model/shortcut_library.hpp"
#include "platform/views/hud_views.hpp"

namespace corvane::feedback {

/// What the key list and notices show.
struct HUDState {
  std::vector<std::string> path;
  std::optional<std::string> title;
  std::vector<model::HUDOption> options;
  std::optional<std::string> message;
  bool isError = false;
};

/// The title for a path: "Excel shortcuts" at the top; else the group's name, else the name of the
/// shortcut at that node; else none.
[[nodiscard]] std::optional<std::string> keyListTitle(const model::ShortcutLibrary& library,
                                                      const std::vector<std::string>& path);

/// Under a title, "Title: Bold text" is listed as "Bold text".
[[nodiscard]] std::vector<model::HUDOption> withoutTitlePrefix(const std::vector<model::HUDOption>& options,
                                                              const std::optional<std::string>& title);

/// How many columns the rows take: 1 up to 10 rows, 2 up to 24, else 3.
[[nodiscard]] std::size_t keyListColumnCount(std::size_t rows);

[[nodiscard]] platform::views::KeyListView buildKeyListView(const HUDState& state, model::TipStyle style);

}  // namespace corvane::feedback

#pragma once
// The command palette: a search field, up to eight ranked rows or an empty-state text, and a footer.

#include <optional>
#include <string>
#include <vector>

#include "platform/views/hud_views.hpp"
#include "platform/views/view.hpp"

namespace corvane::platform::views {

struct PaletteRowView {
  std::vector<std::string> keys;  ///< key badges
  std::string name;
  std::string place;              ///< under the name
  bool selected = false;
  friend bool operator==(const PaletteRowView&, const PaletteRowView&) = default;
};

struct PaletteView : View {
  std::string query;
  std::string placeholder = "Search Excel commands";
  std::optional<std::string> heading;    ///< "Recently used" over the recent shortcuts
  std::vector<PaletteRowView> rows;
  std::optional<std::string> emptyText;  ///< shown instead of rows
  std::string footerInstruction;         ///< "Double-tap ⌥ in Excel to open"
  std::vector<FooterHintView> footerKeys;
  Color badgeFill;
  Color badgeBorder;
  Color badgeText;
};

}  // namespace corvane::platform::views

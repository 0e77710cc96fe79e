#pragma once
// What the Shortcut List window draws: the sidebar of sections with their counts and the visible
// shortcuts, as plain data built by the shortcut browser model.

#include <optional>
#include <string>
#include <vector>
#include "platform/views/view.hpp"

namespace corvane::platform::views {

struct SectionTint {
  double red = 0;
  double green = 0;
  double blue = 0;
  friend bool operator==(const SectionTint&, const SectionTint&) = default;
};

struct ShortcutListSection {
  std::string id;
  std::string title;
  std::string symbol;  ///< a system symbol name
  SectionTint tint;
  int count = 0;
  std::string countText;  ///< "1 shortcut", "12 shortcuts"
  bool selected = false;
  friend bool operator==(const ShortcutListSection&, const ShortcutListSection&) = default;
};

struct ShortcutListRow {
  std::vector<std::string> keys;  ///< drawn as key caps after "⌥"
  std::string name;
  std::string summary;  ///< the steps' one-line descriptions
  std::string sectionId;
  std::optional<std::string> note;
  friend bool operator==(const ShortcutListRow&, const ShortcutListRow&) = default;
};

struct ShortcutListView : View {
  std::string windowTitle;  ///< "Shortcut List"
  std::vector<ShortcutListSection> sections;
  std::string query;
  std::string queryPlaceholder;
  std::vector<ShortcutListRow> rows;
  std::string countText;  ///< count text of the visible rows
  std::string emptyText;  ///< shown when no row is visible
  std::vector<std::string> hints;
  std::string makeYourOwnTitle;  ///< "Make Your Own…"
  friend bool operator==(const ShortcutListView&, const ShortcutListView&) = default;
};

}  // namespace corvane::platform::views

#pragma once
// The ribbon buttons and menu items the library knows, by tab, for the shortcut editor's pickers.

#include <string>
#include <vector>

#include "model/shortcut_library.hpp"

namespace corvane::authoring {

struct CatalogueItem {
  std::string name;  ///< the shortcut's name
  std::string item;  ///< menu item text ("A > B", alternatives joined by " | "), or empty
  friend bool operator==(const CatalogueItem&, const CatalogueItem&) = default;
};

struct CatalogueButton {
  std::string button;  ///< the ribbon step's first label, as written
  std::vector<CatalogueItem> items;
  friend bool operator==(const CatalogueButton&, const CatalogueButton&) = default;
};

struct CatalogueTab {
  std::string tab;
  std::vector<CatalogueButton> buttons;
  friend bool operator==(const CatalogueTab&, const CatalogueTab&) = default;
};

/// Tabs, buttons and items in the order the library first mentions them.
class EditorCatalogue final {
 public:
  EditorCatalogue() = default;
  explicit EditorCatalogue(const model::ShortcutLibrary& library);

  [[nodiscard]] const std::vector<CatalogueTab>& tabs() const { return tabs_; }
  [[nodiscard]] std::vector<std::string> tabNames() const;
  /// The buttons of `tab`; empty for an unknown tab.
  [[nodiscard]] const std::vector<CatalogueButton>* buttons(const std::string& tab) const;
  [[nodiscard]] const CatalogueButton* button(const std::string& tab, const std::string& button) const;

 private:
  std::vector<CatalogueTab> tabs_;
};

/// A menu path as the "item" and "menu" texts write it: levels joined by " > ", alternatives by " | ".
[[nodiscard]] std::string menuPathSource(const model::MenuPath& path);

}  // namespace corvane::authoring

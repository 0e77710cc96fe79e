#pragma once
// The other surfaces a step reaches Excel through: the menu bar, the Quick Access Toolbar, the
// title bar and dialogs. Runs on the actions queue.

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "excel/action_error.hpp"
#include "excel/excel_app.hpp"
#include "model/step.hpp"

namespace corvane::excel {

/// The children of a menu bar or menu; for a menu-bar item or menu item, the items of its submenu.
[[nodiscard]] std::vector<platform::Element> menuItemsOf(const ExcelApp& excel, const platform::Element& element);
/// A menu item's first child with role "AXMenu".
[[nodiscard]] std::optional<platform::Element> submenuOf(const ExcelApp& excel, const platform::Element& item);

/// Reads menus with one batched call per element and remembers what it read, for one walk or one
/// whole check (nothing is pressed meanwhile, so the menus stay as they were).
class MenuReader {
 public:
  explicit MenuReader(const ExcelApp& excel) : excel_(excel) {}
  [[nodiscard]] std::string title(const platform::Element& element);
  /// As menuItemsOf, from what was read.
  [[nodiscard]] std::vector<platform::Element> itemsOf(const platform::Element& element);
  [[nodiscard]] std::optional<platform::Element> submenuOf(const platform::Element& item);

 private:
  struct Facts {
    std::string role;
    std::string title;
    std::vector<platform::Element> children;
  };
  const Facts& read(const platform::Element& element);

  const ExcelApp& excel_;
  std::unordered_map<platform::Element, Facts, platform::ElementHash> facts_;
};

/// Finds the item a menu path names: the direct walk, then the deep search. None when missing.
[[nodiscard]] std::optional<platform::Element> findMenuItem(const ExcelApp& excel, const platform::Element& menuBar,
                                                            const model::MenuPath& path);
[[nodiscard]] std::optional<platform::Element> findMenuItem(MenuReader& menus, const platform::Element& menuBar,
                                                            const model::MenuPath& path);

/// Chooses a menu-bar command; opens the top menu and walks again when items are not yet in the tree.
[[nodiscard]] ActionStatus chooseMenuPath(const ExcelApp& excel, const model::MenuPath& path);

[[nodiscard]] std::optional<platform::Element> windowToolbar(const ExcelApp& excel, const platform::Element& window);
/// Toolbar items depth first, four levels down.
[[nodiscard]] std::vector<platform::Element> toolbarItems(const ExcelApp& excel, const platform::Element& toolbar);
/// The items of the window's title-bar toolbar; none without one.
[[nodiscard]] std::vector<platform::Element> titlebarItems(const ExcelApp& excel, const platform::Element& window);
/// The Quick Access Toolbar as the title bar's structure shows it: the run of plain buttons it
/// starts with. No name is needed to find where it ends.
struct QuickAccessToolbar {
  std::vector<platform::Element> buttons;  ///< numbered from 1
  /// Each button's accessible name as Excel gives it (title, else description); empty when Excel
  /// gives none, never made up.
  std::vector<std::string> names;
  /// Each button's frame (none when unreadable) and enabled state, read with it.
  std::vector<std::optional<platform::Rect>> frames;
  std::vector<bool> enabled;
  /// Something other than the customise button by its usual name ended the run: a control whose
  /// part in the toolbar cannot be told, so a number beyond the run is never pressed.
  bool endsUncertain = false;
};
[[nodiscard]] QuickAccessToolbar quickAccessToolbar(const ExcelApp& excel, const std::vector<platform::Element>& items);
/// The same from the toolbar itself in one pass, one read per item, ending once `wanted` buttons
/// are known: for whoever needs no more of the title bar.
[[nodiscard]] QuickAccessToolbar quickAccessToolbarOf(const ExcelApp& excel, const platform::Element& toolbar,
                                                      std::size_t wanted);
/// "The Quick Access Toolbar has no button n", and why when the toolbar was read.
[[nodiscard]] std::string noQuickAccessButton(std::int64_t n, const QuickAccessToolbar& toolbar);
/// The Quick Access Toolbar buttons, in order.
[[nodiscard]] std::vector<platform::Element> quickAccessButtons(const ExcelApp& excel, const platform::Element& window);
[[nodiscard]] std::vector<platform::Element> quickAccessButtons(const ExcelApp& excel,
                                                                const std::vector<platform::Element>& items);
/// The title-bar item for these labels ("Document Title" means the document name label).
[[nodiscard]] std::optional<platform::Element> titlebarItem(const ExcelApp& excel, const platform::Element& window,
                                                            const std::vector<std::string>& labels);
[[nodiscard]] std::optional<platform::Element> titlebarItem(const ExcelApp& excel,
                                                            const std::vector<platform::Element>& items,
                                                            const std::vector<std::string>& labels);

[[nodiscard]] ActionStatus pressQat(const ExcelApp& excel, std::int64_t n);
[[nodiscard]] ActionStatus pressTitlebar(const ExcelApp& excel, const std::vector<std::string>& labels);
/// Waits up to `timeout` seconds for a dialog control with one of the labels, then clicks it. A
/// timeout of 0 still searches once.
[[nodiscard]] ActionStatus clickInDialog(const ExcelApp& excel, const std::vector<std::string>& labels, double timeout);

}  // namespace corvane::excel

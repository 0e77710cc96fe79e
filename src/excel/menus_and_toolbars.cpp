#include "excel/menus_and_toolbars.hpp"

#include <algorithm>
#include <array>

#include "excel/ax_names.hpp"
#include "excel/element_lookup.hpp"
#include "excel/label_key.hpp"
#include "excel/step_description.hpp"

namespace corvane::excel {

using platform::Element;

namespace {

constexpr std::size_t kDeepSearchItems = 4000;
constexpr int kDeepSearchLevels = 4;
constexpr std::size_t kDialogSearchLimit = 2500;
constexpr std::size_t kDialogExtraAfterMatch = 300;

std::vector<std::string> keysOf(const std::vector<std::string>& labels) {
  std::vector<std::string> keys;
  for (const auto& label : labels) {
    auto key = labelKey(stripMarker(label).name);
    if (!key.empty()) keys.push_back(std::move(key));
  }
  return keys;
}

bool keyIn(const std::string& key, const std::vector<std::string>& keys) {
  return !key.empty() && std::find(keys.begin(), keys.end(), key) != keys.end();
}

std::optional<Element> directWalk(const ExcelApp& excel, const Element& menuBar, const model::MenuPath& path) {
  if (path.empty()) return std::nullopt;
  Element current = menuBar;
  for (const auto& level : path) {
    auto keys = keysOf(level);
    std::optional<Element> next;
    for (const auto& item : menuItemsOf(excel, current)) {
      if (keyIn(labelKey(excel.string(item, ax::kTitle)), keys)) {
        next = item;
        break;
      }
    }
    if (!next) return std::nullopt;
    current = *next;
  }
  return current;
}

struct DeepSearch {
  const ExcelApp& excel;
  std::vector<std::string> targetKeys;
  std::vector<std::string> parentKeys;  // empty: no parent named
  std::size_t visited = 0;

  // `ownerMatches`: the menu being searched belongs to an item titled like the parent.
  std::optional<Element> search(const Element& menuOwner, int depth, bool ownerMatches) {
    if (depth > kDeepSearchLevels) return std::nullopt;
    for (const auto& item : menuItemsOf(excel, menuOwner)) {
      if (++visited > kDeepSearchItems) return std::nullopt;
      auto key = labelKey(excel.string(item, ax::kTitle));
      if (keyIn(key, targetKeys) && (parentKeys.empty() || ownerMatches)) return item;
      if (submenuOf(excel, item)) {
        if (auto found = search(item, depth + 1, keyIn(key, parentKeys))) return found;
        if (visited > kDeepSearchItems) return std::nullopt;
      }
    }
    return std::nullopt;
  }
};

std::optional<Element> deepSearch(const ExcelApp& excel, const Element& menuBar, const model::MenuPath& path) {
  if (path.empty()) return std::nullopt;
  DeepSearch search{excel, keysOf(path.back()), path.size() >= 2 ? keysOf(path[path.size() - 2]) : std::vector<std::string>{}};
  if (search.targetKeys.empty()) return std::nullopt;
  auto topMenus = excel.children(menuBar);
  // The first child is the system menu, which never holds Excel's commands.
  for (std::size_t i = 1; i < topMenus.size(); ++i) {
    bool ownerMatches = keyIn(labelKey(excel.string(topMenus[i], ax::kTitle)), search.parentKeys);
    if (auto found = search.search(topMenus[i], 1, ownerMatches)) return found;
    if (search.visited > kDeepSearchItems) break;
  }
  return std::nullopt;
}

ActionStatus pressMenuItem(const ExcelApp& excel, const Element& item, const std::string& pathText) {
  if (submenuOf(excel, item)) {
    return std::unexpected(ActionError::general("Menu " + pathText + " is a submenu, not a command"));
  }
  auto title = excel.string(item, ax::kTitle);
  return press(excel, item, title.empty() ? pathText : title);
}

}  // namespace

std::vector<Element> menuItemsOf(const ExcelApp& excel, const Element& element) {
  auto role = excel.role(element);
  if (role == ax::kMenuBarRole || role == ax::kMenu) return excel.children(element);
  if (auto submenu = submenuOf(excel, element)) return excel.children(*submenu);
  return {};
}

std::optional<Element> submenuOf(const ExcelApp& excel, const Element& item) {
  return excel.firstChild(item, ax::kMenu);
}

std::optional<Element> findMenuItem(const ExcelApp& excel, const Element& menuBar, const model::MenuPath& path) {
  if (auto item = directWalk(excel, menuBar, path)) return item;
  return deepSearch(excel, menuBar, path);
}

ActionStatus chooseMenuPath(const ExcelApp& excel, const model::MenuPath& path) {
  auto menuBar = excel.element(excel.application(), ax::kMenuBar);
  if (!menuBar) return std::unexpected(ActionError::general("Can't read Excel's menu bar"));
  auto pathText = menuPathText(path);
  if (auto item = findMenuItem(excel, *menuBar, path)) return pressMenuItem(excel, *item, pathText);
  if (!path.empty()) {
    // Some Excel menus fill in only when opened: open the top menu and walk again.
    auto keys = keysOf(path.front());
    for (const auto& top : excel.children(*menuBar)) {
      if (!keyIn(labelKey(excel.string(top, ax::kTitle)), keys)) continue;
      excel.performBriefly(top, ax::kPress);
      excel.clock().sleep(0.25);
      if (auto item = directWalk(excel, *menuBar, path)) {
        auto pressed = pressMenuItem(excel, *item, pathText);
        if (!pressed) excel.postEscape();
        return pressed;
      }
      excel.postEscape();
      break;
    }
  }
  return std::unexpected(ActionError::menuMissing("Couldn't find menu " + pathText));
}

std::optional<Element> windowToolbar(const ExcelApp& excel, const Element& window) {
  if (auto toolbar = excel.firstChild(window, ax::kToolbar)) return toolbar;
  for (const auto& child : excel.children(window)) {
    if (excel.role(child) != ax::kGroup) continue;
    if (auto toolbar = excel.firstChild(child, ax::kToolbar)) return toolbar;
  }
  return std::nullopt;
}

std::vector<Element> toolbarItems(const ExcelApp& excel, const Element& toolbar) {
  static constexpr std::array<std::string_view, 4> kItemRoles{ax::kButton, ax::kMenuButton, ax::kCheckBox,
                                                              ax::kStaticText};
  std::vector<Element> items;
  auto walk = [&](auto&& self, const Element& parent, int depth) -> void {
    if (depth > 3) return;
    for (const auto& child : excel.children(parent)) {
      auto role = excel.role(child);
      if (std::find(kItemRoles.begin(), kItemRoles.end(), role) != kItemRoles.end()) items.push_back(child);
      self(self, child, depth + 1);
    }
  };
  walk(walk, toolbar, 0);
  return items;
}

std::vector<Element> quickAccessButtons(const ExcelApp& excel, const Element& window) {
  std::vector<Element> buttons;
  auto toolbar = windowToolbar(excel, window);
  if (!toolbar) return buttons;
  for (const auto& item : toolbarItems(excel, *toolbar)) {
    if (excel.role(item) == ax::kStaticText) continue;
    // Excel names the customise button in its description, so the display name is compared.
    if (labelKey(excel.displayName(item)).starts_with("customizequickaccess")) break;
    buttons.push_back(item);
  }
  return buttons;
}

std::optional<Element> titlebarItem(const ExcelApp& excel, const Element& window, const std::vector<std::string>& labels) {
  auto toolbar = windowToolbar(excel, window);
  if (!toolbar) return std::nullopt;
  auto items = toolbarItems(excel, *toolbar);
  auto keys = keysOf(labels);
  if (keyIn("documenttitle", keys)) {
    for (const auto& item : items) {
      if (excel.string(item, ax::kIdentifier) == ax::kDocumentTitleIdentifier) return item;
    }
    return std::nullopt;
  }
  for (const auto& item : items) {
    auto key = labelKey(excel.displayName(item));
    for (const auto& k : keys) {
      if (key.starts_with(k)) return item;
    }
  }
  return std::nullopt;
}

ActionStatus pressQat(const ExcelApp& excel, std::int64_t n) {
  auto window = findWorkbookWindow(excel);
  if (!window) return std::unexpected(window.error());
  auto buttons = quickAccessButtons(excel, *window);
  if (n < 1 || n > static_cast<std::int64_t>(buttons.size())) {
    return std::unexpected(ActionError::general("The Quick Access Toolbar has no button " + std::to_string(n)));
  }
  const auto& button = buttons[static_cast<std::size_t>(n - 1)];
  return press(excel, button, excel.displayName(button));
}

ActionStatus pressTitlebar(const ExcelApp& excel, const std::vector<std::string>& labels) {
  auto window = findWorkbookWindow(excel);
  if (!window) return std::unexpected(window.error());
  auto name = firstLabel(labels);
  if (auto item = titlebarItem(excel, *window, labels)) return press(excel, *item, excel.displayName(*item));
  return std::unexpected(ActionError::general("Couldn't find “" + (name.empty() ? "?" : name) + "” in the title bar"));
}

namespace {

constexpr std::array<std::string_view, 5> kDialogRoles{ax::kButton, ax::kRadioButton, ax::kCheckBox, ax::kMenuItem,
                                                       ax::kPopUpButton};

int dialogRank(std::string_view role) {
  if (role == ax::kRadioButton) return 0;
  if (role == ax::kCheckBox) return 1;
  if (role == ax::kButton) return 2;
  return 3;
}

bool neverVisited(std::string_view role) {
  static constexpr std::array<std::string_view, 15> kRoles{
      "AXTable",   "AXGrid",      "AXRow",   "AXColumn",     "AXCell",    "AXOutline", "AXBrowser", "AXTextArea",
      "AXTextField", "AXWebArea", "AXScrollBar", "AXRuler", "AXLayoutArea", "AXMenuBar", "Gallery"};
  return std::find(kRoles.begin(), kRoles.end(), role) != kRoles.end();
}

// Breadth first through one dialog root; the best-ranked match, ties to the first found.
std::optional<Element> searchDialog(const ExcelApp& excel, const Element& root, const std::vector<std::string>& keys) {
  static constexpr std::array<std::string_view, 5> kAttributes{ax::kRole, ax::kTitle, ax::kDescription, ax::kHelp,
                                                               ax::kChildren};
  std::vector<Element> queue{root};
  std::size_t head = 0;
  std::size_t examined = 0;
  std::optional<Element> match;
  int matchRank = 100;
  std::size_t afterMatch = 0;
  while (head < queue.size() && examined < kDialogSearchLimit) {
    if (match && afterMatch >= kDialogExtraAfterMatch) break;
    Element element = queue[head++];
    ++examined;
    if (match) ++afterMatch;
    std::string role, title, description, help;
    std::vector<Element> children;
    auto values = excel.ax().copyMultipleAttributes(element, kAttributes);
    if (values && values->size() == kAttributes.size()) {
      const auto& v = *values;
      role = platform::valueAs<std::string>(v[0]).value_or("");
      title = platform::valueAs<std::string>(v[1]).value_or("");
      description = platform::valueAs<std::string>(v[2]).value_or("");
      help = platform::valueAs<std::string>(v[3]).value_or("");
      children = platform::valueAs<std::vector<Element>>(v[4]).value_or(std::vector<Element>{});
    } else {
      // The batched read failed: read each attribute on its own.
      role = excel.string(element, ax::kRole);
      title = excel.string(element, ax::kTitle);
      description = excel.string(element, ax::kDescription);
      help = excel.string(element, ax::kHelp);
      children = excel.children(element);
    }
    if (std::find(kDialogRoles.begin(), kDialogRoles.end(), role) != kDialogRoles.end()) {
      bool hit = keyIn(labelKey(title), keys) || keyIn(labelKey(description), keys) || keyIn(labelKey(help), keys);
      if (hit && dialogRank(role) < matchRank) {
        if (!match) afterMatch = 0;
        match = element;
        matchRank = dialogRank(role);
      }
    }
    if (neverVisited(role)) continue;
    for (auto& child : children) queue.push_back(std::move(child));
  }
  return match;
}

}  // namespace

ActionStatus clickInDialog(const ExcelApp& excel, const std::vector<std::string>& labels, double timeout) {
  auto& clock = excel.clock();
  double deadline = clock.uptime() + timeout;
  auto keys = keysOf(labels);
  auto first = firstLabel(labels);
  auto shown = first.empty() ? std::string("?") : first;
  while (true) {
    std::vector<Element> windows;
    auto addWindow = [&](const Element& w) {
      if (std::find(windows.begin(), windows.end(), w) == windows.end()) windows.push_back(w);
    };
    if (auto focused = excel.element(excel.application(), ax::kFocusedWindow)) addWindow(*focused);
    for (const auto& w : excel.elements(excel.application(), ax::kWindows)) addWindow(w);
    std::vector<Element> roots;
    for (const auto& w : windows) {
      if (!carriesRibbon(excel, w)) {
        roots.push_back(w);
        continue;
      }
      // The workbook window itself is not a dialog; only sheets attached to it are.
      for (const auto& child : excel.children(w)) {
        if (excel.role(child) == ax::kSheet) roots.push_back(child);
      }
    }
    for (const auto& root : roots) {
      if (auto control = searchDialog(excel, root, keys)) {
        auto pressed = press(excel, *control, shown);
        clock.sleep(0.02);
        return pressed;
      }
    }
    clock.sleep(0.015);
    if (clock.uptime() > deadline) break;
  }
  return std::unexpected(
      ActionError::dialogTimeout(first.empty() ? "?" : first, "Couldn't find “" + shown + "” in the Excel dialog"));
}

}  // namespace corvane::excel

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
constexpr double kOpenedMenuWait = 1.0;  ///< for a menu-bar menu to come up and fill in
/// Quick Access buttons sit side by side: a space where a button could stand ends the toolbar.
constexpr double kQuickAccessGap = 20;

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

std::optional<Element> directWalk(MenuReader& menus, const Element& menuBar, const model::MenuPath& path) {
  if (path.empty()) return std::nullopt;
  Element current = menuBar;
  for (const auto& level : path) {
    auto keys = keysOf(level);
    std::optional<Element> next;
    for (const auto& item : menus.itemsOf(current)) {
      if (keyIn(labelKey(menus.title(item)), keys)) {
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
  MenuReader& menus;
  std::vector<std::string> targetKeys;
  std::vector<std::string> parentKeys;  // empty: no parent named
  std::size_t visited = 0;

  // `ownerMatches`: the menu being searched belongs to an item titled like the parent.
  std::optional<Element> search(const Element& menuOwner, int depth, bool ownerMatches) {
    if (depth > kDeepSearchLevels) return std::nullopt;
    for (const auto& item : menus.itemsOf(menuOwner)) {
      if (++visited > kDeepSearchItems) return std::nullopt;
      auto key = labelKey(menus.title(item));
      if (keyIn(key, targetKeys) && (parentKeys.empty() || ownerMatches)) return item;
      if (menus.submenuOf(item)) {
        if (auto found = search(item, depth + 1, keyIn(key, parentKeys))) return found;
        if (visited > kDeepSearchItems) return std::nullopt;
      }
    }
    return std::nullopt;
  }
};

std::optional<Element> deepSearch(MenuReader& menus, const Element& menuBar, const model::MenuPath& path) {
  if (path.empty()) return std::nullopt;
  DeepSearch search{menus, keysOf(path.back()), path.size() >= 2 ? keysOf(path[path.size() - 2]) : std::vector<std::string>{}};
  if (search.targetKeys.empty()) return std::nullopt;
  auto topMenus = menus.itemsOf(menuBar);
  // The first child is the system menu, which never holds Excel's commands.
  for (std::size_t i = 1; i < topMenus.size(); ++i) {
    bool ownerMatches = keyIn(labelKey(menus.title(topMenus[i])), search.parentKeys);
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

const MenuReader::Facts& MenuReader::read(const Element& element) {
  auto it = facts_.find(element);
  if (it != facts_.end()) return it->second;
  static constexpr std::array<std::string_view, 3> kNames{ax::kRole, ax::kTitle, ax::kChildren};
  Facts facts;
  if (auto values = excel_.ax().copyMultipleAttributes(element, kNames); values && values->size() == kNames.size()) {
    facts.role = platform::valueAs<std::string>((*values)[0]).value_or("");
    facts.title = platform::valueAs<std::string>((*values)[1]).value_or("");
    facts.children = platform::valueAs<std::vector<Element>>((*values)[2]).value_or(std::vector<Element>{});
  }
  return facts_.emplace(element, std::move(facts)).first->second;
}

std::string MenuReader::title(const Element& element) { return read(element).title; }

std::vector<Element> MenuReader::itemsOf(const Element& element) {
  const auto& facts = read(element);
  if (facts.role == ax::kMenuBarRole || facts.role == ax::kMenu) return facts.children;
  if (auto submenu = submenuOf(element)) return read(*submenu).children;
  return {};
}

std::optional<Element> MenuReader::submenuOf(const Element& item) {
  // References into the table survive its growth, so the children can be read while walking them.
  const auto& children = read(item).children;
  for (const auto& child : children) {
    if (read(child).role == ax::kMenu) return child;
  }
  return std::nullopt;
}

std::optional<Element> findMenuItem(MenuReader& menus, const Element& menuBar, const model::MenuPath& path) {
  if (auto item = directWalk(menus, menuBar, path)) return item;
  return deepSearch(menus, menuBar, path);
}

std::optional<Element> findMenuItem(const ExcelApp& excel, const Element& menuBar, const model::MenuPath& path) {
  MenuReader menus(excel);
  return findMenuItem(menus, menuBar, path);
}

ActionStatus chooseMenuPath(const ExcelApp& excel, const model::MenuPath& path) {
  auto menuBar = excel.element(excel.application(), ax::kMenuBar);
  if (!menuBar) {
    if (auto stopped = excel.stopError()) return std::unexpected(*stopped);
    return std::unexpected(ActionError::general("Can't read Excel's menu bar"));
  }
  auto pathText = menuPathText(path);
  MenuReader menus(excel);
  if (auto item = findMenuItem(menus, *menuBar, path)) return pressMenuItem(excel, *item, pathText);
  if (!path.empty() && !excel.stopped()) {
    // Some Excel menus fill in only when opened: open the top menu and walk again once it is there.
    auto keys = keysOf(path.front());
    for (const auto& top : menus.itemsOf(*menuBar)) {
      if (!keyIn(labelKey(menus.title(top)), keys)) continue;
      auto before = excel.onScreenWindowBounds();
      excel.performBriefly(top, ax::kPress);
      // Walk again until the item is there, or the menu is on screen and it still is not.
      double deadline = excel.clock().uptime() + kOpenedMenuWait;
      while (excel.clock().uptime() < deadline && excel.pause(0.05)) {
        bool menuShown = false;
        for (const auto& bounds : excel.onScreenWindowBounds()) {
          menuShown = menuShown ||
                      std::none_of(before.begin(), before.end(), [&](const auto& b) { return framesMatch(b, bounds); });
        }
        MenuReader opened(excel);
        if (auto item = directWalk(opened, *menuBar, path)) {
          auto pressed = pressMenuItem(excel, *item, pathText);
          if (!pressed) excel.postEscape();
          return pressed;
        }
        if (menuShown) break;
      }
      if (!excel.stopped()) excel.postEscape();
      break;
    }
  }
  if (auto stopped = excel.stopError()) return std::unexpected(*stopped);
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
  static constexpr std::array<std::string_view, 2> kNames{ax::kRole, ax::kChildren};
  std::vector<Element> items;
  auto walk = [&](auto&& self, int depth, const std::vector<Element>& children) -> void {
    if (depth > 3) return;
    for (const auto& child : children) {
      // Asked briefly: one item that stops answering (a button, the document's name) is passed
      // over and stops nothing else.
      auto values = excel.readBriefly(child, kNames);
      if (!values || values->size() != kNames.size()) {
        // Kept, so that what follows keeps its place: an item that does not answer is no item to
        // leave out of a count by position.
        items.push_back(child);
        continue;
      }
      auto role = platform::valueAs<std::string>((*values)[0]).value_or("");
      if (std::find(kItemRoles.begin(), kItemRoles.end(), role) != kItemRoles.end()) items.push_back(child);
      self(self, depth + 1, platform::valueAs<std::vector<Element>>((*values)[1]).value_or(std::vector<Element>{}));
    }
  };
  walk(walk, 0, excel.children(toolbar));
  return items;
}

std::vector<Element> titlebarItems(const ExcelApp& excel, const Element& window) {
  auto toolbar = windowToolbar(excel, window);
  if (!toolbar) return {};
  return toolbarItems(excel, *toolbar);
}

namespace {

/// An item's role and display name, in one read.
std::pair<std::string, std::string> roleAndName(const ExcelApp& excel, const Element& item) {
  static constexpr std::array<std::string_view, 4> kNames{ax::kRole, ax::kTitle, ax::kDescription, ax::kHelp};
  auto values = excel.readBriefly(item, kNames);
  if (!values || values->size() != kNames.size()) return {};
  auto role = platform::valueAs<std::string>((*values)[0]).value_or("");
  for (std::size_t i = 1; i < kNames.size(); ++i) {
    auto text = platform::valueAs<std::string>((*values)[i]).value_or("");
    if (!text.empty()) return {role, text};
  }
  return {role, role};
}

}  // namespace

namespace {

/// What the Quick Access Toolbar needs of an item, in one read: its role, names, frame and state.
constexpr std::array<std::string_view, 8> kQatNames{ax::kRole, ax::kTitle, ax::kDescription, ax::kHelp,
                                                    ax::kPosition, ax::kSize, ax::kEnabled, ax::kChildren};

/// Adds an item, as read with kQatNames (none: it did not answer), to the run of buttons; false
/// once the item ends the run.
bool extendRun(QuickAccessToolbar& toolbar, std::optional<platform::Rect>& last, const Element& item,
               const std::optional<std::vector<std::optional<platform::AXValue>>>& values) {
  if (!values || values->size() != kQatNames.size()) {
    // An item that does not answer could be anything: the toolbar is only known up to here.
    toolbar.endsUncertain = true;
    return false;
  }
  const auto& v = *values;
  auto role = platform::valueAs<std::string>(v[0]).value_or("");
  std::string name;
  for (std::size_t i = 1; i <= 3 && name.empty(); ++i) name = platform::valueAs<std::string>(v[i]).value_or("");
  auto at = platform::valueAs<platform::Point>(v[4]);
  auto extent = platform::valueAs<platform::Size>(v[5]);
  std::optional<platform::Rect> frame;
  if (at && extent) frame = platform::Rect{at->x, at->y, extent->width, extent->height};
  // The toolbar is the run of plain buttons at the start of the title bar. Whatever ends the
  // run (the customise menu, which opens a menu; the document's name; a button set apart from
  // the others) is not one of them, whatever it is called, so it is never numbered.
  bool plainButton = role == ax::kButton || role == ax::kCheckBox;
  bool apart = last && frame && frame->x - last->maxX() >= kQuickAccessGap;
  bool customise = labelKey(name).starts_with("customizequickaccess");
  if (!plainButton || apart || customise) {
    toolbar.endsUncertain = !customise;
    return false;
  }
  toolbar.buttons.push_back(item);
  toolbar.names.push_back(platform::valueAs<std::string>(v[1]).value_or(""));
  if (toolbar.names.back().empty()) toolbar.names.back() = platform::valueAs<std::string>(v[2]).value_or("");
  toolbar.frames.push_back(frame);
  toolbar.enabled.push_back(platform::valueAs<bool>(v[6]).value_or(true));
  if (frame) last = frame;
  return true;
}

std::optional<std::vector<std::optional<platform::AXValue>>> readForRun(const ExcelApp& excel, const Element& item) {
  auto values = excel.readBriefly(item, kQatNames);
  if (!values) return std::nullopt;
  return std::move(*values);
}

}  // namespace

QuickAccessToolbar quickAccessToolbar(const ExcelApp& excel, const std::vector<Element>& items) {
  QuickAccessToolbar toolbar;
  std::optional<platform::Rect> last;
  for (const auto& item : items) {
    if (!extendRun(toolbar, last, item, readForRun(excel, item))) break;
  }
  return toolbar;
}

QuickAccessToolbar quickAccessToolbarOf(const ExcelApp& excel, const Element& toolbarElement, std::size_t wanted) {
  static constexpr std::array<std::string_view, 4> kItemRoles{ax::kButton, ax::kMenuButton, ax::kCheckBox,
                                                              ax::kStaticText};
  QuickAccessToolbar toolbar;
  std::optional<platform::Rect> last;
  bool done = wanted == 0;
  // The items in the order toolbarItems gives them, each read once for everything.
  auto walk = [&](auto&& self, int depth, const std::vector<Element>& children) -> void {
    if (depth > 3) return;
    for (const auto& child : children) {
      if (done) return;
      auto values = readForRun(excel, child);
      auto role = values && values->size() == kQatNames.size()
                      ? platform::valueAs<std::string>((*values)[0]).value_or("")
                      : std::string();
      bool item = !values || values->size() != kQatNames.size() ||
                  std::find(kItemRoles.begin(), kItemRoles.end(), role) != kItemRoles.end();
      if (item && (!extendRun(toolbar, last, child, values) || toolbar.buttons.size() >= wanted)) {
        done = true;
        return;
      }
      if (!values || values->size() != kQatNames.size()) continue;
      self(self, depth + 1, platform::valueAs<std::vector<Element>>((*values)[7]).value_or(std::vector<Element>{}));
    }
  };
  walk(walk, 0, excel.children(toolbarElement));
  return toolbar;
}

std::vector<Element> quickAccessButtons(const ExcelApp& excel, const std::vector<Element>& items) {
  return quickAccessToolbar(excel, items).buttons;
}

std::vector<Element> quickAccessButtons(const ExcelApp& excel, const Element& window) {
  return quickAccessButtons(excel, titlebarItems(excel, window));
}

std::string noQuickAccessButton(std::int64_t n, const QuickAccessToolbar& toolbar) {
  auto text = "The Quick Access Toolbar has no button " + std::to_string(n);
  if (n < 1 || !toolbar.endsUncertain) return text;
  auto count = toolbar.buttons.size();
  return text + ": after its " + std::to_string(count) + (count == 1 ? " button" : " buttons") +
         " comes a control that may be something else, so nothing was pressed";
}

std::optional<Element> titlebarItem(const ExcelApp& excel, const Element& window, const std::vector<std::string>& labels) {
  return titlebarItem(excel, titlebarItems(excel, window), labels);
}

std::optional<Element> titlebarItem(const ExcelApp& excel, const std::vector<Element>& items,
                                    const std::vector<std::string>& labels) {
  auto keys = keysOf(labels);
  if (keyIn("documenttitle", keys)) {
    for (const auto& item : items) {
      if (excel.string(item, ax::kIdentifier) == ax::kDocumentTitleIdentifier) return item;
    }
    return std::nullopt;
  }
  for (const auto& item : items) {
    auto key = labelKey(roleAndName(excel, item).second);
    for (const auto& k : keys) {
      if (key.starts_with(k)) return item;
    }
  }
  return std::nullopt;
}

ActionStatus pressQat(const ExcelApp& excel, std::int64_t n) {
  auto window = findWorkbookWindow(excel);
  if (!window) return std::unexpected(excel.stopError().value_or(window.error()));
  auto toolbar = quickAccessToolbar(excel, titlebarItems(excel, *window));
  if (auto stopped = excel.stopError()) return std::unexpected(*stopped);
  if (n < 1 || n > static_cast<std::int64_t>(toolbar.buttons.size())) {
    return std::unexpected(ActionError::general(noQuickAccessButton(n, toolbar)));
  }
  const auto& button = toolbar.buttons[static_cast<std::size_t>(n - 1)];
  return press(excel, button, excel.displayName(button));
}

ActionStatus pressTitlebar(const ExcelApp& excel, const std::vector<std::string>& labels) {
  auto window = findWorkbookWindow(excel);
  if (!window) return std::unexpected(excel.stopError().value_or(window.error()));
  auto name = firstLabel(labels);
  if (auto item = titlebarItem(excel, *window, labels)) return press(excel, *item, excel.displayName(*item));
  if (auto stopped = excel.stopError()) return std::unexpected(*stopped);
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
    if (!excel.pause(0.015)) {
      return std::unexpected(excel.stopError().value_or(ActionError::general("Corvane stopped before Excel answered")));
    }
    if (clock.uptime() > deadline) break;
  }
  return std::unexpected(
      ActionError::dialogTimeout(first.empty() ? "?" : first, "Couldn't find “" + shown + "” in the Excel dialog"));
}

}  // namespace corvane::excel

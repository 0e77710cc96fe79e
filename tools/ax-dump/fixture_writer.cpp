#include "tools/ax-dump/fixture_writer.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string_view>

#include "excel/ax_names.hpp"
#include "excel/element_lookup.hpp"
#include "excel/folded_groups.hpp"
#include "excel/label_key.hpp"
#include "excel/menus_and_toolbars.hpp"

namespace corvane::tools {

namespace {

using Json = nlohmann::ordered_json;
using excel::ExcelApp;
using platform::AXValue;
using platform::Element;

constexpr std::array<std::string_view, 11> kAttributes = {"AXRole",       "AXSubrole",    "AXTitle",   "AXDescription",
                                                          "AXHelp",       "AXIdentifier", "AXValue",   "AXPosition",
                                                          "AXSize",       "AXEnabled",    "AXChildren"};
enum Attribute { role, subrole, title, description, help, identifier, value, position, size, enabled, children };

/// What stands for a window's title, a document's name or a recent file in the capture.
constexpr const char* kNeutralName = "Workbook";
constexpr double kMenuWait = 1.5;    ///< for a dropdown's popup or a menu's items
constexpr double kCloseWait = 0.5;   ///< for a closed menu to leave the screen
constexpr double kFillQuiet = 0.3;   ///< a tab's commands that stopped growing this long are complete
constexpr double kFillLimit = 2.0;
constexpr int kMaxDepth = 40;

/// Where an element sits: what of it the capture may keep depends on it.
enum class Region { titleBar, ribbon, workbook };

/// One element's attributes, read in one call.
struct Snapshot {
  Element element;
  std::string role;
  std::string subrole;
  std::string title;
  std::string description;
  std::string help;
  std::string identifier;
  std::optional<AXValue> value;
  std::optional<platform::Rect> frame;
  bool enabled = true;
  std::vector<Element> children;
};

/// Whole points where the numbers are whole, so the fixture reads like a hand-written one.
Json number(double v) {
  if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e9) return static_cast<std::int64_t>(v);
  return std::round(v * 100) / 100;
}

Json seconds(double v) { return std::round(v * 10000) / 10000; }

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

/// The actions a role has in the fixture unless an element says otherwise.
std::vector<std::string> usualActions(const std::string& role, bool hasMenu) {
  std::vector<std::string> actions;
  if (role == "AXButton" || role == "AXCheckBox" || role == "AXRadioButton" || role == "AXMenuItem" ||
      role == "AXMenuButton" || role == "AXPopUpButton") {
    actions.push_back("AXPress");
  }
  if (role == "AXMenuButton" || role == "AXPopUpButton" || hasMenu) actions.push_back("AXShowMenu");
  if (role == "AXComboBox" || role == "AXTextField") actions.push_back("AXConfirm");
  if (role == "AXWindow") actions.push_back("AXRaise");
  return actions;
}

void dropFrames(Json& j) {
  if (!j.is_object()) return;
  j.erase("frame");
  if (j.contains("children")) {
    for (auto& child : j["children"]) dropFrames(child);
  }
}

class Writer {
 public:
  Writer(const ExcelApp& excel, const DumpOptions& options) : excel_(excel), options_(options) {}

  DumpSummary summary;
  std::size_t count = 0;
  std::set<std::string> privateNames;  ///< window titles and document names seen

  // Timings measured on the spot.
  std::vector<double> callTimes;
  std::vector<double> menuDelays;
  std::vector<double> pressTimes;
  int pressesUnanswered = 0;
  std::vector<double> tabSwitches;
  std::vector<double> fills;
  std::optional<bool> areaReused;
  bool ribbonCollapsed = false;

  void warn(std::string text) {
    if (std::find(summary.warnings.begin(), summary.warnings.end(), text) == summary.warnings.end()) {
      summary.warnings.push_back(std::move(text));
    }
  }

  std::optional<Snapshot> snapshot(const Element& e) {
    if (count >= options_.maxElements) {
      warn("stopped after " + std::to_string(options_.maxElements) + " elements");
      return std::nullopt;
    }
    auto values = excel_.ax().copyMultipleAttributes(e, kAttributes);
    if (!values || values->size() != kAttributes.size()) return std::nullopt;
    auto& v = *values;
    Snapshot s;
    s.element = e;
    s.role = platform::valueAs<std::string>(v[role]).value_or("");
    if (s.role.empty()) return std::nullopt;  // gone, or not an element the fixture can describe
    ++count;
    s.subrole = platform::valueAs<std::string>(v[subrole]).value_or("");
    s.title = platform::valueAs<std::string>(v[title]).value_or("");
    s.description = platform::valueAs<std::string>(v[description]).value_or("");
    s.help = platform::valueAs<std::string>(v[help]).value_or("");
    s.identifier = platform::valueAs<std::string>(v[identifier]).value_or("");
    s.value = v[value];
    auto at = platform::valueAs<platform::Point>(v[position]);
    auto extent = platform::valueAs<platform::Size>(v[size]);
    if (at && extent) s.frame = platform::Rect{at->x, at->y, extent->width, extent->height};
    s.enabled = platform::valueAs<bool>(v[enabled]).value_or(true);
    s.children = platform::valueAs<std::vector<Element>>(v[children]).value_or(std::vector<Element>{});
    return s;
  }

  std::vector<Snapshot> childrenOf(const Snapshot& s) {
    std::vector<Snapshot> result;
    for (const auto& child : s.children) {
      if (auto c = snapshot(child)) result.push_back(std::move(*c));
    }
    return result;
  }

  /// The median of a few reads of the application's role: what one Accessibility call costs.
  void measureCalls() {
    auto& clock = excel_.clock();
    for (int i = 0; i < 9; ++i) {
      double start = clock.uptime();
      (void)excel_.role(excel_.application());
      callTimes.push_back(clock.uptime() - start);
    }
  }

  [[nodiscard]] bool frontmost() const {
    return excel_.boolean(excel_.application(), excel::ax::kFrontmost).value_or(false);
  }

  /// Opening a menu needs Escape to close it again, and Escape goes to Excel only while it is in front.
  bool mayOpenMenus() {
    if (!options_.openMenus || excel_.stopped()) return false;
    if (frontmost()) return true;
    warn("Excel wasn't in front, so no menu was opened: dropdown, gallery and folded-group contents are missing");
    return false;
  }

  /// The keys every element may have, in the fixture's usual order, with what the workbook shows
  /// left out of its region.
  Json common(const Snapshot& s, Region region, bool writeRole = true) {
    Json j = Json::object();
    if (writeRole) j["role"] = s.role;
    if (!s.subrole.empty()) j["subrole"] = s.subrole;
    bool keep = options_.keepValues;
    bool texts = keep || region != Region::workbook;
    auto neutral = [&](const std::string& text) {
      return !keep && privateNames.contains(text) ? std::string(kNeutralName) : text;
    };
    if (texts && !s.title.empty()) j["title"] = neutral(s.title);
    if (texts && !s.description.empty()) j["description"] = neutral(s.description);
    if (texts && !s.help.empty()) j["help"] = s.help;
    if (!s.identifier.empty()) j["identifier"] = s.identifier;
    if (s.value && texts) {
      if (const auto* text = std::get_if<std::string>(&*s.value)) {
        // The title bar's texts are the document's name and what was typed into its search field.
        if (keep || region != Region::titleBar) {
          j["value"] = *text;
        } else if (s.role == excel::ax::kStaticText && !text->empty()) {
          j["value"] = kNeutralName;
        }
      }
      if (const auto* integer = std::get_if<std::int64_t>(&*s.value)) j["value"] = *integer;
      if (const auto* real = std::get_if<double>(&*s.value)) j["value"] = number(*real);
      if (const auto* flag = std::get_if<bool>(&*s.value)) j["value"] = *flag ? 1 : 0;
    }
    if (s.frame) j["frame"] = Json::array({number(s.frame->x), number(s.frame->y), number(s.frame->width), number(s.frame->height)});
    if (!s.enabled) j["enabled"] = false;
    return j;
  }

  /// The actions, written when they differ from the role's usual ones.
  void writeActions(Json& j, const Snapshot& s, bool hasMenu) {
    auto actions = excel_.ax().actionNames(s.element);
    if (actions && *actions != usualActions(s.role, hasMenu)) j["actions"] = *actions;
  }

  Json element(const Snapshot& s, Region region, int depth) {
    Json j = common(s, region);
    writeActions(j, s, false);
    Json kids = Json::array();
    if (depth < kMaxDepth) {
      for (const auto& child : childrenOf(s)) kids.push_back(element(child, region, depth + 1));
    }
    if (!kids.empty()) j["children"] = std::move(kids);
    return j;
  }

  /// A ribbon control; a dropdown or gallery is opened (when allowed) and its items written as its menu.
  Json control(const Snapshot& s, bool inGroup, int depth, DumpSummary::Tab& tab) {
    ++tab.controls;
    Json j = common(s, Region::ribbon);
    bool gallery = s.role == excel::ax::kScrollArea && (inGroup || s.help == "gallery");
    bool opener = gallery || s.role == excel::ax::kMenuButton || s.role == excel::ax::kPopUpButton ||
                  excel_.offersAction(s.element, excel::ax::kShowMenu);
    std::optional<Json> items;
    if (opener && mayOpenMenus()) {
      items = dropdownItems(s);
      if (items) ++tab.dropdowns;
    }
    writeActions(j, s, items.has_value());
    if (items) j["menu"] = std::move(*items);
    // A gallery's items are its own; its full list is the menu above.
    Json kids = Json::array();
    if (depth < kMaxDepth) {
      for (const auto& child : childrenOf(s)) {
        kids.push_back(child.role == excel::ax::kRadioButton && gallery ? element(child, Region::ribbon, depth + 1)
                                                                        : control(child, false, depth + 1, tab));
      }
    }
    if (!kids.empty()) j["children"] = std::move(kids);
    return j;
  }

  /// Opens a dropdown, writes what its popup holds, and closes it again. None when nothing opened.
  std::optional<Json> dropdownItems(const Snapshot& s) {
    auto mainWindow = excel_.element(excel_.application(), excel::ax::kMainWindow);
    auto baseline = excel::popupWindows(excel_, mainWindow);
    auto& clock = excel_.clock();
    double start = clock.uptime();
    excel::openMenu(excel_, s.element, baseline);
    double answered = clock.uptime();
    bool unanswered = excel_.lastActionUnanswered();
    auto popup = excel::waitForNewPopup(excel_, mainWindow, baseline, kMenuWait);
    if (!popup) {
      warn("“" + label(s) + "” opened nothing within " + std::to_string(static_cast<int>(kMenuWait * 1000)) + " ms");
      return std::nullopt;
    }
    pressTimes.push_back(answered - start);
    if (unanswered) ++pressesUnanswered;
    // While the opening call blocks, the popup's own delay cannot be seen: time it from the answer.
    menuDelays.push_back(clock.uptime() - (unanswered ? answered : start));
    Json items = Json::array();
    if (auto root = snapshot(*popup)) collectItems(*root, 0, items);
    closeMenu(*popup, mainWindow);
    return items;
  }

  /// Items in a popup, depth first: menu items, and the buttons Excel may use for them.
  void collectItems(const Snapshot& s, int depth, Json& items) {
    for (const auto& child : childrenOf(s)) {
      bool item = child.role == excel::ax::kMenuItem || child.role == excel::ax::kMenuButton ||
                  child.role == excel::ax::kButton || child.role == excel::ax::kCheckBox ||
                  child.role == excel::ax::kRadioButton;
      if (!item) {
        if (depth < 4) collectItems(child, depth + 1, items);
        continue;
      }
      auto name = child.title.empty() ? child.description : child.title;
      if (name.empty()) {
        if (child.role == excel::ax::kMenuItem) items.push_back("-");
        continue;
      }
      if (child.role == excel::ax::kMenuItem && child.enabled) {
        items.push_back(name);
        continue;
      }
      Json j = Json::object();
      if (child.role != excel::ax::kMenuItem) j["role"] = child.role;
      j["title"] = name;
      if (!child.enabled) j["enabled"] = false;
      items.push_back(std::move(j));
    }
  }

  void closeMenu(const Element& popup, const std::optional<Element>& mainWindow) {
    excel::closeOpenedMenus(excel_, 1);
    double deadline = excel_.clock().uptime() + kCloseWait;
    while (excel_.pause(0.02)) {
      auto open = excel::popupWindows(excel_, mainWindow);
      if (std::find(open.begin(), open.end(), popup) == open.end()) return;
      if (excel_.clock().uptime() >= deadline) break;
    }
    warn("a menu stayed open after Escape: no further menus were opened");
    options_.openMenus = false;
  }

  static std::string label(const Snapshot& s) {
    if (!s.title.empty()) return s.title;
    if (!s.description.empty()) return s.description;
    return s.role;
  }

  Json window(const Snapshot& s) {
    bool start = s.identifier == excel::ax::kStartWindowIdentifier;
    Json j = common(s, Region::ribbon);
    if (!options_.keepValues && !start && !s.title.empty()) j["title"] = kNeutralName;
    writeActions(j, s, false);
    auto toolbar = excel::windowToolbar(excel_, s.element);
    auto tabGroup = excel::ribbonTabGroup(excel_, s.element);
    if (start) {
      warn("no workbook is open (Excel shows its start window): open one and run again");
    } else {
      if (!toolbar) warn("the workbook window has no title-bar toolbar (AXToolbar)");
      if (!tabGroup) warn("the workbook window has no ribbon (AXTabGroup)");
      if (toolbar) {
        summary.quickAccessButtons = static_cast<int>(excel::quickAccessButtons(excel_, s.element).size());
        if (summary.quickAccessButtons == 0) warn("no Quick Access Toolbar buttons were found in the title bar");
        bool titled = false;
        for (const auto& item : excel::toolbarItems(excel_, *toolbar)) {
          titled = titled || excel_.string(item, excel::ax::kIdentifier) == excel::ax::kDocumentTitleIdentifier;
        }
        if (!titled) warn("no title-bar item has the identifier CUIDocumentShellWindowTitleLabel (the document's name)");
      }
    }
    Json kids = Json::array();
    for (const auto& child : childrenOf(s)) {
      if (tabGroup && child.element == *tabGroup) {
        kids.push_back(ribbon(child, s));
      } else if (toolbar && (child.element == *toolbar || holds(child, *toolbar))) {
        kids.push_back(element(child, Region::titleBar, 1));
      } else {
        kids.push_back(element(child, Region::workbook, 1));
      }
    }
    if (!kids.empty()) j["children"] = std::move(kids);
    return j;
  }

  /// Whether `toolbar` is one of the element's children (Excel may wrap it in a group).
  static bool holds(const Snapshot& s, const Element& toolbar) {
    return std::find(s.children.begin(), s.children.end(), toolbar) != s.children.end();
  }

  /// The ribbon: one tab per radio button, each with the groups of its commands area (selecting
  /// each tab in turn), and the tab group's other children.
  Json ribbon(const Snapshot& s, const Snapshot& window) {
    Json j = common(s, Region::ribbon);
    writeActions(j, s, false);
    auto read = excel::ribbonTabs(excel_, s.element);
    if (read.tabs.empty()) warn("the ribbon's tab group holds no tabs (AXRadioButton)");
    ribbonCollapsed = !read.area && !read.tabs.empty();
    Json others = Json::array();
    std::vector<Snapshot> tabs;
    for (const auto& child : childrenOf(s)) {
      if (child.role == excel::ax::kRadioButton) {
        tabs.push_back(child);
      } else if (!read.area || child.element != *read.area) {
        others.push_back(element(child, Region::ribbon, 2));
      }
    }
    double width = window.frame ? window.frame->width : 0;
    std::optional<Element> area = read.area;
    std::optional<excel::RibbonTab> open;
    Json tabList = Json::array();
    for (const auto& tabSnapshot : tabs) {
      auto it = std::find_if(read.tabs.begin(), read.tabs.end(),
                             [&](const auto& t) { return t.element == tabSnapshot.element; });
      if (it == read.tabs.end()) continue;
      const auto& tab = *it;
      if (tab.open) open = tab;
      Json t = common(tabSnapshot, Region::ribbon, false);
      t.erase("value");  // the tab's state is "selected"
      writeActions(t, tabSnapshot, false);
      if (tab.open) t["selected"] = true;
      DumpSummary::Tab counted{tab.title};
      std::optional<Element> shown;
      if (tab.open && area) {
        shown = area;
      } else if (options_.allTabs || (tab.open && !area)) {
        shown = selectTab(s.element, tab, area);
        if (shown) area = shown;
      }
      if (shown) {
        writeGroups(t, tab, *shown, width, counted);
      } else if (options_.allTabs || tab.open) {
        warn("the commands of the “" + tab.title + "” tab did not appear: its groups are left out");
      }
      summary.tabs.push_back(std::move(counted));
      tabList.push_back(std::move(t));
    }
    if (!options_.allTabs && tabs.size() > 1) warn("only the selected tab's groups were captured");
    // Back to the tab the user had, and a ribbon the capture showed collapsed again.
    if (open && options_.allTabs && tabs.size() > 1 && !excel_.stopped()) {
      auto now = excel::ribbonTabs(excel_, s.element);
      auto current = std::find_if(now.tabs.begin(), now.tabs.end(), [](const auto& t) { return t.open; });
      if (current == now.tabs.end() || current->element != open->element) {
        (void)excel::openRibbonTab(excel_, s.element, *open, now.area, open->title, true);
      }
    }
    excel::collapseShownRibbon(excel_);
    j["tabs"] = std::move(tabList);
    if (!others.empty()) j["children"] = std::move(others);
    return j;
  }

  /// Selects a tab and waits for its commands, timing the switch and the fill.
  std::optional<Element> selectTab(const Element& tabGroup, const excel::RibbonTab& tab,
                                   const std::optional<Element>& area) {
    auto& clock = excel_.clock();
    double start = clock.uptime();
    auto opened = excel::openRibbonTab(excel_, tabGroup, tab, area, tab.title, true);
    if (!opened || !*opened) return std::nullopt;
    double shown = clock.uptime();
    tabSwitches.push_back(shown - start);
    if (area) areaReused = areaReused.value_or(true) && **opened == *area;
    // Excel may fill a tab's commands in group by group: wait until they stop growing.
    auto groups = excel_.children(**opened).size();
    double lastGrowth = shown;
    while (clock.uptime() - lastGrowth < kFillQuiet && clock.uptime() - shown < kFillLimit && excel_.pause(0.02)) {
      auto now = excel_.children(**opened).size();
      if (now != groups) {
        groups = now;
        lastGrowth = clock.uptime();
      }
    }
    fills.push_back(lastGrowth - shown);
    return opened.value();
  }

  void writeGroups(Json& t, const excel::RibbonTab& tab, const Element& area, double width,
                   DumpSummary::Tab& counted) {
    auto areaSnapshot = snapshot(area);
    if (!areaSnapshot) return;
    if (areaSnapshot->description != tab.title + " Tab Commands") t["commandsDescription"] = areaSnapshot->description;
    auto folded = excel::foldedGroups(excel_, area);
    Json groups = Json::array();
    for (const auto& group : childrenOf(*areaSnapshot)) {
      ++counted.groups;
      Json g = common(group, Region::ribbon, group.role != "AXGroup");
      writeActions(g, group, false);
      auto fold = std::find_if(folded.begin(), folded.end(), [&](const auto& f) { return holds(group, f.button); });
      Json controls = Json::array();
      if (fold != folded.end()) {
        auto inside = foldedControls(*fold);
        if (inside.kind == Folded::group) {
          // Folded at this width: the replay folds it the same way.
          ++counted.folded;
          counted.controls += static_cast<int>(inside.controls.size());
          g["foldBelow"] = number(width + 1);
          controls = std::move(inside.controls);
        } else if (inside.kind == Folded::unknown) {
          warn("the folded “" + fold->name + "” group on the “" + tab.title + "” tab was not opened: its controls are missing");
        }
      }
      if (controls.empty()) {
        for (const auto& c : childrenOf(group)) controls.push_back(control(c, true, 4, counted));
      }
      if (!controls.empty()) g["children"] = std::move(controls);
      groups.push_back(std::move(g));
    }
    if (!groups.empty()) t["groups"] = std::move(groups);
  }

  /// What the button of a group with a folded group's shape opened.
  struct Folded {
    enum Kind { group, menu, unknown } kind = unknown;
    Json controls = Json::array();  ///< a folded group's controls, laid out again on replay
  };

  /// Opens the button and reads its popup: a folded group's controls, or a menu (a group that
  /// holds one menu button named like itself, as Review's Notes does), told apart by what it holds.
  Folded foldedControls(const excel::FoldedGroup& group) {
    Folded out;
    if (!mayOpenMenus()) return out;
    auto mainWindow = excel_.element(excel_.application(), excel::ax::kMainWindow);
    auto popup = excel::openFoldedGroup(excel_, group, mainWindow);
    if (!popup) return out;
    if (auto root = snapshot(*popup)) {
      auto kids = childrenOf(*root);
      // The popup holds the group itself, or its controls directly.
      if (kids.size() == 1 && kids.front().role == excel::ax::kGroup) kids = childrenOf(kids.front());
      bool menu = std::any_of(kids.begin(), kids.end(), [](const Snapshot& k) {
        return k.role == excel::ax::kMenu || k.role == excel::ax::kMenuItem;
      });
      out.kind = menu ? Folded::menu : Folded::group;
      for (const auto& c : kids) {
        if (menu) break;
        // Its dropdowns are opened from the replay's unfolded group, not from inside this popup.
        Json j = element(c, Region::ribbon, 5);
        dropFrames(j);
        out.controls.push_back(std::move(j));
      }
    }
    closeMenu(*popup, mainWindow);
    return out;
  }

  /// A menu's items: a separator as "-", a plain item as its title, anything more as an object.
  Json menuItems(const Snapshot& menu, int depth, bool recent) {
    Json items = Json::array();
    for (const auto& item : childrenOf(menu)) {
      if (item.role != "AXMenuItem") continue;
      ++summary.menuItems;
      if (item.title.empty()) {
        items.push_back("-");
        continue;
      }
      Json j = Json::object();
      bool privateTitle = !options_.keepValues && (recent || privateNames.contains(item.title));
      j["title"] = privateTitle ? std::string(kNeutralName) : item.title;
      auto keys = excel_.ax().copyMultipleAttributes(
          item.element, std::array<std::string_view, 2>{"AXMenuItemCmdChar", "AXMenuItemCmdModifiers"});
      if (keys && keys->size() == 2) {
        auto character = platform::valueAs<std::string>((*keys)[0]);
        auto modifiers = platform::valueAs<std::int64_t>((*keys)[1]).value_or(0);
        if (character && !character->empty()) {
          auto text = keyEquivalentText(*character, modifiers);
          if (!text.empty()) j["keyEquivalent"] = text;
        }
      }
      if (!item.enabled) j["enabled"] = false;
      if (depth < kMaxDepth) {
        for (const auto& sub : childrenOf(item)) {
          // The files Excel lists as recent are the user's.
          if (sub.role == "AXMenu") j["menu"] = menuItems(sub, depth + 1, excel::labelKey(item.title) == "openrecent");
        }
      }
      if (j.size() == 1) {
        items.push_back(j["title"]);
      } else {
        items.push_back(std::move(j));
      }
    }
    return items;
  }

  /// The menu bar: each menu is opened (Excel fills some only then) and closed again.
  Json menuBar() {
    Json bar = Json::array();
    auto element = excel_.element(excel_.application(), excel::ax::kMenuBar);
    if (!element) {
      warn("Excel's menu bar could not be read");
      return bar;
    }
    auto s = snapshot(*element);
    if (!s) return bar;
    auto top = childrenOf(*s);
    for (std::size_t i = 0; i < top.size(); ++i) {
      const auto& item = top[i];
      if (item.title.empty()) continue;
      Json j = Json::object();
      j["title"] = item.title;
      auto before = menuOf(item);
      std::size_t itemsBefore = before ? before->children.size() : 0;
      // The system menu is not Excel's.
      if (i > 0 && mayOpenMenus()) {
        auto shownBefore = excel_.onScreenWindowBounds();
        (void)excel_.performBriefly(item.element, excel::ax::kPress);
        double deadline = excel_.clock().uptime() + kMenuWait;
        while (excel_.pause(0.05) && excel_.clock().uptime() < deadline) {
          auto now = menuOf(item);
          if (now && !now->children.empty() && excel_.onScreenWindowBounds().size() > shownBefore.size()) break;
        }
        auto opened = menuOf(item);
        if (opened && itemsBefore == 0 && !opened->children.empty()) j["itemsWhenOpen"] = true;
        before = std::move(opened);
        excel::closeOpenedMenus(excel_, 1);
      }
      j["menu"] = before ? menuItems(*before, 1, false) : Json::array();
      if (!item.enabled) j["enabled"] = false;
      ++summary.menus;
      bar.push_back(std::move(j));
    }
    return bar;
  }

  std::optional<Snapshot> menuOf(const Snapshot& item) {
    auto fresh = snapshot(item.element);
    if (!fresh) return std::nullopt;
    for (const auto& sub : childrenOf(*fresh)) {
      if (sub.role == "AXMenu") return sub;
    }
    return std::nullopt;
  }

  Json timings() {
    Json t = Json::object();
    t["axLatency"] = seconds(median(callTimes));
    if (!menuDelays.empty()) {
      t["menuDelay"] = seconds(median(menuDelays));
      // Most openings waited out their timeout: Excel answers an opener only when it gives up.
      t["menuPressBlocks"] = pressesUnanswered * 2 > static_cast<int>(pressTimes.size());
    }
    if (!tabSwitches.empty()) t["tabSwitchDelay"] = seconds(median(tabSwitches));
    if (!fills.empty()) t["commandsFill"] = seconds(*std::max_element(fills.begin(), fills.end()));
    if (ribbonCollapsed) t["ribbonCollapsed"] = true;
    if (areaReused) t["commandsAreaReused"] = *areaReused;
    return t;
  }

 private:
  const ExcelApp& excel_;
  DumpOptions options_;
};

}  // namespace

std::string keyEquivalentText(const std::string& character, std::int64_t modifiers) {
  // One code point: an ASCII character other than space and control codes, or any character
  // outside the private-use block where the system keeps function keys and arrows.
  if (character.empty()) return {};
  auto lead = static_cast<unsigned char>(character[0]);
  std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || character.size() != length) return {};
  if (length == 1 && (lead <= 0x20 || lead == 0x7F)) return {};
  if (length == 3 && lead == 0xEF && static_cast<unsigned char>(character[1]) >= 0x9C &&
      static_cast<unsigned char>(character[1]) <= 0xA3) {
    return {};  // U+F700…U+F8FF
  }
  std::string text;
  if (modifiers & 4) text += "⌃";
  if (modifiers & 2) text += "⌥";
  if (modifiers & 1) text += "⇧";
  if (!(modifiers & 8)) text += "⌘";
  return text + character;
}

std::expected<Dump, std::string> dumpExcel(const excel::ExcelServices& services, const DumpTarget& target,
                                           const DumpOptions& options) {
  if (!services.ax.isTrusted(false)) {
    return std::unexpected(std::string(
        "this program may not use the Accessibility interface: allow it in System Settings › Privacy & Security › "
        "Accessibility"));
  }
  // A capture takes its time (every tab, every menu): only Excel's silence stops it.
  ExcelApp excel(services, target.pid, excel::WaitLimits{2.0, 0});
  auto windows = excel.ax().copyAttribute(excel.application(), excel::ax::kWindows);
  if (!windows) {
    return std::unexpected("Excel (process " + std::to_string(target.pid) +
                           ") does not answer: accessibility error " + std::to_string(windows.error()));
  }

  Writer writer(excel, options);
  writer.measureCalls();
  bool frontmost = writer.frontmost();
  auto listed = platform::valueAs<std::vector<Element>>(*windows).value_or(std::vector<Element>{});
  std::vector<Snapshot> standard;
  std::size_t skipped = 0;
  for (const auto& window : listed) {
    auto s = writer.snapshot(window);
    if (!s) continue;
    // Workbook windows only: popups and dialogs come and go with commands.
    if (s->role != "AXWindow" || (!s->subrole.empty() && s->subrole != "AXStandardWindow")) {
      ++skipped;
      continue;
    }
    writer.privateNames.insert(s->title);
    standard.push_back(std::move(*s));
  }
  for (const auto& s : standard) {
    for (const auto& item : excel::titlebarItems(excel, s.element)) {
      if (excel.string(item, excel::ax::kIdentifier) == excel::ax::kDocumentTitleIdentifier) {
        writer.privateNames.insert(excel.string(item, excel::ax::kValue));
      }
    }
  }
  writer.privateNames.erase("");
  if (standard.empty()) writer.warn("Excel shows no window: open a workbook and run again");
  if (skipped > 0) writer.warn(std::to_string(skipped) + " popup or dialog window(s) left out");

  Json windowList = Json::array();
  for (const auto& s : standard) windowList.push_back(writer.window(s));
  Json menuBar = writer.menuBar();
  if (excel.stopped()) writer.warn("Excel stopped answering: the capture is incomplete");
  writer.warn("dialogs are not captured: they open only with their commands");

  Json doc = Json::object();
  doc["format"] = 1;
  doc["name"] = options.name;
  Json application = Json::object();
  application["title"] = target.title;
  application["pid"] = target.pid;
  application["bundleIdentifier"] = target.bundleIdentifier;
  application["frontmost"] = frontmost;
  application["screen"] = Json::array({number(target.screen.width), number(target.screen.height)});
  application.update(writer.timings());
  Json capture = Json::object();
  capture["tool"] = "ax-dump";
  capture["excelVersion"] = target.excelVersion;
  capture["macOSVersion"] = target.macOSVersion;
  capture["language"] = target.language;
  if (!standard.empty() && standard.front().frame) {
    capture["windowSize"] = Json::array({number(standard.front().frame->width), number(standard.front().frame->height)});
  }
  capture["workbookContents"] = options.keepValues ? "kept" : "left out";
  capture["warnings"] = writer.summary.warnings;
  doc["capture"] = std::move(capture);
  doc["application"] = std::move(application);
  doc["windows"] = std::move(windowList);
  doc["menuBar"] = std::move(menuBar);

  Dump dump;
  dump.json = doc.dump(2) + "\n";
  dump.elements = writer.count;
  dump.summary = std::move(writer.summary);
  return dump;
}

std::string summaryText(const Dump& dump) {
  const auto& s = dump.summary;
  std::string out = "Captured " + std::to_string(dump.elements) + " elements.\n";
  out += "Ribbon: " + std::to_string(s.tabs.size()) + (s.tabs.size() == 1 ? " tab\n" : " tabs\n");
  for (const auto& tab : s.tabs) {
    out += "  " + tab.title + ": " + std::to_string(tab.groups) + " groups, " + std::to_string(tab.controls) +
           " controls";
    if (tab.folded > 0) out += ", " + std::to_string(tab.folded) + " folded";
    if (tab.dropdowns > 0) out += ", " + std::to_string(tab.dropdowns) + " dropdowns opened";
    out += "\n";
  }
  out += "Quick Access Toolbar: " + std::to_string(s.quickAccessButtons) + " buttons\n";
  out += "Menus: " + std::to_string(s.menus) + ", " + std::to_string(s.menuItems) + " items\n";
  if (!s.warnings.empty()) {
    out += "Warnings:\n";
    for (const auto& warning : s.warnings) out += "  ⚠ " + warning + "\n";
  }
  return out;
}

}  // namespace corvane::tools

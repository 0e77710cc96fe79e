#include "excel/element_lookup.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include "excel/ax_names.hpp"
#include "excel/label_key.hpp"
#include "model/text.hpp"

namespace corvane::excel {

using platform::Element;

namespace {

constexpr double kTabSwitchWait = 0.8;     ///< for a tab's commands to appear
constexpr double kTabPoll = 0.025;
constexpr double kCommandsPoll = 0.05;     ///< while a tab's commands may still be coming
constexpr double kFillQuiet = 0.3;         ///< commands that stopped growing this long are complete
constexpr double kFillWindow = 2.0;        ///< after a tab switch, how long its commands may fill in
constexpr double kPopupWait = 1.0;         ///< for a menu to come on screen
constexpr double kNewWindowWait = 0.6;     ///< after a press that got no answer
constexpr int kHitDepth = 12;              ///< levels climbed from a hit-tested element

/// One batched read; every value absent when the call fails.
template <std::size_t N>
std::array<std::optional<platform::AXValue>, N> readAll(const ExcelApp& excel, const Element& element,
                                                        const std::array<std::string_view, N>& names) {
  std::array<std::optional<platform::AXValue>, N> out;
  auto values = excel.ax().copyMultipleAttributes(element, names);
  if (!values || values->size() != N) return out;
  for (std::size_t i = 0; i < N; ++i) out[i] = std::move((*values)[i]);
  return out;
}

std::string text(const std::optional<platform::AXValue>& v) { return platform::valueAs<std::string>(v).value_or(""); }

std::optional<platform::Rect> frameOf(const std::optional<platform::AXValue>& position,
                                      const std::optional<platform::AXValue>& size) {
  auto p = platform::valueAs<platform::Point>(position);
  auto s = platform::valueAs<platform::Size>(size);
  if (!p || !s) return std::nullopt;
  return platform::Rect{p->x, p->y, s->width, s->height};
}

std::optional<double> numberOf(const std::optional<platform::AXValue>& v) {
  if (auto i = platform::valueAs<std::int64_t>(v)) return static_cast<double>(*i);
  return platform::valueAs<double>(v);
}

/// What a part of the window is (role, description), asked briefly: a part that is busy (a formula
/// bar, a sheet full of objects) is passed over for the rest of the work and never holds it up.
constexpr std::array<std::string_view, 2> kPartNames{ax::kRole, ax::kDescription};

/// Reads `names` of an element that may be passed over (ExcelApp::readBriefly): nothing from one
/// that gave no answer.
template <std::size_t N>
std::array<std::optional<platform::AXValue>, N> readBriefly(const ExcelApp& excel, const Element& element,
                                                            const std::array<std::string_view, N>& names) {
  std::array<std::optional<platform::AXValue>, N> out;
  auto read = excel.readBriefly(element, names);
  if (!read || read->size() != N) return out;
  std::move(read->begin(), read->end(), out.begin());
  return out;
}

std::array<std::optional<platform::AXValue>, 2> whatPartIs(const ExcelApp& excel, const Element& part) {
  return readBriefly(excel, part, kPartNames);
}

/// A window's subrole and frame, and its ribbon when it is a document window.
struct WindowFacts {
  bool document = false;
  std::optional<platform::Rect> frame;
  std::optional<Element> tabGroup;
};

WindowFacts windowFacts(const ExcelApp& excel, const Element& window) {
  static constexpr std::array<std::string_view, 4> kNames{ax::kSubrole, ax::kPosition, ax::kSize, ax::kChildren};
  auto v = readAll(excel, window, kNames);
  WindowFacts facts;
  auto subrole = text(v[0]);
  // Dialogs may carry tab groups of their own (Format Cells); a workbook window is a standard one.
  facts.document = subrole.empty() || subrole == ax::kStandardWindow;
  facts.frame = frameOf(v[1], v[2]);
  if (!facts.document) return facts;
  std::optional<Element> first;
  std::optional<Element> described;
  for (const auto& child : platform::valueAs<std::vector<Element>>(v[3]).value_or(std::vector<Element>{})) {
    // Once a ribbon is found, the window's other parts are asked briefly: a silent one is passed
    // over. Before that, a silent part may be the ribbon itself, and Excel is not answering.
    auto c = first ? whatPartIs(excel, child) : readAll(excel, child, kPartNames);
    if (text(c[0]) != ax::kTabGroup) continue;
    if (!first) first = child;
    // A description may tell one tab group from another; none is ever required.
    if (!text(c[1]).empty()) {
      // The first described one is the answer: the parts after it are never asked.
      described = child;
      break;
    }
  }
  facts.tabGroup = described ? described : first;
  return facts;
}

bool frontmost(const ExcelApp& excel) { return excel.boolean(excel.application(), ax::kFrontmost).value_or(false); }

std::string levelName(const std::vector<std::string>& level) {
  auto name = firstLabel(level);
  return name.empty() ? "?" : name;
}

ActionError stoppedError(const ExcelApp& excel) {
  return excel.stopError().value_or(ActionError::general("Corvane stopped before Excel answered"));
}

/// Whether Excel shows a window (a menu, a dialog) whose bounds were not among `before`.
bool newWindowAppears(const ExcelApp& excel, const std::vector<platform::Rect>& before, double seconds) {
  double deadline = excel.clock().uptime() + seconds;
  while (true) {
    for (const auto& bounds : excel.onScreenWindowBounds()) {
      bool known = std::any_of(before.begin(), before.end(), [&](const auto& b) { return framesMatch(b, bounds); });
      if (!known) return true;
    }
    if (excel.clock().uptime() >= deadline || !excel.pause(0.02)) return false;
  }
}

/// Whether the element Excel reports at `point` is `element` or lies inside it.
bool showsAt(const ExcelApp& excel, const Element& element, platform::Point point) {
  auto hit = excel.ax().elementAtPosition(excel.application(), point);
  if (!hit) return false;
  std::optional<Element> current = *hit;
  for (int level = 0; current && level < kHitDepth; ++level) {
    if (*current == element) return true;
    current = excel.element(*current, ax::kParent);
  }
  return false;
}

/// The tab group's children and the open tab's groups just before a tab is pressed.
struct BeforeSwitch {
  std::vector<Element> children;
  std::vector<Element> groups;
};

/// Waits for the open tab's commands: a scroll area among the tab group's children that was not
/// there before the press, or the old area (Excel may keep it) once its groups were replaced or
/// its description names the tab. Nothing here needs a description. Returns the area.
std::optional<Element> waitForCommands(const ExcelApp& excel, const Element& tabGroup, const Element& tab,
                                       const BeforeSwitch& before, const std::optional<Element>& oldArea,
                                       const std::string& tabKey) {
  double deadline = excel.clock().uptime() + kTabSwitchWait;
  while (excel.clock().uptime() < deadline && excel.pause(kTabPoll)) {
    if (excel.number(tab, ax::kValue) != 1.0) continue;
    bool kept = false;
    for (const auto& child : excel.children(tabGroup)) {
      if (oldArea && child == *oldArea) kept = true;
      if (std::find(before.children.begin(), before.children.end(), child) != before.children.end()) continue;
      if (excel.role(child) == ax::kScrollArea) return child;
    }
    if (!kept) continue;
    if (!tabKey.empty() && labelKey(excel.string(*oldArea, ax::kDescription)).starts_with(tabKey)) return oldArea;
    // Kept with other groups (or emptied, to fill in again): the tab's commands are coming in.
    auto groups = excel.children(*oldArea);
    bool replaced = groups.empty() ? !before.groups.empty()
                                   : std::find(before.groups.begin(), before.groups.end(), groups.front()) ==
                                         before.groups.end();
    if (replaced) return oldArea;
  }
  return std::nullopt;
}

/// A tab group that holds no tabs but other things, or something named like the tab that is not a
/// tab (Excel showing its tabs as buttons).
bool ribbonUnlike(const ExcelApp& excel, const RibbonTabs& read, const std::string& tabKey) {
  if (read.tabs.empty() && !read.children.empty()) return true;
  for (const auto& child : read.children) {
    if (!tabKey.empty() && labelKey(excel.displayName(child)) == tabKey) return true;
  }
  return false;
}

}  // namespace

std::optional<Element> ribbonTabGroup(const ExcelApp& excel, const Element& window) {
  return windowFacts(excel, window).tabGroup;
}

bool carriesRibbon(const ExcelApp& excel, const Element& window) {
  return windowFacts(excel, window).tabGroup.has_value();
}

RibbonTabs ribbonTabs(const ExcelApp& excel, const Element& tabGroup) {
  static constexpr std::array<std::string_view, 3> kNames{ax::kRole, ax::kTitle, ax::kValue};
  RibbonTabs read;
  read.children = excel.children(tabGroup);
  for (const auto& child : read.children) {
    // One tab that stops answering is passed over (and counted), so the others still serve.
    auto v = readBriefly(excel, child, kNames);
    if (excel.session().passedOver(child)) {
      ++read.unanswered;
      continue;
    }
    auto role = text(v[0]);
    if (role == ax::kScrollArea && !read.area) read.area = child;
    if (role != ax::kRadioButton) continue;
    read.tabs.push_back({child, text(v[1]), numberOf(v[2]) == 1.0});
  }
  // A silent child may be the commands area itself, unless the area answered: then it is a tab.
  // Asked again with the work's own patience, its silence then stops the work as any other would.
  if (read.unanswered > 0 && !read.area) {
    for (const auto& child : read.children) {
      if (!excel.session().passedOver(child)) continue;
      excel.session().reconsider(child);
      (void)readAll(excel, child, kNames);
      break;
    }
  }
  return read;
}

std::optional<std::string> openTabTitle(const ExcelApp& excel, const Element& tabGroup) {
  for (const auto& tab : ribbonTabs(excel, tabGroup).tabs) {
    if (tab.open) return tab.title;
  }
  return std::nullopt;
}

ActionResult<std::optional<Element>> openRibbonTab(const ExcelApp& excel, const Element& tabGroup,
                                                   const RibbonTab& tab, const std::optional<Element>& area,
                                                   const std::string& name, bool wait) {
  BeforeSwitch before{excel.children(tabGroup), area ? excel.children(*area) : std::vector<Element>{}};
  // Pressing selects the tab; on a collapsed ribbon (no commands area) it also shows the ribbon.
  if (auto pressed = press(excel, tab.element, name); !pressed) return std::unexpected(pressed.error());
  if (!area && !excel.changes().shownRibbon) excel.changes().shownRibbon = tabGroup;
  excel.changes().tabSwitchedAt = excel.clock().uptime();
  if (!wait) return std::nullopt;
  auto key = labelKey(stripMarker(tab.title.empty() ? name : tab.title).name);
  auto shown = waitForCommands(excel, tabGroup, tab.element, before, area, key);
  if (!shown && !area && !excel.stopped() && excel.number(tab.element, ax::kValue) == 1.0 &&
      !commandsArea(excel, tabGroup)) {
    // Selected but still collapsed: pressing the open tab shows the ribbon.
    before = BeforeSwitch{excel.children(tabGroup), {}};
    if (press(excel, tab.element, name)) shown = waitForCommands(excel, tabGroup, tab.element, before, std::nullopt, key);
  }
  excel.changes().tabSwitchedAt = excel.clock().uptime();
  // Running out of time is not an error: the scan that follows sees what is there.
  return shown;
}

std::optional<Element> commandsArea(const ExcelApp& excel, const Element& tabGroup) {
  return excel.firstChild(tabGroup, ax::kScrollArea);
}

ActionResult<Element> findWorkbookWindow(const ExcelApp& excel) {
  const auto& app = excel.application();
  auto windows = excel.elements(app, ax::kWindows);
  std::vector<std::pair<Element, std::optional<platform::Rect>>> ribbonWindows;
  for (const auto& window : windows) {
    auto facts = windowFacts(excel, window);
    if (facts.tabGroup) ribbonWindows.emplace_back(window, facts.frame);
  }
  if (!ribbonWindows.empty()) {
    for (const auto& bounds : excel.onScreenWindowBounds()) {
      for (const auto& [window, frame] : ribbonWindows) {
        if (frame && framesMatch(*frame, bounds)) return window;
      }
    }
  }
  std::optional<Element> fallback = excel.element(app, ax::kMainWindow);
  if (!fallback) fallback = excel.element(app, ax::kFocusedWindow);
  if (!fallback && !windows.empty()) fallback = windows.front();
  // With no workbook open Excel shows its start window ("Open new and recent files"): no workbook.
  if (!fallback || excel.string(*fallback, ax::kIdentifier) == ax::kStartWindowIdentifier) {
    return std::unexpected(ActionError::noWorkbook());
  }
  return *fallback;
}

ActionStatus selectTab(const ExcelApp& excel, const Element& window, const std::string& tabName) {
  auto tabKey = labelKey(stripMarker(tabName).name);
  auto tabGroup = ribbonTabGroup(excel, window);
  RibbonTabs read;
  std::optional<RibbonTab> tab;
  if (tabGroup) {
    read = ribbonTabs(excel, *tabGroup);
    for (const auto& t : read.tabs) {
      if (!tabKey.empty() && labelKey(t.title) == tabKey) {
        tab = t;
        break;
      }
    }
  }
  if (!tab) {
    auto scan = ribbonScan(excel.ax(), {window}, false, kTabScanLimit);
    if (auto match = ribbonMatch({tabName}, MatchMode::tab, true, {}, scan)) {
      tab = RibbonTab{match->element, tabName, excel.number(match->element, ax::kValue) == 1.0};
    }
  }
  if (excel.stopped()) return std::unexpected(stoppedError(excel));
  // The tab may be the one that does not answer: nothing uncertain is pressed.
  if (!tab && read.unanswered > 0) {
    return std::unexpected(ActionError{ActionError::Kind::notResponding, {},
                                       "a ribbon tab gave no answer, and it may be the “" + tabName + "” tab"});
  }
  if (!tab && tabGroup && ribbonUnlike(excel, read, tabKey)) {
    // The ribbon is on, only not as the lookups know it: turning it on would not help.
    return std::unexpected(ActionError::general("Excel's ribbon isn't laid out as Corvane expects: its “" + tabName +
                                                "” tab isn't a tab Corvane can select"));
  }
  if (!tab) return std::unexpected(ActionError::noTab(tabName));

  if (!tabGroup) {
    // No tab group to watch: the tab's value alone decides.
    if (tab->open) return {};
    if (auto pressed = press(excel, tab->element, tabName); !pressed) return pressed;
    double deadline = excel.clock().uptime() + kTabSwitchWait;
    while (excel.clock().uptime() < deadline && excel.pause(kTabPoll)) {
      if (excel.number(tab->element, ax::kValue) == 1.0) break;
    }
    return {};
  }
  if (tab->open && read.area) {
    // Selected a moment ago by someone else (the key tips, an earlier key, the user): Excel may
    // still show the previous tab's commands. Commands that name another tab are waited out.
    auto described = labelKey(excel.string(*read.area, ax::kDescription));
    if (described.empty() || tabKey.empty() || described.starts_with(tabKey)) return {};
    BeforeSwitch before{read.children, excel.children(*read.area)};
    (void)waitForCommands(excel, *tabGroup, tab->element, before, read.area, tabKey);
    excel.changes().tabSwitchedAt = excel.clock().uptime();
    return {};
  }
  auto opened = openRibbonTab(excel, *tabGroup, *tab, read.area, tabName, true);
  if (!opened) return std::unexpected(opened.error());
  return {};
}

void showCollapsedRibbon(const ExcelApp& excel, const Element& window) {
  auto tabGroup = ribbonTabGroup(excel, window);
  if (!tabGroup) return;
  auto read = ribbonTabs(excel, *tabGroup);
  if (read.area) return;
  for (const auto& tab : read.tabs) {
    if (!tab.open) continue;
    (void)openRibbonTab(excel, *tabGroup, tab, std::nullopt, tab.title.empty() ? std::string("ribbon") : tab.title,
                        true);
    return;
  }
}

void collapseShownRibbon(const ExcelApp& excel) {
  auto& changes = excel.changes();
  auto tabGroup = std::exchange(changes.shownRibbon, std::nullopt);
  if (!tabGroup || changes.menuLeftOpen || excel.stopped()) return;
  auto read = ribbonTabs(excel, *tabGroup);
  if (!read.area) return;
  for (const auto& tab : read.tabs) {
    // Pressing the open tab collapses the ribbon again.
    if (tab.open) (void)excel.performBriefly(tab.element, ax::kPress);
  }
}

namespace {

/// The commands area as last seen: which element, and how many groups it held.
struct CommandsSeen {
  std::optional<Element> area;
  std::size_t groups = 0;
  bool operator==(const CommandsSeen&) const = default;
};

/// Scans `roots`. When `complete` finds the scan lacking, the open tab's commands may still be
/// coming: Excel shows them a while after the tab was selected (whoever selected it: this work, the
/// key tips, an earlier key, the user) and may fill them in group by group. So the scan is made
/// again whenever the commands change, until they have kept still long enough: a short while after
/// this work's own switch, as long as a tab takes to show its commands when they may still be
/// another tab's (`mayBeStale`). `look` reads them (the tab group's area, or a known area).
RibbonScan scanGrowing(const ExcelApp& excel, const std::vector<Element>& roots,
                       const std::function<CommandsSeen()>& look, bool mayBeStale,
                       const std::function<bool(const RibbonScan&)>& complete) {
  auto scan = ribbonScan(excel.ax(), roots, false, kRibbonScanLimit);
  if (complete(scan) || excel.stopped()) return scan;
  auto& clock = excel.clock();
  double now = clock.uptime();
  double switched = excel.changes().tabSwitchedAt;
  // After its own switch this work has already waited for the area to appear.
  bool ownSwitch = switched >= 0 && now - switched <= kFillWindow;
  double end = (ownSwitch ? switched : now) + kFillWindow;
  // Commands already the open tab's are complete unless this work just opened the tab.
  if (!ownSwitch && !mayBeStale) return scan;
  double quietUntil = now + (ownSwitch ? kFillQuiet : kTabSwitchWait);
  auto seen = look();
  while (clock.uptime() < std::min(quietUntil, end) && excel.pause(kCommandsPoll)) {
    auto current = look();
    if (current == seen) continue;
    seen = std::move(current);
    quietUntil = clock.uptime() + kFillQuiet;
    scan = ribbonScan(excel.ax(), roots, false, kRibbonScanLimit);
    if (complete(scan)) break;
  }
  return scan;
}

/// Whether the tab group's commands may be another tab's: none yet, or described for another tab
/// than the open one, or not described at all (then nothing tells).
bool commandsMayBeStale(const ExcelApp& excel, const Element& tabGroup) {
  auto read = ribbonTabs(excel, tabGroup);
  if (!read.area) return true;
  auto described = labelKey(excel.string(*read.area, ax::kDescription));
  if (described.empty()) return true;
  for (const auto& tab : read.tabs) {
    auto key = labelKey(tab.title);
    if (tab.open && !key.empty()) return !described.starts_with(key);
  }
  return true;
}

}  // namespace

std::vector<Element> titleBarParts(const ExcelApp& excel, const Element& window) {
  std::vector<Element> parts;
  for (const auto& child : excel.children(window)) {
    if (text(whatPartIs(excel, child)[0]) == ax::kToolbar) parts.push_back(child);
  }
  return parts;
}

std::vector<Element> ribbonRoots(const ExcelApp& excel, const Element& window) {
  // The ribbon alone: the sheet beside it may hold thousands of objects, or one that hangs.
  if (auto tabGroup = ribbonTabGroup(excel, window)) return {*tabGroup};
  return {window};
}

RibbonScan scanRibbon(const ExcelApp& excel, const Element& window,
                      const std::function<bool(const RibbonScan&)>& complete) {
  auto roots = ribbonRoots(excel, window);
  if (roots.front() == window) return ribbonScan(excel.ax(), roots, false, kRibbonScanLimit);
  const Element group = roots.front();
  auto look = [&excel, group] {
    CommandsSeen seen{commandsArea(excel, group), 0};
    if (seen.area) seen.groups = excel.children(*seen.area).size();
    return seen;
  };
  // Whether the commands may be stale is read only when the first scan falls short.
  auto scan = ribbonScan(excel.ax(), {group}, false, kRibbonScanLimit);
  if (complete(scan) || excel.stopped()) return scan;
  return scanGrowing(excel, {group}, look, commandsMayBeStale(excel, group), complete);
}

RibbonScan scanRibbonAndLearn(const ExcelApp& excel, const Element& window, RibbonModel& model,
                              const std::function<bool(const RibbonScan&)>& complete) {
  auto scan = scanRibbon(excel, window, complete);
  auto facts = windowFacts(excel, window);
  if (!facts.frame || !facts.tabGroup || excel.stopped()) {
    model.drop();
    return scan;
  }
  RibbonModel::Seen seen{window, *facts.frame, *facts.tabGroup, excel.frame(*facts.tabGroup),
                         excel.children(*facts.tabGroup)};
  if (excel.stopped()) {
    model.drop();
    return scan;
  }
  (void)model.learn(std::move(seen), scan, true);
  return scan;
}

RibbonScan scanCommands(const ExcelApp& excel, const Element& area,
                        const std::function<bool(const RibbonScan&)>& complete) {
  auto look = [&excel, area] { return CommandsSeen{area, excel.children(area).size()}; };
  return scanGrowing(excel, {area}, look, false, complete);
}

void openMenu(const ExcelApp& excel, const Element& element, double timeout) {
  excel.performWithin(element, excel.offersAction(element, ax::kShowMenu) ? ax::kShowMenu : ax::kPress, timeout);
}

void closeOpenedMenus(const ExcelApp& excel, int count) {
  for (int i = 0; i < count; ++i) {
    // Escape only goes to Excel while it is in front.
    if (!frontmost(excel)) continue;
    excel.postEscape();
    excel.clock().sleep(0.08);
  }
}

void closeLeftoverMenus(const ExcelApp& excel) {
  auto mainWindow = excel.element(excel.application(), ax::kMainWindow);
  for (int i = 0; i < 5 && !excel.stopped(); ++i) {
    auto popups = popupWindows(excel, mainWindow);
    // Dropdowns and folded groups' popups are windows of the AXUnknown subrole; a dialog is not,
    // and Escape would cancel it.
    bool menuOpen = std::any_of(popups.begin(), popups.end(), [&](const Element& popup) {
      return excel.string(popup, ax::kSubrole) == ax::kUnknownSubrole;
    });
    if (!menuOpen) return;
    closeOpenedMenus(excel, 1);
  }
}

namespace {

/// Excel's main window, read on first need: most steps never need it.
class MainWindow {
 public:
  explicit MainWindow(const ExcelApp& excel) : excel_(excel) {}
  const std::optional<Element>& operator()() {
    if (!read_) read_ = excel_.element(excel_.application(), ax::kMainWindow);
    return *read_;
  }

 private:
  const ExcelApp& excel_;
  std::optional<std::optional<Element>> read_;
};

/// Where a ribbon step found its control.
struct Located {
  RibbonCandidate control;
  int openMenus = 0;  ///< menus opened to reach it (a folded group's popup), still open
};

/// The folded groups of the window's open tab, left to right.
std::vector<FoldedGroup> foldedGroupsIn(const ExcelApp& excel, const Element& window) {
  auto tabGroup = ribbonTabGroup(excel, window);
  if (!tabGroup) return {};
  auto area = commandsArea(excel, *tabGroup);
  if (!area) return {};
  return foldedGroups(excel, *area);
}

/// What a search of folded groups found.
struct FoldedSearch {
  std::optional<std::pair<RibbonCandidate, FoldedGroup>> hit;  ///< with its group's popup open
  bool complete = true;  ///< every group was looked into
};

/// Opens the groups in turn and looks in each popup for the labels; the first hit ends the search
/// with its popup open, every miss closes its popup again. A group that does not open ends the
/// search: the control stays hidden, and a wider window shows it.
ActionResult<FoldedSearch> findInFoldedGroups(const ExcelApp& excel, const std::vector<FoldedGroup>& groups,
                                              MainWindow& mainWindow, const std::vector<std::string>& labels,
                                              MatchMode mode) {
  for (const auto& group : groups) {
    auto popup = openFoldedGroup(excel, group, mainWindow());
    if (!popup) {
      if (excel.stopped()) return std::unexpected(popup.error());
      return FoldedSearch{std::nullopt, false};
    }
    auto hit = ribbonMatch(labels, mode, false, {}, scanFoldedPopup(excel, *popup));
    if (excel.stopped()) return std::unexpected(stoppedError(excel));
    if (hit) return FoldedSearch{std::pair{std::move(*hit), group}, true};
    closeOpenedMenus(excel, 1);
  }
  return FoldedSearch{};
}

/// A deep scan without the roles only a deep scan collects: the controls of a folded group's popup.
RibbonScan controlsOnly(const RibbonScan& scan) {
  RibbonScan out;
  out.visited = scan.visited;
  for (const auto& candidate : scan.candidates) {
    const auto& role = candidate.role;
    if (role == ax::kMenuItem || role == ax::kCell || role == ax::kStaticText) continue;
    out.candidates.push_back(candidate);
  }
  return out;
}

/// Whether a control the ribbon model holds is still the one it saw, as Excel shows it now: the
/// same role and frame, and a name that still matches. One read; its enabled state is read afresh.
bool confirmed(const ExcelApp& excel, RibbonCandidate& control) {
  static constexpr std::array<std::string_view, 6> kNames{ax::kRole,     ax::kTitle, ax::kDescription,
                                                          ax::kPosition, ax::kSize,  ax::kEnabled};
  auto v = readAll(excel, control.element, kNames);
  auto role = text(v[0]);
  if (role != control.role && !(control.role == ax::kGallery && role == ax::kScrollArea)) return false;
  if (frameOf(v[3], v[4]) != control.frame) return false;
  auto title = labelKey(text(v[1]));
  auto description = labelKey(text(v[2]));
  // A control known by its identifier or its group's name keeps no title or description to compare.
  bool named = !title.empty() || !description.empty();
  bool same = std::any_of(control.labels.begin(), control.labels.end(),
                          [&](const std::string& key) { return key == title || key == description; });
  if (named && !same) return false;
  control.enabled = platform::valueAs<bool>(v[5]).value_or(true);
  return true;
}

/// Finds the step's control: on the ribbon, else in a folded group. `memory` sends the search
/// straight to the group that held it last time, spares a search that found nothing in the same
/// folded groups before, and learns where it is now.
ActionResult<std::optional<Located>> locate(const ExcelApp& excel, const Element& window, MainWindow& mainWindow,
                                            const model::RibbonStep& step, MatchMode mode,
                                            FoldedGroupMemory* memory, RibbonModel* model,
                                            const std::optional<RibbonSnapshot>& ribbon) {
  const auto tab = step.tab.value_or("");
  auto remembered = memory != nullptr ? memory->groupFor(tab, step.labels) : std::nullopt;
  std::string tried;
  if (remembered) {
    std::vector<FoldedGroup> straight;
    for (const auto& group : foldedGroupsIn(excel, window)) {
      if (labelKey(group.name) == *remembered) straight.push_back(group);
    }
    auto found = findInFoldedGroups(excel, straight, mainWindow, step.labels, mode);
    if (!found) return std::unexpected(found.error());
    if (found->hit) return Located{std::move(found->hit->first), 1};
    // Not there any more (the window was widened, Excel changed): search as if new.
    memory->forget(tab, step.labels);
    if (!straight.empty()) tried = *remembered;
  }
  std::optional<RibbonCandidate> match;
  // The ribbon as it was seen, while it holds; a control it lacks, or that is no longer what it
  // was, is looked for afresh.
  if (ribbon && ribbon->commands) match = ribbonMatch(step.labels, mode, false, {}, ribbon->scan);
  if (match && !confirmed(excel, *match)) {
    if (model != nullptr) model->drop();
    match.reset();
  }
  if (!match) {
    auto scan = scanRibbon(excel, window, [&](const RibbonScan& s) {
      return ribbonMatch(step.labels, mode, false, {}, s).has_value();
    });
    match = ribbonMatch(step.labels, mode, false, {}, scan);
  }
  if (excel.stopped()) return std::unexpected(stoppedError(excel));
  if (match) return Located{std::move(*match), 0};
  auto groups = foldedGroupsIn(excel, window);
  if (groups.empty() || (memory != nullptr && memory->knownAbsent(tab, step.labels, groups))) return std::nullopt;
  auto others = groups;
  std::erase_if(others, [&](const FoldedGroup& g) { return !tried.empty() && labelKey(g.name) == tried; });
  auto found = findInFoldedGroups(excel, others, mainWindow, step.labels, mode);
  if (!found) return std::unexpected(found.error());
  if (!found->hit) {
    if (memory != nullptr && found->complete) memory->rememberAbsent(tab, step.labels, groups);
    return std::nullopt;
  }
  if (memory != nullptr) memory->remember(tab, step.labels, found->hit->second.name);
  return Located{std::move(found->hit->first), 1};
}

}  // namespace

ActionStatus ribbonStep(const ExcelApp& excel, const model::RibbonStep& step, FoldedGroupMemory* memory,
                        RibbonModel* model) {
  auto name = firstLabel(step.labels);
  if (name.empty()) name = "?";
  auto ribbon = model != nullptr ? model->current(excel) : std::nullopt;
  auto window = ribbon ? ActionResult<Element>(ribbon->window) : findWorkbookWindow(excel);
  if (!window) return std::unexpected(excel.stopped() ? stoppedError(excel) : window.error());
  bool tabOpen = ribbon && step.tab && labelKey(stripMarker(*step.tab).name) == ribbon->openTabKey;
  if (step.tab && !tabOpen) {
    // Whatever the model knew was another tab's.
    if (model != nullptr) model->drop();
    ribbon.reset();
    if (auto selected = selectTab(excel, *window, *step.tab); !selected) return selected;
  } else if (!ribbon) {
    // A kept ribbon is a shown one.
    showCollapsedRibbon(excel, *window);
  }
  bool hasItems = step.item && !step.item->empty();
  auto mode = hasItems ? MatchMode::dropdownButton : MatchMode::press;
  MainWindow mainWindow(excel);
  auto located = locate(excel, *window, mainWindow, step, mode, memory, model, ribbon);
  if (!located) return std::unexpected(located.error());
  if (!*located) {
    return std::unexpected(ActionError::notFound(
        name, "Couldn't find “" + name + "” on the " + (step.tab ? *step.tab + " " : std::string()) +
                  "ribbon. If the Excel window is narrow, widen it so the button shows."));
  }
  auto& found = **located;
  // A control named like its group shows, once the group is folded, as the group's button: the
  // control itself is inside.
  bool maybeFolded = found.openMenus == 0 && found.control.enabled && found.control.role == ax::kMenuButton;

  if (!hasItems) {
    if (auto folded = maybeFolded ? foldedGroupOf(excel, found.control.element) : std::nullopt) {
      auto popup = openFoldedGroup(excel, *folded, mainWindow());
      if (!popup) return std::unexpected(popup.error());
      auto inner = ribbonMatch(step.labels, mode, false, {}, scanFoldedPopup(excel, *popup));
      if (excel.stopped()) return std::unexpected(stoppedError(excel));
      if (inner) {
        found = Located{std::move(*inner), 1};
      } else if (step.action != model::RibbonAction::focus) {
        // Pressing or opening the group's button shows its popup, and there it is.
        excel.changes().menuLeftOpen = true;
        return {};
      } else {
        closeOpenedMenus(excel, 1);
      }
    }
    auto done = ribbonAction(excel, found.control.element, step.action, name);
    if (!done) {
      if (!excel.stopped()) closeOpenedMenus(excel, found.openMenus);
      return done;
    }
    // The cursor in a box of a folded group's popup keeps the popup open for the user.
    if (found.openMenus > 0 && step.action == model::RibbonAction::focus) excel.changes().menuLeftOpen = true;
    return done;
  }

  if (!found.control.enabled) {
    closeOpenedMenus(excel, found.openMenus);
    return std::unexpected(ActionError::greyedOut(name));
  }
  auto dropdown = found.control.element;
  std::optional<bool> standsForGroup;
  auto baseline = popupWindows(excel, mainWindow());
  // Popups open before the walk (a folded group's) hold controls, not the items sought.
  auto outer = baseline;
  auto unlisted = [](const std::vector<Element>& popups, const std::vector<Element>& known) {
    std::vector<Element> out;
    for (const auto& popup : popups) {
      if (std::find(known.begin(), known.end(), popup) == known.end()) out.push_back(popup);
    }
    return out;
  };
  openMenu(excel, dropdown);
  int opened = found.openMenus + 1;
  const auto& levels = *step.item;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    auto level = levelName(levels[i]);
    std::optional<RibbonCandidate> hit;
    double deadline = excel.clock().uptime() + 1.5;
    while (!hit && excel.clock().uptime() < deadline && excel.pause(0.04)) {
      auto current = popupWindows(excel, mainWindow());
      auto fresh = unlisted(current, baseline);
      auto open = unlisted(current, outer);
      std::optional<RibbonCandidate> inner;
      for (const auto* roots : {&fresh, &open}) {
        if (hit || inner || roots->empty()) continue;
        auto menuScan = ribbonScan(excel.ax(), *roots, true, kDropdownScanLimit);
        hit = ribbonMatch(levels[i], MatchMode::press, true, {}, menuScan);
        if (!maybeFolded || i != 0 || roots != &fresh) continue;
        // A popup holding a control named like its opener is a folded group's (when the opener's
        // place says so): the item is in that control's own menu.
        auto named = ribbonMatch(step.labels, mode, false, {dropdown}, controlsOnly(menuScan));
        if (!named) continue;
        if (!standsForGroup) standsForGroup = foldedGroupOf(excel, dropdown).has_value();
        if (!*standsForGroup) continue;
        inner = std::move(named);
        hit.reset();
      }
      if (!hit && !inner) {
        // The opener itself is never its own item.
        auto buttonScan = ribbonScan(excel.ax(), {dropdown}, true, kDropdownScanLimit);
        hit = ribbonMatch(levels[i], MatchMode::press, true, {dropdown}, buttonScan);
      }
      if (!inner) continue;
      maybeFolded = false;
      if (!inner->enabled) {
        closeOpenedMenus(excel, opened);
        return std::unexpected(ActionError::greyedOut(name));
      }
      dropdown = inner->element;
      baseline = current;
      outer = current;
      openMenu(excel, dropdown);
      ++opened;
      deadline = excel.clock().uptime() + 1.5;
    }
    if (!hit) {
      if (excel.stopped()) return std::unexpected(stoppedError(excel));
      closeOpenedMenus(excel, opened);
      return std::unexpected(ActionError::notFound(level, "Couldn't find “" + level + "” in the " + name + " menu"));
    }
    if (i + 1 == levels.size()) {
      auto done = ribbonAction(excel, hit->element, step.action, level);
      if (!done) {
        closeOpenedMenus(excel, opened);
        return done;
      }
      return {};
    }
    baseline = popupWindows(excel, mainWindow());
    openMenu(excel, hit->element);
    ++opened;
  }
  return {};
}

ActionStatus ribbonAction(const ExcelApp& excel, const Element& element, model::RibbonAction action,
                          const std::string& name) {
  if (!excel.isEnabled(element)) {
    if (excel.stopped()) return std::unexpected(stoppedError(excel));
    return std::unexpected(ActionError::greyedOut(name));
  }
  switch (action) {
    case model::RibbonAction::press:
      return press(excel, element, name);
    case model::RibbonAction::menu: {
      // Opening a menu is done once the menu is there, not when the opener answers.
      auto mainWindow = excel.element(excel.application(), ax::kMainWindow);
      auto baseline = popupWindows(excel, mainWindow);
      openMenu(excel, element);
      if (waitForNewPopup(excel, mainWindow, baseline, kPopupWait)) {
        excel.changes().menuLeftOpen = true;
        return {};
      }
      if (excel.stopped()) return std::unexpected(stoppedError(excel));
      return std::unexpected(ActionError::general("Excel didn't respond to “" + name + "”"));
    }
    case model::RibbonAction::focus: {
      if (excel.ax().setAttribute(element, ax::kFocused, true) != platform::ax::kSuccess) {
        if (excel.stopped()) return std::unexpected(stoppedError(excel));
        return std::unexpected(ActionError::general("Couldn't put the cursor in “" + name + "”"));
      }
      if (auto text = platform::valueAs<std::string>(excel.ax().attribute(element, ax::kValue))) {
        // Select the whole content, so typing replaces it.
        auto length = static_cast<std::int64_t>(model::text::utf16Length(*text));
        (void)excel.ax().setAttribute(element, ax::kSelectedTextRange, platform::TextRange{0, length});
      }
      return {};
    }
  }
  return {};
}

ActionStatus press(const ExcelApp& excel, const Element& element, const std::string& name) {
  if (!excel.isEnabled(element)) {
    if (excel.stopped()) return std::unexpected(stoppedError(excel));
    return std::unexpected(ActionError::greyedOut(name));
  }
  auto before = excel.onScreenWindowBounds();
  auto result = excel.performBriefly(element, ax::kPress);
  if (excel.stopped()) return std::unexpected(stoppedError(excel));
  if (result == platform::ax::kSuccess) return {};
  if (result == platform::ax::kCannotComplete) {
    // A prompt "cannot complete" means Excel took the press and was slow to say so.
    if (!excel.lastActionUnanswered()) return {};
    // No answer at all: an opener whose menu or dialog is now up, or an Excel that did nothing.
    if (newWindowAppears(excel, before, kNewWindowWait)) return {};
    (void)excel.role(element);
    if (excel.stopped()) return std::unexpected(stoppedError(excel));
    return std::unexpected(ActionError::general("Excel didn't respond to “" + name + "”"));
  }
  // Refused: a click does what the press did not, but only on the control itself, never on a
  // menu or window that now covers where it was.
  if (auto frame = excel.frame(element); frame && frame->width > 0 && frame->height > 0) {
    platform::Point centre{frame->midX(), frame->midY()};
    if (showsAt(excel, element, centre)) {
      if (clickAt(excel, centre)) return {};
      return std::unexpected(stoppedError(excel));
    }
  }
  if (excel.stopped()) return std::unexpected(stoppedError(excel));
  return std::unexpected(ActionError::general("Excel didn't respond to “" + name + "”"));
}

bool clickAt(const ExcelApp& excel, platform::Point point) {
  if (!excel.mayPost()) return false;
  auto pointer = excel.input().pointerLocation();
  excel.input().postMouse(platform::InputPoster::Mouse::leftDown, point);
  excel.clock().sleep(0.02);
  excel.input().postMouse(platform::InputPoster::Mouse::leftUp, point);
  excel.clock().sleep(0.02);
  if (pointer) excel.input().warpPointer(*pointer);
  return true;
}

std::vector<Element> popupWindows(const ExcelApp& excel, const std::optional<Element>& mainWindow) {
  static constexpr std::array<std::string_view, 4> kNames{ax::kRole, ax::kSubrole, ax::kPosition, ax::kSize};
  std::vector<Element> popups;
  auto bounds = excel.onScreenWindowBounds();
  for (const auto& child : excel.children(excel.application())) {
    if (mainWindow && child == *mainWindow) continue;
    auto v = readAll(excel, child, kNames);
    if (text(v[0]) != ax::kWindowRole || text(v[1]) == ax::kStandardWindow) continue;
    auto frame = frameOf(v[2], v[3]);
    if (!frame) continue;
    bool onScreen = std::any_of(bounds.begin(), bounds.end(), [&](const auto& b) { return framesMatch(*frame, b); });
    if (onScreen) popups.push_back(child);
  }
  return popups;
}

std::optional<Element> waitForNewPopup(const ExcelApp& excel, const std::optional<Element>& mainWindow,
                                       const std::vector<Element>& baseline, double seconds) {
  double deadline = excel.clock().uptime() + seconds;
  while (excel.clock().uptime() < deadline && excel.pause(0.02)) {
    for (const auto& popup : popupWindows(excel, mainWindow)) {
      if (std::find(baseline.begin(), baseline.end(), popup) == baseline.end()) return popup;
    }
  }
  return std::nullopt;
}

std::optional<bool> isEnglish(const ExcelApp& excel, const Element& window) {
  auto tabGroup = ribbonTabGroup(excel, window);
  if (!tabGroup) return std::nullopt;
  std::vector<std::string> keys;
  for (const auto& tab : ribbonTabs(excel, *tabGroup).tabs) keys.push_back(labelKey(tab.title));
  if (keys.empty()) return std::nullopt;
  auto has = [&](const char* key) { return std::find(keys.begin(), keys.end(), key) != keys.end(); };
  return has("home") && has("formulas");
}

std::optional<bool> isNarrow(const ExcelApp& excel, const Element& window) {
  auto frame = excel.frame(window);
  if (!frame) return std::nullopt;
  return frame->width < 1150;
}

}  // namespace corvane::excel

#include "excel/ribbon_tabs.hpp"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

#include "excel/ax_names.hpp"
#include "excel/ax_reads.hpp"
#include "excel/label_key.hpp"
#include "excel/press_and_click.hpp"
#include "excel/workbook_window.hpp"

namespace corvane::excel {

using platform::Element;
using namespace detail;

namespace {

constexpr double kTabSwitchWait = 0.8;  ///< for a tab's commands to appear
constexpr double kTabPoll = 0.025;
constexpr double kCommandsPoll = 0.05;  ///< while a tab's commands may still be coming
constexpr double kFillQuiet = 0.3;      ///< commands that stopped growing this long are complete
constexpr double kFillWindow = 2.0;     ///< after a tab switch, how long its commands may fill in

/// The tab group's children and the open tab's groups just before a tab is pressed.
struct BeforeSwitch {
  std::vector<Element> children;
  std::vector<Element> groups;
};

/// Waits for the open tab's commands: a scroll area among the tab group's children that was not
/// there before the press, or the old area (Excel may keep it) once its groups were replaced or
/// its description names the tab. Nothing here needs a description. Returns the area.
/// Each poll reads the tab group's children and, while the old area stays, that area once (its
/// description and groups together); the tab's value is read only once the commands seem to have come, to
/// confirm that they are the pressed tab's.
std::optional<Element> waitForCommands(const ExcelApp& excel, const Element& tabGroup, const Element& tab,
                                       const BeforeSwitch& before, const std::optional<Element>& oldArea,
                                       const std::string& tabKey) {
  static constexpr std::array<std::string_view, 2> kKeptArea{ax::kDescription, ax::kChildren};
  auto selected = [&excel, &tab] { return excel.number(tab, ax::kValue) == 1.0; };
  double deadline = excel.clock().uptime() + kTabSwitchWait;
  while (excel.clock().uptime() < deadline && excel.pause(kTabPoll)) {
    bool kept = false;
    std::optional<Element> appeared;
    for (const auto& child : excel.children(tabGroup)) {
      if (oldArea && child == *oldArea) kept = true;
      if (appeared || std::find(before.children.begin(), before.children.end(), child) != before.children.end()) {
        continue;
      }
      if (excel.role(child) == ax::kScrollArea) appeared = child;
    }
    if (appeared) {
      if (selected()) return appeared;
      continue;
    }
    if (!kept) continue;
    auto area = readAll(excel, *oldArea, kKeptArea);
    bool named = !tabKey.empty() && labelKey(text(area[0])).starts_with(tabKey);
    // Kept with other groups (or emptied, to fill in again): the tab's commands are coming in.
    auto groups = platform::valueAs<std::vector<Element>>(area[1]).value_or(std::vector<Element>{});
    bool replaced = groups.empty() ? !before.groups.empty()
                                   : std::find(before.groups.begin(), before.groups.end(), groups.front()) ==
                                         before.groups.end();
    if ((named || replaced) && selected()) return oldArea;
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

using ChildState = TabGroupChildRead::State;

/// Rebuilds what the children's reads tell, in the children's order, so that a read completed
/// later gives the same tabs and candidates as one made at once.
void assemble(RibbonTabs& read) {
  read.tabs.clear();
  read.area.reset();
  read.areaDescription.clear();
  read.unanswered = 0;
  read.level = {};
  read.whole = true;
  for (std::size_t i = 0; i < read.children.size(); ++i) {
    const auto& child = read.children[i];
    const auto& r = read.reads[i];
    if (r.state == ChildState::unread) read.whole = false;
    // One tab that stops answering is passed over (and counted), so the others still serve.
    if (r.state == ChildState::silent) ++read.unanswered;
    if (r.state != ChildState::answered) continue;
    addRead(read.level, child, r.values);
    auto role = text(r.values[0]);
    if (role == ax::kScrollArea && !read.area) {
      read.area = child;
      read.areaDescription = text(r.values[2]);
    }
    if (role != ax::kRadioButton) continue;
    read.tabs.push_back({child, text(r.values[1]), numberOf(r.values[9]) == 1.0});
  }
}

void readChild(const ExcelApp& excel, RibbonTabs& read, std::size_t i) {
  auto& r = read.reads[i];
  auto v = excel.readBriefly(read.children[i], kScanAttributes);
  if (excel.session().passedOver(read.children[i])) {
    r.state = ChildState::silent;
  } else if (!v || v->size() != kScanAttributes.size()) {
    r.state = ChildState::failed;
  } else {
    r.state = ChildState::answered;
    r.values = std::move(*v);
  }
}

/// `all`: every child; else the commands area and the tab called `tabKey` (a label key; none: the
/// area alone), read on from what this work read before.
RibbonTabs readTabs(const ExcelApp& excel, const Element& tabGroup, const std::string& tabKey, bool all) {
  RibbonTabs read;
  if (const auto& known = excel.memo().tabs; known && known->first == tabGroup) {
    read = known->second;
  } else {
    static constexpr std::array<std::string_view, 3> kGroup{ax::kChildren, ax::kPosition, ax::kSize};
    auto group = readAll(excel, tabGroup, kGroup);
    read.children = platform::valueAs<std::vector<Element>>(group[0]).value_or(std::vector<Element>{});
    read.frame = frameOf(group[1], group[2]);
    read.reads.assign(read.children.size(), {});
  }
  // What has been read so far, noted child by child (a tab group is not read over again per child).
  bool haveArea = false;
  bool haveTab = tabKey.empty();
  auto note = [&](std::size_t i) {
    const auto& r = read.reads[i];
    if (r.state != ChildState::answered) return;
    auto role = text(r.values[0]);
    if (role == ax::kScrollArea) haveArea = true;
    if (!haveTab && role == ax::kRadioButton && labelKey(text(r.values[1])) == tabKey) haveTab = true;
  };
  for (std::size_t i = 0; i < read.reads.size(); ++i) note(i);
  auto enough = [&] { return !all && haveArea && haveTab; };
  auto ask = [&](std::size_t i) {
    if (read.reads[i].state != ChildState::unread) return;
    readChild(excel, read, i);
    note(i);
  };
  // The commands area follows the tabs: asked first, a run need read no tab but its own.
  if (!all && !enough() && !read.children.empty()) ask(read.children.size() - 1);
  for (std::size_t i = 0; i < read.children.size() && !enough() && !excel.stopped(); ++i) ask(i);
  assemble(read);
  // A silent child may be the commands area itself, unless the area answered: then it is a tab.
  // Asked again with the work's own patience, its silence then stops the work as any other would.
  if (read.whole && read.unanswered > 0 && !read.area) {
    for (const auto& child : read.children) {
      if (!excel.session().passedOver(child)) continue;
      excel.session().reconsider(child);
      (void)readAll(excel, child, kScanAttributes);
      break;
    }
  }
  // A tab that did not answer is asked again (and may stop the work) by the next lookup.
  if (read.unanswered == 0 && !excel.stopped()) excel.memo().tabs = std::pair{tabGroup, read};
  return read;
}

}  // namespace

RibbonTabs ribbonTabs(const ExcelApp& excel, const Element& tabGroup) { return readTabs(excel, tabGroup, {}, true); }

RibbonTabs ribbonTabsFor(const ExcelApp& excel, const Element& tabGroup, const std::string& tabKey) {
  return readTabs(excel, tabGroup, tabKey, false);
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

ActionStatus selectTab(const ExcelApp& excel, const Element& window, const std::string& tabName) {
  auto tabKey = labelKey(stripMarker(tabName).name);
  auto tabGroup = ribbonTabGroup(excel, window);
  RibbonTabs read;
  std::optional<RibbonTab> tab;
  if (tabGroup) {
    // The commands area and the tabs up to this one: the others are read when something needs them.
    read = tabKey.empty() ? ribbonTabs(excel, *tabGroup) : ribbonTabsFor(excel, *tabGroup, tabKey);
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
    auto described = labelKey(read.areaDescription);
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

/// Goes on from a first scan of `roots`. When `complete` finds the scan lacking, the open tab's
/// commands may still be coming: Excel shows them a while after the tab was selected (whoever selected it: this work, the
/// key tips, an earlier key, the user) and may fill them in group by group. So the scan is made
/// again whenever the commands change, until they have kept still long enough: a short while after
/// this work's own switch, as long as a tab takes to show its commands when they may still be
/// another tab's (`mayBeStale`). `look` reads them (the tab group's area, or a known area).
RibbonScan scanGrowing(const ExcelApp& excel, const std::vector<Element>& roots, RibbonScan scan,
                       const std::function<CommandsSeen()>& look, bool mayBeStale,
                       const std::function<bool(const RibbonScan&)>& complete) {
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
  auto described = labelKey(read.areaDescription);
  if (described.empty()) return true;
  for (const auto& tab : read.tabs) {
    auto key = labelKey(tab.title);
    if (tab.open && !key.empty()) return !described.starts_with(key);
  }
  return true;
}

}  // namespace

RibbonScan scanRibbon(const ExcelApp& excel, const Element& window,
                      const std::function<bool(const RibbonScan&)>& complete) {
  auto roots = ribbonRoots(excel, window);
  if (roots.front() == window) return ribbonScan(excel.ax(), roots, false, kRibbonScanLimit);
  return scanRibbonFrom(excel, window, ribbonScan(excel.ax(), roots, false, kRibbonScanLimit), complete);
}

RibbonScan scanRibbonFrom(const ExcelApp& excel, const Element& window, RibbonScan first,
                          const std::function<bool(const RibbonScan&)>& complete) {
  if (complete(first) || excel.stopped()) return first;
  auto roots = ribbonRoots(excel, window);
  if (roots.front() == window) return first;
  const Element group = roots.front();
  auto look = [&excel, group] {
    CommandsSeen seen{commandsArea(excel, group), 0};
    if (seen.area) seen.groups = excel.children(*seen.area).size();
    return seen;
  };
  // Whether the commands may be stale is read only when the first scan falls short.
  return scanGrowing(excel, {group}, std::move(first), look, commandsMayBeStale(excel, group), complete);
}

std::optional<GroupWalk> walkGroups(const ExcelApp& excel, const Element& window,
                                    const std::function<bool(const RibbonScan&)>& enough, const RibbonSnapshot* known) {
  GroupWalk walk;
  if (known != nullptr && !known->commands) {
    walk.scan = known->scan;
    walk.groupsRead = known->groupsRead;
  } else {
    auto tabGroup = ribbonTabGroup(excel, window);
    if (!tabGroup) return std::nullopt;
    auto read = ribbonTabsFor(excel, *tabGroup, {});
    if (!read.area || !read.level.area || read.level.area->element != *read.area) return std::nullopt;
    walk.scan = std::move(read.level);
  }
  const auto groups = walk.scan.area->children;
  while (walk.groupsRead < groups.size() && !enough(walk.scan) && !excel.stopped()) {
    auto part = ribbonScan(excel.ax(), {groups[walk.groupsRead]}, false, kRibbonScanLimit);
    ++walk.groupsRead;
    walk.scan.visited += part.visited;
    std::move(part.candidates.begin(), part.candidates.end(), std::back_inserter(walk.scan.candidates));
  }
  walk.whole = walk.groupsRead == groups.size();
  return walk;
}

void learnWalk(const ExcelApp& excel, const Element& window, RibbonModel& model, const GroupWalk& walk,
               const RibbonSnapshot* known) {
  if (excel.stopped()) return;
  if (known != nullptr) {
    RibbonModel::Seen seen{known->window,        known->windowFrame,      known->tabGroup,
                           known->tabGroupFrame, known->tabGroupChildren, known->tabsWhole};
    (void)model.learn(std::move(seen), walk.scan, false, walk.groupsRead);
    return;
  }
  auto facts = windowFacts(excel, window);
  if (!facts.frame || !facts.tabGroup) return;
  auto read = ribbonTabsFor(excel, *facts.tabGroup, {});
  if (excel.stopped() || !read.area || read.area != std::optional{walk.scan.area->element}) return;
  RibbonModel::Seen seen{window, *facts.frame, *facts.tabGroup, read.frame, read.children, read.whole};
  (void)model.learn(std::move(seen), walk.scan, false, walk.groupsRead);
}

RibbonScan scanCommands(const ExcelApp& excel, const Element& area,
                        const std::function<bool(const RibbonScan&)>& complete) {
  auto look = [&excel, area] { return CommandsSeen{area, excel.children(area).size()}; };
  return scanGrowing(excel, {area}, ribbonScan(excel.ax(), {area}, false, kRibbonScanLimit), look, false, complete);
}

std::optional<bool> isEnglish(const ExcelApp& excel, const Element& window) {
  auto tabGroup = ribbonTabGroup(excel, window);
  if (!tabGroup) return std::nullopt;
  return isEnglish(ribbonTabs(excel, *tabGroup).tabs);
}

std::optional<bool> isEnglish(const std::vector<RibbonTab>& tabs) {
  std::vector<std::string> keys;
  for (const auto& tab : tabs) keys.push_back(labelKey(tab.title));
  if (keys.empty()) return std::nullopt;
  auto has = [&](const char* key) { return std::find(keys.begin(), keys.end(), key) != keys.end(); };
  return has("home") && has("formulas");
}

}  // namespace corvane::excel

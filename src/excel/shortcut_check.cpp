#include "excel/shortcut_check.hpp"

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "excel/ax_names.hpp"
#include "excel/element_lookup.hpp"
#include "excel/folded_groups.hpp"
#include "excel/label_key.hpp"
#include "excel/menus_and_toolbars.hpp"
#include "excel/step_description.hpp"
#include "model/grammar.hpp"
#include "model/text.hpp"

namespace corvane::excel {

namespace {

/// How long the check waits for a folded group's opener to answer its press: it only looks inside,
/// and the popup coming is the answer (an opener may not answer until its popup closes).
constexpr double kCheckOpenerTimeout = 0.1;

using platform::Element;
using Status = CheckResult::Status;

std::string firstAsWritten(const std::vector<std::string>& labels) { return labels.empty() ? std::string() : labels.front(); }

// One check of many shortcuts: the window, the title bar and the menus are read once, and each
// ribbon tab is opened and scanned once, however many shortcuts live on it. Nothing is pressed
// but tabs and folded groups' buttons (whose popups are closed again at once), so what was read
// stays true for the whole check. A ribbon step matches against what
// lies outside the commands area (scanned once) and the commands of its tab: only whether a target
// exists counts here, so the two scans need not be one. A target a narrow window folded away is
// looked for in the tab's folded groups: each is opened once, read, and closed again, and only when
// something on that tab was not found otherwise.
class Checker {
 public:
  Checker(const ExcelApp& excel, FoldedGroupMemory* memory, RibbonModel* model)
      : excel_(excel), menus_(excel), memory_(memory), model_(model) {}

  CheckResult step(const model::Step& step);
  CheckResult firstCheckable(const std::vector<model::Step>& steps);
  /// The workbook window, looked for once.
  const ActionResult<Element>& window();
  /// Whether Excel is in English, from the tabs the check reads anyway.
  std::optional<bool> english() { return tabGroup() ? isEnglish(tabs_.tabs) : std::nullopt; }
  /// Leaves the Home tab open and collapses a ribbon the check showed.
  void finish();

 private:
  struct TabScan {
    RibbonScan scan;
    std::size_t groups = 0;  ///< the commands area's groups when it was scanned
  };
  /// One folded group's controls, read from its popup.
  struct FoldedScan {
    FoldedGroup group;
    RibbonScan scan;
  };

  /// The ribbon's tab group, its tabs and the open one's commands area, read once.
  const std::optional<Element>& tabGroup();
  std::optional<RibbonTab> tabNamed(const std::string& key);
  const std::string& openTab();
  /// What lies outside the commands area: the title bar, the tabs, the rest of the window.
  const RibbonScan& outside();
  const std::vector<Element>& titlebar();
  /// The folded group of the tab (by key) that holds what `found` looks for, opening the tab's
  /// folded groups left to right, each once and only while the target is still missing; none when
  /// no group holds it. While Excel is not in front they stay closed (noted in `closed_`): a popup
  /// could not be closed again then.
  const FoldedScan* foldedHolding(const std::string& key, const std::function<bool(const RibbonScan&)>& found);
  CheckResult ribbon(const model::RibbonStep& step);

  const ExcelApp& excel_;
  MenuReader menus_;
  std::optional<ActionResult<Element>> window_;
  std::optional<std::optional<Element>> tabGroup_;
  RibbonTabs tabs_;
  std::string openTab_;          ///< key of the open tab
  std::optional<Element> area_;  ///< its commands area
  std::optional<RibbonScan> outside_;
  std::optional<std::optional<Element>> menuBar_;
  std::optional<std::vector<Element>> titlebar_;
  std::optional<QuickAccessToolbar> qat_;
  std::map<std::string, TabScan> scans_;
  /// A tab's folded groups as far as they were opened.
  struct FoldedTab {
    std::vector<FoldedGroup> groups;
    std::size_t opened = 0;  ///< groups opened (or tried) so far, from the left
    std::vector<FoldedScan> scans;
  };
  std::map<std::string, FoldedTab> folded_;
  std::set<std::string> closed_;  ///< tabs whose folded groups were left closed
  FoldedGroupMemory* memory_;
  /// The ribbon as the key tips or a run last saw it: the open tab's commands, while they hold.
  RibbonModel* model_;
};

const ActionResult<Element>& Checker::window() {
  if (!window_) window_ = findWorkbookWindow(excel_);
  return *window_;
}

const std::optional<Element>& Checker::tabGroup() {
  if (!tabGroup_) {
    tabGroup_ = window() ? ribbonTabGroup(excel_, *window()) : std::nullopt;
    if (*tabGroup_) {
      tabs_ = ribbonTabs(excel_, **tabGroup_);
      area_ = tabs_.area;
      for (const auto& tab : tabs_.tabs) {
        if (tab.open) openTab_ = labelKey(tab.title);
      }
    }
  }
  return *tabGroup_;
}

std::optional<RibbonTab> Checker::tabNamed(const std::string& key) {
  if (!tabGroup()) return std::nullopt;
  for (const auto& tab : tabs_.tabs) {
    if (labelKey(tab.title) == key) return tab;
  }
  return std::nullopt;
}

const std::string& Checker::openTab() {
  (void)tabGroup();
  return openTab_;
}

const RibbonScan& Checker::outside() {
  if (!outside_) {
    // Besides the open tab: the title bar and the tabs themselves, never the sheet. The tabs as read
    // at the start: switching them changes which is open, not what they are.
    std::vector<Element> roots;
    if (window()) roots = titleBarParts(excel_, *window());
    outside_ = ribbonScan(excel_.ax(), roots, false, kRibbonScanLimit);
    for (const auto& candidate : tabs_.level.candidates) {
      bool tab = std::any_of(tabs_.tabs.begin(), tabs_.tabs.end(),
                             [&](const RibbonTab& t) { return t.element == candidate.element; });
      if (tab) outside_->candidates.push_back(candidate);
    }
  }
  return *outside_;
}

const std::vector<Element>& Checker::titlebar() {
  if (!titlebar_) titlebar_ = window() ? titlebarItems(excel_, *window()) : std::vector<Element>{};
  return *titlebar_;
}

CheckResult Checker::ribbon(const model::RibbonStep& step) {
  CheckResult missing{Status::notFound,
                      "ribbon " + step.tab.value_or("") + " › " + firstAsWritten(step.labels) + " not found"};
  const auto& w = window();
  if (!w) return missing;
  bool hasItems = step.item && !step.item->empty();
  auto mode = hasItems ? MatchMode::dropdownButton : MatchMode::press;
  auto found = [&](const RibbonScan& scan) { return ribbonMatch(step.labels, mode, false, {}, scan).has_value(); };
  auto foundFor = [&](const TabScan& tab) { return found(tab.scan) || found(outside()); };
  const auto& group = tabGroup();
  if (!group) {
    // No ribbon to switch: the window as it is.
    auto& whole = scans_[""];
    if (whole.scan.visited == 0) whole.scan = ribbonScan(excel_.ax(), {*w}, false, kRibbonScanLimit);
    return found(whole.scan) ? CheckResult{Status::found, step.item ? "dropdown found (items inside not opened)" : ""}
                             : missing;
  }
  auto key = step.tab ? labelKey(stripMarker(*step.tab).name) : openTab();
  auto it = scans_.find(key);
  if (it == scans_.end() && key == openTab() && area_) {
    // The open tab as already seen, when nothing changed since: no walk of its commands.
    if (auto seen = model_ != nullptr ? model_->current(excel_) : std::nullopt;
        seen && seen->commands && seen->openTabKey == key && seen->area.element == *area_) {
      it = scans_.insert_or_assign(key, TabScan{std::move(seen->scan), seen->area.children.size()}).first;
    }
  }
  if (it == scans_.end()) {
    if (key != openTab() || !area_) {
      auto tab = tabNamed(key);
      if (!tab) return missing;
      auto opened = openRibbonTab(excel_, *group, *tab, area_, tab->title, true);
      if (!opened || !*opened) return missing;
      area_ = *opened;
      openTab_ = key;
      if (model_ != nullptr) model_->drop();
    }
    auto scan = scanCommands(excel_, *area_, found);
    // The scan read the area's groups already, unless it could not read the area at all.
    auto groups = scan.area && scan.area->element == *area_ ? scan.area->children.size() : excel_.children(*area_).size();
    it = scans_.insert_or_assign(key, TabScan{std::move(scan), groups}).first;
  } else if (!foundFor(it->second) && key == openTab() && area_) {
    // The tab's commands may have been filling in when it was scanned.
    if (auto groups = excel_.children(*area_).size(); groups > it->second.groups) {
      it->second = TabScan{scanCommands(excel_, *area_, found), groups};
    }
  }
  auto inside = [&](const FoldedScan& read) {
    auto where = "inside the folded “" + read.group.name + "” group";
    return CheckResult{Status::found, step.item ? "dropdown found " + where + " (items inside not opened)" : where};
  };
  if (foundFor(it->second)) {
    // A control named like its folded group matches the group's button; when the group was read,
    // say where the control itself is.
    if (auto read = folded_.find(key); read != folded_.end()) {
      if (auto match = ribbonMatch(step.labels, mode, false, {}, it->second.scan)) {
        for (const auto& group : read->second.scans) {
          if (group.group.button == match->element && found(group.scan)) return inside(group);
        }
      }
    }
    return {Status::found, step.item ? "dropdown found (items inside not opened)" : ""};
  }
  if (const auto* group = foldedHolding(key, found)) {
    if (memory_ != nullptr) memory_->remember(step.tab.value_or(""), step.labels, group->group.name);
    return inside(*group);
  }
  if (closed_.contains(key)) missing.note += " (its folded groups stayed closed: Excel wasn't in front)";
  return missing;
}

const Checker::FoldedScan* Checker::foldedHolding(const std::string& key,
                                                  const std::function<bool(const RibbonScan&)>& found) {
  auto listed = folded_.find(key);
  if (listed == folded_.end()) {
    listed = folded_.emplace(key, FoldedTab{}).first;
    const auto& ribbonTabs = tabGroup();
    if (!ribbonTabs || excel_.stopped()) return nullptr;
    if (key != openTab() || !area_) {
      // Another tab was opened since this one was scanned.
      auto tab = tabNamed(key);
      if (!tab) return nullptr;
      auto opened = openRibbonTab(excel_, *ribbonTabs, *tab, area_, tab->title, true);
      if (!opened || !*opened) return nullptr;
      area_ = *opened;
      openTab_ = key;
      if (model_ != nullptr) model_->drop();
    }
    listed->second.groups = foldedGroups(excel_, *area_);
  }
  auto& tab = listed->second;
  for (const auto& scan : tab.scans) {
    if (found(scan.scan)) return &scan;
  }
  if (tab.opened == tab.groups.size() || excel_.stopped()) return nullptr;
  // A popup opened behind another application could not be closed again.
  if (!excel_.boolean(excel_.application(), ax::kFrontmost).value_or(false)) {
    closed_.insert(key);
    return nullptr;
  }
  if (key != openTab() || !area_) {
    auto named = tabNamed(key);
    if (!named) return nullptr;
    auto opened = openRibbonTab(excel_, *tabGroup(), *named, area_, named->title, true);
    if (!opened || !*opened) return nullptr;
    area_ = *opened;
    openTab_ = key;
    if (model_ != nullptr) model_->drop();
  }
  auto mainWindow = excel_.element(excel_.application(), ax::kMainWindow);
  while (tab.opened < tab.groups.size() && !excel_.stopped()) {
    const auto& group = tab.groups[tab.opened++];
    // Only looked into, so its opener's answer is not waited for: the popup is what counts.
    auto popup = openFoldedGroup(excel_, group, mainWindow, kCheckOpenerTimeout);
    if (!popup) continue;
    auto scan = scanFoldedPopup(excel_, *popup);
    closeOpenedMenus(excel_, 1);
    tab.scans.push_back({group, std::move(scan)});
    if (found(tab.scans.back().scan)) return &tab.scans.back();
  }
  return nullptr;
}

CheckResult Checker::step(const model::Step& step) {
  using namespace model;
  if (step.is<KeyStep>() || step.is<ClickStep>() || step.is<WaitStep>() || step.is<UseStep>()) {
    return {Status::notCheckable, ""};
  }
  if (const auto* s = step.as<MenuStep>()) {
    if (!menuBar_) menuBar_ = excel_.element(excel_.application(), ax::kMenuBar);
    if (*menuBar_ && findMenuItem(menus_, **menuBar_, s->path)) return {Status::found, ""};
    return {Status::notFound, "menu " + menuPathText(s->path) + " not found"};
  }
  if (const auto* s = step.as<RibbonStep>()) return ribbon(*s);
  if (const auto* s = step.as<QatStep>()) {
    if (!qat_) qat_ = quickAccessToolbar(excel_, titlebar());
    auto n = s->number;
    if (window() && n >= 1 && n <= static_cast<std::int64_t>(qat_->buttons.size())) return {Status::found, ""};
    auto note = "Quick Access Toolbar has no button " + std::to_string(n);
    // A toolbar that ends before the number: what a count by position would reach instead is not
    // one of its buttons, so a run presses nothing.
    if (window() && n >= 1 && (!qat_->buttons.empty() || qat_->endsUncertain)) {
      return {Status::uncertain, note + " (" + std::to_string(qat_->buttons.size()) + " found; nothing is pressed)"};
    }
    return {Status::notFound, note};
  }
  if (const auto* s = step.as<TitlebarStep>()) {
    if (window() && titlebarItem(excel_, titlebar(), s->labels)) return {Status::found, ""};
    return {Status::notFound, "title bar › " + firstAsWritten(s->labels) + " not found"};
  }
  if (const auto* s = step.as<SequenceStep>()) return firstCheckable(s->steps);
  if (const auto* s = step.as<FirstOfStep>()) {
    bool someNotCheckable = false;
    bool missing = false;
    std::vector<std::string> notes;
    for (const auto& alternative : s->steps) {
      auto result = this->step(alternative);
      switch (result.status) {
        case Status::found:
          return {Status::found, ""};
        case Status::notCheckable:
          someNotCheckable = true;
          break;
        case Status::notFound:
          missing = true;
          if (!result.note.empty()) notes.push_back(result.note);
          break;
        case Status::uncertain:
          if (!result.note.empty()) notes.push_back(result.note);
          break;
        case Status::unreachable:
          return result;
      }
    }
    if (someNotCheckable) {
      return {Status::notCheckable,
              notes.empty() ? std::string() : "falls back to keystroke; " + model::text::join(notes, "; ")};
    }
    // Something missing needs fixing; alternatives that are only uncertain are passed over by a
    // run without a press.
    auto status = missing || s->steps.empty() ? Status::notFound : Status::uncertain;
    return {status, model::text::join(notes, "; ")};
  }
  return {Status::notCheckable, ""};
}

// The first checkable step decides. When none is checkable, a keystroke fallback's note ("falls back
// to keystroke; menu … not found") is kept, so the report says why a step could not be confirmed.
CheckResult Checker::firstCheckable(const std::vector<model::Step>& steps) {
  CheckResult unchecked{Status::notCheckable, ""};
  for (const auto& step : steps) {
    auto result = this->step(step);
    if (result.status != Status::notCheckable) return result;
    if (unchecked.note.empty()) unchecked = std::move(result);
  }
  return unchecked;
}

void Checker::finish() {
  // Leave the ribbon where the user expects it; its commands need not be waited for.
  if (tabGroup() && openTab() != "home") {
    if (auto home = tabNamed("home")) {
      if (openRibbonTab(excel_, *tabGroup(), *home, area_, home->title, false)) openTab_ = "home";
      if (model_ != nullptr) model_->drop();
    }
  }
  collapseShownRibbon(excel_);
}

}  // namespace

CheckResult checkStep(const ExcelApp& excel, const model::Step& step) {
  return Checker(excel, nullptr, nullptr).step(step);
}

CheckResult checkShortcut(const ExcelApp& excel, const model::Shortcut& shortcut) {
  return Checker(excel, nullptr, nullptr).firstCheckable(shortcut.steps);
}

std::string checkLine(const model::Shortcut& shortcut, const CheckResult& result) {
  const char* icon = "➖";
  switch (result.status) {
    case Status::found:
      icon = "✅";
      break;
    case Status::notFound:
      icon = "❌";
      break;
    case Status::notCheckable:
      icon = "➖";
      break;
    case Status::uncertain:
      icon = "⚠️";
      break;
    case Status::unreachable:
      icon = "❔";
      break;
  }
  // Eight characters (user-perceived), padded or cut.
  auto keys = model::keyPathText(shortcut.keys);
  std::string padded;
  std::size_t count = 0;
  std::string_view rest = keys;
  while (!rest.empty() && count < 8) {
    auto c = model::text::firstCharacter(rest);
    if (c.empty()) break;
    padded += c;
    rest.remove_prefix(c.size());
    ++count;
  }
  padded.append(8 - count, ' ');
  std::string line = std::string(icon) + "  ⌥ " + padded + "  " + shortcut.name;
  if (!result.note.empty()) line += "\n" + std::string(12, ' ') + result.note;
  return line;
}

ShortcutCheckReport checkShortcuts(const ExcelApp& excel, const std::vector<model::Shortcut>& shortcuts,
                                   const std::string& dateText, FoldedGroupMemory* memory, RibbonModel* ribbon) {
  ShortcutCheckReport report;
  const std::string header = "Corvane shortcut check — " + dateText + "\n";
  // What makes every line ❌ is said first, instead of a list of misses that all have one cause.
  Checker checker(excel, memory, ribbon);
  const auto& window = checker.window();
  if (!window && !excel.stopped()) {
    report.blocked = "Open a workbook in Excel first: the check looks for each shortcut in a workbook window's "
                     "ribbon and menus.";
    report.text = header + *report.blocked + "\n";
    return report;
  }
  std::string cause;
  if (window && checker.english() == false) {
    report.blocked = "Excel isn't in English. Corvane finds Excel's buttons by their English names: set Excel to "
                     "English in System Settings › General › Language & Region › Applications, then reopen Excel.";
    cause = *report.blocked + "\n\n";
  }
  auto& found = report.found;
  auto& notFound = report.notFound;
  auto& notCheckable = report.notCheckable;
  auto& uncertain = report.uncertain;
  std::vector<std::string> lines;
  lines.reserve(shortcuts.size());
  std::string unreachableNote;
  for (const auto& shortcut : shortcuts) {
    bool looked = !excel.stopped();
    auto result = looked ? checker.firstCheckable(shortcut.steps) : CheckResult{Status::unreachable, ""};
    // Once Excel stops answering, nothing more can be told about the rest: not reached, which is
    // not "not found".
    if (excel.stopped() && result.status != Status::found && (!looked || result.status != Status::notCheckable)) {
      if (unreachableNote.empty()) {
        auto why = excel.stopError();
        unreachableNote = "not reached: " + (why ? why->description : std::string("the check was stopped"));
      }
      result = {Status::unreachable, unreachableNote};
    }
    switch (result.status) {
      case Status::found:
        ++found;
        break;
      case Status::notFound:
        ++notFound;
        break;
      case Status::notCheckable:
        ++notCheckable;
        break;
      case Status::uncertain:
        ++uncertain;
        break;
      case Status::unreachable:
        ++report.unreachable;
        break;
    }
    lines.push_back(checkLine(shortcut, result));
    report.results.push_back(std::move(result));
  }
  checker.finish();
  std::string counts = "✅ " + std::to_string(found) + " found in Excel   ❌ " + std::to_string(notFound) +
                       " not found   ➖ " + std::to_string(notCheckable) + " keystroke/dialog steps (not checkable)";
  if (uncertain > 0) counts += "   ⚠️ " + std::to_string(uncertain) + " uncertain (never pressed)";
  // The advice fits a shortcut Excel names differently; it has nothing to say without a ❌, nor
  // when Excel's language is the cause.
  std::string advice = notFound > 0 && cause.empty()
                           ? "❌ lines need fixing: use “Save Excel Menu Map” to see what Excel calls things,\nthen "
                             "override the shortcut in your shortcuts file.\n\n"
                           : "";
  if (report.unreachable > 0) {
    counts += "   ❔ " + std::to_string(report.unreachable) + " not reached";
    // Nothing is wrong with shortcuts that could not be looked for: no advice to override them.
    advice = "❔ Excel stopped answering during the check (" + unreachableNote.substr(std::string("not reached: ").size()) +
             "),\nso those shortcuts were not looked for. Check again when Excel is idle.\n\n" + advice;
  }
  report.text = header + cause + counts + "\n\n" + advice +
                model::text::join(lines, "\n");
  return report;
}

namespace {

struct MenuWalk {
  std::string text;
  std::vector<std::string> path;  ///< the titles of the menus being read, outermost first
  std::string last;               ///< the title of the last item read in the menu being read
  std::string stoppedIn;          ///< where Excel stopped answering, once it has
};

/// True when Excel has stopped answering; the first time, notes the menu being read.
bool stopsHere(const ExcelApp& excel, MenuWalk& walk) {
  if (!excel.stopped()) return false;
  if (walk.stoppedIn.empty()) {
    walk.stoppedIn = walk.path.empty() ? "the menu bar" : "the " + model::text::join(walk.path, " › ") + " menu";
    if (!walk.last.empty()) walk.stoppedIn += ", after “" + walk.last + "”";
  }
  return true;
}

void mapMenu(const ExcelApp& excel, const platform::Element& owner, int depth, MenuWalk& walk) {
  auto items = menuItemsOf(excel, owner);
  if (stopsHere(excel, walk)) return;
  for (const auto& item : items) {
    auto title = excel.string(item, ax::kTitle);
    if (stopsHere(excel, walk)) return;
    if (title.empty()) continue;
    std::string line(static_cast<std::size_t>(4 * depth), ' ');
    line += title;
    auto key = excel.string(item, ax::kMenuItemCmdChar);
    if (!key.empty()) {
      auto modifiers = static_cast<long long>(excel.number(item, ax::kMenuItemCmdModifiers).value_or(0));
      line += "    [";
      if (modifiers & 4) line += "⌃";
      if (modifiers & 2) line += "⌥";
      if (modifiers & 1) line += "⇧";
      if (!(modifiers & 8)) line += "⌘";
      line += key + "]";
    }
    if (excel.boolean(item, ax::kEnabled) == false) line += "    (greyed out)";
    // A line is written only once everything about it was read.
    if (stopsHere(excel, walk)) return;
    walk.text += line + "\n";
    walk.path.push_back(title);
    walk.last.clear();
    bool submenu = depth <= 4 && submenuOf(excel, item);
    if (stopsHere(excel, walk)) return;
    if (submenu) mapMenu(excel, item, depth + 1, walk);
    if (!walk.stoppedIn.empty()) return;
    walk.path.pop_back();
    walk.last = title;
  }
}

}  // namespace

MenuMap menuMap(const ExcelApp& excel) {
  MenuMap map;
  auto menuBar = excel.element(excel.application(), ax::kMenuBar);
  if (!menuBar) {
    map.problem = "Couldn't read Excel's menus" +
                  (excel.stopError() ? ": " + excel.stopError()->description : std::string()) + ".";
    return map;
  }
  MenuWalk walk;
  mapMenu(excel, *menuBar, 0, walk);
  map.text = std::move(walk.text);
  if (!walk.stoppedIn.empty()) {
    map.problem = "The map stops in " + walk.stoppedIn + ": " + excel.stopError().value_or(ActionError{}).description +
                  ". The menus from there on are missing.";
  }
  return map;
}

std::string MenuMap::fileText() const {
  if (problem.empty()) return text;
  return text + (text.empty() || text.ends_with("\n") ? "" : "\n") + problem + "\n";
}

}  // namespace corvane::excel

#include "excel/shortcut_check.hpp"

#include "excel/ax_names.hpp"
#include "excel/element_lookup.hpp"
#include "excel/label_key.hpp"
#include "excel/menus_and_toolbars.hpp"
#include "excel/step_description.hpp"
#include "model/grammar.hpp"
#include "model/text.hpp"

namespace corvane::excel {

namespace {

using Status = CheckResult::Status;

std::string firstAsWritten(const std::vector<std::string>& labels) { return labels.empty() ? std::string() : labels.front(); }

CheckResult checkRibbon(const ExcelApp& excel, const model::RibbonStep& step) {
  CheckResult missing{Status::notFound,
                      "ribbon " + step.tab.value_or("") + " › " + firstAsWritten(step.labels) + " not found"};
  auto window = findWorkbookWindow(excel);
  if (!window) return missing;
  if (step.tab && !selectTab(excel, *window, *step.tab)) return missing;
  bool hasItems = step.item && !step.item->empty();
  auto scan = ribbonScan(excel.ax(), {*window}, false, kRibbonScanLimit);
  if (!ribbonMatch(step.labels, hasItems ? MatchMode::dropdownButton : MatchMode::press, false, {}, scan)) {
    return missing;
  }
  return {Status::found, step.item ? "dropdown found (items inside not opened)" : ""};
}

CheckResult firstCheckable(const ExcelApp& excel, const std::vector<model::Step>& steps);

}  // namespace

CheckResult checkStep(const ExcelApp& excel, const model::Step& step) {
  using namespace model;
  if (step.is<KeyStep>() || step.is<ClickStep>() || step.is<WaitStep>() || step.is<UseStep>()) {
    return {Status::notCheckable, ""};
  }
  if (const auto* s = step.as<MenuStep>()) {
    auto menuBar = excel.element(excel.application(), ax::kMenuBar);
    if (menuBar && findMenuItem(excel, *menuBar, s->path)) return {Status::found, ""};
    return {Status::notFound, "menu " + menuPathText(s->path) + " not found"};
  }
  if (const auto* s = step.as<RibbonStep>()) return checkRibbon(excel, *s);
  if (const auto* s = step.as<QatStep>()) {
    auto window = findWorkbookWindow(excel);
    if (window) {
      auto buttons = quickAccessButtons(excel, *window);
      if (s->number >= 1 && s->number <= static_cast<std::int64_t>(buttons.size())) return {Status::found, ""};
    }
    return {Status::notFound, "Quick Access Toolbar has no button " + std::to_string(s->number)};
  }
  if (const auto* s = step.as<TitlebarStep>()) {
    auto window = findWorkbookWindow(excel);
    if (window && titlebarItem(excel, *window, s->labels)) return {Status::found, ""};
    return {Status::notFound, "title bar › " + firstAsWritten(s->labels) + " not found"};
  }
  if (const auto* s = step.as<SequenceStep>()) return firstCheckable(excel, s->steps);
  if (const auto* s = step.as<FirstOfStep>()) {
    bool someNotCheckable = false;
    std::vector<std::string> notes;
    for (const auto& alternative : s->steps) {
      auto result = checkStep(excel, alternative);
      switch (result.status) {
        case Status::found:
          return {Status::found, ""};
        case Status::notCheckable:
          someNotCheckable = true;
          break;
        case Status::notFound:
          if (!result.note.empty()) notes.push_back(result.note);
          break;
      }
    }
    if (someNotCheckable) {
      return {Status::notCheckable,
              notes.empty() ? std::string() : "falls back to keystroke; " + model::text::join(notes, "; ")};
    }
    return {Status::notFound, model::text::join(notes, "; ")};
  }
  return {Status::notCheckable, ""};
}

namespace {

// The first checkable step decides. When none is checkable, a keystroke fallback's note ("falls back
// to keystroke; menu … not found") is kept, so the report says why a step could not be confirmed.
CheckResult firstCheckable(const ExcelApp& excel, const std::vector<model::Step>& steps) {
  CheckResult unchecked{Status::notCheckable, ""};
  for (const auto& step : steps) {
    auto result = checkStep(excel, step);
    if (result.status != Status::notCheckable) return result;
    if (unchecked.note.empty()) unchecked = std::move(result);
  }
  return unchecked;
}

}  // namespace

CheckResult checkShortcut(const ExcelApp& excel, const model::Shortcut& shortcut) {
  return firstCheckable(excel, shortcut.steps);
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
                                   const std::string& dateText) {
  ShortcutCheckReport report;
  auto& found = report.found;
  auto& notFound = report.notFound;
  auto& notCheckable = report.notCheckable;
  std::vector<std::string> lines;
  lines.reserve(shortcuts.size());
  for (const auto& shortcut : shortcuts) {
    auto result = checkShortcut(excel, shortcut);
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
    }
    lines.push_back(checkLine(shortcut, result));
  }
  // Leave the ribbon where the user expects it.
  if (auto window = findWorkbookWindow(excel)) (void)selectTab(excel, *window, "Home");
  report.text = "Corvane shortcut check — " + dateText + "\n✅ " + std::to_string(found) + " found in Excel   ❌ " +
                std::to_string(notFound) + " not found   ➖ " + std::to_string(notCheckable) +
                " keystroke/dialog steps (not checkable)\n\n❌ lines need fixing: use “Save Excel Menu Map” to see "
                "what Excel calls things,\nthen override the shortcut in your shortcuts file.\n\n" +
                model::text::join(lines, "\n");
  return report;
}

namespace {

void mapMenu(const ExcelApp& excel, const platform::Element& owner, int depth, std::string& out) {
  for (const auto& item : menuItemsOf(excel, owner)) {
    auto title = excel.string(item, ax::kTitle);
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
    out += line + "\n";
    if (depth <= 4 && submenuOf(excel, item)) mapMenu(excel, item, depth + 1, out);
  }
}

}  // namespace

std::string menuMap(const ExcelApp& excel) {
  auto menuBar = excel.element(excel.application(), ax::kMenuBar);
  if (!menuBar) return "Couldn't read Excel's menus.";
  std::string out;
  mapMenu(excel, *menuBar, 0, out);
  return out;
}

}  // namespace corvane::excel

#include "excel/element_lookup.hpp"

#include <algorithm>

#include "excel/ax_names.hpp"
#include "excel/label_key.hpp"
#include "model/text.hpp"

namespace corvane::excel {

using platform::Element;

bool carriesRibbon(const ExcelApp& excel, const Element& window) {
  for (const auto& child : excel.children(window)) {
    if (excel.role(child) == ax::kTabGroup && excel.string(child, ax::kDescription) == ax::kRibbonDescription) {
      return true;
    }
  }
  return false;
}

ActionResult<Element> findWorkbookWindow(const ExcelApp& excel) {
  const auto& app = excel.application();
  auto windows = excel.elements(app, ax::kWindows);
  std::vector<std::pair<Element, std::optional<platform::Rect>>> ribbonWindows;
  for (const auto& window : windows) {
    if (carriesRibbon(excel, window)) ribbonWindows.emplace_back(window, excel.frame(window));
  }
  if (!ribbonWindows.empty()) {
    for (const auto& bounds : excel.onScreenWindowBounds()) {
      for (const auto& [window, frame] : ribbonWindows) {
        if (frame && framesMatch(*frame, bounds)) return window;
      }
    }
  }
  if (auto main = excel.element(app, ax::kMainWindow)) return *main;
  if (auto focused = excel.element(app, ax::kFocusedWindow)) return *focused;
  if (!windows.empty()) return windows.front();
  return std::unexpected(ActionError::noWorkbook());
}

ActionStatus selectTab(const ExcelApp& excel, const Element& window, const std::string& tabName) {
  auto tabKey = labelKey(stripMarker(tabName).name);
  auto tabGroup = excel.firstChild(window, ax::kTabGroup);
  std::optional<Element> tab;
  if (tabGroup) {
    for (const auto& child : excel.children(*tabGroup)) {
      if (excel.role(child) == ax::kRadioButton && !tabKey.empty() &&
          labelKey(excel.string(child, ax::kTitle)) == tabKey) {
        tab = child;
        break;
      }
    }
  }
  if (!tab) {
    auto scan = ribbonScan(excel.ax(), {window}, false, kTabScanLimit);
    if (auto match = ribbonMatch({tabName}, MatchMode::tab, true, {}, scan)) tab = match->element;
  }
  if (!tab) return std::unexpected(ActionError::noTab(tabName));

  auto selected = [&] { return excel.number(*tab, ax::kValue) == 1.0; };
  if (selected()) return {};
  if (auto pressed = press(excel, *tab, tabName); !pressed) return pressed;

  // Wait for the tab's commands to replace the old ones; running out of time is not an error.
  auto commandsShown = [&] {
    if (!tabGroup) return true;
    for (const auto& child : excel.children(*tabGroup)) {
      if (excel.role(child) == ax::kScrollArea &&
          labelKey(excel.string(child, ax::kDescription)).starts_with(tabKey)) {
        return true;
      }
    }
    return false;
  };
  double deadline = excel.clock().uptime() + 0.8;
  while (excel.clock().uptime() < deadline) {
    excel.clock().sleep(0.025);
    if (selected() && commandsShown()) break;
  }
  return {};
}

namespace {

bool frontmost(const ExcelApp& excel) { return excel.boolean(excel.application(), ax::kFrontmost).value_or(false); }

// Closes menus this step opened; Escape only goes to Excel while it is in front.
void closeMenus(const ExcelApp& excel, int count) {
  for (int i = 0; i < count; ++i) {
    if (!frontmost(excel)) continue;
    excel.postEscape();
    excel.clock().sleep(0.08);
  }
}

std::string levelName(const std::vector<std::string>& level) {
  auto name = firstLabel(level);
  return name.empty() ? "?" : name;
}

}  // namespace

void openMenu(const ExcelApp& excel, const Element& element) {
  excel.performBriefly(element, excel.offersAction(element, ax::kShowMenu) ? ax::kShowMenu : ax::kPress);
}

ActionStatus ribbonStep(const ExcelApp& excel, const model::RibbonStep& step) {
  auto name = firstLabel(step.labels);
  if (name.empty()) name = "?";
  auto window = findWorkbookWindow(excel);
  if (!window) return std::unexpected(window.error());
  if (step.tab) {
    if (auto selected = selectTab(excel, *window, *step.tab); !selected) return selected;
  }
  bool hasItems = step.item && !step.item->empty();
  auto scan = ribbonScan(excel.ax(), {*window}, false, kRibbonScanLimit);
  auto match = ribbonMatch(step.labels, hasItems ? MatchMode::dropdownButton : MatchMode::press, false, {}, scan);
  if (!match) {
    return std::unexpected(ActionError::notFound(
        name, "Couldn't find “" + name + "” on the " + (step.tab ? *step.tab + " " : std::string()) +
                  "ribbon. If the Excel window is narrow, widen it so the button shows."));
  }
  if (!hasItems) return ribbonAction(excel, match->element, step.action, name);

  if (!match->enabled) return std::unexpected(ActionError::greyedOut(name));
  auto mainWindow = excel.element(excel.application(), ax::kMainWindow);
  auto baseline = popupWindows(excel, mainWindow);
  openMenu(excel, match->element);
  int opened = 1;
  const auto& levels = *step.item;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    auto level = levelName(levels[i]);
    std::optional<RibbonCandidate> hit;
    double deadline = excel.clock().uptime() + 1.5;
    while (!hit && excel.clock().uptime() < deadline) {
      excel.clock().sleep(0.04);
      auto current = popupWindows(excel, mainWindow);
      std::vector<Element> fresh;
      for (const auto& popup : current) {
        if (std::find(baseline.begin(), baseline.end(), popup) == baseline.end()) fresh.push_back(popup);
      }
      for (const auto* roots : {&fresh, &current}) {
        if (hit || roots->empty()) continue;
        auto menuScan = ribbonScan(excel.ax(), *roots, true, kDropdownScanLimit);
        hit = ribbonMatch(levels[i], MatchMode::press, true, {}, menuScan);
      }
      if (!hit) {
        auto buttonScan = ribbonScan(excel.ax(), {match->element}, true, kDropdownScanLimit);
        hit = ribbonMatch(levels[i], MatchMode::press, true, {}, buttonScan);
      }
    }
    if (!hit) {
      closeMenus(excel, opened);
      return std::unexpected(ActionError::notFound(level, "Couldn't find “" + level + "” in the " + name + " menu"));
    }
    if (i + 1 == levels.size()) {
      auto done = ribbonAction(excel, hit->element, step.action, level);
      if (!done) {
        closeMenus(excel, static_cast<int>(levels.size()));
        return done;
      }
      return {};
    }
    baseline = popupWindows(excel, mainWindow);
    openMenu(excel, hit->element);
    ++opened;
  }
  return {};
}

ActionStatus ribbonAction(const ExcelApp& excel, const Element& element, model::RibbonAction action,
                          const std::string& name) {
  if (!excel.isEnabled(element)) return std::unexpected(ActionError::greyedOut(name));
  switch (action) {
    case model::RibbonAction::press:
      return press(excel, element, name);
    case model::RibbonAction::menu:
      openMenu(excel, element);
      return {};
    case model::RibbonAction::focus: {
      if (excel.ax().setAttribute(element, ax::kFocused, true) != platform::ax::kSuccess) {
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
  if (!excel.isEnabled(element)) return std::unexpected(ActionError::greyedOut(name));
  if (platform::ax::actionDone(excel.performBriefly(element, ax::kPress))) return {};
  if (auto frame = excel.frame(element); frame && frame->width > 0 && frame->height > 0) {
    clickAt(excel, {frame->midX(), frame->midY()});
    return {};
  }
  return std::unexpected(ActionError::general("Excel didn't respond to “" + name + "”"));
}

void clickAt(const ExcelApp& excel, platform::Point point) {
  auto pointer = excel.input().pointerLocation();
  excel.input().postMouse(platform::InputPoster::Mouse::leftDown, point);
  excel.clock().sleep(0.02);
  excel.input().postMouse(platform::InputPoster::Mouse::leftUp, point);
  excel.clock().sleep(0.02);
  if (pointer) excel.input().warpPointer(*pointer);
}

std::vector<Element> popupWindows(const ExcelApp& excel, const std::optional<Element>& mainWindow) {
  std::vector<Element> popups;
  auto bounds = excel.onScreenWindowBounds();
  for (const auto& child : excel.children(excel.application())) {
    if (excel.role(child) != ax::kWindowRole) continue;
    if (excel.string(child, ax::kSubrole) == ax::kStandardWindow) continue;
    if (mainWindow && child == *mainWindow) continue;
    auto frame = excel.frame(child);
    if (!frame) continue;
    bool onScreen = std::any_of(bounds.begin(), bounds.end(), [&](const auto& b) { return framesMatch(*frame, b); });
    if (onScreen) popups.push_back(child);
  }
  return popups;
}

std::optional<bool> isEnglish(const ExcelApp& excel, const Element& window) {
  auto tabGroup = excel.firstChild(window, ax::kTabGroup);
  if (!tabGroup) return std::nullopt;
  std::vector<std::string> keys;
  for (const auto& child : excel.children(*tabGroup)) {
    if (excel.role(child) == ax::kRadioButton) keys.push_back(labelKey(excel.string(child, ax::kTitle)));
  }
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

#include "excel/press_and_click.hpp"

#include <algorithm>

#include "excel/ax_names.hpp"
#include "excel/ax_reads.hpp"
#include "excel/popups_and_menus.hpp"
#include "model/text.hpp"

namespace corvane::excel {

using platform::Element;
using namespace detail;

namespace {

constexpr double kPopupWait = 1.0;      ///< for a menu to come on screen after "menu"
constexpr double kNewWindowWait = 0.6;  ///< after a press that got no answer
constexpr double kClickHold = 0.02;     ///< between mouse down and up, and after
constexpr int kHitDepth = 12;           ///< levels climbed from a hit-tested element

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

/// Presses a control already seen enabled; a refused press becomes a click on the control itself.
ActionStatus pressEnabled(const ExcelApp& excel, const Element& element, const std::string& name);

}  // namespace

ActionStatus ribbonAction(const ExcelApp& excel, const Element& element, model::RibbonAction action,
                          const std::string& name, bool seenEnabled) {
  if (!seenEnabled && !excel.isEnabled(element)) {
    if (excel.stopped()) return std::unexpected(stoppedError(excel));
    return std::unexpected(ActionError::greyedOut(name));
  }
  switch (action) {
    case model::RibbonAction::press:
      return pressEnabled(excel, element, name);
    case model::RibbonAction::menu: {
      // Opening a menu is done once the menu is there, not when the opener answers.
      auto mainWindow = excel.element(excel.application(), ax::kMainWindow);
      auto baseline = popupWindows(excel, mainWindow);
      openMenu(excel, element, baseline);
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
  return pressEnabled(excel, element, name);
}

namespace {

ActionStatus pressEnabled(const ExcelApp& excel, const Element& element, const std::string& name) {
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

}  // namespace

bool clickAt(const ExcelApp& excel, platform::Point point) {
  if (!excel.mayPost()) return false;
  auto pointer = excel.input().pointerLocation();
  excel.noteChange();
  excel.input().postMouse(platform::InputPoster::Mouse::leftDown, point);
  excel.clock().sleep(kClickHold);
  excel.input().postMouse(platform::InputPoster::Mouse::leftUp, point);
  excel.clock().sleep(kClickHold);
  if (pointer) excel.input().warpPointer(*pointer);
  return true;
}

}  // namespace corvane::excel

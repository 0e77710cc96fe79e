#include "model/step_warnings.hpp"

#include <array>
#include <cmath>
#include <cstdio>

namespace corvane::model {

namespace {

struct SystemShortcut {
  std::uint16_t keyCode;
  bool command, shift, option, control;
  const char* use;
};

// macOS's own, taken by the window server or the Dock before the frontmost application: posting one
// from a shortcut would switch apps, lock the screen or log out instead of reaching Excel.
constexpr std::array<SystemShortcut, 17> kSystemShortcuts{{
    {49, true, false, false, false, "opens Spotlight"},
    {49, false, false, false, true, "switches the input source"},
    {49, true, false, false, true, "opens the character viewer"},
    {48, true, false, false, false, "switches applications"},
    {48, true, true, false, false, "switches applications"},
    {12, true, false, false, true, "locks the screen"},
    {12, true, true, false, false, "logs out"},
    {12, true, true, true, false, "logs out"},
    {53, true, false, true, false, "opens Force Quit"},
    {20, true, true, false, false, "takes a screenshot"},
    {21, true, true, false, false, "takes a screenshot"},
    {23, true, true, false, false, "takes a screenshot"},
    {126, false, false, false, true, "opens Mission Control"},
    {125, false, false, false, true, "shows the application's windows"},
    {123, false, false, false, true, "moves to another desktop"},
    {124, false, false, false, true, "moves to another desktop"},
    {2, true, false, true, false, "hides the Dock"},
}};

void collect(const std::vector<Step>& steps, std::vector<std::string>& out) {
  for (const auto& step : steps) {
    if (const auto* key = step.as<KeyStep>()) {
      if (auto use = systemShortcutUse(key->combo); !use.empty()) {
        out.push_back("the keystroke " + displayText(key->combo) + " never reaches Excel: macOS " + use);
      }
    }
    if (const auto* wait = step.as<WaitStep>(); wait && !(wait->seconds <= kLongestWait)) {
      char text[128];
      std::snprintf(text, sizeof text, "a wait of %g seconds is cut to %g: a run waits a minute at most",
                    std::isfinite(wait->seconds) ? wait->seconds : 0.0, kLongestWait);
      out.emplace_back(std::isfinite(wait->seconds) ? text : "a wait without end is cut to a minute");
    }
    if (const auto* first = step.as<FirstOfStep>()) collect(first->steps, out);
    if (const auto* sequence = step.as<SequenceStep>()) collect(sequence->steps, out);
  }
}

}  // namespace

std::string systemShortcutUse(const KeyCombo& combo) {
  for (const auto& s : kSystemShortcuts) {
    if (s.keyCode == combo.keyCode && s.command == combo.command && s.shift == combo.shift &&
        s.option == combo.option && s.control == combo.control) {
      return s.use;
    }
  }
  return {};
}

std::vector<std::string> stepWarnings(const std::vector<Step>& steps) {
  std::vector<std::string> out;
  collect(steps, out);
  return out;
}

}  // namespace corvane::model

#pragma once
// Steps that load but will not do what their writer meant: a wait longer than a run allows, a
// keystroke the system takes before any application sees it. Pure; used when the library is built.

#include <string>
#include <vector>

#include "model/key_combo.hpp"
#include "model/step.hpp"

namespace corvane::model {

/// The longest wait a step may ask for; a run waits no longer.
inline constexpr double kLongestWait = 60.0;

/// What the system does with this combination before Excel could see it ("switches applications"),
/// or empty when it reaches the frontmost application.
[[nodiscard]] std::string systemShortcutUse(const KeyCombo& combo);

/// One sentence per questionable step, in step order (alternatives and sequences included).
[[nodiscard]] std::vector<std::string> stepWarnings(const std::vector<Step>& steps);

}  // namespace corvane::model

#pragma once
// The letters of Excel's own KeyTips, which follow Excel for Windows: a tab's letter (H Home,
// N Insert, …) and the letters of the controls on a tab, by their English names. Pure functions
// over a fixed table; a fixture's "keyTip" overrides them.

#include <optional>
#include <string>
#include <string_view>

namespace corvane::platform::sim {

/// The KeyTip of the tab titled `tab`; none for a tab Excel for Windows gives no letter of its own.
[[nodiscard]] std::optional<std::string> tabKeyTip(std::string_view tab);

/// The KeyTip of the control named `label` on the tab titled `tab` (a trailing colon of the label
/// aside); none when Excel for Windows is not known to give it one.
[[nodiscard]] std::optional<std::string> controlKeyTip(std::string_view tab, std::string_view label);

}  // namespace corvane::platform::sim

#include "app/status_line.hpp"

namespace corvane::app {

StatusLine statusLine(const ListenerFacts& facts) {
  if (!facts.trusted) return {"Needs Accessibility access", false};
  if (!facts.tapExists || !facts.tapEnabled) return {"Keyboard listener stopped", false};
  if (facts.enabled) return {"Ready: tap ⌥ in Excel", true};
  return {"Paused", false};
}

StatusIconState statusIcon(const ListenerFacts& facts, bool iconListening, std::optional<double> iconCar,
                           bool dimIconWhenOff) {
  StatusIconState state;
  state.toolTip = statusLine(facts).text;
  state.disabledLook = !facts.enabled && dimIconWhenOff;
  if (!facts.trusted) {
    // The warning symbol has no listening or car variant: nothing can run without the permission.
    state.symbol = StatusIconState::Symbol::warning;
    state.systemSymbolName = "exclamationmark.triangle";
    return state;
  }
  state.listening = iconListening;
  state.car = iconCar;
  return state;
}

}  // namespace corvane::app

// The user's hands in a simulated session: keys, modifiers and clicks as hardware events, through
// the event tap to the key window or the frontmost application.

#include <functional>
#include <utility>

#include "cli/sim_session_parts.hpp"
#include "platform/sim/sim_input_poster.hpp"

namespace corvane::cli {

using platform::RawEvent;
using platform::Verdict;

void SessionParts::deliver(const RawEvent& event, std::function<void()> toFrontApplication) {
  tap.post(event, [this, event, toFrontApplication = std::move(toFrontApplication)](Verdict verdict) {
    if (verdict != Verdict::pass) return;
    // The key window takes the keyboard: while the palette or one of Corvane's windows has the
    // focus, typed keys reach it and not Excel, as AppKit routes them.
    bool keyboard = event.type == platform::EventType::keyDown || event.type == platform::EventType::keyUp ||
                    event.type == platform::EventType::flagsChanged;
    if (keyboard && simPanels.ownWindowIsKey()) {
      if (event.type != platform::EventType::keyDown) return;
      (void)time.main().async([this, event] {
        auto* panel = simPanels.keyPanel();
        if (panel != nullptr) panel->keyDown(event.keyCode, event.flags, platform::sim::usCharacter(event.keyCode));
      });
      return;
    }
    if (excel.isFrontmost()) toFrontApplication();
  });
}

void SessionParts::modifiers() {
  auto now = flags();
  excel.inputPoster().setHardwareModifierFlags(now);
  deliver(platform::sim::flagsEvent(now), [this, now] { excel.receiveFlags(now); });
}

void SessionParts::key(std::uint16_t code, double downAt) {
  event(downAt, [this, code] {
    auto held = flags();
    deliver(platform::sim::keyDownEvent(code, held), [this, code, held] { excel.receiveKey(code, true, held); });
  });
  event(downAt + kKeyHold, [this, code] {
    auto held = flags();
    deliver(platform::sim::keyUpEvent(code, held), [this, code, held] { excel.receiveKey(code, false, held); });
  });
}

void SessionParts::modifier(double uptime, Modifier which, bool down) {
  event(uptime, [this, which, down] {
    switch (which) {
      case Modifier::option: optionDown = down; break;
      case Modifier::command: commandDown = down; break;
      case Modifier::shift: shiftDown = down; break;
    }
    modifiers();
  });
}

void SessionParts::click(bool right, double x, double y) {
  platform::Point point{x, y};
  excel.inputPoster().movePointer(point);
  deliver(platform::sim::mouseDownEvent(right, point, flags()), [this, right, point] {
    if (right) return;
    excel.receiveMouse(platform::InputPoster::Mouse::leftDown, point);
    excel.receiveMouse(platform::InputPoster::Mouse::leftUp, point);
  });
}

}  // namespace corvane::cli

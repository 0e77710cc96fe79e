// Arbitrary event streams through the key tap and the sequence engine on the simulated platform:
// any order of presses, releases, repeats, modifier changes, clicks, Secure Input, layout switches,
// tap switch-offs and tagged events gives verdicts and effects, never a crash, a hang or a
// sanitizer report, and nothing is delivered inside the tap's callback.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/key_tap.hpp"
#include "model/shortcut_library.hpp"
#include "platform/sim/sim_event_tap.hpp"
#include "platform/sim/sim_key_layout.hpp"
#include "platform/sim/sim_secure_input.hpp"
#include "platform/sim/virtual_time.hpp"

namespace {

using namespace corvane;

const model::LibraryPtr& library() {
  static const auto lib = model::ShortcutLibrary::build(
      model::ShortcutSource::fromBytes("built-in", "shortcuts.json", R"({
        "groups": { "H": "Home", "H O": "Format" },
        "shortcuts": [
          { "keys": "H O I", "name": "AutoFit Column Width", "do": { "key": "cmd+1" } },
          { "keys": "H W", "name": "Wrap Text", "do": { "key": "cmd+2" } },
          { "keys": "H F S", "name": "Font Size", "do": { "key": "cmd+3" }, "absorb": "enter" },
          { "keys": "N", "name": "Insert", "do": { "key": "cmd+4" } },
          { "keys": "N T", "name": "Table", "do": { "key": "cmd+5" } },
          { "keys": "/ F", "name": "Find", "do": { "key": "cmd+f" } },
          { "keys": "Q", "name": "Quick", "do": { "key": "cmd+6" }, "absorb": "q" }
        ]})"),
      std::nullopt);
  return lib;
}

// Key codes worth reaching often: the library's letters, Return, Escape, Delete, Space, Tab, an
// arrow, keypad Enter, a key that types nothing; any other code comes from the raw byte.
constexpr std::uint16_t kKeys[] = {4, 31, 34, 13, 3, 1, 45, 17, 44, 12, 36, 53, 51, 49, 48, 123, 76, 102};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::sim::VirtualTime time;
  platform::sim::SimEventTap tap;
  platform::sim::SimKeyLayout layout(time.main());
  platform::sim::SimSecureInput secureInput;
  secureInput.addApplication(7, "Owner");
  engine::SequenceEngine engine(library());
  bool inCallback = false;
  bool allowed = true;
  engine::KeyTap keyTap(engine, {tap, layout, secureInput, time, time, [](const std::string&) {}, {}});
  auto outside = [&inCallback] {
    if (inCallback) __builtin_trap();
  };
  keyTap.isAllowed = [&allowed] { return allowed; };
  keyTap.onEffects = [&](const engine::EngineEffects& effects) {
    outside();
    if (effects.empty()) __builtin_trap();
  };
  keyTap.onMouseCancel = outside;
  keyTap.onClick = [&](platform::Point) { outside(); };
  keyTap.onSecureInput = [&](const std::optional<std::string>&) { outside(); };
  if (!keyTap.start()) return 0;

  std::uint64_t modifiers = 0;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    std::uint8_t op = data[i] >> 5;
    std::uint8_t low = data[i] & 0x1F;
    std::uint8_t arg = data[i + 1];
    std::uint16_t code = low < std::size(kKeys) ? kKeys[low] : arg;
    time.advanceBy(static_cast<double>(arg & 0x0F) * 0.07);
    inCallback = true;
    switch (op) {
      case 0: (void)tap.inject(platform::sim::keyDownEvent(code, modifiers, false)); break;
      case 1: {
        bool seen = tap.isEnabled();
        (void)tap.inject(platform::sim::keyUpEvent(code, modifiers));
        if (seen && keyTap.swallowedKeyUps().contains(code)) __builtin_trap();  // a release ends the hold
        break;
      }
      case 2: (void)tap.inject(platform::sim::keyDownEvent(code, modifiers, true)); break;
      case 3:
        modifiers = (static_cast<std::uint64_t>(arg >> 4) & 0xF) << 17;  // Shift, Control, Option, Command
        (void)tap.inject(platform::sim::flagsEvent(modifiers));
        break;
      case 4: (void)tap.inject(platform::sim::mouseDownEvent((low & 1) != 0, {double(arg), double(low)}, modifiers)); break;
      case 5:
        inCallback = false;
        switch (low % 5) {
          case 0: allowed = !allowed; break;
          case 1: secureInput.turnOn(arg & 1 ? std::optional<std::int32_t>(7) : std::nullopt); break;
          case 2: secureInput.turnOff(); break;
          case 3: layout.select(static_cast<platform::sim::SimKeyLayout::Source>(arg % 3)); break;
          case 4: keyTap.stop(); (void)keyTap.start(); break;
        }
        break;
      case 6:
        if (low & 1) {
          (void)(arg & 1 ? tap.disableByTimeout() : tap.disableByUserInput());
        } else {
          auto event = platform::sim::keyDownEvent(code, modifiers);
          event.userData = platform::kSyntheticEventTag;
          (void)tap.inject(event);
        }
        break;
      default:
        inCallback = false;
        if (arg & 1) tap.switchOffSilently();
        time.advanceBy(static_cast<double>(arg) * 0.1);
        // A watchdog tick falls within any five seconds and turns the tap back on.
        if (arg >= 50 && !tap.isEnabled()) __builtin_trap();
        break;
    }
    inCallback = false;
    if (i % 8 == 0) time.runUntilIdle();
  }
  time.runUntilIdle();
  return 0;
}

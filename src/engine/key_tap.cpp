#include "engine/key_tap.hpp"

namespace corvane::engine {
namespace {

using platform::EventType;
using platform::Verdict;

constexpr std::uint64_t kCommandOrControl = platform::flags::kCommand | platform::flags::kControl;

}  // namespace

KeyTap::KeyTap(SequenceEngine& engine, KeyTapServices services)
    : engine_(engine), services_(std::move(services)), classifier_(services_.layout) {}

KeyTap::~KeyTap() { stop(); }

bool KeyTap::start() {
  if (installed_) return true;
  // The layout is read here, on the main thread, never from the tap's thread.
  classifier_.prepare();
  if (!services_.tap.create(kEventMask, [this](const platform::RawEvent& event) { return handle(event); })) {
    return false;
  }
  services_.tap.enable(true);
  installed_ = true;

  // The watchdog only touches the tap and the log, never this object, so a firing that races with
  // stop() on another thread finds nothing gone.
  auto& tap = services_.tap;
  auto log = services_.log;
  auto isTrusted = services_.isTrusted;
  auto& scheduler = services_.scheduler;
  watchdog_ = scheduler.repeating(scheduler.global(platform::QoS::utility), kWatchdogInterval, kWatchdogInterval,
                                  kWatchdogLeeway, [&tap, log, isTrusted] {
                                    if (!tap.isValid() || tap.isEnabled()) return;
                                    // Without the permission the tap stays off; the shell's
                                    // permission watch removes it.
                                    if (isTrusted && !isTrusted()) return;
                                    tap.enable(true);
                                    if (log) log("Keyboard listener was switched off by macOS; turned back on");
                                  });
  return true;
}

void KeyTap::stop() {
  if (watchdog_) {
    watchdog_->cancel();
    watchdog_.reset();
  }
  if (installed_) {
    // Outside the lock: invalidating waits for a callback under way, which may be waiting for it.
    services_.tap.enable(false);
    services_.tap.invalidate();
    installed_ = false;
  }
  std::lock_guard lock(mutex_);
  swallowedKeyUps_.clear();
}

EngineEffects KeyTap::resetEngine() {
  std::lock_guard lock(mutex_);
  return engine_.reset();
}

void KeyTap::updateEngine(const std::function<void(SequenceEngine&)>& change) {
  std::lock_guard lock(mutex_);
  change(engine_);
}

std::optional<std::vector<std::string>> KeyTap::enginePath() const {
  std::lock_guard lock(mutex_);
  return engine_.path();
}

bool KeyTap::isRunning() const { return installed_ && services_.tap.isValid() && services_.tap.isEnabled(); }

void KeyTap::post(std::function<void(KeyTap&)> work) {
  std::weak_ptr<int> alive = alive_;
  services_.scheduler.main().async([this, alive, work = std::move(work)] {
    if (alive.lock()) work(*this);
  });
}

void KeyTap::deliver(EngineEffects effects) {
  if (effects.empty()) return;
  post([effects = std::move(effects)](KeyTap& self) {
    if (self.onEffects) self.onEffects(effects);
  });
}

Verdict KeyTap::handle(const platform::RawEvent& event) {
  if (event.type == EventType::tapDisabledByTimeout || event.type == EventType::tapDisabledByUserInput) {
    const char* why = event.type == EventType::tapDisabledByTimeout ? "too slow" : "user input";
    if (!trusted()) {
      // Switched on again without the permission, the tap would hold every key of the session;
      // the shell removes it and says so.
      post([](KeyTap& self) {
        if (self.onPermissionLost) self.onPermissionLost();
      });
      return Verdict::pass;
    }
    services_.tap.enable(true);
    if (services_.log) services_.log(std::string("Keyboard listener paused by macOS (") + why + "); turned back on");
    return Verdict::pass;
  }
  // The program's own synthetic events go by unseen, so a step that types a letter cannot drive a
  // sequence.
  if (event.userData == platform::kSyntheticEventTag) return Verdict::pass;

  std::lock_guard lock(mutex_);
  double now = services_.clock.uptime();
  bool option = (event.flags & platform::flags::kOption) != 0;
  bool commandOrControl = (event.flags & kCommandOrControl) != 0;
  bool allowed = isAllowed ? isAllowed() : true;

  switch (event.type) {
    case EventType::leftMouseDown:
    case EventType::rightMouseDown: {
      if (!engine_.reset().empty()) {
        post([](KeyTap& self) {
          if (self.onMouseCancel) self.onMouseCancel();
        });
      } else if (event.type == EventType::leftMouseDown && allowed) {
        post([location = event.location](KeyTap& self) {
          if (self.onClick) self.onClick(location);
        });
      }
      return Verdict::pass;
    }
    case EventType::keyDown:
      return handleKeyDown(event, allowed, now);
    case EventType::keyUp:
      return swallowedKeyUps_.erase(event.keyCode) > 0 ? Verdict::drop : Verdict::pass;
    case EventType::flagsChanged: {
      bool wasDown = engine_.optionDown();
      if (option && !wasDown) droppedUnderOption_ = false;
      if (option && allowed && services_.secureInput.isEnabled()) {
        handleSecureInput(now);
        return Verdict::pass;
      }
      auto effects = engine_.flagsChanged(option, commandOrControl, allowed, now);
      if (option && (event.flags & platform::flags::kShift) != 0) engine_.shiftJoinedOption();
      bool tookPart = !effects.empty() || droppedUnderOption_ || engine_.inSequence();
      deliver(std::move(effects));
      if (wasDown && !option && allowed && tookPart) {
        post([](KeyTap& self) {
          if (self.onOptionReleased) self.onOptionReleased();
        });
      }
      return Verdict::pass;  // modifier changes always reach the applications
    }
    case EventType::leftMouseUp:
    case EventType::tapDisabledByTimeout:
    case EventType::tapDisabledByUserInput:
      return Verdict::pass;
  }
  return Verdict::pass;
}

Verdict KeyTap::handleKeyDown(const platform::RawEvent& event, bool allowed, double now) {
  bool option = (event.flags & platform::flags::kOption) != 0;
  bool commandOrControl = (event.flags & kCommandOrControl) != 0;
  auto key = classifier_.classify(event.keyCode);
  auto result = engine_.keyDown(key, option, commandOrControl, event.autorepeat, allowed, now);
  deliver(std::move(result.effects));
  if (result.swallow) {
    if (option) droppedUnderOption_ = true;
    // A repeat of a key whose first press reached Excel leaves its release alone: Excel must see
    // the release of a key it saw go down.
    if (!event.autorepeat) swallowedKeyUps_.insert(event.keyCode);
    return Verdict::drop;
  }
  // Excel sees this press, so it must also see the release.
  swallowedKeyUps_.erase(event.keyCode);
  return Verdict::pass;
}

void KeyTap::handleSecureInput(double now) {
  deliver(engine_.reset());
  if (lastSecureNotice_ && now - *lastSecureNotice_ <= kSecureNoticeInterval) return;
  lastSecureNotice_ = now;
  std::optional<std::string> owner;
  if (auto pid = services_.secureInput.ownerPid()) {
    auto name = services_.secureInput.applicationName(*pid);
    if (name && !name->empty()) owner = std::move(name);
  }
  post([owner = std::move(owner)](KeyTap& self) {
    if (self.onSecureInput) self.onSecureInput(owner);
  });
}

}  // namespace corvane::engine

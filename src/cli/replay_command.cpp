// corvane replay: timed raw events through the key tap and the sequence engine on the simulated
// platform (U.S. layout, Excel frontmost, tap started), printing each event's verdict and what it
// caused once the main queue has run.

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <variant>
#include <vector>

#include "base/preferences.hpp"
#include "cli/command_registry.hpp"
#include "cli/common.hpp"
#include "engine/key_tap.hpp"
#include "engine/sequence_engine.hpp"
#include "model/key_names.hpp"
#include "model/text.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/sim/memory_defaults.hpp"
#include "platform/sim/sim_event_tap.hpp"
#include "platform/sim/sim_key_layout.hpp"
#include "platform/sim/sim_secure_input.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::cli {
namespace {

using platform::RawEvent;

/// The process id the simulated session reports for a named Secure Input owner.
constexpr std::int32_t kSecureOwnerPid = 4242;
/// The latest time a line may carry (eleven and a half days of uptime).
constexpr double kLatestTime = 1'000'000;

struct ReplayLine {
  enum class Kind { flags, down, up, click, rightClick, allowed, secureOn, secureOff, tapDisabled, taggedDown };
  int lineNumber = 0;
  std::string timeToken;
  double time = 0;
  Kind kind = Kind::flags;
  std::uint64_t flags = 0;
  std::uint16_t keyCode = 0;
  bool repeat = false;
  std::string xToken, yToken;
  double x = 0, y = 0;
  bool yes = false;                    ///< allowed yes; tap-disabled by time-out
  std::optional<std::string> owner;    ///< secure on
};

bool matches(const std::string& token, const char* pattern) { return std::regex_match(token, std::regex(pattern)); }

std::expected<std::uint16_t, std::string> keyToken(const std::vector<std::string>& words, std::size_t i) {
  if (i >= words.size()) return std::unexpected(std::string("a key name is missing"));
  auto code = model::keyCodeForName(words[i]);
  if (!code) return std::unexpected("unknown key \"" + words[i] + "\"");
  return *code;
}

std::expected<ReplayLine, std::string> parseLine(std::string text, int lineNumber) {
  std::replace(text.begin(), text.end(), '\t', ' ');
  auto words = model::text::split(model::text::trim(text), " ");
  std::erase_if(words, [](const std::string& w) { return w.empty(); });
  ReplayLine line;
  line.lineNumber = lineNumber;
  if (words.size() < 2) return std::unexpected(std::string("expected SECONDS and an event"));
  line.timeToken = words[0];
  if (!matches(line.timeToken, "[0-9]+(\\.[0-9]+)?")) {
    return std::unexpected("\"" + line.timeToken + "\" is not a time in seconds");
  }
  line.time = std::strtod(line.timeToken.c_str(), nullptr);
  // Virtual time runs every 5-second watchdog tick on the way, so an absurd time would take ages.
  if (line.time > kLatestTime) return std::unexpected("time " + line.timeToken + " is later than 1000000 seconds");
  const auto& event = words[1];
  auto extra = [&](std::size_t expected) -> std::optional<std::string> {
    if (words.size() > expected) return "unexpected \"" + words[expected] + "\" after " + event;
    return std::nullopt;
  };

  if (event == "flags") {
    line.kind = ReplayLine::Kind::flags;
    for (std::size_t i = 2; i < words.size(); ++i) {
      const auto& m = words[i];
      if (m == "option") line.flags |= platform::flags::kOption;
      else if (m == "shift") line.flags |= platform::flags::kShift;
      else if (m == "control") line.flags |= platform::flags::kControl;
      else if (m == "command") line.flags |= platform::flags::kCommand;
      else return std::unexpected("unknown modifier \"" + m + "\" (use option, shift, control, command)");
    }
    return line;
  }
  if (event == "down" || event == "up") {
    line.kind = event == "down" ? ReplayLine::Kind::down : ReplayLine::Kind::up;
    auto code = keyToken(words, 2);
    if (!code) return std::unexpected(code.error());
    line.keyCode = *code;
    if (event == "down" && words.size() > 3 && words[3] == "repeat") {
      line.repeat = true;
      if (auto e = extra(4)) return std::unexpected(*e);
      return line;
    }
    if (auto e = extra(3)) return std::unexpected(*e);
    return line;
  }
  if (event == "click" || event == "right-click") {
    line.kind = event == "click" ? ReplayLine::Kind::click : ReplayLine::Kind::rightClick;
    if (words.size() < 4) return std::unexpected(event + " needs X and Y");
    for (std::size_t i : {2u, 3u}) {
      if (!matches(words[i], "-?[0-9]+(\\.[0-9]+)?")) return std::unexpected("\"" + words[i] + "\" is not a coordinate");
    }
    line.xToken = words[2];
    line.yToken = words[3];
    line.x = std::strtod(words[2].c_str(), nullptr);
    line.y = std::strtod(words[3].c_str(), nullptr);
    if (auto e = extra(4)) return std::unexpected(*e);
    return line;
  }
  if (event == "allowed") {
    line.kind = ReplayLine::Kind::allowed;
    if (words.size() != 3 || (words[2] != "yes" && words[2] != "no")) {
      return std::unexpected(std::string("allowed takes yes or no"));
    }
    line.yes = words[2] == "yes";
    return line;
  }
  if (event == "secure") {
    if (words.size() == 3 && words[2] == "off") {
      line.kind = ReplayLine::Kind::secureOff;
      return line;
    }
    if (words.size() < 4 || words[2] != "on") return std::unexpected(std::string("use secure on OWNER or secure off"));
    line.kind = ReplayLine::Kind::secureOn;
    // The owner is the rest of the line, as written.
    auto rest = model::text::trim(text);
    auto at = rest.find(" on ", rest.find("secure"));
    auto owner = model::text::trim(rest.substr(at + 4));
    if (owner != "-") line.owner = owner;
    return line;
  }
  if (event == "tap-disabled") {
    line.kind = ReplayLine::Kind::tapDisabled;
    if (words.size() != 3 || (words[2] != "timeout" && words[2] != "user")) {
      return std::unexpected(std::string("tap-disabled takes timeout or user"));
    }
    line.yes = words[2] == "timeout";
    return line;
  }
  if (event == "tagged") {
    if (words.size() < 3 || words[2] != "down") return std::unexpected(std::string("use tagged down KEY"));
    line.kind = ReplayLine::Kind::taggedDown;
    auto code = keyToken(words, 3);
    if (!code) return std::unexpected(code.error());
    line.keyCode = *code;
    if (auto e = extra(4)) return std::unexpected(*e);
    return line;
  }
  return std::unexpected("unknown event \"" + event + "\"");
}

std::expected<std::vector<ReplayLine>, CommandError> parseEvents(const std::string& input) {
  std::vector<ReplayLine> lines;
  int number = 0;
  double last = 0;
  for (const auto& raw : model::text::split(input, "\n")) {
    ++number;
    auto text = raw;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    auto trimmed = model::text::trim(text);
    if (trimmed.empty() || trimmed.front() == '#') continue;
    auto line = parseLine(text, number);
    if (!line) return std::unexpected(CommandError{kExitUsage, "line " + std::to_string(number) + ": " + line.error()});
    if (line->time < last) {
      return std::unexpected(CommandError{kExitUsage, "line " + std::to_string(number) + ": time " + line->timeToken +
                                                          " is earlier than the line before"});
    }
    last = line->time;
    lines.push_back(std::move(*line));
  }
  return lines;
}

nlohmann::ordered_json effectJson(const engine::EngineEffect& effect) {
  using nlohmann::ordered_json;
  return std::visit(
      [](const auto& e) -> ordered_json {
        using T = std::decay_t<decltype(e)>;
        ordered_json body = ordered_json::object();
        if constexpr (std::is_same_v<T, engine::ShowEffect>) {
          body["path"] = e.path;
          body["options"] = ordered_json::array();
          for (const auto& option : e.options) {
            ordered_json row = ordered_json::object();
            row["key"] = option.key;
            row["label"] = option.label;
            row["isGroup"] = option.isGroup;
            body["options"].push_back(std::move(row));
          }
          return ordered_json{{"show", std::move(body)}};
        } else if constexpr (std::is_same_v<T, engine::InvalidKeyEffect>) {
          body["path"] = e.path;
          body["key"] = e.key;
          return ordered_json{{"invalidKey", std::move(body)}};
        } else if constexpr (std::is_same_v<T, engine::RunEffect>) {
          body["keys"] = e.shortcut.keys;
          body["name"] = e.shortcut.name;
          return ordered_json{{"run", std::move(body)}};
        } else if constexpr (std::is_same_v<T, engine::HideEffect>) {
          return ordered_json{{"hide", std::move(body)}};
        } else {
          return ordered_json{{"openSearch", std::move(body)}};
        }
      },
      effect);
}

std::string effectsJson(const engine::EngineEffects& effects) {
  auto list = nlohmann::ordered_json::array();
  for (const auto& effect : effects) list.push_back(effectJson(effect));
  return list.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

int fail(const CommandError& error) {
  std::cerr << "corvane: " << error.message << "\n";
  return error.exitCode;
}

struct ReplayOptions {
  CommonOptions common;
  std::vector<std::string> settings;
  std::string events;
};

int replay(const ReplayOptions& options) {
  platform::posix::PosixFiles files;
  std::string input;
  if (options.events == "-") {
    input.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    auto bytes = files.read(options.events);
    if (!bytes) return fail({kExitUsage, "Couldn't read the events file: " + bytes.error().description});
    input = std::move(*bytes);
  }

  platform::sim::MemoryDefaults defaults;
  base::Preferences preferences(defaults);
  for (const auto& setting : options.settings) {
    auto eq = setting.find('=');
    if (eq == std::string::npos) return fail({kExitUsage, "--set takes KEY=VALUE, not \"" + setting + "\""});
    if (auto assigned = preferences.assign(setting.substr(0, eq), setting.substr(eq + 1)); !assigned) {
      return fail({kExitUsage, assigned.error()});
    }
  }
  auto lines = parseEvents(input);
  if (!lines) return fail(lines.error());
  auto library = loadLibrary(options.common, files);
  if (!library) return fail(library.error());

  // The clock reads each line's SECONDS, so time starts at zero.
  platform::sim::VirtualTime time(platform::sim::VirtualTime::defaultEpoch(), 0.0);
  platform::sim::SimEventTap tap;
  platform::sim::SimKeyLayout layout(time.main());
  platform::sim::SimSecureInput secureInput;
  engine::SequenceEngine engine(*library);
  engine.setHoldToStart(preferences.holdToStart.get());
  engine.setSearchTrigger(preferences.searchTrigger.get());

  std::vector<std::string> caused;
  const ReplayLine* current = nullptr;
  bool allowed = true;
  engine::KeyTap keyTap(engine, {tap, layout, secureInput, time, time,
                                 [&caused](const std::string& message) { caused.push_back("log " + message); },
                                 {}});
  keyTap.isAllowed = [&] { return allowed && preferences.enabled.get(); };
  keyTap.onEffects = [&](const engine::EngineEffects& effects) { caused.push_back("effects " + effectsJson(effects)); };
  keyTap.onMouseCancel = [&] { caused.push_back("mouse-cancel"); };
  keyTap.onClick = [&](platform::Point) {
    // Coordinates as the line gave them: the click can only come from the line being replayed.
    caused.push_back("click " + current->xToken + " " + current->yToken);
  };
  keyTap.onSecureInput = [&](const std::optional<std::string>& owner) {
    caused.push_back("secure-input " + owner.value_or("-"));
  };
  if (!keyTap.start()) return fail({kExitFailure, "The simulated keyboard listener could not start"});

  std::uint64_t modifiers = 0;
  for (const auto& line : *lines) {
    current = &line;
    time.advanceTo(line.time);
    std::optional<platform::Verdict> verdict;
    switch (line.kind) {
      case ReplayLine::Kind::allowed:
        allowed = line.yes;
        break;
      case ReplayLine::Kind::secureOn:
        if (line.owner) {
          secureInput.addApplication(kSecureOwnerPid, *line.owner);
          secureInput.turnOn(kSecureOwnerPid);
        } else {
          secureInput.turnOn(std::nullopt);
        }
        break;
      case ReplayLine::Kind::secureOff:
        secureInput.turnOff();
        break;
      case ReplayLine::Kind::flags:
        modifiers = line.flags;
        verdict = tap.inject(platform::sim::flagsEvent(modifiers));
        break;
      case ReplayLine::Kind::down:
        verdict = tap.inject(platform::sim::keyDownEvent(line.keyCode, modifiers, line.repeat));
        break;
      case ReplayLine::Kind::up:
        verdict = tap.inject(platform::sim::keyUpEvent(line.keyCode, modifiers));
        break;
      case ReplayLine::Kind::click:
      case ReplayLine::Kind::rightClick:
        verdict = tap.inject(platform::sim::mouseDownEvent(line.kind == ReplayLine::Kind::rightClick,
                                                           {line.x, line.y}, modifiers));
        break;
      case ReplayLine::Kind::tapDisabled:
        verdict = line.yes ? tap.disableByTimeout() : tap.disableByUserInput();
        break;
      case ReplayLine::Kind::taggedDown: {
        auto event = platform::sim::keyDownEvent(line.keyCode, modifiers);
        event.userData = platform::kSyntheticEventTag;
        verdict = tap.inject(event);
        break;
      }
    }
    if (!verdict) continue;  // control lines print nothing
    (void)time.runUntilIdle();
    std::cout << line.timeToken << ' ' << (*verdict == platform::Verdict::drop ? "drop" : "pass") << '\n';
    for (const auto& text : caused) std::cout << "  " << text << '\n';
    caused.clear();
  }
  keyTap.stop();
  return kExitOk;
}

void addReplayCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<ReplayOptions>();
  auto* command = app.add_subcommand(
      "replay",
      "Feed timed raw events through the key tap and the sequence engine on the simulated platform and print "
      "each event's verdict and what it caused.\nEvent lines: SECONDS flags [option] [shift] [control] [command] | "
      "down KEY [repeat] | up KEY | click X Y | right-click X Y | allowed yes|no | secure on OWNER | secure off | "
      "tap-disabled timeout|user | tagged down KEY. SECONDS never decrease and stay within 1000000. Lines "
      "starting with # are comments.");
  addCommonOptions(*command, options->common);
  command->add_option("--set", options->settings, "Preset a preference, KEY=VALUE (holdToStart=false, …)")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  command->add_option("EVENTS", options->events, "Events file, or - for standard input")->required();
  command->callback([options, &exitCode] { exitCode = replay(*options); });
}

}  // namespace

const CommandRegistration kReplayCommand{20, addReplayCommand};

}  // namespace corvane::cli

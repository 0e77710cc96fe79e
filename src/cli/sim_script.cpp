#include "cli/sim_script.hpp"

#include <algorithm>
#include <cstdlib>
#include <regex>

#include "model/key_names.hpp"
#include "model/text.hpp"

namespace corvane::cli {
namespace {

/// Virtual time runs every 5-second watchdog tick on the way, so an absurd time would take ages.
constexpr double kLatestTime = 1'000'000;

bool isNumber(const std::string& token, bool allowNegative) {
  static const std::regex positive("[0-9]+(\\.[0-9]+)?");
  static const std::regex any("-?[0-9]+(\\.[0-9]+)?");
  return std::regex_match(token, allowNegative ? any : positive);
}

struct Verb {
  const char* name;
  const char* usage;
  const char* help;
};

// Two-word verbs come first so "option down" is not read as "option" with an argument.
constexpr Verb kVerbs[] = {
    {"option down", "option down", "hold ⌥"},
    {"option up", "option up", "release ⌥"},
    {"cmd down", "cmd down", "hold ⌘"},
    {"cmd up", "cmd up", "release ⌘"},
    {"shift down", "shift down", "hold ⇧"},
    {"shift up", "shift up", "release ⇧"},
    {"palette up", "palette up", "move the palette's selection up"},
    {"palette down", "palette down", "move the palette's selection down"},
    {"palette enter", "palette enter", "run the palette's selected command"},
    {"palette escape", "palette escape", "close the palette"},
    {"editor new", "editor new", "start a new shortcut in My Shortcuts"},
    {"editor record", "editor record K…", "record the new shortcut's keys"},
    {"editor save", "editor save", "save the new shortcut to the user file"},
    {"updates check", "updates check", "check for updates"},
    {"panel press", "panel press TITLE", "press a row or a switch of the open menu-bar panel"},
    {"report send", "report send", "press Send in the open problem report"},
    {"report type", "report type TEXT", "type TEXT into the open problem report's “What happened”"},
    {"hint turn-off", "hint turn-off", "press the learning hint's “Turn off learning hints”"},
    {"hint close", "hint close", "close the learning hint"},
    {"excel quit", "excel quit", "quit Excel"},
    {"excel launch", "excel launch", "start Excel (it stays in the background)"},
    {"excel fill-sheet", "excel fill-sheet CELLS", "fill that many cells of the workbook's sheet (each an element Excel shows)"},
    {"tap", "tap [shift]", "tap ⌥ (down, up 0.1 s later); with shift, ⇧⌥"},
    {"key", "key NAME", "press and release a key (a key name or one character)"},
    {"type", "type K1 K2 …", "press keys 0.15 s apart"},
    {"click", "click X Y", "left mouse click at a screen point"},
    {"right-click", "right-click X Y", "right mouse click at a screen point"},
    {"switch-app", "switch-app NAME", "bring Excel (\"Excel\") or another application to the front"},
    {"write-user-file", "write-user-file PATH", "save PATH over the user's shortcuts file"},
    {"palette", "palette QUERY", "type into the open command palette"},
    {"grant-access", "grant-access", "grant the Accessibility permission"},
    {"revoke-access", "revoke-access", "withdraw the Accessibility permission while Corvane runs"},
    {"status-item", "status-item [left|right] [option] [control]", "click the menu-bar icon"},
    {"panel", "panel", "open the menu-bar panel"},
    {"fix", "fix TITLE", "press a button of the problem showing (a fix, or Dismiss)"},
    {"report", "report", "open the problem report"},
    {"settings", "settings [PAGE]", "open the settings window, on a page (general, key tips, my shortcuts, about, …)"},
    {"list", "list [QUERY]", "open the shortcut list, optionally searching"},
    {"welcome", "welcome [next|back|skip|done]", "show the welcome window, or press one of its buttons"},
    {"wait", "wait SECONDS", "let virtual time pass"},
    {"stall-main", "stall-main SECONDS", "keep Corvane's main queue busy that long (keys typed meanwhile follow)"},
    {"help", "help", "list the commands"},
    {"quit", "quit", "end the session"},
};

std::expected<std::vector<std::uint16_t>, std::string> keyCodes(const std::vector<std::string>& names) {
  std::vector<std::uint16_t> codes;
  for (const auto& name : names) {
    auto code = simKeyCode(name);
    if (!code) return std::unexpected("unknown key \"" + name + "\"");
    codes.push_back(*code);
  }
  return codes;
}

}  // namespace

std::optional<std::uint16_t> simKeyCode(std::string_view name) {
  return model::keyCodeForName(model::text::lower(name));
}

std::expected<std::optional<SimCommand>, std::string> parseSimLine(std::string_view line, int lineNumber) {
  std::string text(line);
  std::replace(text.begin(), text.end(), '\t', ' ');
  text = model::text::trim(text);
  if (text.empty() || text.front() == '#') return std::optional<SimCommand>{};

  SimCommand command;
  command.lineNumber = lineNumber;
  auto words = model::text::split(text, " ");
  std::erase_if(words, [](const std::string& w) { return w.empty(); });

  std::size_t start = 0;
  if (words[0] == "at") {
    if (words.size() < 2 || !isNumber(words[1], false)) return std::unexpected(std::string("\"at\" needs SECONDS"));
    command.at = std::strtod(words[1].c_str(), nullptr);
    if (*command.at > kLatestTime) return std::unexpected("time " + words[1] + " is later than 1000000 seconds");
    if (words.size() < 3) return std::unexpected("a command is missing after \"at " + words[1] + "\"");
    start = 2;
  }

  const Verb* verb = nullptr;
  std::size_t used = 0;
  // Commands in any case, as keys and application names are.
  std::vector<std::string> lowered;
  for (std::size_t i = start; i < words.size(); ++i) lowered.push_back(model::text::lower(words[i]));
  for (const auto& candidate : kVerbs) {
    auto parts = model::text::split(candidate.name, " ");
    if (lowered.size() < parts.size()) continue;
    if (std::equal(parts.begin(), parts.end(), lowered.begin())) {
      verb = &candidate;
      used = parts.size();
      break;
    }
  }
  if (!verb) {
    // The first word of a group ("excel", "editor") alone: what may follow it.
    std::string usages;
    for (const auto& candidate : kVerbs) {
      if (std::string_view(candidate.name).starts_with(lowered[0] + " ")) {
        usages += (usages.empty() ? "" : " | ") + std::string(candidate.usage);
      }
    }
    if (!usages.empty()) return std::unexpected("usage: " + usages);
    return std::unexpected("unknown command \"" + words[start] + "\" (try help)");
  }
  command.verb = verb->name;
  command.args.assign(words.begin() + static_cast<std::ptrdiff_t>(start + used), words.end());
  // The rest as written: skip the words consumed, keep the spacing after them.
  std::size_t position = 0;
  for (std::size_t i = 0; i < start + used; ++i) {
    position = text.find(words[i], position) + words[i].size();
  }
  command.rest = model::text::trim(text.substr(position));

  const auto& v = command.verb;
  const auto& args = command.args;
  auto usage = [&] { return std::unexpected("usage: " + std::string(verb->usage)); };
  if (v == "key") {
    if (args.size() != 1) return usage();
    auto codes = keyCodes(args);
    if (!codes) return std::unexpected(codes.error());
    command.keyCodes = *codes;
  } else if (v == "type" || v == "editor record") {
    if (args.empty()) return usage();
    auto codes = keyCodes(args);
    if (!codes) return std::unexpected(codes.error());
    command.keyCodes = *codes;
  } else if (v == "click" || v == "right-click") {
    if (args.size() != 2) return usage();
    for (const auto& a : args) {
      if (!isNumber(a, true)) return std::unexpected("\"" + a + "\" is not a coordinate");
    }
    command.x = std::strtod(args[0].c_str(), nullptr);
    command.y = std::strtod(args[1].c_str(), nullptr);
  } else if (v == "wait" || v == "stall-main") {
    if (args.size() != 1 || !isNumber(args[0], false)) return usage();
    command.seconds = std::strtod(args[0].c_str(), nullptr);
    if (command.seconds > kLatestTime) return std::unexpected(v + " " + args[0] + " is longer than 1000000 seconds");
  } else if (v == "excel fill-sheet") {
    // Whole cells, up to a million: the count is a number of elements the simulated Excel makes.
    if (args.size() != 1 || !isNumber(args[0], false) || args[0].find('.') != std::string::npos ||
        std::strtod(args[0].c_str(), nullptr) > 1e6) {
      return std::unexpected(std::string("usage: excel fill-sheet CELLS (a whole number up to 1000000)"));
    }
    command.seconds = std::strtod(args[0].c_str(), nullptr);
  } else if (v == "status-item") {
    static const std::vector<std::string> words{"left", "right", "option", "control"};
    for (const auto& a : args) {
      if (std::ranges::find(words, a) == words.end() || std::ranges::count(args, a) > 1) return usage();
    }
    if (std::ranges::count(args, "left") + std::ranges::count(args, "right") > 1) return usage();
  } else if (v == "switch-app" || v == "write-user-file" || v == "palette" || v == "panel press" || v == "fix" ||
             v == "report type") {
    if (command.rest.empty()) return usage();
  } else if (v == "tap") {
    if (args.size() > 1 || (args.size() == 1 && args[0] != "shift")) return usage();
  } else if (v == "welcome") {
    static const std::vector<std::string> buttons{"next", "back", "skip", "done"};
    if (args.size() > 1 || (args.size() == 1 && std::ranges::find(buttons, args[0]) == buttons.end())) return usage();
  } else if (v != "list" && v != "settings") {
    if (!args.empty()) return std::unexpected("unexpected \"" + args[0] + "\" after " + v);
  }
  return std::optional<SimCommand>{std::move(command)};
}

std::vector<std::string> simCommandNames() {
  std::vector<std::string> names;
  for (const auto& verb : kVerbs) names.emplace_back(verb.name);
  return names;
}

std::expected<std::vector<SimCommand>, std::string> parseSimScript(std::string_view text) {
  std::vector<SimCommand> commands;
  int lineNumber = 0;
  for (const auto& line : model::text::split(text, "\n")) {
    ++lineNumber;
    auto parsed = parseSimLine(line, lineNumber);
    if (!parsed) return std::unexpected("line " + std::to_string(lineNumber) + ": " + parsed.error());
    if (*parsed) commands.push_back(std::move(**parsed));
  }
  return commands;
}

std::string simHelp() {
  std::string text = "Commands (each may start with \"at SECONDS\"; otherwise it starts 0.1 s after the previous one):\n";
  std::size_t width = 0;
  for (const auto& verb : kVerbs) width = std::max(width, model::text::graphemeCount(verb.usage));
  // Listed in the order a session usually uses them.
  static const char* order[] = {
      "tap",          "option down",   "option up",    "key",          "type",           "cmd down",
      "cmd up",       "shift down",    "shift up",     "click",         "right-click",  "switch-app",   "excel quit",     "excel launch", "excel fill-sheet",
      "grant-access", "revoke-access", "status-item",  "panel",        "panel press",    "fix",
      "hint turn-off", "hint close",   "palette",      "palette up",   "palette down",   "palette enter",
      "palette escape", "write-user-file", "settings", "list",         "editor new",     "editor record",
      "editor save",  "report",        "report type",  "report send",  "updates check", "welcome",       "wait",
      "stall-main",
      "help",         "quit"};
  for (const char* name : order) {
    for (const auto& verb : kVerbs) {
      if (std::string_view(verb.name) != name) continue;
      std::string usage = verb.usage;
      text += "  " + usage + std::string(width - model::text::graphemeCount(usage) + 2, ' ') + verb.help + "\n";
    }
  }
  return text;
}

}  // namespace corvane::cli

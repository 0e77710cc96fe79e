#include "model/shortcut_file.hpp"

#include <charconv>
#include <cmath>
#include <limits>

#include <nlohmann/json.hpp>

#include "model/grammar.hpp"
#include "model/step_json.hpp"

namespace corvane::model {
namespace {

using nlohmann::json;

template <typename T>
using Result = std::expected<T, DecodeError>;

std::unexpected<DecodeError> typeMismatch(const std::string& path) {
  return std::unexpected(DecodeError{DecodeError::Kind::typeMismatch, path});
}

std::string childPath(const std::string& path, std::string_view key) {
  return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string indexPath(const std::string& path, std::size_t index) {
  return childPath(path, "Index " + std::to_string(index));
}

// A member that is missing or JSON null counts as absent.
const json* member(const json& object, const char* key) {
  auto it = object.find(key);
  if (it == object.end() || it->is_null()) return nullptr;
  return &*it;
}

Result<std::optional<std::string>> optionalString(const json& object, const char* key, const std::string& path) {
  const json* value = member(object, key);
  if (value == nullptr) return std::optional<std::string>{};
  if (!value->is_string()) return typeMismatch(childPath(path, key));
  return std::optional<std::string>{value->get<std::string>()};
}

Result<std::optional<bool>> optionalBool(const json& object, const char* key, const std::string& path) {
  const json* value = member(object, key);
  if (value == nullptr) return std::optional<bool>{};
  if (!value->is_boolean()) return typeMismatch(childPath(path, key));
  return std::optional<bool>{value->get<bool>()};
}

Result<double> number(const json& value, const std::string& path) {
  if (!value.is_number()) return typeMismatch(path);
  return value.get<double>();
}

Result<std::int64_t> integer(const json& value, const std::string& path) {
  if (value.is_number_integer()) return value.get<std::int64_t>();
  if (value.is_number_unsigned()) {
    auto u = value.get<std::uint64_t>();
    if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return typeMismatch(path);
    return static_cast<std::int64_t>(u);
  }
  if (value.is_number_float()) {
    double d = value.get<double>();
    if (std::isfinite(d) && std::trunc(d) == d && std::fabs(d) < 9.0e15) return static_cast<std::int64_t>(d);
  }
  return typeMismatch(path);
}

Result<std::string> requiredString(const json& value, const std::string& path) {
  if (!value.is_string()) return typeMismatch(path);
  return value.get<std::string>();
}

Result<Step> decodeStep(const json& object, const std::string& path);

Result<std::vector<Step>> decodeList(const json& value, const std::string& path) {
  // An array must decode whole; otherwise the value is read as one step object, and that
  // attempt's error is the one reported.
  if (value.is_array()) {
    std::vector<Step> steps;
    steps.reserve(value.size());
    bool ok = true;
    for (std::size_t i = 0; i < value.size() && ok; ++i) {
      auto step = decodeStep(value[i], indexPath(path, i));
      if (step) {
        steps.push_back(std::move(*step));
      } else {
        ok = false;
      }
    }
    if (ok) return steps;
    return typeMismatch(path);
  }
  auto step = decodeStep(value, path);
  if (!step) return std::unexpected(step.error());
  return std::vector<Step>{std::move(*step)};
}

Result<Step> decodeStep(const json& object, const std::string& path) {
  if (!object.is_object()) return typeMismatch(path);

  if (const json* v = member(object, "key")) {
    auto text = requiredString(*v, childPath(path, "key"));
    if (!text) return std::unexpected(text.error());
    auto combo = parseKeyCombo(*text);
    if (!combo) return std::unexpected(DecodeError{DecodeError::Kind::library, combo.error().description});
    return Step{KeyStep{std::move(*combo)}};
  }
  if (const json* v = member(object, "menu")) {
    auto text = requiredString(*v, childPath(path, "menu"));
    if (!text) return std::unexpected(text.error());
    return Step{MenuStep{splitMenuPath(*text)}};
  }
  if (const json* v = member(object, "ribbon")) {
    auto item = optionalString(object, "item", path);
    if (!item) return std::unexpected(item.error());
    auto actionText = optionalString(object, "action", path);
    if (!actionText) return std::unexpected(actionText.error());
    RibbonAction action = RibbonAction::press;
    if (*actionText) {
      const auto& a = **actionText;
      if (a == "press") {
        action = RibbonAction::press;
      } else if (a == "menu") {
        action = RibbonAction::menu;
      } else if (a == "focus") {
        action = RibbonAction::focus;
      } else {
        return std::unexpected(DecodeError{DecodeError::Kind::library,
                                           "Unknown ribbon action \"" + a + "\" (use press, menu or focus)"});
      }
    }
    auto labels = requiredString(*v, childPath(path, "ribbon"));
    if (!labels) return std::unexpected(labels.error());
    auto tab = optionalString(object, "tab", path);
    if (!tab) return std::unexpected(tab.error());
    RibbonStep step{splitAlternatives(*labels), *tab, std::nullopt, action};
    if (*item) step.item = splitMenuPath(**item);
    return Step{std::move(step)};
  }
  if (const json* v = member(object, "qat")) {
    auto n = integer(*v, childPath(path, "qat"));
    if (!n) return std::unexpected(n.error());
    return Step{QatStep{*n}};
  }
  if (const json* v = member(object, "titlebar")) {
    auto text = requiredString(*v, childPath(path, "titlebar"));
    if (!text) return std::unexpected(text.error());
    return Step{TitlebarStep{splitAlternatives(*text)}};
  }
  if (const json* v = member(object, "click")) {
    auto text = requiredString(*v, childPath(path, "click"));
    if (!text) return std::unexpected(text.error());
    double timeout = 2.5;
    if (const json* t = member(object, "timeout")) {
      auto seconds = number(*t, childPath(path, "timeout"));
      if (!seconds) return std::unexpected(seconds.error());
      timeout = *seconds;
    }
    return Step{ClickStep{splitAlternatives(*text), timeout}};
  }
  if (const json* v = member(object, "wait")) {
    auto ms = number(*v, childPath(path, "wait"));
    if (!ms) return std::unexpected(ms.error());
    return Step{WaitStep{*ms / 1000.0}};
  }
  if (const json* v = member(object, "try")) {
    auto steps = decodeList(*v, childPath(path, "try"));
    if (!steps) return std::unexpected(steps.error());
    return Step{FirstOfStep{std::move(*steps)}};
  }
  if (const json* v = member(object, "steps")) {
    auto steps = decodeList(*v, childPath(path, "steps"));
    if (!steps) return std::unexpected(steps.error());
    auto optional = optionalBool(object, "optional", path);
    if (!optional) return std::unexpected(optional.error());
    return Step{SequenceStep{std::move(*steps), optional->value_or(false)}};
  }
  if (const json* v = member(object, "use")) {
    auto name = requiredString(*v, childPath(path, "use"));
    if (!name) return std::unexpected(name.error());
    return Step{UseStep{*name}};
  }
  return std::unexpected(DecodeError{DecodeError::Kind::dataCorrupted,
                                     "Step needs one of: key, menu, ribbon, qat, titlebar, click, wait, try, steps, use"});
}

Result<std::optional<std::map<std::string, std::string>>> stringMap(const json& root, const char* key) {
  const json* value = member(root, key);
  if (value == nullptr) return std::optional<std::map<std::string, std::string>>{};
  if (!value->is_object()) return typeMismatch(key);
  std::map<std::string, std::string> out;
  for (const auto& [k, v] : value->items()) {
    if (!v.is_string()) return typeMismatch(childPath(key, k));
    out[k] = v.get<std::string>();
  }
  return std::optional{std::move(out)};
}

Result<ShortcutEntry> decodeEntry(const json& object, const std::string& path) {
  if (!object.is_object()) return typeMismatch(path);
  ShortcutEntry entry;
  const json* keys = member(object, "keys");
  if (keys == nullptr) return std::unexpected(DecodeError{DecodeError::Kind::keyNotFound, "keys"});
  if (!keys->is_string()) return typeMismatch(childPath(path, "keys"));
  entry.keys = keys->get<std::string>();
  auto name = optionalString(object, "name", path);
  if (!name) return std::unexpected(name.error());
  entry.name = std::move(*name);
  if (const json* steps = member(object, "do")) {
    auto decoded = decodeList(*steps, childPath(path, "do"));
    if (decoded) {
      entry.steps = std::optional{std::move(*decoded)};
    } else {
      entry.steps = std::unexpected(decoded.error());
    }
  }
  auto note = optionalString(object, "note", path);
  if (!note) return std::unexpected(note.error());
  entry.note = std::move(*note);
  auto disabled = optionalBool(object, "disabled", path);
  if (!disabled) return std::unexpected(disabled.error());
  entry.disabled = *disabled;
  auto absorb = optionalString(object, "absorb", path);
  if (!absorb) return std::unexpected(absorb.error());
  entry.absorb = std::move(*absorb);
  return entry;
}

// Deepest nesting of arrays and objects, counted without parsing (strings are skipped).
int nestingDepth(std::string_view bytes) {
  int depth = 0;
  int deepest = 0;
  bool inString = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    switch (c) {
      case '"':
        inString = true;
        break;
      case '[':
      case '{':
        deepest = std::max(deepest, ++depth);
        break;
      case ']':
      case '}':
        --depth;
        break;
      default:
        break;
    }
  }
  return deepest;
}

// nlohmann words its errors "[json.exception.parse_error.101] parse error at line 1, column 2:
// syntax error while parsing value - unexpected …; expected …": keep position and expectation.
std::string syntaxErrorText(const nlohmann::json::parse_error& e) {
  std::string what = e.what();
  std::string position;
  auto at = what.find(" at line ");
  auto colon = at == std::string::npos ? std::string::npos : what.find(": ", at);
  if (at != std::string::npos && colon != std::string::npos) {
    position = what.substr(at + 1, colon - at - 1);
    what = what.substr(colon + 2);
  } else if (auto bracket = what.find("] "); bracket != std::string::npos) {
    what = what.substr(bracket + 2);
    position = "byte " + std::to_string(e.byte);
  }
  if (what.starts_with("syntax error while parsing ")) {
    if (auto dash = what.find(" - "); dash != std::string::npos) what = what.substr(dash + 3);
  }
  return "JSON syntax error " + (position.empty() ? std::string() : position + ": ") + what;
}

}  // namespace

std::expected<std::vector<Step>, DecodeError> decodeStepOrList(const nlohmann::json& value, const std::string& path) {
  return decodeList(value, path);
}

std::string describe(const DecodeError& error) {
  switch (error.kind) {
    case DecodeError::Kind::library:
    case DecodeError::Kind::dataCorrupted:
    case DecodeError::Kind::other:
      return error.text;
    case DecodeError::Kind::keyNotFound:
      return "missing \"" + error.text + "\"";
    case DecodeError::Kind::typeMismatch:
      return "wrong type at " + (error.text.empty() ? std::string("the top level") : error.text);
  }
  return error.text;
}

std::expected<ShortcutFile, DecodeError> decodeShortcutFile(std::string_view bytes) {
  if (nestingDepth(bytes) > kMaxJsonDepth) {
    return std::unexpected(DecodeError{DecodeError::Kind::dataCorrupted,
                                       "JSON nested more than " + std::to_string(kMaxJsonDepth) + " levels deep"});
  }
  json root;
  try {
    root = json::parse(bytes.begin(), bytes.end());
  } catch (const json::parse_error& e) {
    return std::unexpected(DecodeError{DecodeError::Kind::dataCorrupted, syntaxErrorText(e)});
  } catch (const json::exception& e) {
    return std::unexpected(DecodeError{DecodeError::Kind::dataCorrupted, std::string("JSON error: ") + e.what()});
  }
  if (!root.is_object()) return typeMismatch("");

  ShortcutFile file;
  auto groups = stringMap(root, "groups");
  if (!groups) return std::unexpected(groups.error());
  file.groups = std::move(*groups);
  auto tips = stringMap(root, "tips");
  if (!tips) return std::unexpected(tips.error());
  file.tips = std::move(*tips);

  if (const json* macros = member(root, "macros")) {
    if (!macros->is_object()) return typeMismatch("macros");
    std::map<std::string, std::vector<Step>> decoded;
    for (const auto& [name, value] : macros->items()) {
      auto steps = decodeList(value, childPath("macros", name));
      if (!steps) return std::unexpected(steps.error());
      decoded[name] = std::move(*steps);
    }
    file.macros = std::move(decoded);
  }

  if (const json* shortcuts = member(root, "shortcuts")) {
    if (!shortcuts->is_array()) return typeMismatch("shortcuts");
    std::vector<ShortcutEntry> entries;
    entries.reserve(shortcuts->size());
    for (std::size_t i = 0; i < shortcuts->size(); ++i) {
      auto entry = decodeEntry((*shortcuts)[i], indexPath("shortcuts", i));
      if (!entry) return std::unexpected(entry.error());
      entries.push_back(std::move(*entry));
    }
    file.shortcuts = std::move(entries);
  }
  return file;
}

TipTarget parseTipTarget(std::string_view text) {
  if (text.starts_with("tab:")) return TipTarget{TipTarget::Kind::tab, {std::string(text.substr(4))}, 0};
  if (text.starts_with("corner:")) return TipTarget{TipTarget::Kind::corner, splitAlternatives(text.substr(7)), 0};
  if (text.starts_with("qat:")) {
    auto digits = text.substr(4);
    if (digits.starts_with("+")) digits.remove_prefix(1);
    std::int64_t n = 0;
    auto unsignedPart = digits.starts_with("-") ? digits.substr(1) : digits;
    bool allDigits = !unsignedPart.empty() && unsignedPart.find_first_not_of("0123456789") == std::string_view::npos;
    if (allDigits) {
      auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
      if (ec == std::errc() && ptr == digits.data() + digits.size()) return TipTarget{TipTarget::Kind::qat, {}, n};
    }
  }
  if (text.starts_with("titlebar:")) {
    return TipTarget{TipTarget::Kind::titlebar, splitAlternatives(text.substr(9)), 0};
  }
  return TipTarget{TipTarget::Kind::control, splitAlternatives(text), 0};
}

}  // namespace corvane::model

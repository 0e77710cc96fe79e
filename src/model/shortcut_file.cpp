#include "model/shortcut_file.hpp"

#include <charconv>
#include <cmath>
#include <limits>

#include "model/grammar.hpp"
#include "model/json_tree.hpp"

namespace corvane::model {
namespace {

using json::Value;

template <typename T>
using Result = std::expected<T, DecodeError>;

// The coding path of a value, built as a chain on the stack and turned into text only for an error
// ("shortcuts.Index 3.do").
struct Path {
  const Path* parent = nullptr;
  std::string_view key;
  std::size_t index = 0;
  bool isIndex = false;

  [[nodiscard]] Path child(std::string_view k) const { return Path{this, k, 0, false}; }
  [[nodiscard]] Path at(std::size_t i) const { return Path{this, {}, i, true}; }
  [[nodiscard]] std::string text() const {
    std::string head = parent != nullptr ? parent->text() : std::string();
    std::string own = isIndex ? "Index " + std::to_string(index) : std::string(key);
    if (own.empty()) return head;
    return head.empty() ? own : head + "." + own;
  }
};

std::unexpected<DecodeError> typeMismatch(const Path& path) {
  return std::unexpected(DecodeError{DecodeError::Kind::typeMismatch, path.text()});
}

// A member that is missing or JSON null counts as absent.
std::optional<Value> member(const Value& object, std::string_view key) {
  Value v = object.member(key);
  if (!v.valid() || v.isNull()) return std::nullopt;
  return v;
}

using Member = std::optional<Value>;

Result<std::optional<std::string>> optionalString(const Member& value, const Path& path) {
  if (!value) return std::optional<std::string>{};
  if (!value->isString()) return typeMismatch(path);
  return std::optional<std::string>{std::string(value->asString())};
}

Result<std::optional<std::string>> optionalString(const Value& object, const char* key, const Path& path) {
  return optionalString(member(object, key), path.child(key));
}

Result<std::optional<bool>> optionalBool(const Member& value, const Path& path) {
  if (!value) return std::optional<bool>{};
  if (!value->isBool()) return typeMismatch(path);
  return std::optional<bool>{value->asBool()};
}

Result<std::optional<bool>> optionalBool(const Value& object, const char* key, const Path& path) {
  return optionalBool(member(object, key), path.child(key));
}

Result<double> number(const Value& value, const Path& path) {
  if (!value.isNumber()) return typeMismatch(path);
  return value.asDouble();
}

Result<std::int64_t> integer(const Value& value, const Path& path) {
  switch (value.type()) {
    case Value::Type::integer:
      return value.asInteger();
    case Value::Type::unsignedInteger: {
      auto u = value.asUnsigned();
      if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return typeMismatch(path);
      return static_cast<std::int64_t>(u);
    }
    case Value::Type::floating: {
      double d = value.asDouble();
      if (std::isfinite(d) && std::trunc(d) == d && std::fabs(d) < 9.0e15) return static_cast<std::int64_t>(d);
      return typeMismatch(path);
    }
    case Value::Type::null:
    case Value::Type::boolean:
    case Value::Type::string:
    case Value::Type::array:
    case Value::Type::object:
      return typeMismatch(path);
  }
  return typeMismatch(path);
}

Result<std::string_view> requiredString(const Value& value, const Path& path) {
  if (!value.isString()) return typeMismatch(path);
  return value.asString();
}

Result<Step> decodeStep(const Value& object, const Path& path);

Result<std::vector<Step>> decodeList(const Value& value, const Path& path) {
  // An array must decode whole; otherwise the value is read as one step object, and that
  // attempt's error is the one reported.
  if (value.isArray()) {
    std::vector<Step> steps;
    steps.reserve(value.size());
    std::size_t i = 0;
    for (Value element = value.firstChild(); element.valid(); element = element.nextSibling(), ++i) {
      auto step = decodeStep(element, path.at(i));
      if (!step) return typeMismatch(path);
      steps.push_back(std::move(*step));
    }
    return steps;
  }
  auto step = decodeStep(value, path);
  if (!step) return std::unexpected(step.error());
  return std::vector<Step>{std::move(*step)};
}

// The members a step object may have, found in one pass over the object (null counts as absent).
struct StepMembers {
  Member key, menu, ribbon, qat, titlebar, click, wait, tryList, steps, use, tab, item, action, timeout, optional;

  explicit StepMembers(const Value& object) {
    for (Value v = object.firstChild(); v.valid(); v = v.nextSibling()) {
      if (v.isNull()) continue;
      std::string_view k = v.key();
      if (k == "key") key = v;
      else if (k == "menu") menu = v;
      else if (k == "ribbon") ribbon = v;
      else if (k == "qat") qat = v;
      else if (k == "titlebar") titlebar = v;
      else if (k == "click") click = v;
      else if (k == "wait") wait = v;
      else if (k == "try") tryList = v;
      else if (k == "steps") steps = v;
      else if (k == "use") use = v;
      else if (k == "tab") tab = v;
      else if (k == "item") item = v;
      else if (k == "action") action = v;
      else if (k == "timeout") timeout = v;
      else if (k == "optional") optional = v;
    }
  }
};

Result<Step> decodeStep(const Value& object, const Path& path) {
  if (!object.isObject()) return typeMismatch(path);
  StepMembers m(object);

  if (m.key) {
    auto text = requiredString(*m.key, path.child("key"));
    if (!text) return std::unexpected(text.error());
    auto combo = parseKeyCombo(*text);
    if (!combo) return std::unexpected(DecodeError{DecodeError::Kind::library, combo.error().description});
    return Step{KeyStep{std::move(*combo)}};
  }
  if (m.menu) {
    auto text = requiredString(*m.menu, path.child("menu"));
    if (!text) return std::unexpected(text.error());
    return Step{MenuStep{splitMenuPath(*text)}};
  }
  if (m.ribbon) {
    auto item = optionalString(m.item, path.child("item"));
    if (!item) return std::unexpected(item.error());
    auto actionText = optionalString(m.action, path.child("action"));
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
    auto labels = requiredString(*m.ribbon, path.child("ribbon"));
    if (!labels) return std::unexpected(labels.error());
    auto tab = optionalString(m.tab, path.child("tab"));
    if (!tab) return std::unexpected(tab.error());
    RibbonStep step{splitAlternatives(*labels), std::move(*tab), std::nullopt, action};
    if (*item) step.item = splitMenuPath(**item);
    return Step{std::move(step)};
  }
  if (m.qat) {
    auto n = integer(*m.qat, path.child("qat"));
    if (!n) return std::unexpected(n.error());
    return Step{QatStep{*n}};
  }
  if (m.titlebar) {
    auto text = requiredString(*m.titlebar, path.child("titlebar"));
    if (!text) return std::unexpected(text.error());
    return Step{TitlebarStep{splitAlternatives(*text)}};
  }
  if (m.click) {
    auto text = requiredString(*m.click, path.child("click"));
    if (!text) return std::unexpected(text.error());
    double timeout = 2.5;
    if (m.timeout) {
      auto seconds = number(*m.timeout, path.child("timeout"));
      if (!seconds) return std::unexpected(seconds.error());
      timeout = *seconds;
    }
    return Step{ClickStep{splitAlternatives(*text), timeout}};
  }
  if (m.wait) {
    auto ms = number(*m.wait, path.child("wait"));
    if (!ms) return std::unexpected(ms.error());
    return Step{WaitStep{*ms / 1000.0}};
  }
  if (m.tryList) {
    auto steps = decodeList(*m.tryList, path.child("try"));
    if (!steps) return std::unexpected(steps.error());
    return Step{FirstOfStep{std::move(*steps)}};
  }
  if (m.steps) {
    auto steps = decodeList(*m.steps, path.child("steps"));
    if (!steps) return std::unexpected(steps.error());
    auto optional = optionalBool(m.optional, path.child("optional"));
    if (!optional) return std::unexpected(optional.error());
    return Step{SequenceStep{std::move(*steps), optional->value_or(false)}};
  }
  if (m.use) {
    auto name = requiredString(*m.use, path.child("use"));
    if (!name) return std::unexpected(name.error());
    return Step{UseStep{std::string(*name)}};
  }
  return std::unexpected(DecodeError{DecodeError::Kind::dataCorrupted,
                                     "Step needs one of: key, menu, ribbon, qat, titlebar, click, wait, try, steps, use"});
}

Result<std::optional<std::map<std::string, std::string>>> stringMap(const Value& root, const char* key) {
  auto value = member(root, key);
  if (!value) return std::optional<std::map<std::string, std::string>>{};
  Path path{nullptr, key};
  if (!value->isObject()) return typeMismatch(path);
  std::map<std::string, std::string> out;
  for (Value v = value->firstChild(); v.valid(); v = v.nextSibling()) {
    if (!v.isString()) return typeMismatch(path.child(v.key()));
    out.insert_or_assign(std::string(v.key()), std::string(v.asString()));
  }
  return std::optional{std::move(out)};
}

Result<ShortcutEntry> decodeEntry(const Value& object, const Path& path) {
  if (!object.isObject()) return typeMismatch(path);
  ShortcutEntry entry;
  auto keys = member(object, "keys");
  if (!keys) return std::unexpected(DecodeError{DecodeError::Kind::keyNotFound, "keys"});
  if (!keys->isString()) return typeMismatch(path.child("keys"));
  entry.keys = std::string(keys->asString());
  auto name = optionalString(object, "name", path);
  if (!name) return std::unexpected(name.error());
  entry.name = std::move(*name);
  if (auto steps = member(object, "do")) {
    auto decoded = decodeList(*steps, path.child("do"));
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

}  // namespace

// Deepest nesting of arrays and objects, counted without parsing (strings are skipped).
int jsonNestingDepth(std::string_view bytes) {
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

std::expected<std::vector<Step>, DecodeError> decodeStepOrList(std::string_view jsonText, const std::string& path) {
  auto tree = json::Tree::parse(jsonText);
  if (!tree) return std::unexpected(DecodeError{DecodeError::Kind::dataCorrupted, tree.error().message});
  return decodeList(tree->root(), Path{nullptr, path});
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
  if (jsonNestingDepth(bytes) > kMaxJsonDepth) {
    return std::unexpected(DecodeError{DecodeError::Kind::dataCorrupted,
                                       "JSON nested more than " + std::to_string(kMaxJsonDepth) + " levels deep"});
  }
  auto tree = json::Tree::parse(bytes);
  if (!tree) return std::unexpected(DecodeError{DecodeError::Kind::dataCorrupted, tree.error().message});
  Value root = tree->root();
  if (!root.isObject()) return typeMismatch(Path{});

  ShortcutFile file;
  for (Value v = root.firstChild(); v.valid(); v = v.nextSibling()) {
    auto key = v.key();
    if (key == "groups" || key == "tips" || key == "macros" || key == "shortcuts" || key.starts_with("_")) continue;
    file.unknownKeys.emplace_back(key);
  }
  auto groups = stringMap(root, "groups");
  if (!groups) return std::unexpected(groups.error());
  file.groups = std::move(*groups);
  auto tips = stringMap(root, "tips");
  if (!tips) return std::unexpected(tips.error());
  file.tips = std::move(*tips);

  if (auto macros = member(root, "macros")) {
    Path path{nullptr, "macros"};
    if (!macros->isObject()) return typeMismatch(path);
    std::map<std::string, std::vector<Step>> decoded;
    for (Value v = macros->firstChild(); v.valid(); v = v.nextSibling()) {
      auto steps = decodeList(v, path.child(v.key()));
      if (!steps) return std::unexpected(steps.error());
      decoded.insert_or_assign(std::string(v.key()), std::move(*steps));
    }
    file.macros = std::move(decoded);
  }

  if (auto shortcuts = member(root, "shortcuts")) {
    Path path{nullptr, "shortcuts"};
    if (!shortcuts->isArray()) return typeMismatch(path);
    std::vector<ShortcutEntry> entries;
    entries.reserve(shortcuts->size());
    std::size_t i = 0;
    for (Value v = shortcuts->firstChild(); v.valid(); v = v.nextSibling(), ++i) {
      auto entry = decodeEntry(v, path.at(i));
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

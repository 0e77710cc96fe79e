#include "platform/sim/fixture_loader.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace corvane::platform::sim {
namespace {

using Json = nlohmann::ordered_json;

/// Unwinds the reader to parseFixture, which turns it into a FixtureError. Never leaves this file.
struct Fault {
  FixtureError error;
};

[[noreturn]] void fail(std::string path, std::string message) { throw Fault{{std::move(path), std::move(message)}}; }

bool isPlainKey(std::string_view key) {
  if (key.empty()) return false;
  return std::all_of(key.begin(), key.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}

std::string member(const std::string& path, std::string_view key) {
  if (!isPlainKey(key)) return path + "[" + Json(std::string(key)).dump() + "]";
  return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string index(const std::string& path, std::size_t i) { return path + "[" + std::to_string(i) + "]"; }

// --- Syntax, with duplicate keys refused (the JSON library would silently keep the last one) ---

struct ParseLevel {
  bool array = false;
  std::size_t index = 0;
  bool started = false;
  std::string key;
  std::set<std::string> keys;
};

std::string levelsPath(const std::vector<ParseLevel>& levels) {
  std::string path;
  for (const auto& level : levels) {
    if (level.array) {
      if (level.started) path = index(path, level.index);
    } else if (!level.key.empty()) {
      path = member(path, level.key);
    }
  }
  return path;
}

std::pair<std::size_t, std::size_t> lineAndColumn(std::string_view text, std::size_t byte) {
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i + 1 < byte && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      ++column;
    }
  }
  return {line, column};
}

Json parseJson(std::string_view text) {
  std::vector<ParseLevel> levels;
  auto enterValue = [&levels] {
    if (levels.empty() || !levels.back().array) return;
    auto& level = levels.back();
    if (level.started) ++level.index;
    level.started = true;
  };
  auto callback = [&](int depth, Json::parse_event_t event, Json& parsed) {
    using Event = Json::parse_event_t;
    // Reading the tree recurses once a level: stop a hostile depth before it is built.
    if ((event == Event::object_start || event == Event::array_start) && depth >= kMaxFixtureDepth) {
      fail(levelsPath(levels), "nested more than " + std::to_string(kMaxFixtureDepth) + " levels deep");
    }
    switch (event) {
      case Event::object_start:
        enterValue();
        levels.push_back({});
        break;
      case Event::array_start:
        enterValue();
        {
          ParseLevel level;
          level.array = true;
          levels.push_back(std::move(level));
        }
        break;
      case Event::object_end:
      case Event::array_end:
        if (!levels.empty()) levels.pop_back();
        break;
      case Event::key: {
        auto& level = levels.back();
        level.key = parsed.get<std::string>();
        if (!level.keys.insert(level.key).second) fail(levelsPath(levels), "duplicate key");
        break;
      }
      case Event::value:
        enterValue();
        break;
    }
    return true;
  };
  try {
    return Json::parse(text.begin(), text.end(), callback);
  } catch (const Json::parse_error& e) {
    auto [line, column] = lineAndColumn(text, e.byte);
    fail("", "line " + std::to_string(line) + ", column " + std::to_string(column) + ": not valid JSON");
  }
}

// --- Values ---

void expectObject(const Json& j, const std::string& path) {
  if (!j.is_object()) fail(path, "expected an object");
}

void expectArray(const Json& j, const std::string& path) {
  if (!j.is_array()) fail(path, "expected an array");
}

std::string string(const Json& j, const std::string& path) {
  if (!j.is_string()) fail(path, "expected a string");
  return j.get<std::string>();
}

std::string nonEmptyString(const Json& j, const std::string& path) {
  auto s = string(j, path);
  if (s.empty()) fail(path, "must not be empty");
  return s;
}

bool boolean(const Json& j, const std::string& path) {
  if (!j.is_boolean()) fail(path, "expected true or false");
  return j.get<bool>();
}

double number(const Json& j, const std::string& path) {
  if (!j.is_number()) fail(path, "expected a number");
  return j.get<double>();
}

double nonNegative(const Json& j, const std::string& path) {
  double d = number(j, path);
  if (!(d >= 0) || !std::isfinite(d)) fail(path, "must be at least 0");
  return d;
}

double positive(const Json& j, const std::string& path) {
  double d = number(j, path);
  if (!(d > 0) || !std::isfinite(d)) fail(path, "must be greater than 0");
  return d;
}

std::int64_t wholeNumber(const Json& j, const std::string& path) {
  if (!j.is_number_integer()) fail(path, "expected a whole number");
  return j.get<std::int64_t>();
}

std::vector<double> numbers(const Json& j, const std::string& path, std::size_t count) {
  std::string message = "expected " + std::to_string(count) + " numbers";
  if (!j.is_array() || j.size() != count) fail(path, message);
  std::vector<double> out;
  for (const auto& n : j) {
    if (!n.is_number() || !std::isfinite(n.get<double>())) fail(path, message);
    out.push_back(n.get<double>());
  }
  return out;
}

Rect frame(const Json& j, const std::string& path) {
  auto n = numbers(j, path, 4);
  if (n[2] < 0 || n[3] < 0) fail(path, "width and height must not be negative");
  return {n[0], n[1], n[2], n[3]};
}

Size size(const Json& j, const std::string& path) {
  auto n = numbers(j, path, 2);
  if (!(n[0] > 0 && n[1] > 0)) fail(path, "width and height must be greater than 0");
  return {n[0], n[1]};
}

FixtureValue value(const Json& j, const std::string& path) {
  if (j.is_string()) return j.get<std::string>();
  if (j.is_number_integer()) return j.get<std::int64_t>();
  if (j.is_number_float() && std::isfinite(j.get<double>())) return j.get<double>();
  fail(path, "expected a string or a number");
}

// --- Elements ---

/// What surrounds an element, which decides the keys it may have and its default role.
enum class Where { window, other, toolbarItem, tab, group, control, menuItem, menuBarItem, dialog };

const std::set<std::string>& commonKeys() {
  static const std::set<std::string> keys{"role",    "subrole", "title",    "description", "help",
                                          "identifier", "value", "frame",  "enabled",     "actions",
                                          "children", "runs",   "dialog", "menu",        "tabs",
                                          "hung"};
  return keys;
}

/// The text attribute a key names (other than the role), or none.
std::string* textMember(ElementText& element, const std::string& key) {
  static const std::map<std::string, std::string ElementText::*> members{
      {"subrole", &ElementText::subrole},   {"title", &ElementText::title},
      {"description", &ElementText::description}, {"help", &ElementText::help},
      {"identifier", &ElementText::identifier}};
  auto it = members.find(key);
  return it == members.end() ? nullptr : &(element.*(it->second));
}

struct DialogReference {
  std::string path;
  std::string name;
};

class Reader {
 public:
  FixtureCapture capture(const Json& v, const std::string& path) {
    expectObject(v, path);
    FixtureCapture c;
    for (const auto& [key, item] : v.items()) {
      auto p = member(path, key);
      if (key == "tool") {
        c.tool = string(item, p);
      } else if (key == "excelVersion") {
        c.excelVersion = string(item, p);
      } else if (key == "macOSVersion") {
        c.macOSVersion = string(item, p);
      } else if (key == "language") {
        c.language = string(item, p);
      } else if (key == "workbookContents") {
        c.workbookContents = string(item, p);
      } else if (key == "windowSize") {
        c.windowSize = size(item, p);
      } else if (key == "warnings") {
        expectArray(item, p);
        for (std::size_t i = 0; i < item.size(); ++i) c.warnings.push_back(string(item[i], index(p, i)));
      } else {
        fail(p, "unknown key");
      }
    }
    return c;
  }

  ExcelFixture read(const Json& doc) {
    expectObject(doc, "");
    static const std::set<std::string> keys{"format", "name",    "extends", "set",    "capture",
                                            "application", "windows", "menuBar", "dialogs"};
    for (const auto& [key, v] : doc.items()) {
      if (!keys.contains(key)) fail(member("", key), "unknown key");
    }
    ExcelFixture fixture;
    if (doc.contains("format") && wholeNumber(doc["format"], "format") != 1) fail("format", "expected 1");
    if (doc.contains("name")) fixture.name = string(doc["name"], "name");
    if (doc.contains("capture")) fixture.capture = capture(doc["capture"], "capture");
    if (doc.contains("application")) fixture.application = application(doc["application"], "application");
    if (doc.contains("dialogs")) {
      expectObject(doc["dialogs"], "dialogs");
      for (const auto& [name, d] : doc["dialogs"].items()) {
        auto path = member("dialogs", name);
        if (name.empty()) fail(path, "a dialog needs a name");
        fixture.dialogs.emplace(name, dialog(d, path, name));
      }
    }
    if (doc.contains("windows")) {
      expectArray(doc["windows"], "windows");
      for (std::size_t i = 0; i < doc["windows"].size(); ++i) {
        fixture.windows.push_back(node(doc["windows"][i], index("windows", i), Where::window));
      }
    }
    if (doc.contains("menuBar")) {
      expectArray(doc["menuBar"], "menuBar");
      for (std::size_t i = 0; i < doc["menuBar"].size(); ++i) {
        fixture.menuBar.push_back(node(doc["menuBar"][i], index("menuBar", i), Where::menuBarItem));
      }
    }
    for (const auto& ref : dialogReferences_) {
      if (!fixture.dialogs.contains(ref.name)) fail(ref.path, "no dialog named \"" + ref.name + "\" in dialogs");
    }
    return fixture;
  }

 private:
  FixtureApplication application(const Json& j, const std::string& path) {
    expectObject(j, path);
    FixtureApplication app;
    for (const auto& [key, v] : j.items()) {
      auto p = member(path, key);
      if (key == "title") {
        app.title = string(v, p);
      } else if (key == "pid") {
        auto pid = wholeNumber(v, p);
        if (pid <= 0 || pid > INT32_MAX) fail(p, "expected a process id greater than 0");
        app.pid = static_cast<std::int32_t>(pid);
      } else if (key == "bundleIdentifier") {
        app.bundleIdentifier = string(v, p);
      } else if (key == "running") {
        app.running = boolean(v, p);
      } else if (key == "frontmost") {
        app.frontmost = boolean(v, p);
      } else if (key == "tabSwitchDelay") {
        app.tabSwitchDelay = nonNegative(v, p);
      } else if (key == "screen") {
        app.screen = size(v, p);
      } else if (key == "axLatency") {
        app.axLatency = nonNegative(v, p);
      } else if (key == "menuDelay") {
        app.menuDelay = nonNegative(v, p);
      } else if (key == "windowListLag") {
        app.windowListLag = nonNegative(v, p);
      } else if (key == "menuPressBlocks") {
        app.menuPressBlocks = boolean(v, p);
      } else if (key == "commandsFill") {
        app.commandsFill = nonNegative(v, p);
      } else if (key == "ribbonCollapsed") {
        app.ribbonCollapsed = boolean(v, p);
      } else if (key == "commandsAreaReused") {
        app.commandsAreaReused = boolean(v, p);
      } else if (key == "nativeKeyTips") {
        if (v == "option") {
          app.nativeKeyTips = KeyTipsKey::option;
        } else if (v == "shift-option") {
          app.nativeKeyTips = KeyTipsKey::shiftOption;
        } else {
          fail(p, "expected \"option\" or \"shift-option\" (leave it out for KeyTips turned off)");
        }
      } else if (key == "nativeKeyTipsDelay") {
        app.nativeKeyTipsDelay = nonNegative(v, p);
      } else {
        fail(p, "unknown key");
      }
    }
    return app;
  }

  FixtureDialog dialog(const Json& j, const std::string& path, const std::string& name) {
    expectObject(j, path);
    FixtureDialog d;
    d.name = name;
    d.node.path = path;
    d.node.title = name;
    for (const auto& [key, v] : j.items()) {
      auto p = member(path, key);
      if (key == "kind") {
        auto kind = string(v, p);
        if (kind == "window") {
          d.kind = DialogKind::window;
        } else if (kind == "sheet") {
          d.kind = DialogKind::sheet;
        } else {
          fail(p, "expected \"window\" or \"sheet\"");
        }
      } else if (key == "delay") {
        d.delay = nonNegative(v, p);
      } else if (key == "size") {
        d.size = size(v, p);
      } else if (key == "hung") {
        d.node.hung = boolean(v, p);
      } else if (auto* text = key != "description" && key != "help" ? textMember(d.node, key) : nullptr) {
        *text = string(v, p);
      } else if (key == "children") {
        d.node.children = nodes(v, p, Where::dialog);
      } else {
        fail(p, "unknown key");
      }
    }
    d.node.role = d.kind == DialogKind::sheet ? "AXSheet" : "AXWindow";
    if (d.kind == DialogKind::window && d.node.subrole.empty()) d.node.subrole = "AXDialog";
    return d;
  }

  std::vector<FixtureNode> nodes(const Json& j, const std::string& path, Where where) {
    expectArray(j, path);
    std::vector<FixtureNode> out;
    for (std::size_t i = 0; i < j.size(); ++i) out.push_back(node(j[i], index(path, i), where));
    return out;
  }

  static std::string defaultRole(Where where) {
    switch (where) {
      case Where::window:
        return "AXWindow";
      case Where::tab:
        return "AXRadioButton";
      case Where::group:
        return "AXGroup";
      case Where::menuItem:
        return "AXMenuItem";
      case Where::menuBarItem:
        return "AXMenuBarItem";
      case Where::other:
      case Where::toolbarItem:
      case Where::control:
      case Where::dialog:
        return "";
    }
    return "";
  }

  /// A menu item may be written as its title alone, or "-" for a separator.
  FixtureNode menuItem(const Json& j, const std::string& path) {
    if (!j.is_string()) return node(j, path, Where::menuItem);
    FixtureNode item;
    item.path = path;
    item.role = "AXMenuItem";
    auto title = j.get<std::string>();
    if (title == "-") {
      item.enabled = false;
    } else {
      if (title.empty()) fail(path, "must not be empty");
      item.title = title;
    }
    return item;
  }

  FixtureNode node(const Json& j, const std::string& path, Where where) {
    if (!j.is_object()) fail(path, where == Where::menuItem ? "expected an object or a title" : "expected an object");
    FixtureNode n;
    n.path = path;
    n.role = defaultRole(where);
    // The role decides which keys make sense, so read it first.
    if (j.contains("role")) n.role = nonEmptyString(j["role"], member(path, "role"));
    if (n.role.empty()) fail(path, "missing \"role\"");
    for (const auto& [key, v] : j.items()) {
      auto p = member(path, key);
      if (commonKeys().contains(key)) {
        common(n, key, v, p, where);
      } else if (!special(n, key, v, p, where)) {
        fail(p, "unknown key");
      }
    }
    if (!n.tabs.empty()) {
      auto selected = std::count_if(n.tabs.begin(), n.tabs.end(), [](const FixtureNode& t) { return t.selected; });
      if (selected == 0) n.tabs.front().selected = true;
    }
    if (where == Where::menuBarItem && n.title.empty()) fail(path, "missing \"title\"");
    return n;
  }

  void common(FixtureNode& n, const std::string& key, const Json& v, const std::string& p, Where where) {
    if (key == "role") return;
    if (auto* text = textMember(n, key)) {
      *text = string(v, p);
    } else if (key == "value") {
      n.value = value(v, p);
    } else if (key == "frame") {
      n.frame = frame(v, p);
    } else if (key == "enabled") {
      n.enabled = boolean(v, p);
    } else if (key == "actions") {
      expectArray(v, p);
      std::vector<std::string> actions;
      for (std::size_t i = 0; i < v.size(); ++i) actions.push_back(nonEmptyString(v[i], index(p, i)));
      n.actions = std::move(actions);
    } else if (key == "children") {
      n.children = nodes(v, p, childWhere(n, where));
    } else if (key == "runs") {
      n.runs = nonEmptyString(v, p);
    } else if (key == "dialog") {
      n.dialog = nonEmptyString(v, p);
      dialogReferences_.push_back({p, *n.dialog});
    } else if (key == "menu") {
      expectArray(v, p);
      n.hasMenu = true;
      for (std::size_t i = 0; i < v.size(); ++i) n.menu.push_back(menuItem(v[i], index(p, i)));
    } else if (key == "hung") {
      n.hung = boolean(v, p);
    } else if (key == "tabs") {
      if (n.role != "AXTabGroup") fail(p, "only an AXTabGroup has tabs");
      n.tabs = nodes(v, p, Where::tab);
      bool seen = false;
      for (const auto& tab : n.tabs) {
        if (tab.selected && seen) fail(member(tab.path, "selected"), "only one tab can be selected");
        seen = seen || tab.selected;
      }
    }
  }

  /// Keys that only some elements have; false for a key no element has.
  bool special(FixtureNode& n, const std::string& key, const Json& v, const std::string& p, Where where) {
    if (key == "selected" || key == "groups" || key == "commandsDescription") {
      if (where != Where::tab) fail(p, "only a ribbon tab has \"" + key + "\"");
      if (key == "selected") n.selected = boolean(v, p);
      if (key == "groups") n.groups = nodes(v, p, Where::group);
      if (key == "commandsDescription") n.commandsDescription = string(v, p);
    } else if (key == "keyTip") {
      if (where != Where::tab && where != Where::control) fail(p, "only a ribbon tab or a ribbon control has a KeyTip");
      auto letters = string(v, p);
      bool valid = !letters.empty() && letters.size() <= 3 && std::all_of(letters.begin(), letters.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
      });
      if (!valid) fail(p, "expected one to three capital letters or digits");
      n.keyTip = letters;
    } else if (key == "foldBelow") {
      if (where != Where::group) fail(p, "only a ribbon group folds");
      n.foldBelow = positive(v, p);
    } else if (key == "place") {
      if (where != Where::control) fail(p, "only a control in a ribbon group has a place");
      static const std::map<std::string, Placement> places{{"large", Placement::large},
                                                           {"row1", Placement::row1},
                                                           {"row2", Placement::row2},
                                                           {"row3", Placement::row3},
                                                           {"corner", Placement::corner}};
      auto it = places.find(string(v, p));
      if (it == places.end()) fail(p, "expected one of large, row1, row2, row3, corner");
      n.place = it->second;
    } else if (key == "width") {
      if (where != Where::control && where != Where::toolbarItem) {
        fail(p, "only ribbon controls and title-bar items have a width");
      }
      n.width = positive(v, p);
    } else if (key == "align") {
      if (where != Where::toolbarItem) fail(p, "only a title-bar item is aligned");
      auto align = string(v, p);
      if (align == "left") {
        n.align = Align::left;
      } else if (align == "center") {
        n.align = Align::center;
      } else if (align == "right") {
        n.align = Align::right;
      } else {
        fail(p, "expected one of left, center, right");
      }
    } else if (key == "keyEquivalent") {
      if (where != Where::menuItem) fail(p, "only a menu item has a key equivalent");
      auto parsed = parseKeyEquivalent(string(v, p));
      if (!parsed) fail(p, "expected modifier signs (⌃⌥⇧⌘) and one character");
      n.keyChar = parsed->first;
      n.keyModifiers = parsed->second;
    } else if (key == "itemsWhenOpen") {
      if (where != Where::menuBarItem) fail(p, "only a menu-bar item fills its menu when opened");
      n.itemsWhenOpen = boolean(v, p);
    } else if (key == "closes") {
      if (where != Where::dialog) fail(p, "only a dialog's control closes it");
      n.closes = boolean(v, p);
    } else {
      return false;
    }
    return true;
  }

  static Where childWhere(const FixtureNode& parent, Where where) {
    if (where == Where::dialog) return Where::dialog;
    if (parent.role == "AXToolbar") return Where::toolbarItem;
    if (where == Where::group) return Where::control;
    return Where::other;
  }

  std::vector<DialogReference> dialogReferences_;
};

// --- Documents that extend others ---

constexpr int kMaxExtends = 8;

struct PathStep {
  bool isIndex = false;
  std::size_t index = 0;
  std::string key;
};

std::optional<std::vector<PathStep>> parsePath(std::string_view text) {
  std::vector<PathStep> steps;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '[') {
      auto close = text.find(']', i);
      if (close == std::string_view::npos) return std::nullopt;
      auto inner = text.substr(i + 1, close - i - 1);
      if (!inner.empty() && inner.front() == '"') {
        // A quoted key may hold "]": find the closing quote and bracket together.
        auto end = text.find("\"]", i + 2);
        if (end == std::string_view::npos) return std::nullopt;
        try {
          steps.push_back({false, 0, Json::parse(text.substr(i + 1, end - i)).get<std::string>()});
        } catch (const Json::exception&) {
          return std::nullopt;
        }
        i = end + 2;
      } else {
        if (inner.empty() || !std::all_of(inner.begin(), inner.end(), [](char c) { return c >= '0' && c <= '9'; })) {
          return std::nullopt;
        }
        steps.push_back({true, static_cast<std::size_t>(std::stoull(std::string(inner))), {}});
        i = close + 1;
      }
    } else {
      if (text[i] == '.') {
        if (steps.empty()) return std::nullopt;
        ++i;
      }
      auto end = text.find_first_of(".[", i);
      auto key = text.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
      if (!isPlainKey(key)) return std::nullopt;
      steps.push_back({false, 0, std::string(key)});
      i = end == std::string_view::npos ? text.size() : end;
    }
  }
  if (steps.empty()) return std::nullopt;
  return steps;
}

void applySet(Json& doc, const std::string& pathText, const Json& value, const std::string& where) {
  auto steps = parsePath(pathText);
  if (!steps) fail(where, "not a path (write it as in error messages, e.g. windows[0].frame)");
  Json* at = &doc;
  std::string walked;
  for (std::size_t i = 0; i < steps->size(); ++i) {
    const auto& step = (*steps)[i];
    bool last = i + 1 == steps->size();
    if (step.isIndex) {
      walked = index(walked, step.index);
      if (!at->is_array() || step.index >= at->size()) fail(where, "no element at " + walked);
      at = &(*at)[step.index];
    } else {
      walked = member(walked, step.key);
      if (!at->is_object() || (!last && !at->contains(step.key))) fail(where, "no element at " + walked);
      at = &(*at)[step.key];
    }
  }
  *at = value;
}

Json resolveDocument(std::string_view text, const FixtureFileReader& readFile, int depth);

/// The document with its base merged in: the document's keys replace the base's, then each "set"
/// entry replaces one value. The base is checked as a fixture of its own first, so its faults name
/// its file.
Json resolveDocument(std::string_view text, const FixtureFileReader& readFile, int depth) {
  Json doc = parseJson(text);
  if (!doc.is_object() || !doc.contains("extends")) {
    if (doc.is_object() && doc.contains("set")) fail("set", "only a fixture that extends another sets values");
    return doc;
  }
  auto baseName = nonEmptyString(doc["extends"], "extends");
  if (!readFile) fail("extends", "cannot read other files here");
  if (depth >= kMaxExtends) fail("extends", "more than " + std::to_string(kMaxExtends) + " fixtures extend each other");
  auto baseText = readFile(baseName);
  if (!baseText) fail("extends", "cannot read " + baseName + ": " + baseText.error());
  Json base;
  try {
    base = resolveDocument(*baseText, readFile, depth + 1);
    Reader{}.read(base);
  } catch (const Fault& inner) {
    fail("extends", baseName + ": " + inner.error.text());
  }
  for (const auto& [key, v] : doc.items()) {
    if (key != "extends" && key != "set") base[key] = v;
  }
  if (doc.contains("set")) {
    expectObject(doc["set"], "set");
    for (const auto& [path, v] : doc["set"].items()) applySet(base, path, v, member("set", path));
  }
  return base;
}

std::string folderOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::string FixtureError::text() const { return path.empty() ? message : path + ": " + message; }

std::optional<std::pair<std::string, std::int64_t>> parseKeyEquivalent(std::string_view text) {
  static const std::pair<std::string_view, std::int64_t> signs[] = {
      {"⌃", 4}, {"⌥", 2}, {"⇧", 1}, {"⌘", 0}};
  std::int64_t modifiers = 0;
  bool command = false;
  bool matched = true;
  while (matched) {
    matched = false;
    for (const auto& [sign, bit] : signs) {
      if (text.starts_with(sign)) {
        if (bit == 0) command = true;
        modifiers |= bit;
        text.remove_prefix(sign.size());
        matched = true;
      }
    }
  }
  if (text.empty()) return std::nullopt;
  // Exactly one character: a lead byte and its continuation bytes.
  std::size_t length = 1;
  while (length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) ++length;
  if (length != text.size()) return std::nullopt;
  if (!command) modifiers |= 8;
  return std::pair{std::string(text), modifiers};
}

std::expected<ExcelFixture, FixtureError> parseFixture(std::string_view json, const FixtureFileReader& readFile) {
  try {
    Json doc = resolveDocument(json, readFile, 0);
    if (doc.is_object()) {
      doc.erase("extends");
      doc.erase("set");
    }
    return Reader{}.read(doc);
  } catch (const Fault& fault) {
    return std::unexpected(fault.error);
  } catch (const Json::exception& e) {
    // The reader checks every type before reading it; this only guards against a gap in that.
    return std::unexpected(FixtureError{"", std::string("unreadable fixture: ") + e.what()});
  }
}

std::expected<ExcelFixture, FixtureError> loadFixtureFile(Files& files, const std::string& path) {
  auto text = files.read(path);
  if (!text) return std::unexpected(FixtureError{"", "cannot read the file: " + text.error().description});
  auto folder = folderOf(path);
  FixtureFileReader reader = [&files, folder](const std::string& name) -> std::expected<std::string, std::string> {
    auto full = !name.empty() && name.front() == '/' ? name : folder + name;
    auto base = files.read(full);
    if (!base) return std::unexpected(base.error().description);
    return *base;
  };
  return parseFixture(*text, reader);
}

}  // namespace corvane::platform::sim

#include "platform/sim/fixture_reader.hpp"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/sim/key_equivalent.hpp"

namespace corvane::platform::sim::fixture_json {
namespace {

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

}  // namespace

ExcelFixture readFixture(const Json& doc) { return Reader{}.read(doc); }

}  // namespace corvane::platform::sim::fixture_json

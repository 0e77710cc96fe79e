#include "tools/ax-dump/fixture_writer.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

namespace corvane::tools {

namespace {

using Json = nlohmann::ordered_json;
using platform::AXValue;
using platform::Element;

constexpr std::array<std::string_view, 11> kAttributes = {"AXRole",       "AXSubrole",    "AXTitle",   "AXDescription",
                                                          "AXHelp",       "AXIdentifier", "AXValue",   "AXPosition",
                                                          "AXSize",       "AXEnabled",    "AXChildren"};
enum Attribute { role, subrole, title, description, help, identifier, value, position, size, enabled, children };

/// One element's attributes, read in one call.
struct Snapshot {
  Element element;
  std::string role;
  std::string subrole;
  std::string title;
  std::string description;
  std::string help;
  std::string identifier;
  std::optional<AXValue> value;
  std::optional<platform::Rect> frame;
  bool enabled = true;
  std::vector<Element> children;
};

/// Whole points where the numbers are whole, so the fixture reads like a hand-written one.
Json number(double v) {
  if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e9) return static_cast<std::int64_t>(v);
  return std::round(v * 100) / 100;
}

bool endsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

/// The actions a role has in the fixture unless an element says otherwise.
std::vector<std::string> usualActions(const std::string& role, bool hasMenu) {
  std::vector<std::string> actions;
  if (role == "AXButton" || role == "AXCheckBox" || role == "AXRadioButton" || role == "AXMenuItem" ||
      role == "AXMenuButton" || role == "AXPopUpButton") {
    actions.push_back("AXPress");
  }
  if (role == "AXMenuButton" || role == "AXPopUpButton" || hasMenu) actions.push_back("AXShowMenu");
  if (role == "AXComboBox" || role == "AXTextField") actions.push_back("AXConfirm");
  if (role == "AXWindow") actions.push_back("AXRaise");
  return actions;
}

class Writer {
 public:
  Writer(platform::Accessibility& ax, platform::Clock& clock, const DumpOptions& options)
      : ax_(ax), clock_(clock), options_(options) {}

  std::vector<std::string> notes;
  std::size_t count = 0;

  std::optional<Snapshot> snapshot(const Element& e) {
    if (count >= options_.maxElements) {
      if (!limitNoted_) notes.push_back("stopped after " + std::to_string(options_.maxElements) + " elements");
      limitNoted_ = true;
      return std::nullopt;
    }
    auto values = ax_.copyMultipleAttributes(e, kAttributes);
    if (!values || values->size() != kAttributes.size()) return std::nullopt;
    auto& v = *values;
    Snapshot s;
    s.element = e;
    s.role = platform::valueAs<std::string>(v[role]).value_or("");
    if (s.role.empty()) return std::nullopt;  // gone, or not an element the fixture can describe
    ++count;
    s.subrole = platform::valueAs<std::string>(v[subrole]).value_or("");
    s.title = platform::valueAs<std::string>(v[title]).value_or("");
    s.description = platform::valueAs<std::string>(v[description]).value_or("");
    s.help = platform::valueAs<std::string>(v[help]).value_or("");
    s.identifier = platform::valueAs<std::string>(v[identifier]).value_or("");
    s.value = v[value];
    auto at = platform::valueAs<platform::Point>(v[position]);
    auto extent = platform::valueAs<platform::Size>(v[size]);
    if (at && extent) s.frame = platform::Rect{at->x, at->y, extent->width, extent->height};
    s.enabled = platform::valueAs<bool>(v[enabled]).value_or(true);
    s.children = platform::valueAs<std::vector<Element>>(v[children]).value_or(std::vector<Element>{});
    return s;
  }

  std::vector<Snapshot> childrenOf(const Snapshot& s) {
    std::vector<Snapshot> result;
    for (const auto& child : s.children) {
      if (auto c = snapshot(child)) result.push_back(std::move(*c));
    }
    return result;
  }

  /// The keys every element may have, in the fixture's usual order.
  Json common(const Snapshot& s, bool writeRole = true) {
    Json j = Json::object();
    if (writeRole) j["role"] = s.role;
    if (!s.subrole.empty()) j["subrole"] = s.subrole;
    if (!s.title.empty()) j["title"] = s.title;
    if (!s.description.empty()) j["description"] = s.description;
    if (!s.help.empty()) j["help"] = s.help;
    if (!s.identifier.empty()) j["identifier"] = s.identifier;
    if (s.value) {
      if (const auto* text = std::get_if<std::string>(&*s.value)) j["value"] = *text;
      if (const auto* integer = std::get_if<std::int64_t>(&*s.value)) j["value"] = *integer;
      if (const auto* real = std::get_if<double>(&*s.value)) j["value"] = number(*real);
      if (const auto* flag = std::get_if<bool>(&*s.value)) j["value"] = *flag ? 1 : 0;
    }
    if (s.frame) j["frame"] = Json::array({number(s.frame->x), number(s.frame->y), number(s.frame->width), number(s.frame->height)});
    if (!s.enabled) j["enabled"] = false;
    if (auto actions = ax_.actionNames(s.element); actions && *actions != usualActions(s.role, false)) {
      j["actions"] = *actions;
    }
    return j;
  }

  Json element(const Snapshot& s, int depth) {
    Json j = common(s);
    if (s.role == "AXTabGroup" && s.description == "ribbon") return ribbon(s, std::move(j), depth);
    Json kids = Json::array();
    if (depth < kMaxDepth) {
      for (const auto& child : childrenOf(s)) kids.push_back(element(child, depth + 1));
    }
    if (!kids.empty()) j["children"] = std::move(kids);
    return j;
  }

  /// The ribbon: one tab per radio button, each with the groups of its commands area, and the
  /// tab group's other children.
  Json ribbon(const Snapshot& s, Json j, int depth) {
    auto kids = childrenOf(s);
    std::vector<Snapshot> tabs;
    Json others = Json::array();
    for (const auto& child : kids) {
      if (child.role == "AXRadioButton") {
        tabs.push_back(child);
      } else if (!isCommandsArea(child)) {
        others.push_back(element(child, depth + 1));
      }
    }
    std::optional<std::size_t> selected;
    for (std::size_t i = 0; i < tabs.size(); ++i) {
      if (isSelected(tabs[i])) selected = i;
    }

    Json tabList = Json::array();
    for (std::size_t i = 0; i < tabs.size(); ++i) {
      const auto& tab = tabs[i];
      Json t = common(tab, false);
      t.erase("value");  // the tab's state is "selected"
      if (selected == i) t["selected"] = true;
      std::optional<Snapshot> area;
      if (selected == i) {
        area = commandsArea(s.element);
      } else if (options_.allTabs && ax_.performAction(tab.element, "AXPress") == platform::ax::kSuccess) {
        clock_.sleep(options_.tabSwitchWait);
        area = commandsArea(s.element);
      } else if (options_.allTabs) {
        notes.push_back("tab “" + tab.title + "” could not be selected; its groups are left out");
      }
      if (area) writeGroups(t, tab, *area, depth);
      tabList.push_back(std::move(t));
    }
    if (options_.allTabs && selected && tabs.size() > 1) {
      (void)ax_.performAction(tabs[*selected].element, "AXPress");
      clock_.sleep(options_.tabSwitchWait);
    }
    if (!options_.allTabs && tabs.size() > 1) notes.push_back("only the selected tab's groups were captured");

    j["tabs"] = std::move(tabList);
    if (!others.empty()) j["children"] = std::move(others);
    return j;
  }

  void writeGroups(Json& t, const Snapshot& tab, const Snapshot& area, int depth) {
    if (area.description != tab.title + " Tab Commands" && !area.description.empty()) {
      t["commandsDescription"] = area.description;
    }
    Json groups = Json::array();
    for (const auto& group : childrenOf(area)) {
      Json g = common(group, group.role != "AXGroup");
      Json controls = Json::array();
      for (const auto& control : childrenOf(group)) controls.push_back(element(control, depth + 3));
      if (!controls.empty()) g["children"] = std::move(controls);
      groups.push_back(std::move(g));
    }
    if (!groups.empty()) t["groups"] = std::move(groups);
  }

  static bool isCommandsArea(const Snapshot& s) {
    return s.role == "AXScrollArea" && endsWith(s.description, " Tab Commands");
  }

  bool isSelected(const Snapshot& tab) {
    if (!tab.value) return false;
    if (const auto* i = std::get_if<std::int64_t>(&*tab.value)) return *i == 1;
    if (const auto* b = std::get_if<bool>(&*tab.value)) return *b;
    return false;
  }

  /// The tab group's commands area as it is now (re-read, since a tab switch replaces it).
  std::optional<Snapshot> commandsArea(const Element& tabGroup) {
    auto kids = platform::valueAs<std::vector<Element>>(ax_.attribute(tabGroup, "AXChildren"));
    if (!kids) return std::nullopt;
    for (const auto& kid : *kids) {
      auto role = platform::valueAs<std::string>(ax_.attribute(kid, "AXRole"));
      auto description = platform::valueAs<std::string>(ax_.attribute(kid, "AXDescription"));
      if (role == "AXScrollArea" && description && endsWith(*description, " Tab Commands")) return snapshot(kid);
    }
    return std::nullopt;
  }

  /// A menu's items: a separator as "-", a plain item as its title, anything more as an object.
  Json menuItems(const Snapshot& menu, int depth) {
    Json items = Json::array();
    for (const auto& item : childrenOf(menu)) {
      if (item.role != "AXMenuItem") continue;
      if (item.title.empty()) {
        items.push_back("-");
        continue;
      }
      Json j = Json::object();
      j["title"] = item.title;
      auto keys = ax_.copyMultipleAttributes(item.element, std::array<std::string_view, 2>{"AXMenuItemCmdChar",
                                                                                           "AXMenuItemCmdModifiers"});
      if (keys && keys->size() == 2) {
        auto character = platform::valueAs<std::string>((*keys)[0]);
        auto modifiers = platform::valueAs<std::int64_t>((*keys)[1]).value_or(0);
        if (character && !character->empty()) {
          auto text = keyEquivalentText(*character, modifiers);
          if (!text.empty()) j["keyEquivalent"] = text;
        }
      }
      if (!item.enabled) j["enabled"] = false;
      if (depth < kMaxDepth) {
        for (const auto& sub : childrenOf(item)) {
          if (sub.role == "AXMenu") j["menu"] = menuItems(sub, depth + 1);
        }
      }
      if (j.size() == 1) {
        items.push_back(item.title);
      } else {
        items.push_back(std::move(j));
      }
    }
    return items;
  }

  Json menuBar(const Element& app) {
    Json bar = Json::array();
    auto element = platform::valueAs<Element>(ax_.attribute(app, "AXMenuBar"));
    if (!element) return bar;
    auto s = snapshot(*element);
    if (!s) return bar;
    for (const auto& item : childrenOf(*s)) {
      if (item.role != "AXMenuBarItem" || item.title.empty()) continue;
      Json j = Json::object();
      j["title"] = item.title;
      Json items = Json::array();
      for (const auto& sub : childrenOf(item)) {
        if (sub.role == "AXMenu") items = menuItems(sub, 1);
      }
      j["menu"] = std::move(items);
      if (!item.enabled) j["enabled"] = false;
      bar.push_back(std::move(j));
    }
    return bar;
  }

 private:
  static constexpr int kMaxDepth = 40;
  platform::Accessibility& ax_;
  platform::Clock& clock_;
  const DumpOptions& options_;
  bool limitNoted_ = false;
};

}  // namespace

std::string keyEquivalentText(const std::string& character, std::int64_t modifiers) {
  // One code point: an ASCII character other than space and control codes, or any character
  // outside the private-use block where the system keeps function keys and arrows.
  if (character.empty()) return {};
  auto lead = static_cast<unsigned char>(character[0]);
  std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || character.size() != length) return {};
  if (length == 1 && (lead <= 0x20 || lead == 0x7F)) return {};
  if (length == 3 && lead == 0xEF && static_cast<unsigned char>(character[1]) >= 0x9C &&
      static_cast<unsigned char>(character[1]) <= 0xA3) {
    return {};  // U+F700…U+F8FF
  }
  std::string text;
  if (modifiers & 4) text += "⌃";
  if (modifiers & 2) text += "⌥";
  if (modifiers & 1) text += "⇧";
  if (!(modifiers & 8)) text += "⌘";
  return text + character;
}

std::expected<Dump, std::string> dumpExcel(platform::Accessibility& ax, platform::Clock& clock,
                                           const DumpTarget& target, const DumpOptions& options) {
  if (!ax.isTrusted(false)) {
    return std::unexpected(std::string(
        "this program may not use the Accessibility interface: allow it in System Settings › Privacy & Security › "
        "Accessibility"));
  }
  Element app = ax.application(target.pid);
  auto windows = ax.copyAttribute(app, "AXWindows");
  if (!windows) {
    return std::unexpected("Excel (process " + std::to_string(target.pid) +
                           ") does not answer: accessibility error " + std::to_string(windows.error()));
  }

  Writer writer(ax, clock, options);
  Json doc = Json::object();
  doc["format"] = 1;
  doc["name"] = options.name;
  Json application = Json::object();
  application["title"] = target.title;
  application["pid"] = target.pid;
  application["bundleIdentifier"] = target.bundleIdentifier;
  application["frontmost"] = target.frontmost;
  application["screen"] = Json::array({number(target.screen.width), number(target.screen.height)});
  doc["application"] = std::move(application);

  Json windowList = Json::array();
  std::size_t skipped = 0;
  for (const auto& window : platform::valueAs<std::vector<Element>>(*windows).value_or(std::vector<Element>{})) {
    auto s = writer.snapshot(window);
    if (!s) continue;
    // Workbook windows only: popups and dialogs come and go with commands.
    if (s->role != "AXWindow" || s->subrole != "AXStandardWindow") {
      ++skipped;
      continue;
    }
    windowList.push_back(writer.element(*s, 0));
  }
  if (skipped > 0) writer.notes.push_back(std::to_string(skipped) + " popup or dialog window(s) left out");
  doc["windows"] = std::move(windowList);
  doc["menuBar"] = writer.menuBar(app);

  Dump dump;
  dump.json = doc.dump(2) + "\n";
  dump.notes = std::move(writer.notes);
  dump.elements = writer.count;
  return dump;
}

}  // namespace corvane::tools

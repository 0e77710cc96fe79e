#include "tools/ax-dump/capture_comparison.hpp"

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "excel/excel_app.hpp"
#include "excel/label_key.hpp"
#include "excel/shortcut_check.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/sim_input_poster.hpp"
#include "platform/sim/sim_window_list.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::tools {
namespace {

using platform::sim::ExcelFixture;
using platform::sim::FixtureNode;
using Status = excel::CheckResult::Status;

excel::ShortcutCheckReport checkIn(const ExcelFixture& fixture, const std::vector<model::Shortcut>& shortcuts) {
  platform::sim::VirtualTime time;
  platform::sim::SimExcel sim(time, time, std::make_shared<const ExcelFixture>(fixture));
  if (!sim.pid()) return {};
  excel::ExcelServices services{sim.accessibility(), sim.windowList(), sim.inputPoster(), time};
  excel::ExcelApp app(services, *sim.pid());
  return excel::checkShortcuts(app, shortcuts, "");
}

std::string nameOf(const FixtureNode& node) {
  if (!node.title.empty()) return node.title;
  if (!node.description.empty()) return node.description;
  if (!node.help.empty()) return node.help;
  return node.identifier;
}

/// A surface's named elements: label key → (name as written, role), first of each name.
using Named = std::map<std::string, std::pair<std::string, std::string>>;

void collect(const FixtureNode& node, Named& into) {
  auto name = nameOf(node);
  auto key = excel::labelKey(name);
  if (!key.empty() && node.role != "AXGroup" && !into.contains(key)) into[key] = {name, node.role};
  for (const auto& child : node.children) collect(child, into);
}

/// What each surface of a fixture names: every ribbon tab's controls, the title bar, the menus.
std::map<std::string, Named> surfaces(const ExcelFixture& fixture) {
  std::map<std::string, Named> out;
  std::function<void(const FixtureNode&, bool)> walk = [&](const FixtureNode& node, bool titleBar) {
    if (!node.tabs.empty()) {
      for (const auto& tab : node.tabs) {
        auto& named = out["ribbon › " + tab.title];
        for (const auto& group : tab.groups) {
          for (const auto& control : group.children) collect(control, named);
        }
      }
      return;
    }
    bool inTitleBar = titleBar || node.role == "AXToolbar";
    if (inTitleBar && node.role != "AXToolbar" && node.role != "AXGroup") {
      auto name = nameOf(node);
      auto key = excel::labelKey(name);
      if (!key.empty()) out["title bar"].try_emplace(key, name, node.role);
    }
    for (const auto& child : node.children) walk(child, inTitleBar);
  };
  if (!fixture.windows.empty()) walk(fixture.windows.front(), false);
  std::function<void(const std::vector<FixtureNode>&, const std::string&)> menus =
      [&](const std::vector<FixtureNode>& items, const std::string& path) {
        for (const auto& item : items) {
          if (item.title.empty()) continue;
          auto here = path.empty() ? item.title : path + " › " + item.title;
          out["menu bar"].try_emplace(excel::labelKey(here), here, item.role);
          menus(item.menu, here);
        }
      };
  for (std::size_t i = 1; i < fixture.menuBar.size(); ++i) menus({fixture.menuBar[i]}, "");
  return out;
}

std::string formatSeconds(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g s", v);
  return text;
}

std::string yesNo(bool v) { return v ? "yes" : "no"; }

}  // namespace

CaptureComparison compareCapture(const ExcelFixture& capture, const ExcelFixture& fixture,
                                 const std::vector<model::Shortcut>& shortcuts) {
  CaptureComparison out;
  auto there = checkIn(capture, shortcuts);
  auto expected = checkIn(fixture, shortcuts);
  for (std::size_t i = 0; i < shortcuts.size() && i < expected.results.size(); ++i) {
    auto before = expected.results[i].status;
    if (before == Status::found) ++out.foundInFixture;
    if (before != Status::found && before != Status::notCheckable) continue;
    auto now = i < there.results.size() ? there.results[i] : excel::CheckResult{Status::notFound, "Excel not captured"};
    if (now.status == Status::found || now.status == Status::notCheckable) continue;
    out.breaks.push_back(excel::checkLine(shortcuts[i], now));
  }

  auto mine = surfaces(capture);
  auto theirs = surfaces(fixture);
  for (const auto& [surface, named] : theirs) {
    auto it = mine.find(surface);
    if (it == mine.end()) {
      out.differences.push_back(surface + ": not in the capture");
      continue;
    }
    for (const auto& [key, entry] : named) {
      auto found = it->second.find(key);
      if (found == it->second.end()) {
        out.differences.push_back(surface + " › " + entry.first + " (" + entry.second + "): not in the capture");
      } else if (found->second.second != entry.second) {
        out.differences.push_back(surface + " › " + entry.first + ": " + entry.second + " in the fixture, " +
                                  found->second.second + " in the capture");
      } else if (found->second.first != entry.first) {
        // The same to the lookups (the label key), written otherwise: worth knowing all the same.
        out.differences.push_back(surface + " › " + entry.first + ": “" + found->second.first + "” in the capture");
      }
    }
  }
  for (const auto& [surface, named] : mine) {
    auto it = theirs.find(surface);
    for (const auto& [key, entry] : named) {
      if (it == theirs.end() || !it->second.contains(key)) {
        out.differences.push_back(surface + " › " + entry.first + " (" + entry.second + "): only in the capture");
      }
    }
  }

  const auto& a = capture.application;
  const auto& b = fixture.application;
  auto row = [&](const std::string& key, const std::string& x, const std::string& y) {
    auto padded = key;
    padded.resize(20, ' ');
    auto left = x;
    left.resize(12, ' ');
    out.timings.push_back(padded + left + y);
  };
  row("axLatency", formatSeconds(a.axLatency), formatSeconds(b.axLatency));
  row("menuDelay", formatSeconds(a.menuDelay), formatSeconds(b.menuDelay));
  row("menuPressBlocks", yesNo(a.menuPressBlocks), yesNo(b.menuPressBlocks));
  row("tabSwitchDelay", formatSeconds(a.tabSwitchDelay), formatSeconds(b.tabSwitchDelay));
  row("commandsFill", formatSeconds(a.commandsFill), formatSeconds(b.commandsFill));
  // ax-dump times a menu until it is in the window list: the list's lag is inside menuDelay.
  row("windowListLag", capture.capture ? "in menuDelay" : formatSeconds(a.windowListLag), formatSeconds(b.windowListLag));
  row("commandsAreaReused", yesNo(a.commandsAreaReused), yesNo(b.commandsAreaReused));
  row("ribbonCollapsed", yesNo(a.ribbonCollapsed), yesNo(b.ribbonCollapsed));

  if (capture.capture) {
    const auto& c = *capture.capture;
    auto known = [](const std::string& v) { return v.empty() ? std::string("unknown") : v; };
    out.about.push_back("Excel " + known(c.excelVersion) + ", macOS " + known(c.macOSVersion) + ", language " +
                        known(c.language));
    if (c.windowSize) {
      out.about.push_back("window " + std::to_string(static_cast<int>(c.windowSize->width)) + " × " +
                          std::to_string(static_cast<int>(c.windowSize->height)) + " points");
    }
    for (const auto& warning : c.warnings) out.about.push_back("⚠ " + warning);
  } else {
    out.about.push_back("not made by ax-dump: no versions, language or warnings recorded");
  }
  return out;
}

std::string comparisonText(const CaptureComparison& c, const std::string& captureName, const std::string& fixtureName) {
  std::string out = "Corvane comparison — " + captureName + " with " + fixtureName + "\n";
  for (const auto& line : c.about) out += "  " + line + "\n";
  out += "\nShortcuts that break: " + std::to_string(c.breaks.size()) + " (of " + std::to_string(c.foundInFixture) +
         " found in " + fixtureName + ")\n";
  for (const auto& line : c.breaks) out += line + "\n";
  out += "\nNames and roles that differ: " + std::to_string(c.differences.size()) + "\n";
  for (const auto& line : c.differences) out += "  " + line + "\n";
  std::string header = "setting";
  header.resize(20, ' ');
  std::string capture = "capture";
  capture.resize(12, ' ');
  out += "\nTimings\n  " + header + capture + fixtureName + "\n";
  for (const auto& line : c.timings) out += "  " + line + "\n";
  return out;
}

}  // namespace corvane::tools

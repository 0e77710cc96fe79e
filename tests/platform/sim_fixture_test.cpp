#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "sim_test_support.hpp"
#include "platform/sim/key_equivalent.hpp"
#include "platform/sim/synthetic_ribbon.hpp"
#include "support/golden.hpp"

namespace corvane::platform::sim {
namespace {

using testing::Sim;

TEST(SimFixture, EveryFixtureInResourcesLoads) {
  posix::PosixFiles files;
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(CORVANE_SOURCE_DIR) + "/resources/sim")) {
    if (entry.path().extension() != ".json") continue;
    auto fixture = loadFixtureFile(files, entry.path().string());
    EXPECT_TRUE(fixture.has_value()) << entry.path() << ": " << (fixture ? "" : fixture.error().text());
    if (fixture) {
      EXPECT_EQ(fixture->name, entry.path().stem().string());
      // And each builds a running Excel.
      Sim sim(std::make_shared<const ExcelFixture>(*fixture));
      EXPECT_TRUE(sim.excel->isRunning());
    }
    ++count;
  }
  EXPECT_GE(count, 4);
}

/// Runs every case of tests/data/sim/bad_fixtures.txt and compares "name: fault" lines with the golden file.
TEST(SimFixture, BrokenFixturesAreRefusedWithThePathOfTheFault) {
  std::istringstream in(corvane::testing::readDataFile("sim/bad_fixtures.txt"));
  std::vector<std::pair<std::string, std::string>> cases;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("#")) continue;
    if (line.starts_with("=== ")) {
      cases.emplace_back(line.substr(4), "");
    } else if (!cases.empty()) {
      cases.back().second += line + "\n";
    }
  }
  ASSERT_GT(cases.size(), 40u);
  std::string out;
  for (const auto& [name, json] : cases) {
    auto fixture = parseFixture(json);
    EXPECT_FALSE(fixture.has_value()) << name << " was accepted";
    out += name + ": " + (fixture ? std::string("accepted") : fixture.error().text()) + "\n";
  }
  corvane::testing::expectGolden("sim/bad_fixtures.golden", out);
}

// 3,000 levels once overflowed the stack of tree, run and check.
TEST(SimFixture, NestingBeyondTheLimitIsRefusedNotACrash) {
  std::string deep = "{\"application\": {\"children\": ";
  for (int i = 0; i < 3000; ++i) deep += "[{\"children\": ";
  deep += "[]";
  for (int i = 0; i < 3000; ++i) deep += "}]";
  deep += "}}";
  auto fixture = parseFixture(deep);
  ASSERT_FALSE(fixture);
  EXPECT_NE(fixture.error().text().find("nested more than 200 levels deep"), std::string::npos) << fixture.error().text();
}

TEST(SimFixture, ElementsTakeDefaultsWhereTheFixtureIsSilent) {
  auto fixture = parseFixture(R"({
    "windows": [{"children": [{"role": "AXTabGroup", "description": "ribbon", "tabs": [
      {"title": "Home", "groups": [{"description": "Font", "children": [{"role": "AXButton", "title": "Bold"}]}]},
      {"title": "Insert"}]}]}],
    "menuBar": [{"title": "Apple", "menu": ["About", "-"]}]})");
  ASSERT_TRUE(fixture.has_value()) << fixture.error().text();
  const auto& window = fixture->windows.at(0);
  EXPECT_EQ(window.role, "AXWindow");
  const auto& tabs = window.children.at(0).tabs;
  EXPECT_EQ(tabs.at(0).role, "AXRadioButton");
  EXPECT_TRUE(tabs.at(0).selected) << "the first tab is selected when none is";
  EXPECT_FALSE(tabs.at(1).selected);
  EXPECT_EQ(tabs.at(0).groups.at(0).role, "AXGroup");
  EXPECT_EQ(tabs.at(0).groups.at(0).children.at(0).place, Placement::large);
  const auto& menu = fixture->menuBar.at(0).menu;
  EXPECT_EQ(fixture->menuBar.at(0).role, "AXMenuBarItem");
  EXPECT_EQ(menu.at(0).title, "About");
  EXPECT_EQ(menu.at(1).title, "");
  EXPECT_EQ(menu.at(1).enabled, false) << "a separator is disabled";
  EXPECT_EQ(fixture->application.pid, 4242);
  EXPECT_EQ(fixture->application.bundleIdentifier, "com.microsoft.Excel");
}

TEST(SimFixture, KeyEquivalentsCarryTheModifierBits) {
  struct Case {
    const char* text;
    std::optional<std::pair<std::string, std::int64_t>> want;
  };
  const Case cases[] = {
      {"⌘1", std::pair<std::string, std::int64_t>{"1", 0}},
      {"⇧⌘S", std::pair<std::string, std::int64_t>{"S", 1}},
      {"⌥⌘R", std::pair<std::string, std::int64_t>{"R", 2}},
      {"⌃⌘V", std::pair<std::string, std::int64_t>{"V", 4}},
      {"⌃⇧=", std::pair<std::string, std::int64_t>{"=", 1 | 4 | 8}},
      {"⌃9", std::pair<std::string, std::int64_t>{"9", 4 | 8}},
      {"⌥⌘⎋", std::pair<std::string, std::int64_t>{"⎋", 2}},
      {"⌘", std::nullopt},
      {"", std::nullopt},
      {"⌘AB", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(parseKeyEquivalent(c.text), c.want) << c.text;
}

std::expected<std::string, std::string> readFrom(const std::map<std::string, std::string>& files, const std::string& name) {
  auto it = files.find(name);
  if (it == files.end()) return std::unexpected("no such file");
  return it->second;
}

TEST(SimFixture, AFixtureExtendsAnotherAndSetsValuesByPath) {
  std::map<std::string, std::string> files{
      {"base.json", R"({"name": "base", "application": {"pid": 77},
                       "windows": [{"title": "Book1", "frame": [0, 25, 1440, 875]}],
                       "dialogs": {"Go To": {"delay": 0.3}}})"},
  };
  FixtureFileReader reader = [&files](const std::string& name) { return readFrom(files, name); };
  auto fixture = parseFixture(R"({"name": "narrow", "extends": "base.json",
      "set": {"windows[0].frame": [0, 25, 1000, 875], "application.frontmost": false,
              "dialogs[\"Go To\"].delay": 1.5}})",
                              reader);
  ASSERT_TRUE(fixture.has_value()) << fixture.error().text();
  EXPECT_EQ(fixture->name, "narrow");
  EXPECT_EQ(fixture->application.pid, 77);
  EXPECT_FALSE(fixture->application.frontmost);
  EXPECT_EQ(fixture->windows.at(0).frame, (Rect{0, 25, 1000, 875}));
  EXPECT_EQ(fixture->windows.at(0).title, "Book1");
  EXPECT_DOUBLE_EQ(fixture->dialogs.at("Go To").delay, 1.5);
}

TEST(SimFixture, ExtendingFaultsNameTheBaseOrTheSetEntry) {
  std::map<std::string, std::string> files{
      {"base.json", R"({"windows": [{"title": "Book1"}]})"},
      {"broken.json", R"({"windows": [{"frame": [1]}]})"},
      {"loop.json", R"({"extends": "loop.json"})"},
  };
  FixtureFileReader reader = [&files](const std::string& name) { return readFrom(files, name); };
  auto fault = [&](const char* json) {
    auto fixture = parseFixture(json, reader);
    return fixture ? std::string("accepted") : fixture.error().text();
  };
  EXPECT_EQ(fault(R"({"extends": "broken.json"})"), "extends: broken.json: windows[0].frame: expected 4 numbers");
  EXPECT_EQ(fault(R"({"extends": "missing.json"})"), "extends: cannot read missing.json: no such file");
  EXPECT_EQ(fault(R"({"extends": "loop.json"})").substr(0, 40), "extends: loop.json: extends: loop.json: ");
  EXPECT_EQ(fault(R"({"extends": "base.json", "set": {"windows[3].frame": [0, 0, 1, 1]}})"),
            "set[\"windows[3].frame\"]: no element at windows[3]");
  EXPECT_EQ(fault(R"({"extends": "base.json", "set": {"windows[0]..frame": 1}})"),
            "set[\"windows[0]..frame\"]: not a path (write it as in error messages, e.g. windows[0].frame)");
  // A value set by path is checked like any other.
  EXPECT_EQ(fault(R"({"extends": "base.json", "set": {"windows[0].frame": [0, 0]}})"),
            "windows[0].frame: expected 4 numbers");
  EXPECT_EQ(fault(R"({"extends": "base.json", "set": {"windows[0].colour": "red"}})"), "windows[0].colour: unknown key");
}

TEST(SimFixture, LoadingAFileResolvesExtendsNextToIt) {
  posix::PosixFiles files;
  auto narrow = loadFixtureFile(files, testing::resourceFixture("narrow"));
  ASSERT_TRUE(narrow.has_value()) << narrow.error().text();
  EXPECT_EQ(narrow->windows.at(0).frame, (Rect{0, 25, 1000, 875}));
  auto missing = loadFixtureFile(files, "/nonexistent/fixture.json");
  ASSERT_FALSE(missing.has_value());
  EXPECT_TRUE(missing.error().message.starts_with("cannot read the file")) << missing.error().text();
}

TEST(SimFixture, SyntheticRibbonHasTheRequestedSize) {
  for (std::size_t size : {30u, 500u, 6000u}) {
    Sim sim(std::make_shared<const ExcelFixture>(syntheticRibbonFixture(size)));
    std::size_t count = 0;
    std::vector<Element> queue{sim.workbook()};
    while (!queue.empty()) {
      auto element = queue.back();
      queue.pop_back();
      ++count;
      for (const auto& child : sim.children(element)) queue.push_back(child);
    }
    EXPECT_LE(count, size);
    EXPECT_GE(count + 1, size) << "at most one short";
  }
}

}  // namespace
}  // namespace corvane::platform::sim

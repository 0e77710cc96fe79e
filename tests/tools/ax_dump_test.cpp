#include "tools/ax-dump/fixture_writer.hpp"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/sim_test_support.hpp"

namespace corvane::tools {
namespace {

using platform::sim::testing::Sim;
using Json = nlohmann::ordered_json;

DumpTarget targetOf(Sim& sim) {
  DumpTarget target;
  target.pid = sim.excel->pid().value_or(-1);
  return target;
}

Json dumpJson(Sim& sim, const DumpOptions& options = {}) {
  auto dump = dumpExcel(sim.ax, sim.time, targetOf(sim), options);
  EXPECT_TRUE(dump.has_value()) << (dump ? "" : dump.error());
  if (!dump) return {};
  return Json::parse(dump->json);
}

const Json* tabNamed(const Json& doc, const std::string& title) {
  for (const auto& child : doc["windows"][0]["children"]) {
    if (!child.contains("tabs")) continue;
    for (const auto& tab : child["tabs"]) {
      if (tab.value("title", "") == title) return &tab;
    }
  }
  return nullptr;
}

TEST(AxDump, CaptureOfTheSimulatedExcelLoadsAndCapturesTheSameAgain) {
  Sim sim("default");
  auto first = dumpExcel(sim.ax, sim.time, targetOf(sim), {});
  ASSERT_TRUE(first.has_value()) << first.error();
  auto fixture = platform::sim::parseFixture(first->json);
  ASSERT_TRUE(fixture.has_value()) << fixture.error().text();

  Sim replay(std::make_shared<const platform::sim::ExcelFixture>(std::move(*fixture)));
  auto second = dumpExcel(replay.ax, replay.time, targetOf(replay), {});
  ASSERT_TRUE(second.has_value()) << second.error();
  EXPECT_EQ(first->json, second->json);
  EXPECT_GT(first->elements, 100u);
}

TEST(AxDump, EveryTabKeepsItsGroupsAndTheSelectedTabIsRestored) {
  Sim sim("default");
  Json doc = dumpJson(sim);
  const Json* home = tabNamed(doc, "Home");
  const Json* insert = tabNamed(doc, "Insert");
  ASSERT_NE(home, nullptr);
  ASSERT_NE(insert, nullptr);
  EXPECT_TRUE(home->value("selected", false));
  EXPECT_FALSE(insert->contains("selected"));
  ASSERT_TRUE(insert->contains("groups"));
  EXPECT_FALSE((*insert)["groups"].empty());
  // Excel is left on the tab the user had.
  auto homeTab = sim.get("AXRadioButton", "Home");
  EXPECT_EQ(sim.read<std::int64_t>(homeTab, "AXValue"), 1);
}

TEST(AxDump, SelectedTabOnlyLeavesExcelUntouched) {
  Sim sim("default");
  DumpOptions options;
  options.allTabs = false;
  auto dump = dumpExcel(sim.ax, sim.time, targetOf(sim), options);
  ASSERT_TRUE(dump.has_value());
  Json doc = Json::parse(dump->json);
  EXPECT_TRUE(tabNamed(doc, "Home")->contains("groups"));
  EXPECT_FALSE(tabNamed(doc, "Insert")->contains("groups"));
  EXPECT_TRUE(sim.excel->commandsRun().empty());
  ASSERT_FALSE(dump->notes.empty());
  EXPECT_EQ(dump->notes.back(), "only the selected tab's groups were captured");
}

TEST(AxDump, MenuBarKeepsKeyEquivalentsSeparatorsAndDisabledItems) {
  Sim sim("default");
  Json doc = dumpJson(sim);
  ASSERT_FALSE(doc["menuBar"].empty());
  const Json& apple = doc["menuBar"][0];
  EXPECT_EQ(apple["title"], "Apple");
  bool sawForceQuit = false;
  bool sawSeparator = false;
  for (const auto& item : apple["menu"]) {
    if (item == "-") sawSeparator = true;
    if (item.is_object() && item["title"] == "Force Quit…") {
      sawForceQuit = true;
      EXPECT_EQ(item["keyEquivalent"], "⌥⌘⎋");
    }
  }
  EXPECT_TRUE(sawForceQuit);
  EXPECT_TRUE(sawSeparator);
  const Json& excelMenu = doc["menuBar"][1];
  bool sawShowAll = false;
  for (const auto& item : excelMenu["menu"]) {
    if (item.is_object() && item["title"] == "Show All") {
      sawShowAll = true;
      EXPECT_EQ(item["enabled"], false);
    }
  }
  EXPECT_TRUE(sawShowAll);
}

TEST(AxDump, RefusesWithoutPermissionOrWithoutExcel) {
  Sim sim("default");
  sim.excel->setTrusted(false);
  auto untrusted = dumpExcel(sim.ax, sim.time, targetOf(sim), {});
  ASSERT_FALSE(untrusted.has_value());
  EXPECT_NE(untrusted.error().find("Accessibility"), std::string::npos);

  Sim absent("default");
  DumpTarget nobody;
  nobody.pid = 999999;
  auto missing = dumpExcel(absent.ax, absent.time, nobody, {});
  ASSERT_FALSE(missing.has_value());
  EXPECT_NE(missing.error().find("does not answer"), std::string::npos);
}

TEST(AxDump, ElementLimitStopsTheWalkAndStillWritesALoadableFixture) {
  Sim sim("default");
  DumpOptions options;
  options.maxElements = 40;
  options.allTabs = false;
  auto dump = dumpExcel(sim.ax, sim.time, targetOf(sim), options);
  ASSERT_TRUE(dump.has_value());
  EXPECT_EQ(dump->elements, 40u);
  EXPECT_EQ(dump->notes.front(), "stopped after 40 elements");
  auto fixture = platform::sim::parseFixture(dump->json);
  EXPECT_TRUE(fixture.has_value()) << fixture.error().text();
}

TEST(AxDump, ElementsThatFailToAnswerAreLeftOutNotFatal) {
  Sim sim("default");
  sim.excel->injectError(platform::sim::ElementSelector{"AXMenuBarItem", "Edit"}, platform::ax::kCannotComplete);
  Json doc = dumpJson(sim);
  for (const auto& item : doc["menuBar"]) EXPECT_NE(item["title"], "Edit");
  EXPECT_FALSE(doc["windows"].empty());
}

TEST(AxDump, KeyEquivalentText) {
  EXPECT_EQ(keyEquivalentText("S", 0), "⌘S");
  EXPECT_EQ(keyEquivalentText("S", 1), "⇧⌘S");
  EXPECT_EQ(keyEquivalentText("=", 5), "⌃⇧⌘=");
  EXPECT_EQ(keyEquivalentText("H", 2), "⌥⌘H");
  EXPECT_EQ(keyEquivalentText("⎋", 2), "⌥⌘⎋");
  EXPECT_EQ(keyEquivalentText("X", 8), "X");                  // no ⌘
  EXPECT_EQ(keyEquivalentText("\xEF\x9C\x84", 0), "");       // U+F704, a function key
  EXPECT_EQ(keyEquivalentText(" ", 0), "");
  EXPECT_EQ(keyEquivalentText("ab", 0), "");
  EXPECT_EQ(keyEquivalentText("\xC3", 0), "");               // a cut-off sequence
}

}  // namespace
}  // namespace corvane::tools

#include "tools/ax-dump/capture_comparison.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/sim_test_support.hpp"
#include "support/builtin_library.hpp"
#include "tools/ax-dump/fixture_writer.hpp"

// `corvane compare`: a capture set against a fixture names each shortcut that breaks and why, the
// names and roles that differ, and the times side by side.

namespace corvane::tools {
namespace {

using platform::sim::ExcelFixture;

std::shared_ptr<ExcelFixture> copyOf(const std::string& name) {
  return std::make_shared<ExcelFixture>(*platform::sim::testing::loadResource(name));
}

/// The fixture as ax-dump captures it from a simulated Excel.
ExcelFixture captureOf(std::shared_ptr<const ExcelFixture> fixture) {
  platform::sim::testing::Sim sim(std::move(fixture));
  excel::ExcelServices services{sim.excel->accessibility(), sim.excel->windowList(), sim.excel->inputPoster(), sim.time};
  DumpTarget target;
  target.pid = sim.excel->pid().value_or(-1);
  target.excelVersion = "16.99";
  target.language = "en-GB";
  auto dump = dumpExcel(services, target, {});
  EXPECT_TRUE(dump.has_value());
  auto parsed = platform::sim::parseFixture(dump ? dump->json : std::string("{}"));
  EXPECT_TRUE(parsed.has_value()) << (parsed ? "" : parsed.error().text());
  return parsed.value_or(ExcelFixture{});
}

bool has(const std::vector<std::string>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(), [&](const auto& l) { return l.find(text) != std::string::npos; });
}

const std::vector<model::Shortcut>& shortcuts() { return corvane::testing::builtinLibrary()->shortcuts(); }

TEST(CompareCapture, ABritishExcelBreaksNothingButItsNamesDiffer) {
  auto capture = captureOf(copyOf("english-uk"));
  auto comparison = compareCapture(capture, *copyOf("default"), shortcuts());
  EXPECT_TRUE(comparison.breaks.empty()) << comparison.breaks.front();
  EXPECT_GT(comparison.foundInFixture, 400);
  // Centre and Center are one to the lookups, but written otherwise; Shading is new.
  EXPECT_TRUE(has(comparison.differences, "ribbon › Home › Center: “Centre” in the capture"));
  EXPECT_TRUE(has(comparison.differences, "ribbon › Home › Font Color: “Font Colour” in the capture"))
      << "Font Color and Font Colour share a key too";
  EXPECT_TRUE(has(comparison.differences, "ribbon › Home › Shading (AXMenuButton): only in the capture"));
  EXPECT_TRUE(has(comparison.differences, "ribbon › Home › Fill Color (AXMenuButton): not in the capture"));
  EXPECT_TRUE(has(comparison.about, "Excel 16.99, macOS unknown, language en-GB"));
}

TEST(CompareCapture, EachShortcutThatBreaksIsNamedWithItsReason) {
  auto lacking = copyOf("default");
  auto& alignment = lacking->windows[0].children[1].tabs[0].groups[2].children;
  auto wrap = std::find_if(alignment.begin(), alignment.end(), [](const auto& c) { return c.title == "Wrap Text"; });
  ASSERT_NE(wrap, alignment.end());
  alignment.erase(wrap);
  // And a toolbar that ends after four buttons with a renamed customise button.
  auto& items = lacking->windows[0].children[0].children[0].children;
  items.erase(items.begin() + 4, items.begin() + 15);
  items[4].description = "Anpassen";
  auto comparison = compareCapture(captureOf(lacking), *copyOf("default"), shortcuts());
  EXPECT_TRUE(has(comparison.breaks, "❌  ⌥ H W       Wrap Text\n            ribbon Home › Wrap Text not found"))
      << comparison.breaks.front();
  EXPECT_TRUE(has(comparison.breaks, "⚠️  ⌥ 5         Quick Access Toolbar button 5"));
  EXPECT_FALSE(has(comparison.breaks, "⌥ 4 ")) << "button 4 is still there";
  EXPECT_TRUE(has(comparison.differences, "ribbon › Home › Wrap Text (AXCheckBox): not in the capture"));
  auto text = comparisonText(comparison, "my-excel.json", "default");
  EXPECT_NE(text.find("Shortcuts that break: " + std::to_string(comparison.breaks.size()) + " (of "), std::string::npos);
}

TEST(CompareCapture, TimingsStandSideBySide) {
  auto slow = copyOf("default");
  slow->application.commandsAreaReused = true;
  slow->application.menuPressBlocks = false;
  auto capture = captureOf(slow);
  auto comparison = compareCapture(capture, *copyOf("default"), shortcuts());
  EXPECT_TRUE(has(comparison.timings, "commandsAreaReused  yes         no"));
  EXPECT_TRUE(has(comparison.timings, "menuPressBlocks     no          yes"));
  EXPECT_TRUE(has(comparison.timings, "axLatency           0.0003 s    0.0003 s"));

  // A hand-written fixture compared as a capture says it carries no capture facts.
  auto plain = compareCapture(*copyOf("narrow"), *copyOf("default"), shortcuts());
  EXPECT_TRUE(has(plain.about, "not made by ax-dump"));
}

}  // namespace
}  // namespace corvane::tools

#include "tools/ax-dump/fixture_writer.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>

#include "excel/shortcut_check.hpp"
#include "platform/sim_test_support.hpp"
#include "support/builtin_library.hpp"
#include "tools/ax-dump/dump_command.hpp"

// The capture, run against the simulated Excel: what it finds by structure alone, what it opens and
// closes, what it measures, what it leaves out for privacy, and that replaying a capture gives the
// same shortcut check as the Excel it was taken from.

namespace corvane::tools {
namespace {

using platform::sim::ExcelFixture;
using platform::sim::testing::RealTime;
using platform::sim::testing::Sim;
using Json = nlohmann::ordered_json;

/// A simulated Excel in its fixture's own time, with the services the capture and the check use.
struct Captured {
  explicit Captured(std::shared_ptr<const ExcelFixture> fixture)
      : sim(std::move(fixture)),
        services{sim.excel->accessibility(), sim.excel->windowList(), sim.excel->inputPoster(), sim.time} {}
  explicit Captured(const std::string& name) : Captured(platform::sim::testing::loadResource(name)) {}

  std::expected<Dump, std::string> dump(const DumpOptions& options = {}) {
    DumpTarget target;
    target.pid = sim.excel->pid().value_or(-1);
    return dumpExcel(services, target, options);
  }
  Json json(const DumpOptions& options = {}) {
    auto d = dump(options);
    EXPECT_TRUE(d.has_value()) << (d ? "" : d.error());
    return d ? Json::parse(d->json) : Json{};
  }
  /// The built-in shortcuts checked against this Excel, the report's date left out.
  std::string check() {
    excel::ExcelApp app(services, sim.excel->pid().value_or(-1));
    auto text = excel::checkShortcuts(app, corvane::testing::builtinLibrary()->shortcuts(), "today").text;
    return text;
  }

  Sim sim;
  excel::ExcelServices services;
};

std::shared_ptr<const ExcelFixture> replay(const std::string& json) {
  auto fixture = platform::sim::parseFixture(json);
  EXPECT_TRUE(fixture.has_value()) << (fixture ? "" : fixture.error().text());
  if (!fixture) return nullptr;
  return std::make_shared<const ExcelFixture>(std::move(*fixture));
}

std::shared_ptr<const ExcelFixture> defaultWith(const std::function<void(ExcelFixture&)>& change) {
  auto copy = std::make_shared<ExcelFixture>(*platform::sim::testing::loadResource("default"));
  change(*copy);
  return copy;
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

std::size_t controlsIn(const Json& tab) {
  std::size_t n = 0;
  for (const auto& group : tab.value("groups", Json::array())) n += group.value("children", Json::array()).size();
  return n;
}

// --- Capture, replay, check ---

class CaptureReplays : public ::testing::TestWithParam<std::string> {};

TEST_P(CaptureReplays, TheReplayGivesTheSameShortcutCheckAsTheExcelItWasTakenFrom) {
  Captured original(GetParam());
  auto expected = original.check();
  Captured source(GetParam());
  auto dump = source.dump();
  ASSERT_TRUE(dump.has_value()) << dump.error();
  auto fixture = replay(dump->json);
  ASSERT_NE(fixture, nullptr);
  Captured replayed(fixture);
  EXPECT_EQ(replayed.check(), expected) << summaryText(*dump);
  EXPECT_TRUE(source.sim.excel->commandsRun().empty()) << "the capture runs no command";
  EXPECT_EQ(source.sim.excel->openPopupCount(), 0u) << "every menu it opened is closed again";
  EXPECT_TRUE(source.sim.excel->openMenuBarMenus().empty());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CaptureReplays,
                         ::testing::Values("default", "slow", "excel-2019", "english-uk", "narrow", "collapsed", "german",
                                           "no-workbook"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           auto name = info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

TEST(Capture, WithoutTabGroupOrCommandsDescriptionsEveryTabStillHasItsCommands) {
  auto bare = defaultWith([](ExcelFixture& f) {
    f.windows[0].children[1].description.clear();
    for (auto& tab : f.windows[0].children[1].tabs) tab.commandsDescription = "";
  });
  Captured c(bare);
  auto doc = c.json();
  for (const auto* title : {"Home", "Insert", "Draw", "Page Layout", "Formulas", "Data", "Review", "View"}) {
    const auto* tab = tabNamed(doc, title);
    ASSERT_NE(tab, nullptr) << title;
    EXPECT_GT(controlsIn(*tab), 2u) << title;
    EXPECT_EQ(tab->value("commandsDescription", "?"), "") << "recorded as data: none";
  }
  EXPECT_EQ(c.sim.excel->selectedTab(), "Home") << "the user's tab is restored";
}

TEST(Capture, ATabWhosePressAnswersCannotCompleteIsStillCaptured) {
  Captured c("default");
  c.sim.excel->injectPressResult(platform::sim::ElementSelector{"AXRadioButton", "Formulas"});
  auto doc = c.json();
  ASSERT_NE(tabNamed(doc, "Formulas"), nullptr);
  EXPECT_GT(controlsIn(*tabNamed(doc, "Formulas")), 5u);
}

// --- Privacy ---

TEST(Capture, NoWorkbookTextReachesTheCaptureUnlessAskedFor) {
  auto secret = defaultWith([](ExcelFixture& f) {
    auto& window = f.windows[0];
    window.title = "Salaries 2026.xlsx";
    // The document's name in the title bar, the formula bar's text, the sheet and its table.
    for (auto& item : window.children[0].children[0].children) {
      if (item.identifier == "CUIDocumentShellWindowTitleLabel") item.value = std::string("Salaries 2026.xlsx");
    }
    window.children[2].children[0].value = std::string("B7");
    window.children[2].children[1].value = std::string("=SECRET_PAYROLL*2");
    window.children[3].description = "Payroll sheet";
    window.children[3].children[0].description = "Alice earns 90000";
  });
  for (const auto* word : {"Salaries", "SECRET_PAYROLL", "Payroll", "Alice", "B7"}) {
    Captured c(secret);
    auto d = c.dump();
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->json.find(word), std::string::npos) << word;
  }
  Captured kept(secret);
  DumpOptions options;
  options.keepValues = true;
  auto d = kept.dump(options);
  ASSERT_TRUE(d.has_value());
  EXPECT_NE(d->json.find("SECRET_PAYROLL"), std::string::npos);
  EXPECT_NE(d->json.find("Salaries 2026.xlsx"), std::string::npos);
  // The ribbon's own values are Excel's, not the workbook's.
  Captured plain(secret);
  EXPECT_NE(plain.dump()->json.find("Calibri (Body)"), std::string::npos);
}

// --- Menus: opened, captured, closed; never while Excel is behind ---

TEST(Capture, DropdownGalleryAndMenuItemsAreCapturedByOpeningThem) {
  Captured c("default");
  auto doc = c.json();
  const auto* home = tabNamed(doc, "Home");
  ASSERT_NE(home, nullptr);
  bool sawPaste = false;
  bool sawGallery = false;
  for (const auto& group : (*home)["groups"]) {
    for (const auto& control : group.value("children", Json::array())) {
      if (control.value("title", "") == "Paste") sawPaste = control["menu"].size() > 10;
      if (control.value("description", "") == "Cell Styles") sawGallery = !control["menu"].empty();
    }
  }
  EXPECT_TRUE(sawPaste);
  EXPECT_TRUE(sawGallery);
  bool windowFilled = false;
  for (const auto& menu : doc["menuBar"]) {
    if (menu["title"] == "Window") windowFilled = menu.value("itemsWhenOpen", false) && !menu["menu"].empty();
  }
  EXPECT_TRUE(windowFilled) << "Excel fills its Window menu only once it is open";
}

TEST(Capture, BehindAnotherApplicationNothingIsOpenedAndTheSummarySaysSo) {
  Captured c("default");
  c.sim.excel->setFrontmost(false);
  auto d = c.dump();
  ASSERT_TRUE(d.has_value());
  EXPECT_EQ(c.sim.excel->openPopupCount(), 0u);
  EXPECT_TRUE(c.sim.excel->openMenuBarMenus().empty());
  std::size_t escapes = 0;
  for (const auto& event : c.sim.excel->inputPoster().posted()) escapes += event.keyCode == 53 ? 1 : 0;
  EXPECT_EQ(escapes, 0u) << "Escape goes to Excel only while it is in front";
  EXPECT_NE(summaryText(*d).find("Excel wasn't in front, so no menu was opened"), std::string::npos);
}

TEST(Capture, NoMenusLeavesEveryMenuShut) {
  Captured c("default");
  DumpOptions options;
  options.openMenus = false;
  auto d = c.dump(options);
  ASSERT_TRUE(d.has_value());
  EXPECT_TRUE(c.sim.excel->inputPoster().posted().empty()) << "nothing opened, nothing to close";
  EXPECT_TRUE(replay(d->json) != nullptr);
}

// --- What it measures and says ---

TEST(Capture, TimingsAreMeasuredOnTheSpotAndWrittenAsTheFixturesKeys) {
  Captured c("default");
  auto app = c.json()["application"];
  EXPECT_NEAR(app["axLatency"].get<double>(), 0.0003, 0.0001);
  EXPECT_EQ(app["menuPressBlocks"], true) << "the default Excel's dropdown presses wait out their timeout";
  EXPECT_GE(app["tabSwitchDelay"].get<double>(), 0.12);
  EXPECT_LT(app["tabSwitchDelay"].get<double>(), 0.2);
  EXPECT_EQ(app["commandsAreaReused"], false);

  auto reused = defaultWith([](ExcelFixture& f) {
    f.application.commandsAreaReused = true;
    f.application.commandsFill = 0.4;
    f.application.menuPressBlocks = false;
  });
  Captured r(reused);
  auto measured = r.json()["application"];
  EXPECT_EQ(measured["commandsAreaReused"], true);
  EXPECT_EQ(measured["menuPressBlocks"], false);
  // From the opening call to the popup in the window list: Excel's delay and the list's lag.
  EXPECT_NEAR(measured["menuDelay"].get<double>(), 0.15 + 0.05, 0.03);
  EXPECT_GT(measured["commandsFill"].get<double>(), 0.2);
}

TEST(Capture, TheSummaryCountsTabsGroupsControlsAndMenusAndWarnsOfWhatIsMissing) {
  Captured c("default");
  auto d = c.dump();
  ASSERT_TRUE(d.has_value());
  const auto& s = d->summary;
  ASSERT_EQ(s.tabs.size(), 8u);
  EXPECT_EQ(s.tabs[0].title, "Home");
  EXPECT_EQ(s.tabs[0].groups, 8);
  EXPECT_GT(s.tabs[0].dropdowns, 5);
  EXPECT_EQ(s.quickAccessButtons, 15);
  EXPECT_EQ(s.menus, 11);
  EXPECT_GT(s.menuItems, 100);
  auto text = summaryText(*d);
  EXPECT_NE(text.find("  Home: 8 groups, "), std::string::npos) << text;
  EXPECT_EQ(s.tabs[6].folded, 0) << "Review's Notes group holds a menu button, not a folded group";
  EXPECT_NE(text.find("Quick Access Toolbar: 15 buttons"), std::string::npos) << text;

  // Without a ribbon or a document title identifier the summary says what it expected.
  auto bare = defaultWith([](ExcelFixture& f) {
    f.windows[0].children.erase(f.windows[0].children.begin() + 1);
    for (auto& item : f.windows[0].children[0].children[0].children) item.identifier.clear();
  });
  Captured b(bare);
  auto missing = summaryText(*b.dump());
  EXPECT_NE(missing.find("the workbook window has no ribbon (AXTabGroup)"), std::string::npos) << missing;
  EXPECT_NE(missing.find("CUIDocumentShellWindowTitleLabel"), std::string::npos) << missing;

  Captured none("no-workbook");
  EXPECT_NE(summaryText(*none.dump()).find("no workbook is open"), std::string::npos);
}

TEST(Capture, RefusesWithoutPermissionOrWithoutExcel) {
  Captured c("default");
  c.sim.excel->setTrusted(false);
  auto untrusted = c.dump();
  ASSERT_FALSE(untrusted.has_value());
  EXPECT_NE(untrusted.error().find("Accessibility"), std::string::npos);

  Captured absent("default");
  DumpTarget nobody;
  nobody.pid = 999999;
  auto missing = dumpExcel(absent.services, nobody, {});
  ASSERT_FALSE(missing.has_value());
  EXPECT_NE(missing.error().find("does not answer"), std::string::npos);
}

TEST(Capture, ElementLimitStopsTheWalkAndStillWritesALoadableFixture) {
  Captured c("default");
  DumpOptions options;
  options.maxElements = 40;
  options.allTabs = false;
  options.openMenus = false;
  auto d = c.dump(options);
  ASSERT_TRUE(d.has_value());
  EXPECT_EQ(d->elements, 40u);
  EXPECT_EQ(d->summary.warnings.front(), "stopped after 40 elements");
  EXPECT_NE(replay(d->json), nullptr);
}

TEST(Capture, ElementsThatFailToAnswerAreLeftOutNotFatal) {
  Captured c("default");
  c.sim.excel->injectError(platform::sim::ElementSelector{"AXMenuBarItem", "Edit"}, platform::ax::kCannotComplete);
  auto doc = c.json();
  for (const auto& item : doc["menuBar"]) EXPECT_NE(item["title"], "Edit");
  EXPECT_FALSE(doc["windows"].empty());
}

TEST(Capture, KeyEquivalentText) {
  EXPECT_EQ(keyEquivalentText("S", 0), "⌘S");
  EXPECT_EQ(keyEquivalentText("S", 1), "⇧⌘S");
  EXPECT_EQ(keyEquivalentText("=", 5), "⌃⇧⌘=");
  EXPECT_EQ(keyEquivalentText("H", 2), "⌥⌘H");
  EXPECT_EQ(keyEquivalentText("⎋", 2), "⌥⌘⎋");
  EXPECT_EQ(keyEquivalentText("X", 8), "X");             // no ⌘
  EXPECT_EQ(keyEquivalentText("\xEF\x9C\x84", 0), "");  // U+F704, a function key
  EXPECT_EQ(keyEquivalentText(" ", 0), "");
  EXPECT_EQ(keyEquivalentText("ab", 0), "");
  EXPECT_EQ(keyEquivalentText("\xC3", 0), "");  // a cut-off sequence
}

TEST(DumpCommandLine, OptionsAndTheirFaults) {
  const char* full[] = {"ax-dump", "--fixture", "narrow", "--no-menus", "--keep-values", "--selected-tab-only", "-o", "x.json"};
  auto line = parseDumpArguments(8, full, true);
  ASSERT_TRUE(line.has_value()) << line.error();
  EXPECT_EQ(line->fixture, "narrow");
  EXPECT_FALSE(line->options.openMenus);
  EXPECT_TRUE(line->options.keepValues);
  EXPECT_FALSE(line->options.allTabs);
  EXPECT_EQ(line->output, "x.json");

  const char* noFixture[] = {"ax-dump"};
  EXPECT_NE(parseDumpArguments(1, noFixture, true).error().find("--fixture"), std::string::npos);
  EXPECT_TRUE(parseDumpArguments(1, noFixture, false).has_value()) << "on a Mac the running Excel";
  const char* onMac[] = {"ax-dump", "--fixture", "default"};
  EXPECT_EQ(parseDumpArguments(3, onMac, false).error(), "unknown option --fixture");
  const char* dangling[] = {"ax-dump", "-o"};
  EXPECT_EQ(parseDumpArguments(2, dangling, false).error(), "-o needs a value");
}

}  // namespace
}  // namespace corvane::tools

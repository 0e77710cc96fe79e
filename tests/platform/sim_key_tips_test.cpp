#include <gtest/gtest.h>

#include "sim_test_support.hpp"

// Excel's own KeyTips in the simulated Excel: how their key is heard, what the Accessibility
// interface shows while they do, which keys they take and what ends them.

namespace corvane::platform::sim {
namespace {

using testing::Sim;

constexpr std::uint16_t kH = 4, kW = 13, kN = 45, kF = 3, kS = 1, kO = 31, kZ = 6, kC = 8, kEscape = 53;

std::shared_ptr<const ExcelFixture> withKeyTips(std::optional<KeyTipsKey> key, double delay = 0) {
  auto copy = std::make_shared<ExcelFixture>(*testing::instant(testing::loadResource("default")));
  copy->application.nativeKeyTips = key;
  copy->application.nativeKeyTipsDelay = delay;
  return copy;
}

struct KeyTipsSim : Sim {
  explicit KeyTipsSim(std::optional<KeyTipsKey> key = KeyTipsKey::option, double delay = 0)
      : Sim(withKeyTips(key, delay)) {}

  void tapOption() {
    excel->receiveFlags(flags::kOption);
    excel->receiveFlags(0);
  }
  void tapShiftOption(bool shiftReleasedFirst = false) {
    excel->receiveFlags(flags::kShift);
    excel->receiveFlags(flags::kShift | flags::kOption);
    excel->receiveFlags(shiftReleasedFirst ? flags::kOption : flags::kShift);
    excel->receiveFlags(0);
  }
  void key(std::uint16_t code, std::uint64_t modifiers = 0) {
    excel->receiveKey(code, true, modifiers);
    excel->receiveKey(code, false, modifiers);
  }
  std::vector<std::string> lines() {
    std::vector<std::string> out;
    for (const auto& event : excel->events()) out.push_back(describe(event));
    excel->clearEvents();
    return out;
  }
  /// The application's static-text children, read through the Accessibility interface.
  std::vector<Element> badges() {
    std::vector<Element> out;
    for (const auto& child : children(app())) {
      if (text(child, "AXRole") == "AXStaticText") out.push_back(child);
    }
    return out;
  }
};

TEST(SimKeyTips, AreOffUnlessTheFixtureTurnsThemOn) {
  KeyTipsSim sim(std::nullopt);
  sim.tapOption();
  sim.tapShiftOption();
  sim.key(kH);
  EXPECT_FALSE(sim.excel->keyTipsShowing());
  EXPECT_TRUE(sim.badges().empty());
  EXPECT_EQ(sim.lines(), (std::vector<std::string>{"key 4 flags 0x0"})) << "H is typed into the sheet";
}

TEST(SimKeyTips, ATapOfOptionShowsABadgePerTabAmongTheApplicationsChildren) {
  KeyTipsSim sim;
  sim.tapOption();
  ASSERT_TRUE(sim.excel->keyTipsShowing());
  EXPECT_EQ(sim.lines(), (std::vector<std::string>{"key tips shown for the tabs (8)"}));
  EXPECT_EQ(sim.excel->keyTipBadges(), (std::vector<std::string>{"H", "N", "Y1", "P", "M", "A", "R", "W"}))
      << "Windows letters; Draw has none of its own";
  auto badges = sim.badges();
  ASSERT_EQ(badges.size(), 8u);
  auto children = sim.children(sim.app());
  EXPECT_EQ(children.front(), badges.front()) << "the badges come first, above the windows";
  // Each is a static text carrying its letters, centred on its tab's lower edge, in no window.
  auto home = *sim.excel->frameOf(sim.get("AXRadioButton", "Home"));
  auto h = badges.front();
  EXPECT_EQ(sim.text(h, "AXValue"), "H");
  auto position = sim.read<Point>(h, "AXPosition");
  auto size = sim.read<Size>(h, "AXSize");
  ASSERT_TRUE(position && size);
  EXPECT_DOUBLE_EQ(position->x + size->width / 2, home.midX());
  EXPECT_DOUBLE_EQ(position->y + size->height / 2, home.maxY());
  EXPECT_FALSE(sim.read<Element>(h, "AXWindow").has_value());
  // The window list knows nothing of them: they are no windows.
  EXPECT_EQ(sim.excel->windowList().onScreenWindows().size(), 1u);
}

TEST(SimKeyTips, OnlyTheirOwnKeyAloneIsATap) {
  KeyTipsSim option;
  // A key between press and release, another modifier, ⇧⌥ or a hold with a click: no KeyTips.
  option.excel->receiveFlags(flags::kOption);
  option.key(kH, flags::kOption);
  option.excel->receiveFlags(0);
  option.excel->receiveFlags(flags::kOption);
  option.excel->receiveFlags(flags::kOption | flags::kCommand);
  option.excel->receiveFlags(flags::kOption);
  option.excel->receiveFlags(0);
  option.tapShiftOption();
  option.excel->receiveFlags(flags::kOption);
  option.excel->receiveMouse(InputPoster::Mouse::leftDown, {700, 600});
  option.excel->receiveFlags(0);
  EXPECT_FALSE(option.excel->keyTipsShowing());

  KeyTipsSim shiftOption(KeyTipsKey::shiftOption);
  shiftOption.tapOption();
  EXPECT_FALSE(shiftOption.excel->keyTipsShowing()) << "⌥ alone is not their key";
  shiftOption.tapShiftOption();
  EXPECT_TRUE(shiftOption.excel->keyTipsShowing());
  shiftOption.tapShiftOption(true);
  EXPECT_FALSE(shiftOption.excel->keyTipsShowing()) << "a second tap leaves, whichever key goes up first";
  shiftOption.tapShiftOption(true);
  EXPECT_TRUE(shiftOption.excel->keyTipsShowing());
}

TEST(SimKeyTips, ATabsLetterShowsItsCommandsLettersOnceTheyAreDrawn) {
  KeyTipsSim sim;
  sim.tapOption();
  sim.key(kN);
  // Insert is selected at once; its commands, and their badges, come after the tab's delay.
  EXPECT_EQ(sim.excel->selectedTab(), "Insert");
  EXPECT_TRUE(sim.badges().empty());
  sim.time.runUntilIdle();
  EXPECT_EQ(sim.lines(), (std::vector<std::string>{"key tips shown for the tabs (8)", "key tip N", "tab Insert",
                                                   "key tips shown for Insert (20)"}));
  auto badges = sim.excel->keyTipBadges();
  EXPECT_NE(std::find(badges.begin(), badges.end(), "V"), badges.end()) << "PivotTable";
  // The letters never reach the sheet.
  for (const auto& event : sim.excel->events()) EXPECT_NE(event.kind, ExcelEvent::Kind::key);
}

TEST(SimKeyTips, ACommandsLettersPressItAndEndTheKeyTips) {
  KeyTipsSim sim;
  sim.tapOption();
  sim.key(kH);
  EXPECT_EQ(sim.excel->keyTipBadges().size(), 44u) << "Home is open already: no tab switch";
  sim.key(kW);
  EXPECT_FALSE(sim.excel->keyTipsShowing());
  EXPECT_TRUE(sim.badges().empty());
  EXPECT_EQ(sim.lines(), (std::vector<std::string>{"key tips shown for the tabs (8)", "key tip H",
                                                   "key tips shown for Home (44)", "key tip W", "key tips hidden",
                                                   "ran Wrap Text"}));
  // Two letters: the first narrows the badges, a letter no badge has is ignored, the second
  // completes; a box gets the cursor.
  sim.tapOption();
  sim.key(kH);
  sim.key(kF);
  EXPECT_EQ(sim.excel->keyTipBadges().size(), 11u);
  sim.key(kZ);
  EXPECT_TRUE(sim.excel->keyTipsShowing());
  sim.key(kS);
  auto lines = sim.lines();
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.end()),
            (std::vector<std::string>{"key tip F", "key tips shown for Home after F (11)", "key tip FZ (no KeyTip)",
                                      "key tip FS", "key tips hidden", "focused Font Size"}));
}

TEST(SimKeyTips, EscapeBacksOutALevelAtATime) {
  KeyTipsSim sim;
  sim.tapOption();
  sim.key(kH);
  sim.key(kF);
  sim.key(kEscape);
  EXPECT_EQ(sim.excel->keyTipBadges().size(), 44u) << "the letters typed go first";
  sim.key(kEscape);
  EXPECT_EQ(sim.excel->keyTipBadges().size(), 8u) << "then back to the tabs";
  sim.key(kEscape);
  EXPECT_FALSE(sim.excel->keyTipsShowing());
  auto lines = sim.lines();
  EXPECT_EQ(lines.back(), "key tips hidden");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "key tips shown for the tabs (8)"), 2);
  for (const auto& line : lines) EXPECT_FALSE(line.starts_with("key 53")) << "Escape went to the KeyTips";
  sim.key(kEscape);
  EXPECT_EQ(sim.lines(), (std::vector<std::string>{"key 53 flags 0x0"})) << "and afterwards to the sheet";
}

TEST(SimKeyTips, AClickAShortcutAMenuOrAnotherApplicationEndsThem) {
  KeyTipsSim sim;
  auto wrap = *sim.excel->frameOf(sim.get("AXCheckBox", "Wrap Text"));
  sim.tapOption();
  sim.excel->receiveMouse(InputPoster::Mouse::leftDown, platform::Point{wrap.midX(), wrap.midY()});
  sim.excel->receiveMouse(InputPoster::Mouse::leftUp, platform::Point{wrap.midX(), wrap.midY()});
  EXPECT_EQ(sim.lines(), (std::vector<std::string>{"key tips shown for the tabs (8)", "key tips hidden",
                                                   "ran Wrap Text"}))
      << "the click goes on to what it hit";

  sim.tapOption();
  sim.key(kC, flags::kCommand);
  EXPECT_EQ(sim.lines(), (std::vector<std::string>{"key tips shown for the tabs (8)", "key tips hidden",
                                                   "key 8 flags 0x100000"}));

  // A dropdown gets no KeyTips: choosing it ends them, and the key does nothing while it is open.
  sim.tapOption();
  sim.key(kH);
  sim.key(kO);
  EXPECT_FALSE(sim.excel->keyTipsShowing());
  EXPECT_EQ(sim.excel->openPopupCount(), 1u);
  sim.tapOption();
  EXPECT_FALSE(sim.excel->keyTipsShowing());
  sim.key(kEscape);
  sim.lines();

  // A menu opened any other way, or another application in front, ends them too.
  sim.tapOption();
  ASSERT_EQ(sim.ax.performAction(sim.get("AXMenuButton", "Format"), "AXPress"), ax::kSuccess);
  EXPECT_FALSE(sim.excel->keyTipsShowing());
  sim.key(kEscape);
  sim.tapOption();
  sim.excel->setFrontmost(false);
  EXPECT_FALSE(sim.excel->keyTipsShowing());
  EXPECT_TRUE(sim.badges().empty());
  sim.tapOption();
  EXPECT_FALSE(sim.excel->keyTipsShowing()) << "Excel hears no keys from behind";
}

TEST(SimKeyTips, TheyMayTakeAMomentToAppear) {
  KeyTipsSim sim(KeyTipsKey::option, 0.2);
  sim.tapOption();
  EXPECT_FALSE(sim.excel->keyTipsShowing());
  sim.time.advanceBy(0.19);
  EXPECT_TRUE(sim.badges().empty());
  sim.time.advanceBy(0.02);
  EXPECT_EQ(sim.badges().size(), 8u);
  sim.key(kEscape);
  // A key typed meanwhile means the user went on: they never come.
  sim.tapOption();
  sim.time.advanceBy(0.1);
  sim.key(kH);
  sim.time.runUntilIdle();
  EXPECT_FALSE(sim.excel->keyTipsShowing());
}

TEST(SimKeyTips, AFaultKeepsThemThroughEscape) {
  KeyTipsSim sim;
  sim.excel->setKeyTipsIgnoreEscape(true);
  sim.tapOption();
  sim.key(kEscape);
  sim.key(kEscape);
  EXPECT_TRUE(sim.excel->keyTipsShowing());
  sim.excel->receiveMouse(InputPoster::Mouse::leftDown, {700, 600});
  EXPECT_FALSE(sim.excel->keyTipsShowing());
}

TEST(SimKeyTips, AFixtureMayGiveItsOwnLetters) {
  auto fixture = testing::parseOrFail(R"({
    "application": {"nativeKeyTips": "option"},
    "windows": [{"frame": [0, 25, 800, 600], "children": [{"role": "AXTabGroup", "tabs": [
      {"title": "Start", "keyTip": "R", "groups": [{"description": "Schrift", "children": [
        {"role": "AXCheckBox", "description": "Fett", "keyTip": "1"},
        {"role": "AXButton", "title": "Kopieren"}]}]},
      {"title": "Einfügen"}, {"title": "Zeichnen"}]}]}]})");
  Sim sim(fixture);
  sim.excel->receiveFlags(flags::kOption);
  sim.excel->receiveFlags(0);
  EXPECT_EQ(sim.excel->keyTipBadges(), (std::vector<std::string>{"R", "Y1", "Y2"}));
  sim.excel->receiveKey(15, true, 0);  // R
  EXPECT_EQ(sim.excel->keyTipBadges(), (std::vector<std::string>{"1"})) << "a control with no letters has no badge";
  sim.excel->receiveKey(18, true, 0);  // 1
  EXPECT_EQ(sim.excel->commandsRun(), (std::vector<std::string>{"Fett"}));
}

TEST(SimKeyTips, QuittingTakesThemAway) {
  KeyTipsSim sim;
  sim.tapOption();
  auto badge = sim.badges().front();
  sim.excel->quit();
  EXPECT_FALSE(sim.excel->keyTipsShowing());
  EXPECT_FALSE(sim.excel->isValid(badge));
  ASSERT_TRUE(sim.excel->launch());
  EXPECT_FALSE(sim.excel->keyTipsShowing());
  sim.tapOption();
  EXPECT_EQ(sim.badges().size(), 8u);
}

}  // namespace
}  // namespace corvane::platform::sim

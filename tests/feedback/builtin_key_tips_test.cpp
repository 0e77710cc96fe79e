// The shipped shortcuts' key tips in the simulated Excel: a badge on every tab at the root, and on
// each tab and in each opened menu a badge for every key the library plans there.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "feedback/key_tip_controller.hpp"
#include "model/grammar.hpp"
#include "platform/panels.hpp"
#include "platform/screens.hpp"
#include "platform/sim_test_support.hpp"
#include "support/builtin_library.hpp"

namespace corvane::feedback {
namespace {

using corvane::testing::builtinLibrary;
using Keys = std::vector<std::string>;

// Panels that draw nothing: these tests read the controller's badges, not the overlay. Main thread.
class QuietPanel final : public platform::Panel {
 public:
  void setContent(std::shared_ptr<const platform::views::View> content) override { content_ = std::move(content); }
  platform::Size fittingSize() override { return {100, 20}; }
  void setFrame(const platform::Rect& frame) override { frame_ = frame; }
  [[nodiscard]] platform::Rect frame() const override { return frame_; }
  void orderFront() override { visible_ = true; }
  void makeKeyAndOrderFront() override { visible_ = true; }
  void orderOut() override { visible_ = false; }
  [[nodiscard]] bool isVisible() const override { return visible_; }
  [[nodiscard]] bool isKey() const override { return false; }
  void setIgnoresMouse(bool) override {}
  void animateAlpha(double, double, std::function<void()> done) override {
    if (done) done();
  }
  void setCornerRadius(double) override {}
  void setTitle(const std::string&) override {}
  void center() override {}
  void setActionSink(std::function<void(const platform::PanelAction&)>) override {}

 private:
  std::shared_ptr<const platform::views::View> content_;
  platform::Rect frame_;
  bool visible_ = false;
};

// One 1440 × 900 screen and a fixed text metric, as the simulated desktop measures.
struct QuietDesktop final : platform::Panels, platform::Screens, platform::TextMetrics {
  std::unique_ptr<platform::Panel> create(platform::PanelKind, platform::Size) override {
    return std::make_unique<QuietPanel>();
  }
  [[nodiscard]] bool ownWindowIsKey() const override { return false; }
  std::vector<platform::ScreenInfo> screens() override {
    return {platform::ScreenInfo{1, {0, 0, 1440, 900}, {0, 0, 1440, 875}, 2}};
  }
  std::optional<platform::ScreenInfo> mainScreen() override { return screens().front(); }
  platform::Point mouseLocation() override { return {}; }
  double width(const std::string& text, double pointSize, platform::FontWeight) override {
    return 0.6 * pointSize * static_cast<double>(text.size());
  }
};

/// A simulated Excel (the default one unless named) with a key-tip controller over the built-in library, as the shell
/// wires them (scans on the actions queue, results on the main queue).
struct KeyTips {
  explicit KeyTips(const std::string& fixture = "default")
      : sim(std::make_unique<platform::sim::SimExcel>(time, time, platform::sim::testing::loadResource(fixture))),
        services{sim->accessibility(), sim->windowList(), sim->inputPoster(), time},
        actions(time.makeSerialQueue("app.corvane.actions", platform::QoS::userInitiated)),
        controller(std::make_shared<KeyTipController>(
            time, *actions, services, std::make_unique<KeyTipOverlay>(desktop, desktop, desktop), builtinLibrary())) {}

  /// Types the path key by key, as the engine asks for tips at each level from `firstLevel` on;
  /// the tips of the last. (A level selects its tab itself; menus open one level at a time.)
  const std::vector<KeyTip>& typed(const Keys& path, std::size_t firstLevel = 0) {
    for (std::size_t n = firstLevel; n <= path.size(); ++n) {
      controller->update(Keys(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(n)), *sim->pid());
      time.runUntilIdle();
    }
    return controller->lastTips();
  }

  platform::sim::VirtualTime time;
  QuietDesktop desktop;
  std::unique_ptr<platform::sim::SimExcel> sim;
  excel::ExcelServices services;
  std::shared_ptr<platform::Queue> actions;
  std::shared_ptr<KeyTipController> controller;
};

std::set<std::string> badgePaths(const std::vector<KeyTip>& tips) {
  std::set<std::string> out;
  for (const auto& tip : tips) out.insert(model::keyPathText(tip.keys));
  return out;
}

std::set<std::string> plannedPaths(const Keys& path, bool menuOpen) {
  std::set<std::string> out;
  for (const auto& planned : builtinLibrary()->plannedTips(path, menuOpen)) {
    out.insert(model::keyPathText(planned.keys));
  }
  return out;
}

TEST(BuiltinKeyTips, AtTheRootEveryTabAndQuickAccessDigitHasItsBadge) {
  KeyTips k;
  const auto& tips = k.typed({});
  const std::map<std::string, std::string> tabs{{"H", "Home"},     {"N", "Insert"}, {"P", "Page Layout"},
                                                {"M", "Formulas"}, {"A", "Data"},   {"R", "Review"},
                                                {"W", "View"}};
  for (const auto& [key, tab] : tabs) {
    auto it = std::find_if(tips.begin(), tips.end(), [&](const KeyTip& t) { return t.keys == Keys{key}; });
    ASSERT_NE(it, tips.end()) << key;
    EXPECT_EQ(it->placement, KeyTip::Placement::tab);
    EXPECT_EQ(it->target, tab);
    EXPECT_EQ(it->text, key);
  }
  // Each digit's badge is named after its button, as the title bar names it.
  const std::vector<std::string> buttons{"AutoSave", "Home", "Save", "Undo", "Redo", "Print", "New", "Open", "Email"};
  for (int n = 1; n <= 9; ++n) {
    auto key = std::to_string(n);
    auto it = std::find_if(tips.begin(), tips.end(), [&](const KeyTip& t) { return t.keys == Keys{key}; });
    ASSERT_NE(it, tips.end()) << key;
    EXPECT_EQ(it->target, buttons[static_cast<std::size_t>(n - 1)]);
  }
  EXPECT_EQ(badgePaths(tips), plannedPaths({}, false));
}

TEST(BuiltinKeyTips, OnTheHomeTabEveryPlannedKeyHasItsBadgeInEveryPlacementClass) {
  KeyTips k;
  const auto& tips = k.typed({"H"});
  auto planned = plannedPaths({"H"}, false);
  EXPECT_GT(planned.size(), 40u);
  EXPECT_EQ(badgePaths(tips), planned);
  std::set<KeyTip::Placement> placements;
  for (const auto& tip : tips) placements.insert(tip.placement);
  EXPECT_EQ(placements, (std::set<KeyTip::Placement>{KeyTip::Placement::top, KeyTip::Placement::middle,
                                                     KeyTip::Placement::bottom, KeyTip::Placement::corner}));
  // Two-letter badges sit on the control itself, as in Excel for Windows.
  auto fp = std::find_if(tips.begin(), tips.end(), [](const KeyTip& t) { return t.text == "FP"; });
  ASSERT_NE(fp, tips.end());
  EXPECT_EQ(fp->target, "Format Painter");
}

TEST(BuiltinKeyTips, OnEveryOtherTabEveryPlannedKeyHasItsBadge) {
  for (const std::string tab : {"N", "P", "M", "A", "R", "W"}) {
    KeyTips k;
    const auto& tips = k.typed({tab});
    auto planned = plannedPaths({tab}, false);
    EXPECT_FALSE(planned.empty()) << tab;
    EXPECT_EQ(badgePaths(tips), planned) << tab;
  }
}

// A menu a key opens (H O: Format) shows a badge on each of its items the library knows.
TEST(BuiltinKeyTips, InEveryOpenedRibbonMenuEveryItemHasItsBadge) {
  auto lib = builtinLibrary();
  int menus = 0;
  for (const auto& [keyText, target] : lib->tips()) {
    auto path = model::parseKeySequence(keyText).value_or(Keys{});
    if (path.size() < 2 || target.find(':') != std::string::npos) continue;
    const auto* node = lib->node(path);
    if (node == nullptr || !node->hasChildren()) continue;
    ++menus;
    KeyTips k;
    const auto& tips = k.typed(path, 2);
    EXPECT_FALSE(tips.empty()) << keyText;
    EXPECT_EQ(badgePaths(tips), plannedPaths(path, true)) << keyText;
    for (const auto& tip : tips) EXPECT_EQ(tip.placement, KeyTip::Placement::menuItem) << model::keyPathText(tip.keys);
  }
  EXPECT_GE(menus, 20);
}

// A narrow window folds groups into one button each. Their controls get no badge (their keys still
// run, through the folded group), and no badge stands on a group's button: the Alignment launcher's
// other name, "Alignment", is the folded group's, and pressing that would only show the group.
TEST(BuiltinKeyTips, InANarrowWindowNoBadgeStandsOnAFoldedGroup) {
  KeyTips k("narrow");
  auto badges = badgePaths(k.typed({"H"}));
  auto planned = plannedPaths({"H"}, false);
  EXPECT_TRUE(std::includes(planned.begin(), planned.end(), badges.begin(), badges.end()));
  for (const auto* folded : {"H W", "H A T", "H F A", "H L", "H U"}) EXPECT_FALSE(badges.contains(folded)) << folded;
  for (const auto* shown : {"H 1", "H F N", "H B", "H O"}) EXPECT_TRUE(badges.contains(shown)) << shown;
  EXPECT_EQ(k.sim->openPopupCount(), 0u);
}

}  // namespace
}  // namespace corvane::feedback

#include "base/preferences.hpp"

#include <gtest/gtest.h>

#include "platform/sim/memory_defaults.hpp"

namespace corvane::base {
namespace {

using model::KeyListMode;
using platform::DefaultsValue;

TEST(Preferences, AnEmptyStoreGivesTheDefaults) {
  platform::sim::MemoryDefaults store;
  Preferences p(store);
  for (auto* setting : {&p.enabled, &p.holdToStart, &p.showRibbonTips, &p.showInDock, &p.learningHints,
                        &p.rightClickAlternates, &p.dimIconWhenOff}) {
    EXPECT_TRUE(setting->get()) << setting->key();
  }
  EXPECT_EQ(p.tipStyle.get(), model::TipStyle::office);
  EXPECT_EQ(p.tipSize.get(), model::TipSize::regular);
  EXPECT_EQ(p.keyListMode.get(), KeyListMode::whenNoTips);
  EXPECT_EQ(p.searchTrigger.get(), model::SearchTrigger::doubleTapOption);
  EXPECT_EQ(p.menuBarClick.get(), model::MenuBarClick::showPanel);
  EXPECT_EQ(store.writeCount(), 0u);
}

TEST(Preferences, StoredValuesAreRead) {
  platform::sim::MemoryDefaults store;
  store.set("enabled", false);
  store.set("tipStyle", std::string("graphite"));
  store.set("tipSize", std::string("large"));
  store.set("searchTrigger", std::string("optionSpace"));
  store.set("menuBarClick", std::string("toggle"));
  store.set("dimIconWhenOff", false);
  Preferences p(store);
  EXPECT_FALSE(p.enabled.get());
  EXPECT_EQ(p.tipStyle.get(), model::TipStyle::graphite);
  EXPECT_EQ(p.tipSize.get(), model::TipSize::large);
  EXPECT_EQ(p.searchTrigger.get(), model::SearchTrigger::optionSpace);
  EXPECT_EQ(p.menuBarClick.get(), model::MenuBarClick::toggle);
  EXPECT_FALSE(p.dimIconWhenOff.get());
}

TEST(Preferences, TheKeyListModeFallsBackToTheEarlierSwitch) {
  auto modeFor = [](std::optional<DefaultsValue> mode, std::optional<DefaultsValue> always) {
    platform::sim::MemoryDefaults store;
    if (mode) store.set("keyListMode", *mode);
    if (always) store.set("alwaysShowKeyList", *always);
    return Preferences(store).keyListMode.get();
  };
  EXPECT_EQ(modeFor(std::nullopt, true), KeyListMode::always);
  EXPECT_EQ(modeFor(std::nullopt, false), KeyListMode::whenNoTips);
  EXPECT_EQ(modeFor(std::string("never"), true), KeyListMode::never);
  EXPECT_EQ(modeFor(std::string("never"), false), KeyListMode::never);
  EXPECT_EQ(modeFor(std::string("sometimes"), true), KeyListMode::always);  // unreadable: as if missing
  EXPECT_EQ(modeFor(std::nullopt, std::string("yes")), KeyListMode::whenNoTips);
}

TEST(Preferences, WrongTypesAndUnknownValuesGiveTheDefaultAndWriteNothing) {
  platform::sim::MemoryDefaults store;
  store.set("enabled", std::string("no"));
  store.set("holdToStart", std::int64_t{0});
  store.set("tipStyle", std::string("purple"));
  store.set("menuBarClick", std::string("Toggle"));
  store.set("tipSize", true);
  auto writes = store.writeCount();
  Preferences p(store);
  EXPECT_TRUE(p.enabled.get());
  EXPECT_TRUE(p.holdToStart.get());
  EXPECT_EQ(p.tipStyle.get(), model::TipStyle::office);
  EXPECT_EQ(p.menuBarClick.get(), model::MenuBarClick::showPanel);
  EXPECT_EQ(p.tipSize.get(), model::TipSize::regular);
  EXPECT_EQ(store.writeCount(), writes);
  EXPECT_EQ(store.getString("tipStyle"), "purple");
}

TEST(Preferences, ObserversHearOfAChangeBeforeTheStoreIsWritten) {
  platform::sim::MemoryDefaults store;
  Preferences p(store);
  std::vector<std::string> order;
  auto a = p.tipStyle.subscribe([&](const model::TipStyle& v) {
    order.push_back(std::string("tipStyle ") + std::string(model::rawValue(v)) + ", stored " +
                    store.getString("tipStyle").value_or("nothing"));
  });
  auto b = p.changed.subscribe([&] { order.push_back("changed, stored " + store.getString("tipStyle").value_or("nothing")); });
  p.tipStyle.set(model::TipStyle::blue);
  EXPECT_EQ(order, (std::vector<std::string>{"tipStyle blue, stored nothing", "changed, stored nothing"}));
  EXPECT_EQ(store.raw("tipStyle"), DefaultsValue(std::string("blue")));
}

TEST(Preferences, BooleansAreStoredAsBooleansAndTogglesInvert) {
  platform::sim::MemoryDefaults store;
  Preferences p(store);
  int changes = 0;
  auto s = p.changed.subscribe([&] { ++changes; });
  p.toggleEnabled();
  p.toggleShowRibbonTips();
  p.toggleLearningHints();
  p.toggleLearningHints();
  EXPECT_FALSE(p.enabled.get());
  EXPECT_FALSE(p.showRibbonTips.get());
  EXPECT_TRUE(p.learningHints.get());
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(store.raw("enabled"), DefaultsValue(false));
  EXPECT_EQ(store.raw("learningHints"), DefaultsValue(true));
  // A new reader sees what was stored.
  Preferences again(store);
  EXPECT_FALSE(again.enabled.get());
  EXPECT_FALSE(again.showRibbonTips.get());
}

TEST(Preferences, EverySettingRoundTripsThroughTheStore) {
  platform::sim::MemoryDefaults store;
  Preferences p(store);
  p.keyListMode.set(KeyListMode::never);
  p.searchTrigger.set(model::SearchTrigger::off);
  p.menuBarClick.set(model::MenuBarClick::toggle);
  p.tipSize.set(model::TipSize::large);
  p.showInDock.set(false);
  p.rightClickAlternates.set(false);
  Preferences again(store);
  EXPECT_EQ(again.keyListMode.get(), KeyListMode::never);
  EXPECT_EQ(again.searchTrigger.get(), model::SearchTrigger::off);
  EXPECT_EQ(again.menuBarClick.get(), model::MenuBarClick::toggle);
  EXPECT_EQ(again.tipSize.get(), model::TipSize::large);
  EXPECT_FALSE(again.showInDock.get());
  EXPECT_FALSE(again.rightClickAlternates.get());
}

TEST(Preferences, AssignTakesKeysAndRawValues) {
  platform::sim::MemoryDefaults store;
  Preferences p(store);
  EXPECT_EQ(Preferences::settingKeys().size(), 12u);
  EXPECT_EQ(Preferences::settingKeys().front(), "enabled");
  EXPECT_TRUE(p.assign("holdToStart", "false").has_value());
  EXPECT_FALSE(p.holdToStart.get());
  EXPECT_TRUE(p.assign("searchTrigger", "optionSlash").has_value());
  EXPECT_EQ(p.searchTrigger.get(), model::SearchTrigger::optionSlash);
  EXPECT_EQ(p.text("searchTrigger"), "optionSlash");
  EXPECT_EQ(p.text("holdToStart"), "false");
  EXPECT_EQ(p.text("nope"), std::nullopt);

  auto badValue = p.assign("tipStyle", "purple");
  ASSERT_FALSE(badValue.has_value());
  EXPECT_EQ(badValue.error(), "\"purple\" is not a value of tipStyle (use office, darkYellow, classic, blue, graphite)");
  EXPECT_EQ(p.assign("enabled", "yes").error(), "\"yes\" is not a value of enabled (use true or false)");
  auto badKey = p.assign("colour", "red");
  ASSERT_FALSE(badKey.has_value());
  EXPECT_TRUE(badKey.error().starts_with("Unknown setting \"colour\" (use enabled, holdToStart, "));
  // Keys the shell owns are not settings.
  EXPECT_FALSE(p.assign("alwaysShowKeyList", "true").has_value());
  EXPECT_EQ(p.tipStyle.get(), model::TipStyle::office);
}

}  // namespace
}  // namespace corvane::base

#include <gtest/gtest.h>

#include "excel/label_key.hpp"
#include "excel/step_description.hpp"
#include "model/grammar.hpp"
#include "model/key_combo.hpp"

namespace corvane::excel {
namespace {

TEST(LabelKey, NormalisesCaseAmpersandsSpellingAndPunctuation) {
  EXPECT_EQ(labelKey("Colour & Fill"), "colorandfill");
  EXPECT_EQ(labelKey("Color and fill"), "colorandfill");
  EXPECT_EQ(labelKey("Grey Scale…"), labelKey("Gray Scale"));
  EXPECT_EQ(labelKey("Rotate Text Anti-clockwise"), "rotatetextcounterclockwise");
  EXPECT_EQ(labelKey("Centre Across Selection"), "centeracrossselection");
  EXPECT_EQ(labelKey("Customise Quick Access Toolbar"), "customizequickaccesstoolbar");
  EXPECT_EQ(labelKey("Größe"), "größe");
  EXPECT_EQ(labelKey("…"), "");
  EXPECT_EQ(labelKey("Data Analysis"), "dataanalyzis") << "the table replaces every occurrence, as written";
}

TEST(LabelKey, OccurrenceMarker) {
  EXPECT_EQ(stripMarker("Merge#2"), (MarkedLabel{"Merge", 2}));
  EXPECT_EQ(stripMarker("Sheet#x"), (MarkedLabel{"Sheet#x", std::nullopt}));
  EXPECT_EQ(stripMarker("Item#0"), (MarkedLabel{"Item#0", std::nullopt}));
  EXPECT_EQ(stripMarker("A#B#3"), (MarkedLabel{"A#B", 3}));
  EXPECT_EQ(stripMarker("#"), (MarkedLabel{"#", std::nullopt}));
  EXPECT_EQ(stripMarker("Plain"), (MarkedLabel{"Plain", std::nullopt}));
  EXPECT_EQ(firstLabel({"Merge#2", "Other"}), "Merge");
  EXPECT_EQ(firstLabel({}), "");
}

TEST(StepDescription, EveryKind) {
  using namespace model;
  EXPECT_EQ(describeStep(KeyStep{*parseKeyCombo("cmd+shift+l")}), "Keystroke ⇧⌘L");
  EXPECT_EQ(describeStep(MenuStep{splitMenuPath("Format > Column#2 > AutoFit Selection|AutoFit")}),
            "Menu Format › Column › AutoFit Selection");
  EXPECT_EQ(describeStep(RibbonStep{{"Format"}, "Home", splitMenuPath("AutoFit Column Width"), RibbonAction::press}),
            "Ribbon Home › Format › AutoFit Column Width");
  EXPECT_EQ(describeStep(RibbonStep{{"Borders#1"}, std::nullopt, MenuPath{}, RibbonAction::menu}), "Ribbon Borders (opens)");
  EXPECT_EQ(describeStep(RibbonStep{{"Font Size"}, "Home", std::nullopt, RibbonAction::focus}),
            "Ribbon Home › Font Size (cursor in box)");
  EXPECT_EQ(describeStep(RibbonStep{{}, std::nullopt, std::nullopt, RibbonAction::press}), "Ribbon ");
  EXPECT_EQ(describeStep(QatStep{3}), "Quick Access Toolbar button 3");
  EXPECT_EQ(describeStep(TitlebarStep{{"Share"}}), "Title bar › Share");
  EXPECT_EQ(describeStep(ClickStep{{"OK|Done"}, 2.5}), "Click “OK|Done”");
  EXPECT_EQ(describeStep(ClickStep{{"OK", "Done"}, 2.5}), "Click “OK”");
  EXPECT_EQ(describeStep(WaitStep{0.25}), "Wait 250 ms");
  EXPECT_EQ(describeStep(WaitStep{0.29}), "Wait 290 ms");
  EXPECT_EQ(describeStep(FirstOfStep{{QatStep{1}, QatStep{2}}}),
            "Quick Access Toolbar button 1  or  Quick Access Toolbar button 2");
  EXPECT_EQ(describeStep(SequenceStep{{QatStep{1}, WaitStep{0.1}}, true}),
            "Quick Access Toolbar button 1, then Wait 100 ms");
  EXPECT_EQ(describeStep(UseStep{"fill"}), "fill");
  EXPECT_EQ(describeSteps({QatStep{1}, QatStep{2}}), "Quick Access Toolbar button 1, then Quick Access Toolbar button 2");
}

}  // namespace
}  // namespace corvane::excel

#include "platform/macos/mac_accessibility.hpp"

#include <ApplicationServices/ApplicationServices.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <unordered_set>

#include "platform/macos/ax_element_handle.hpp"
#include "platform/macos/ax_value_conversion.hpp"

namespace corvane::platform::macos {
namespace {

TEST(MacAccessibility, TwoFreshReferencesToOneElementAreTheSameElement) {
  MacAccessibility ax;
  Element first = ax.application(getpid());
  Element second = ax.application(getpid());
  ASSERT_FALSE(first.isNull());
  EXPECT_NE(first.handle(), second.handle());
  EXPECT_EQ(first, second);
  EXPECT_EQ(first.hash(), second.hash());
  std::unordered_set<Element, ElementHash> seen{first};
  EXPECT_TRUE(seen.contains(second));
  EXPECT_NE(first, ax.application(1));
  EXPECT_EQ(ax.processId(first), getpid());
}

TEST(MacAccessibility, AnElementReadBackAsAValueKeepsItsIdentity) {
  MacAccessibility ax;
  Element app = ax.application(getpid());
  auto asValue = toAXValue(axElementOf(app));
  ASSERT_TRUE(asValue);
  EXPECT_EQ(valueAs<Element>(asValue), app);
}

TEST(MacAccessibility, EveryKindOfValueSurvivesTheRoundTrip) {
  MacAccessibility ax;
  Element app = ax.application(getpid());
  const AXValue samples[] = {AXValue{true},
                             AXValue{false},
                             AXValue{std::int64_t{1}},
                             AXValue{std::int64_t{-7}},
                             AXValue{2.5},
                             AXValue{std::string("Größe ⌥")},
                             AXValue{Point{10.5, -3}},
                             AXValue{Size{320, 240}},
                             AXValue{TextRange{2, 5}},
                             AXValue{app},
                             AXValue{std::vector<Element>{app, app}},
                             AXValue{std::vector<Element>{}}};
  for (const AXValue& sample : samples) {
    auto cf = toCFValue(sample);
    ASSERT_TRUE(cf) << "kind " << sample.index();
    EXPECT_EQ(toAXValue(cf.get()), sample) << "kind " << sample.index();
  }
}

TEST(MacAccessibility, BooleansAndNumbersStayApartAndUnknownKindsAreAbsent) {
  int one = 1;
  auto number = CFRef<CFNumberRef>::adopt(CFNumberCreate(kCFAllocatorDefault, kCFNumberIntType, &one));
  EXPECT_EQ(toAXValue(number.get()), AXValue{std::int64_t{1}});
  EXPECT_EQ(toAXValue(kCFBooleanTrue), AXValue{true});

  CGRect rect = CGRectMake(1, 2, 3, 4);
  auto rectValue = CFRef<AXValueRef>::adopt(AXValueCreate(kAXValueTypeCGRect, &rect));
  EXPECT_FALSE(toAXValue(rectValue.get()));
  EXPECT_FALSE(toAXValue(kCFNull));
  EXPECT_FALSE(toAXValue(nullptr));

  const void* strings[] = {CFSTR("a"), CFSTR("b")};
  auto stringArray = CFRef<CFArrayRef>::adopt(CFArrayCreate(kCFAllocatorDefault, strings, 2, &kCFTypeArrayCallBacks));
  EXPECT_FALSE(toAXValue(stringArray.get()));
}

TEST(MacAccessibility, ANullOrForeignElementIsAnIllegalArgumentNotACrash) {
  MacAccessibility ax;
  Element none;
  EXPECT_EQ(ax.copyAttribute(none, "AXRole").error(), ax::kIllegalArgument);
  std::string_view names[] = {"AXRole", "AXTitle"};
  EXPECT_EQ(ax.copyMultipleAttributes(none, names).error(), ax::kIllegalArgument);
  EXPECT_EQ(ax.actionNames(none).error(), ax::kIllegalArgument);
  EXPECT_EQ(ax.performAction(none, "AXPress"), ax::kIllegalArgument);
  EXPECT_EQ(ax.setAttribute(none, "AXFocused", AXValue{true}), ax::kIllegalArgument);
  EXPECT_EQ(ax.elementAtPosition(none, Point{1, 1}).error(), ax::kIllegalArgument);
  EXPECT_EQ(ax.setMessagingTimeout(none, 0.4), ax::kIllegalArgument);
  EXPECT_FALSE(ax.processId(none));
  // A list holding an element the Accessibility API does not know cannot be sent.
  EXPECT_FALSE(toCFValue(AXValue{std::vector<Element>{none}}));
}

}  // namespace
}  // namespace corvane::platform::macos

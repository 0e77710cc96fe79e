#pragma once
// What every Accessibility backend promises about values (platform/accessibility.hpp). A backend
// type B offers:
//   Accessibility& ax();
//   Element emptyTitled();   an element whose AXTitle is supported and empty (an untitled button)
//   Element titled();        an element whose AXTitle is `title()`
//   std::string title();
//   std::optional<std::string> unavailable();  why the elements cannot be reached (a Mac without
//       the permission for the test program), or none

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/accessibility.hpp"

namespace corvane::platform::contracts {

template <typename Backend>
class AccessibilityValuesContract : public ::testing::Test {
 protected:
  Backend backend;
  Accessibility& ax() { return backend.ax(); }
  void SetUp() override {
    if (auto why = backend.unavailable()) GTEST_SKIP() << *why;
  }
};

TYPED_TEST_SUITE_P(AccessibilityValuesContract);

TYPED_TEST_P(AccessibilityValuesContract, AnEmptyStringIsAValueNotNoValue) {
  auto element = this->backend.emptyTitled();
  ASSERT_FALSE(element.isNull());
  auto title = this->ax().copyAttribute(element, "AXTitle");
  ASSERT_TRUE(title.has_value()) << "error " << title.error();
  EXPECT_EQ(std::get_if<std::string>(&*title) != nullptr ? *std::get_if<std::string>(&*title) : "?", "");
  EXPECT_EQ(valueAs<std::string>(this->ax().attribute(element, "AXTitle")), "");
}

TYPED_TEST_P(AccessibilityValuesContract, ManyAttributesComeInTheOrderAskedWithAnEmptyStringPresent) {
  auto empty = this->backend.emptyTitled();
  auto titled = this->backend.titled();
  const std::string_view names[] = {"AXRole", "AXTitle", "AXNoSuchAttribute"};
  auto values = this->ax().copyMultipleAttributes(empty, names);
  ASSERT_TRUE(values.has_value());
  ASSERT_EQ(values->size(), 3u);
  EXPECT_TRUE(valueAs<std::string>((*values)[0]).has_value());
  EXPECT_EQ(valueAs<std::string>((*values)[1]), "") << "present, and empty";
  EXPECT_FALSE((*values)[2].has_value());
  auto others = this->ax().copyMultipleAttributes(titled, names);
  ASSERT_TRUE(others.has_value());
  EXPECT_EQ(valueAs<std::string>((*others)[1]), this->backend.title());
}

TYPED_TEST_P(AccessibilityValuesContract, AnAttributeTheElementLacksIsAnErrorCode) {
  auto element = this->backend.titled();
  auto missing = this->ax().copyAttribute(element, "AXNoSuchAttribute");
  ASSERT_FALSE(missing.has_value());
  EXPECT_EQ(missing.error(), ax::kAttributeUnsupported);
  EXPECT_FALSE(this->ax().attribute(element, "AXNoSuchAttribute").has_value());
  EXPECT_FALSE(valueAs<bool>(this->ax().attribute(element, "AXTitle")).has_value()) << "a string is no Boolean";
}

REGISTER_TYPED_TEST_SUITE_P(AccessibilityValuesContract, AnEmptyStringIsAValueNotNoValue,
                            ManyAttributesComeInTheOrderAskedWithAnEmptyStringPresent,
                            AnAttributeTheElementLacksIsAnErrorCode);

}  // namespace corvane::platform::contracts

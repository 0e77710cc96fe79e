#include "platform/macos/mac_defaults.hpp"

#import <Foundation/Foundation.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace corvane::platform::macos {
namespace {

/// Each test writes to a suite of its own and deletes it afterwards.
class MacDefaultsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    [[NSUserDefaults standardUserDefaults] removePersistentDomainForName:@(suite_.c_str())];
  }

  std::string suite_ = "app.corvane.tests." + std::to_string(getpid()) + "." +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name();
  MacDefaults defaults_{suite_};
};

TEST_F(MacDefaultsTest, EveryKindOfValueReadsBackUnchanged) {
  const std::pair<std::string, DefaultsValue> values[] = {
      {"on", DefaultsValue{true}},
      {"off", DefaultsValue{false}},
      {"count", DefaultsValue{std::int64_t{42}}},
      {"big", DefaultsValue{std::int64_t{1} << 40}},
      {"ratio", DefaultsValue{0.75}},
      {"name", DefaultsValue{std::string("Größe ⌥")}},
      {"list", DefaultsValue{std::vector<std::string>{"b", "a", "b"}}},
      {"empty", DefaultsValue{std::vector<std::string>{}}},
      {"counts", DefaultsValue{std::map<std::string, std::int64_t>{{"H O I", 3}, {"W", -1}}}},
  };
  for (const auto& [key, value] : values) defaults_.set(key, value);
  for (const auto& [key, value] : values) EXPECT_EQ(defaults_.raw(key), value) << key;
}

TEST_F(MacDefaultsTest, BooleansAndNumbersNeverReadAsEachOther) {
  defaults_.set("flag", true);
  defaults_.set("number", std::int64_t{1});
  EXPECT_EQ(defaults_.getBool("flag"), true);
  EXPECT_EQ(defaults_.raw("number"), DefaultsValue{std::int64_t{1}});
  EXPECT_FALSE(defaults_.getBool("number"));
}

TEST_F(MacDefaultsTest, AStoredObjectWithoutACoreValueReadsAsNone) {
  NSUserDefaults* direct = [[NSUserDefaults alloc] initWithSuiteName:@(suite_.c_str())];
  [direct setObject:[NSDate date] forKey:@"date"];
  [direct setObject:@[ @"a", @1 ] forKey:@"mixed"];
  [direct setObject:@{@"a" : @1.5} forKey:@"fractions"];
  EXPECT_FALSE(defaults_.raw("date"));
  EXPECT_FALSE(defaults_.raw("mixed"));
  EXPECT_FALSE(defaults_.raw("fractions"));
}

TEST_F(MacDefaultsTest, RemoveAndTextThatIsNotUtf8) {
  defaults_.set("gone", std::string("x"));
  defaults_.remove("gone");
  EXPECT_FALSE(defaults_.has("gone"));
  defaults_.set("bad\xff", std::string("\xfe"));
  EXPECT_EQ(defaults_.getString("bad\xEF\xBF\xBD"), "\xEF\xBF\xBD");
}

TEST_F(MacDefaultsTest, OpenSuiteFindsOnlyASuiteThatHasDefaults) {
  MacDefaults standard;
  EXPECT_EQ(standard.openSuite(suite_ + ".missing"), nullptr);
  defaults_.set("imported", std::int64_t{7});
  auto suite = standard.openSuite(suite_);
  ASSERT_NE(suite, nullptr);
  EXPECT_EQ(suite->raw("imported"), DefaultsValue{std::int64_t{7}});
}

}  // namespace
}  // namespace corvane::platform::macos

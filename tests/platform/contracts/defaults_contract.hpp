#pragma once
// What every Defaults backend promises (platform/defaults.hpp). A backend type B offers:
//   std::unique_ptr<Defaults> open(const std::string& suite);  a store of that suite ("" is the
//       program's own), created when missing; two stores of one suite see the same values
//   std::string suiteName(const std::string& name);            the suite's real name for openSuite

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/defaults.hpp"

namespace corvane::platform::contracts {

template <typename Backend>
class DefaultsContract : public ::testing::Test {
 protected:
  Backend backend;
  std::unique_ptr<Defaults> store = backend.open("");
};

TYPED_TEST_SUITE_P(DefaultsContract);

TYPED_TEST_P(DefaultsContract, EveryKindOfValueReadsBackUnchangedAlsoInANewStore) {
  const std::pair<std::string, DefaultsValue> values[] = {
      {"on", DefaultsValue{true}},
      {"off", DefaultsValue{false}},
      {"count", DefaultsValue{std::int64_t{42}}},
      {"big", DefaultsValue{std::int64_t{1} << 40}},
      {"negative", DefaultsValue{std::int64_t{-3}}},
      {"ratio", DefaultsValue{0.75}},
      {"name", DefaultsValue{std::string("Größe ⌥")}},
      {"emptyText", DefaultsValue{std::string()}},
      {"list", DefaultsValue{std::vector<std::string>{"b", "a", "b"}}},
      {"emptyList", DefaultsValue{std::vector<std::string>{}}},
      {"counts", DefaultsValue{std::map<std::string, std::int64_t>{{"H O I", 3}, {"W", -1}}}},
  };
  for (const auto& [key, value] : values) this->store->set(key, value);
  auto again = this->backend.open("");
  for (const auto& [key, value] : values) {
    EXPECT_EQ(this->store->raw(key), value) << key;
    EXPECT_EQ(again->raw(key), value) << key << " in a new store";
  }
}

TYPED_TEST_P(DefaultsContract, EmptyValuesAreValuesAndBooleansAreNeverNumbers) {
  this->store->set("text", std::string());
  this->store->set("flag", true);
  this->store->set("number", std::int64_t{1});
  EXPECT_TRUE(this->store->has("text"));
  EXPECT_EQ(this->store->getString("text"), "");
  EXPECT_EQ(this->store->getBool("flag"), true);
  EXPECT_FALSE(this->store->getBool("number"));
  EXPECT_EQ(this->store->raw("number"), DefaultsValue{std::int64_t{1}});
  EXPECT_FALSE(this->store->getString("flag")) << "a value of another kind reads as none";
}

TYPED_TEST_P(DefaultsContract, ASetReplacesAnyKindAndRemoveLeavesNone) {
  this->store->set("key", std::string("text"));
  this->store->set("key", std::vector<std::string>{"x"});
  EXPECT_EQ(this->store->getStringList("key"), std::vector<std::string>{"x"});
  this->store->remove("key");
  EXPECT_FALSE(this->store->has("key"));
  EXPECT_FALSE(this->backend.open("")->has("key"));
  this->store->remove("never-set");
  EXPECT_FALSE(this->store->has("never-set"));
}

TYPED_TEST_P(DefaultsContract, AnotherSuiteOpensOnlyWhenItHasDefaults) {
  EXPECT_EQ(this->store->openSuite(this->backend.suiteName("missing")), nullptr);
  auto empty = this->backend.open("empty");
  EXPECT_EQ(this->store->openSuite(this->backend.suiteName("empty")), nullptr) << "a suite without values";
  auto former = this->backend.open("former");
  former->set("imported", std::int64_t{7});
  auto opened = this->store->openSuite(this->backend.suiteName("former"));
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(opened->raw("imported"), DefaultsValue{std::int64_t{7}});
  EXPECT_FALSE(this->store->has("imported")) << "suites keep their values apart";
}

REGISTER_TYPED_TEST_SUITE_P(DefaultsContract, EveryKindOfValueReadsBackUnchangedAlsoInANewStore,
                            EmptyValuesAreValuesAndBooleansAreNeverNumbers, ASetReplacesAnyKindAndRemoveLeavesNone,
                            AnotherSuiteOpensOnlyWhenItHasDefaults);

}  // namespace corvane::platform::contracts

#include <gtest/gtest.h>

#include "model/text.hpp"

namespace corvane::model::text {
namespace {

TEST(Text, GraphemeCountsUserPerceivedCharacters) {
  EXPECT_EQ(graphemeCount(""), 0u);
  EXPECT_EQ(graphemeCount("abc"), 3u);
  EXPECT_EQ(graphemeCount("e\xCC\x81"), 1u);
  EXPECT_EQ(graphemeCount("⌥⇧"), 2u);
  EXPECT_EQ(graphemeCount("\r\n"), 1u);
  EXPECT_EQ(graphemeCount("\xFF\xFE"), 2u) << "each invalid byte is one character";
}

TEST(Text, Utf16LengthCountsSurrogatePairs) {
  EXPECT_EQ(utf16Length("Calibri"), 7u);
  EXPECT_EQ(utf16Length("\xF0\x9F\x98\x80"), 2u);
  EXPECT_EQ(utf16Length("é"), 1u);
}

TEST(Text, CaseMappingIsUnicodeAware) {
  EXPECT_EQ(upper("école ж"), "ÉCOLE Ж");
  EXPECT_EQ(lower("ÉCOLE"), "école");
  EXPECT_EQ(capitalized("pagedown"), "Pagedown");
  EXPECT_EQ(capitalized("f5"), "F5");
  EXPECT_EQ(capitalized("PAGE down"), "Page Down");
  EXPECT_EQ(upperFirst("bold text"), "Bold text");
  EXPECT_EQ(upperFirst("élan"), "Élan");
  EXPECT_EQ(upperFirst("1st"), "1st");
}

TEST(Text, TrimAndFilter) {
  EXPECT_EQ(trim(" \t a b \n"), "a b");
  EXPECT_EQ(trim("\xC2\xA0x\xC2\xA0"), "x") << "no-break spaces are white space";
  EXPECT_EQ(trim("   "), "");
  EXPECT_EQ(lettersAndDigits("Colour & Fill…"), "ColourFill");
  EXPECT_EQ(lettersAndDigits("Größe 12"), "Größe12");
}

TEST(Text, SplitJoinReplace) {
  EXPECT_EQ(split("a||b", "|"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(split("", "|"), (std::vector<std::string>{""}));
  EXPECT_EQ(join({"a", "b"}, " › "), "a › b");
  EXPECT_EQ(replaceAll("a&b&", "&", " and "), "a and b and ");
  EXPECT_EQ(firstCharacter("e\xCC\x81x"), "e\xCC\x81");
  EXPECT_TRUE(isDigitCharacter("7"));
  EXPECT_FALSE(isDigitCharacter("Q"));
}

}  // namespace
}  // namespace corvane::model::text

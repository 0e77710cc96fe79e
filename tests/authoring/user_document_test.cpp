#include "authoring/user_document.hpp"

#include <gtest/gtest.h>

#include "platform/sim/memory_files.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::authoring {
namespace {

constexpr const char* kPath = "/home/u/Library/Application Support/Corvane/my-shortcuts.json";

class UserDocumentEdit : public ::testing::Test {
 protected:
  platform::sim::VirtualTime time;
  platform::sim::MemoryFiles files{time, time.main()};

  void SetUp() override { ASSERT_TRUE(files.createFolders("/home/u/Library/Application Support/Corvane")); }
  std::string contents() { return files.read(kPath).value_or("<missing>"); }
  auto append(const char* keys) {
    return editUserShortcuts(files, kPath, [keys](Json& shortcuts) {
      shortcuts.push_back(Json{{"keys", keys}, {"do", {{"qat", 1}}}});
    });
  }
};

TEST_F(UserDocumentEdit, KeepsWhatItDoesNotKnowAndAddsHelpOnce) {
  ASSERT_TRUE(files.writeAtomic(kPath, R"({"theirs": {"n": 123456789012345678901234567890}, "shortcuts": []})"));
  ASSERT_TRUE(append("Q A"));
  ASSERT_TRUE(append("Q B"));
  auto doc = parseJson(contents());
  ASSERT_TRUE(doc);
  EXPECT_EQ((*doc)["shortcuts"].size(), 2U);
  EXPECT_EQ((*doc)["_help"].size(), 1U);
  EXPECT_NE(contents().find("123456789012345678901234567890"), std::string::npos) << "the number keeps its text";
}

TEST_F(UserDocumentEdit, AMissingFileBecomesADocument) {
  ASSERT_TRUE(append("Q A"));
  auto doc = parseJson(contents());
  ASSERT_TRUE(doc);
  EXPECT_EQ((*doc)["shortcuts"][0]["keys"], "Q A");
}

TEST_F(UserDocumentEdit, RefusesWhatItWouldLoseAndLeavesTheFileAsItWas) {
  bool changed = false;
  auto change = [&changed](Json&) { changed = true; };
  for (const char* text : {R"({"shortcuts": {"keys": "Q"}})", R"({"shortcuts": [1,)", R"(["not", "an object"])",
                           R"({"shortcuts": [], "shortcuts": []})"}) {
    ASSERT_TRUE(files.writeAtomic(kPath, text));
    auto edited = editUserShortcuts(files, kPath, change);
    ASSERT_FALSE(edited) << text;
    EXPECT_TRUE(edited.error().ends_with("Fix it with Edit File… first.")) << edited.error();
    EXPECT_EQ(contents(), text);
  }
  EXPECT_FALSE(changed) << "nothing is asked of a document that will not be written";
}

TEST_F(UserDocumentEdit, AFailedWriteSaysWhyAndKeepsTheOldFile) {
  ASSERT_TRUE(files.writeAtomic(kPath, R"({"shortcuts": []})"));
  files.failWrites("/home/u/Library", "No space left on device");
  auto edited = append("Q A");
  ASSERT_FALSE(edited);
  EXPECT_NE(edited.error().find("No space left on device"), std::string::npos) << edited.error();
  EXPECT_EQ(contents(), R"({"shortcuts": []})");
}

}  // namespace
}  // namespace corvane::authoring

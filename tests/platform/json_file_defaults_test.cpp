#include "platform/posix/json_file_defaults.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/posix/posix_files.hpp"
#include "platform/posix/posix_paths.hpp"
#include "support/temp_folder.hpp"

namespace corvane::platform::posix {
namespace {

class JsonFileDefaultsTest : public ::testing::Test {
 protected:
  testing::TempFolder home;
  Paths paths = makePaths(home.path);
  PosixFiles files;
  std::vector<std::string> problems;
  JsonFileDefaults::ProblemSink sink = [this](const std::string& m) { problems.push_back(m); };

  std::string file(const std::string& suite = "") { return defaultsFile(paths, suite); }
  void writeFile(const std::string& bytes, const std::string& suite = "") {
    ASSERT_TRUE(files.createFolders(paths.supportFolder));
    ASSERT_TRUE(files.writeAtomic(file(suite), bytes));
  }
  std::vector<std::string> folderEntries() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(paths.supportFolder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(JsonFileDefaultsTest, LivesInTheSupportFolder) {
  EXPECT_EQ(file(), home.path + "/Library/Application Support/Corvane/defaults.json");
  EXPECT_EQ(file("local.pellmark.Pellmark"),
            home.path + "/Library/Application Support/Corvane/local.pellmark.Pellmark.json");
}

TEST_F(JsonFileDefaultsTest, EveryValueKindSurvivesAReopen) {
  {
    JsonFileDefaults d(paths, "", sink);
    EXPECT_FALSE(d.has("enabled"));
    d.set("enabled", false);
    d.set("tipStyle", std::string("classic"));
    d.set("count", std::int64_t{-42});
    d.set("ratio", 0.25);
    d.set("recent", std::vector<std::string>{"H O I", "H W"});
    d.set("learned", std::map<std::string, std::int64_t>{{"H O I", 3}});
    d.set("gone", true);
    d.remove("gone");
  }
  JsonFileDefaults d(paths, "", sink);
  EXPECT_EQ(d.getBool("enabled"), false);
  EXPECT_EQ(d.getString("tipStyle"), "classic");
  EXPECT_EQ(d.raw("count"), DefaultsValue(std::int64_t{-42}));
  EXPECT_EQ(d.raw("ratio"), DefaultsValue(0.25));
  EXPECT_EQ(d.getStringList("recent"), (std::vector<std::string>{"H O I", "H W"}));
  EXPECT_EQ(d.getIntDictionary("learned")->at("H O I"), 3);
  EXPECT_FALSE(d.has("gone"));
  EXPECT_TRUE(problems.empty());
  // Atomic writes leave no temporary files behind.
  EXPECT_EQ(folderEntries(), (std::vector<std::string>{"defaults.json"}));
}

TEST_F(JsonFileDefaultsTest, ACorruptFileIsSetAsideReportedAndNeverOverwritten) {
  writeFile("{\"enabled\": fal");
  {
    JsonFileDefaults d(paths, "", sink);
    EXPECT_FALSE(d.has("enabled"));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("was damaged"), std::string::npos) << problems[0];
    EXPECT_NE(problems[0].find(file() + ".corrupt"), std::string::npos) << problems[0];
    EXPECT_EQ(files.read(file() + ".corrupt"), "{\"enabled\": fal");
    d.set("enabled", true);
  }
  EXPECT_EQ(files.read(file() + ".corrupt"), "{\"enabled\": fal");
  // A second damaged file does not replace the first one set aside.
  writeFile("[1, 2]");
  JsonFileDefaults again(paths, "", sink);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[1].find("does not hold a JSON object"), std::string::npos) << problems[1];
  EXPECT_EQ(files.read(file() + ".corrupt-2"), "[1, 2]");
  EXPECT_EQ(files.read(file() + ".corrupt"), "{\"enabled\": fal");
}

TEST_F(JsonFileDefaultsTest, ValuesOfUnknownShapesAreKeptButNotOffered) {
  writeFile(R"({"odd": [1, "a"], "nothing": null, "enabled": true})");
  {
    JsonFileDefaults d(paths, "", sink);
    EXPECT_FALSE(d.has("odd"));
    EXPECT_FALSE(d.has("nothing"));
    d.set("enabled", false);
  }
  auto saved = nlohmann::json::parse(*files.read(file()));
  EXPECT_EQ(saved["odd"], nlohmann::json::parse(R"([1, "a"])"));
  EXPECT_TRUE(saved["nothing"].is_null());
  EXPECT_EQ(saved["enabled"], false);
}

// A 10 KB file nested deeply once came back as 50 MB after one launch: an indented dump grows with
// the square of the depth.
TEST_F(JsonFileDefaultsTest, DeepNestingIsSetAsideAndSavesStayCompact) {
  writeFile("{\"odd\": " + std::string(5000, '[') + std::string(5000, ']') + ", \"enabled\": true}");
  {
    JsonFileDefaults d(paths, "", sink);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("nested more than 16 levels"), std::string::npos) << problems[0];
    d.set("enabled", false);
  }
  EXPECT_LT(files.read(file())->size(), 100u);

  auto nested = "{\"odd\": " + std::string(15, '[') + std::string(15, ']') + ", \"enabled\": true}";
  writeFile(nested);
  {
    JsonFileDefaults d(paths, "", sink);
    EXPECT_EQ(problems.size(), 1u) << "within the limit it is kept";
    d.set("enabled", false);
  }
  EXPECT_EQ(*files.read(file()), "{\n  \"enabled\": false,\n  \"odd\": " + std::string(15, '[') + std::string(15, ']') + "\n}\n");
}

TEST_F(JsonFileDefaultsTest, OnlyExistingSuitesOpen) {
  JsonFileDefaults d(paths, "", sink);
  EXPECT_EQ(d.openSuite("local.pellmark.Pellmark"), nullptr);
  writeFile(R"({"tipStyle": "blue"})", "local.pellmark.Pellmark");
  auto former = d.openSuite("local.pellmark.Pellmark");
  ASSERT_NE(former, nullptr);
  EXPECT_EQ(former->getString("tipStyle"), "blue");
}

TEST_F(JsonFileDefaultsTest, AFailedSaveIsReported) {
  ASSERT_TRUE(files.createFolders(paths.home + "/Library/Application Support"));
  // A file where the support folder should be.
  ASSERT_TRUE(files.writeAtomic(paths.supportFolder, "not a folder"));
  JsonFileDefaults d(paths, "", sink);
  d.set("enabled", false);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_TRUE(problems[0].starts_with("The settings could not be saved to ")) << problems[0];
  EXPECT_EQ(d.getBool("enabled"), false);  // still in effect for this run
}

}  // namespace
}  // namespace corvane::platform::posix

#include "support/golden.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace corvane::testing {

std::string dataPath(const std::string& relative) { return std::string(CORVANE_TEST_DATA) + "/" + relative; }

std::string readDataFile(const std::string& relative) {
  std::ifstream in(dataPath(relative), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void expectGolden(const std::string& relative, const std::string& actual) {
  const char* update = std::getenv("UPDATE_GOLDEN");
  auto path = dataPath(relative);
  if (update != nullptr && std::string(update) == "1") {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << actual;
    return;
  }
  ASSERT_TRUE(std::filesystem::exists(path)) << "missing golden file " << relative << " (run with UPDATE_GOLDEN=1)";
  EXPECT_EQ(readDataFile(relative), actual) << "golden file " << relative << " differs (UPDATE_GOLDEN=1 rewrites it)";
}

}  // namespace corvane::testing

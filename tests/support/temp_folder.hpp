#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it at the end of
// the test. Unique across processes, so tests may run in parallel.

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace corvane::testing {

struct TempFolder {
  std::string path;
  TempFolder() {
    auto pattern = (std::filesystem::temp_directory_path() / "corvane-test-XXXXXX").string();
    path = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
};

}  // namespace corvane::testing

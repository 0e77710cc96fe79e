#pragma once
// Shared pieces of the authoring tests: a pinned library built from JSON text, a temporary support
// folder on the real file system, and Files that fail to write.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "model/shortcut_library.hpp"
#include "platform/posix/posix_files.hpp"

namespace corvane::authoring::testing {

inline const char* kPinnedBuiltin = R"({
  "groups": {"h": "Home", "H O": "Format"},
  "tips": {"H": "tab:Home", "W": "tab:View"},
  "shortcuts": [
    {"keys": "H A", "name": "Align Left", "do": {"ribbon": "Align Left", "tab": "Home"}},
    {"keys": "H O I", "name": "AutoFit Column Width", "do": {"ribbon": "Format", "item": "AutoFit Column Width"}},
    {"keys": "H O A", "name": "AutoFit Row Height", "do": {"ribbon": "Format", "item": "AutoFit Row Height | Row Height"}},
    {"keys": "W F F", "name": "Lock the top rows", "do": {"try": [{"ribbon": "Freeze Panes", "item": "Freeze Panes"}, {"key": "cmd+f"}]}},
    {"keys": "N T", "name": "Table", "do": {"ribbon": "Table", "tab": "Insert"}},
    {"keys": "1", "name": "First button", "do": {"qat": 1}},
    {"keys": "E D", "name": "Delete Sheet", "do": {"menu": "Edit > Delete Sheet"}},
    {"keys": "Z", "name": "Zoom", "do": {"key": "cmd+shift+z"}}
  ]})";

inline model::LibraryPtr buildLibrary(const std::string& builtin = kPinnedBuiltin,
                                      const std::optional<std::string>& user = std::nullopt) {
  std::optional<model::ShortcutSource> userSource;
  if (user) userSource = model::ShortcutSource::fromBytes("your", "my-shortcuts.json", *user);
  return model::ShortcutLibrary::build(model::ShortcutSource::fromBytes("built-in", "shortcuts.json", builtin),
                                       userSource);
}

struct TempFolder {
  std::string path;
  TempFolder() {
    static int counter = 0;
    path = (std::filesystem::temp_directory_path() /
            ("corvane-authoring-" + std::to_string(::getpid()) + "-" + std::to_string(++counter)))
               .string();
    std::filesystem::create_directories(path);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
};

/// Real files whose atomic writes fail, as a full disk would make them.
class FailingFiles final : public platform::Files {
 public:
  std::expected<std::string, platform::FileError> read(const std::string& p) override { return real.read(p); }
  std::expected<std::string, platform::FileError> readOwnFile(const std::string& p) override {
    return real.readOwnFile(p);
  }
  std::expected<void, platform::FileError> writeAtomic(const std::string&, std::string_view) override {
    return std::unexpected(platform::FileError{"No space left on device"});
  }
  std::expected<void, platform::FileError> append(const std::string& p, std::string_view b) override {
    return real.append(p, b);
  }
  bool exists(const std::string& p) override { return real.exists(p); }
  std::optional<std::uint64_t> size(const std::string& p) override { return real.size(p); }
  std::optional<platform::WallTime> modificationDate(const std::string& p) override { return real.modificationDate(p); }
  std::expected<void, platform::FileError> remove(const std::string& p) override { return real.remove(p); }
  std::expected<void, platform::FileError> createFolders(const std::string& p) override { return real.createFolders(p); }
  std::expected<void, platform::FileError> copy(const std::string& a, const std::string& b) override {
    return real.copy(a, b);
  }
  std::unique_ptr<platform::FolderWatch> watchFolder(const std::string&, std::function<void()>) override {
    return nullptr;
  }

 private:
  platform::posix::PosixFiles real;
};

}  // namespace corvane::authoring::testing

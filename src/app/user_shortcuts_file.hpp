#pragma once
// The user's own shortcuts file: where it lives, the template a new one starts from, opening it for
// hand editing, watching its folder, and reloading the library when it changed. Main queue only;
// owned by the shell for the life of the process. The files, workspace, log and status it is given
// must outlive it; its folder watch holds it weakly.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/activity_log.hpp"
#include "base/app_status.hpp"
#include "model/shortcut_library.hpp"
#include "platform/files.hpp"
#include "platform/paths.hpp"
#include "platform/workspace.hpp"

namespace corvane::app {

/// What the key-list panel tells the user after a reload.
struct ReloadNotice {
  std::string message;
  bool isError = false;
  double seconds = 2;
  friend bool operator==(const ReloadNotice&, const ReloadNotice&) = default;
};

/// The result of a reload: the new library for every holder, and the notice to show.
struct Reload {
  model::LibraryPtr library;
  ReloadNotice notice;
};

/// The notice for a freshly loaded library: the count alone, or the count, the number of problems
/// and the first three of them.
[[nodiscard]] ReloadNotice reloadNotice(const model::ShortcutLibrary& library);

class UserShortcutsFile final {
 public:
  static constexpr const char* kFileName = "my-shortcuts.json";
  static constexpr const char* kReferenceCopyName = "built-in-shortcuts (reference only).json";
  static constexpr const char* kTextEditor = "TextEdit";
  /// The exact text of a new user file.
  static const std::string_view kTemplate;

  /// `userFile` names another user file than the support folder's my-shortcuts.json (the command
  /// line's --user); the support folder is watched either way.
  UserShortcutsFile(platform::Files& files, platform::Workspace& workspace, platform::Paths paths,
                    std::string builtinFile, base::ActivityLog& log, base::AppStatus& status,
                    std::string userFile = {});
  UserShortcutsFile(const UserShortcutsFile&) = delete;
  UserShortcutsFile& operator=(const UserShortcutsFile&) = delete;

  /// The support folder, created (with its parents) when missing; a failure to create it is ignored.
  [[nodiscard]] std::string supportFolder();
  [[nodiscard]] std::string userFile() const;
  [[nodiscard]] std::string referenceCopy() const;

  /// Builds the library from the built-in and the user file, remembers the user file's date, logs
  /// each warning and publishes the count and warnings in the status.
  [[nodiscard]] model::LibraryPtr loadLibrary();
  /// `loadLibrary`, then hands the result to `onReload` (the shell swaps it into every holder and
  /// shows the notice) and returns it.
  Reload reloadShortcuts();
  /// Reloads when the user file's date differs from the one last loaded (a file that appeared or
  /// disappeared counts). Returns whether it reloaded.
  bool checkUserFileChanged();
  /// Creates the file from the template when missing, deletes the old reference copy, reveals the
  /// file, then opens it in the text editor, else with the default application.
  void openForEditing();
  /// Watches the support folder; every write in it checks the user file. False when the folder
  /// cannot be watched (changes are then noticed when Excel comes to the front).
  bool startWatching();

  [[nodiscard]] const std::optional<platform::WallTime>& loadedFileDate() const { return loadedFileDate_; }
  [[nodiscard]] bool isWatching() const { return watch_ != nullptr; }

  /// Receives every reload, whoever caused it.
  std::function<void(const Reload&)> onReload;

 private:
  platform::Files& files_;
  platform::Workspace& workspace_;
  platform::Paths paths_;
  std::string builtinFile_;
  std::string userFile_;
  base::ActivityLog& log_;
  base::AppStatus& status_;
  std::optional<platform::WallTime> loadedFileDate_;
  std::unique_ptr<platform::FolderWatch> watch_;
  std::shared_ptr<UserShortcutsFile*> self_ = std::make_shared<UserShortcutsFile*>(this);
};

}  // namespace corvane::app

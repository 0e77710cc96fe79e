#include "app/user_shortcuts_file.hpp"

#include <algorithm>

#include "base/library_loader.hpp"

namespace corvane::app {

const std::string_view UserShortcutsFile::kTemplate = R"({
  "_help": [
    "Your own shortcuts. These are added on top of the built-in ones.",
    "Same keys as a built-in shortcut = yours replaces it. Add \"disabled\": true to switch one off.",
    "Corvane reloads this file by itself when you save it.",
    "Step types: key, menu, ribbon (+tab, +item), click, wait, try (first that works), steps.",
    "Settings › My Shortcuts makes shortcuts without editing this file."
  ],
  "groups": {
  },
  "shortcuts": [
    { "keys": "Q G", "name": "Example: gridlines on/off", "do": { "ribbon": "Gridlines", "tab": "View" }, "disabled": true },
    { "keys": "Q W", "name": "Example: AutoFit column width", "do": { "menu": "Format > Column > Auto-fit Selection" }, "disabled": true }
  ]
}
)";

ReloadNotice reloadNotice(const model::ShortcutLibrary& library) {
  auto count = std::to_string(library.shortcuts().size());
  const auto& warnings = library.warnings();
  if (warnings.empty()) return ReloadNotice{"Loaded " + count + " shortcuts", false, 2};
  std::string message = "Loaded " + count + " shortcuts. " + std::to_string(warnings.size()) +
                        " problem(s), listed in Settings › My Shortcuts.\n";
  auto shown = std::min<std::size_t>(warnings.size(), 3);
  for (std::size_t i = 0; i < shown; ++i) {
    if (i > 0) message += "\n";
    message += warnings[i];
  }
  return ReloadNotice{std::move(message), true, 7};
}

UserShortcutsFile::UserShortcutsFile(platform::Files& files, platform::Workspace& workspace, platform::Paths paths,
                                     std::string builtinFile, base::ActivityLog& log, base::AppStatus& status,
                                     std::string userFile)
    : files_(files),
      workspace_(workspace),
      paths_(std::move(paths)),
      builtinFile_(std::move(builtinFile)),
      userFile_(std::move(userFile)),
      log_(log),
      status_(status) {}

std::string UserShortcutsFile::supportFolder() {
  (void)files_.createFolders(paths_.supportFolder);
  return paths_.supportFolder;
}

std::string UserShortcutsFile::userFile() const {
  return userFile_.empty() ? paths_.supportFolder + "/" + kFileName : userFile_;
}

std::string UserShortcutsFile::referenceCopy() const { return paths_.supportFolder + "/" + kReferenceCopyName; }

model::LibraryPtr UserShortcutsFile::loadLibrary() {
  auto path = userFile();
  loadedFileDate_ = files_.modificationDate(path);
  auto library = base::loadLibrary(files_, builtinFile_, path);
  for (const auto& warning : library->warnings()) log_.log("⚠️ " + warning);
  status_.shortcutCount.set(static_cast<int>(library->shortcuts().size()));
  status_.warnings.set(library->warnings());
  return library;
}

Reload UserShortcutsFile::reloadShortcuts() {
  auto library = loadLibrary();
  Reload reload{library, reloadNotice(*library)};
  // The handler may destroy this object (a shell shutting down); nothing here is touched after it.
  if (onReload) {
    auto handler = onReload;
    handler(reload);
  }
  return reload;
}

bool UserShortcutsFile::checkUserFileChanged() {
  auto current = files_.modificationDate(userFile());
  if (current == loadedFileDate_) return false;
  log_.log(std::string(kFileName) + " changed: reloading");
  (void)reloadShortcuts();
  return true;
}

void UserShortcutsFile::openForEditing() {
  (void)supportFolder();
  auto path = userFile();
  if (!files_.exists(path)) (void)files_.writeAtomic(path, kTemplate);
  if (files_.exists(referenceCopy())) (void)files_.remove(referenceCopy());
  workspace_.revealFile(path);
  if (!workspace_.openFileWithApplication(path, kTextEditor)) (void)workspace_.openFile(path);
}

bool UserShortcutsFile::startWatching() {
  std::weak_ptr<UserShortcutsFile*> weak = self_;
  watch_ = files_.watchFolder(supportFolder(), [weak] {
    if (auto self = weak.lock()) (void)(*self)->checkUserFileChanged();
  });
  return watch_ != nullptr;
}

}  // namespace corvane::app

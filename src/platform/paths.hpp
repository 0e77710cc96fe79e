#pragma once

#include <string>

namespace corvane::platform {

/// Where the program keeps its files. Folders are created by whoever first writes into them.
struct Paths {
  std::string home;
  std::string supportFolder;        ///< my-shortcuts.json, shortcut-check.txt, excel-menu-map.txt
  std::string logFile;              ///< Corvane.log
  std::string desktop;              ///< the problem report's fallback
  std::string temporaryFolder;
  std::string formerSupportFolder;  ///< the former product's folder (its my-shortcuts.json)

  [[nodiscard]] std::string userShortcutsFile() const { return supportFolder + "/my-shortcuts.json"; }
  [[nodiscard]] std::string formerShortcutsFile() const { return formerSupportFolder + "/my-shortcuts.json"; }
};

}  // namespace corvane::platform

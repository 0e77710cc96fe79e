#include "base/former_settings.hpp"

#include <array>

#include "base/preferences.hpp"

namespace corvane::base {

void importFormerSettings(platform::Defaults& standard, platform::Files& files, const platform::Paths& paths) {
  if (standard.getBool(prefkeys::kImportedOldSettings).value_or(false)) return;
  standard.set(prefkeys::kImportedOldSettings, true);

  if (auto former = standard.openSuite(kFormerSettingsSuite)) {
    constexpr std::array kImported{prefkeys::kEnabled,  prefkeys::kHoldToStart, prefkeys::kShowRibbonTips,
                                   prefkeys::kTipStyle, prefkeys::kTipSize,     prefkeys::kKeyListMode,
                                   prefkeys::kAlwaysShowKeyList};
    for (const char* key : kImported) {
      if (standard.has(key)) continue;
      if (auto value = former->raw(key)) standard.set(key, std::move(*value));
    }
  }

  auto formerFile = paths.formerShortcutsFile();
  auto userFile = paths.userShortcutsFile();
  if (!files.exists(formerFile) || files.exists(userFile)) return;
  if (!files.createFolders(paths.supportFolder)) return;
  (void)files.copy(formerFile, userFile);
}

}  // namespace corvane::base

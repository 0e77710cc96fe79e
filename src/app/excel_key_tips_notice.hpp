#pragma once
// What the program says about Excel's own KeyTips answering ⌥ too: the notice shown once ever, the
// settings line and the problem report's line. Texts only.

namespace corvane::app {

struct ExcelKeyTipsNotice {
  static constexpr double kSeconds = 12.0;
  static constexpr const char* kMessage = "Excel's own KeyTips answer ⌥ too";
  static constexpr const char* kClosed = "Corvane closed them so that its own key tips could show.";
  static constexpr const char* kStayed = "They stayed on, so Corvane showed only its key list.";
  static constexpr const char* kWaysOut =
      "To keep ⌥ for Corvane, turn KeyTips off in Excel › Settings › Accessibility, or give them "
      "another key there, such as ⇧⌥.";

  static constexpr const char* kSettingsTitle = "Excel's own KeyTips answer ⌥ too";
  static constexpr const char* kSettingsDetail =
      "Corvane closes them when you start its keys. To keep them apart, turn KeyTips off in Excel › "
      "Settings › Accessibility, or give them another key there, such as ⇧⌥.";
};

}  // namespace corvane::app

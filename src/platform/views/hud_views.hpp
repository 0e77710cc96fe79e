#pragma once
// The four contents of the key-list panel.

#include <optional>
#include <string>
#include <vector>

#include "platform/views/view.hpp"

namespace corvane::platform::views {

struct KeyListRowView {
  std::string key;
  std::string label;
  bool isGroup = false;  ///< drawn with a "chevron.right"
  bool legacy = false;   ///< a small "2003" tag after the label
  friend bool operator==(const KeyListRowView&, const KeyListRowView&) = default;
};

struct FooterHintView {
  std::string key;
  std::string text;
  friend bool operator==(const FooterHintView&, const FooterHintView&) = default;
};

struct KeyListView : View {
  std::vector<std::string> pathKeys;  ///< the keys typed so far, as small key badges
  std::string title;                  ///< may be empty
  std::optional<std::string> subtitle;
  std::vector<std::vector<KeyListRowView>> columns;
  std::optional<std::string> message;  ///< shown in the footer instead of the hints
  bool messageIsError = false;         ///< orange "exclamationmark.circle.fill", else secondary
  std::vector<FooterHintView> hints;
  Color badgeFill;
  Color badgeBorder;
  Color badgeText;
};

struct NoticeView : View {
  std::string appName = "Corvane";
  std::string message;
  bool isError = false;             ///< an orange "exclamationmark.triangle.fill"
  std::vector<std::string> lines;   ///< further lines under the message
  std::optional<Button> action;     ///< e.g. "See What's New"
};

struct BusyView : View {
  std::string title;
};

struct ProblemView : View {
  double width = 380;
  std::string title;
  std::string detail;
  std::string keysLine;  ///< "⌥ H O I · AutoFit Column Width"
  std::vector<Button> fixes;
  Button dismiss{"dismiss", "Dismiss"};
  Button close{"close", "xmark"};
};

}  // namespace corvane::platform::views

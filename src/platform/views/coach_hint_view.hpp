#pragma once
// The learning hint: a capsule with the command's name, its keys as badges and "next time".

#include <optional>
#include <string>
#include <vector>

#include "platform/views/view.hpp"

namespace corvane::platform::views {

struct CoachHintView : View {
  std::string name;               ///< 12 points
  std::vector<std::string> keys;  ///< drawn as key badges in the hint's style
  std::string trailer = "next time";
  std::optional<Button> turnOff;  ///< "Turn off learning hints"
  double height = 28;
  Color badgeFill;
  Color badgeBorder;
  Color badgeText;
};

}  // namespace corvane::platform::views

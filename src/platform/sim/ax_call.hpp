#pragma once
// The kinds of Accessibility call the simulated Excel counts.

#include <cstddef>
#include <string_view>

namespace corvane::platform::sim {

enum class AXCall {
  application,
  processId,
  copyAttribute,
  copyMultiple,
  actionNames,
  perform,
  set,
  elementAtPosition,
  messagingTimeout,
  trusted,
};
inline constexpr std::size_t kAXCallKinds = 10;

[[nodiscard]] constexpr std::string_view axCallName(AXCall call) {
  switch (call) {
    case AXCall::application:
      return "application";
    case AXCall::processId:
      return "processId";
    case AXCall::copyAttribute:
      return "copyAttribute";
    case AXCall::copyMultiple:
      return "copyMultiple";
    case AXCall::actionNames:
      return "actionNames";
    case AXCall::perform:
      return "perform";
    case AXCall::set:
      return "set";
    case AXCall::elementAtPosition:
      return "elementAtPosition";
    case AXCall::messagingTimeout:
      return "messagingTimeout";
    case AXCall::trusted:
      return "trusted";
  }
  return "";
}

}  // namespace corvane::platform::sim

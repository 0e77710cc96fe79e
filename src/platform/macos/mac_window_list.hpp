#pragma once

#include "platform/accessibility.hpp"

namespace corvane::platform::macos {

/// The window server's list of on-screen windows. Stateless; any thread.
class MacWindowList final : public WindowList {
 public:
  /// Front to back, desktop elements excluded; a window without readable bounds is left out.
  [[nodiscard]] std::vector<WindowInfo> onScreenWindows() override;
};

}  // namespace corvane::platform::macos

#pragma once

#include "platform/screens.hpp"

namespace corvane::platform::macos {

/// The displays as NSScreen reports them. Stateless; main thread (AppKit reads screens there).
class MacScreens final : public Screens {
 public:
  [[nodiscard]] std::vector<ScreenInfo> screens() override;
  [[nodiscard]] std::optional<ScreenInfo> mainScreen() override;
  [[nodiscard]] Point mouseLocation() override;
};

}  // namespace corvane::platform::macos

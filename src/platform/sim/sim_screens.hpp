#pragma once
// Simulated displays: one or two screens as a test or the session sets them up, and a pointer.
// Read on the main thread only, as NSScreen is (`mainThread` records any other caller); set up by
// the test or the session.

#include <mutex>
#include <vector>

#include "platform/screens.hpp"
#include "platform/sim/main_thread_rule.hpp"

namespace corvane::platform::sim {

class SimScreens final : public Screens {
 public:
  /// One 1440 × 900 Retina screen with a 25-point menu bar, the pointer in its middle.
  SimScreens();
  explicit SimScreens(std::vector<ScreenInfo> screens);

  [[nodiscard]] std::vector<ScreenInfo> screens() override;
  [[nodiscard]] std::optional<ScreenInfo> mainScreen() override;
  [[nodiscard]] Point mouseLocation() override;

  MainThreadRule& mainThread() { return rule_; }

  void setScreens(std::vector<ScreenInfo> screens);
  void setMainScreen(std::size_t index);
  void setMouseLocation(Point location);

  /// A screen at `frame` whose visible frame leaves out a menu bar of `menuBar` points at the top.
  [[nodiscard]] static ScreenInfo makeScreen(std::uint32_t id, Rect frame, double menuBar = 25, double scale = 2);

 private:
  mutable std::mutex mutex_;
  MainThreadRule rule_;
  std::vector<ScreenInfo> screens_;
  std::size_t main_ = 0;
  Point mouse_;
};

}  // namespace corvane::platform::sim

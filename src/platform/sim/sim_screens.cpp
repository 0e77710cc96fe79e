#include "platform/sim/sim_screens.hpp"

namespace corvane::platform::sim {

SimScreens::SimScreens() : SimScreens({makeScreen(1, {0, 0, 1440, 900})}) {}

SimScreens::SimScreens(std::vector<ScreenInfo> screens) : screens_(std::move(screens)) {
  if (!screens_.empty()) mouse_ = {screens_.front().frame.midX(), screens_.front().frame.midY()};
}

ScreenInfo SimScreens::makeScreen(std::uint32_t id, Rect frame, double menuBar, double scale) {
  return {id, frame, {frame.x, frame.y, frame.width, frame.height - menuBar}, scale};
}

std::vector<ScreenInfo> SimScreens::screens() {
  rule_.check("Screens::screens");
  std::lock_guard lock(mutex_);
  return screens_;
}

std::optional<ScreenInfo> SimScreens::mainScreen() {
  rule_.check("Screens::mainScreen");
  std::lock_guard lock(mutex_);
  if (main_ >= screens_.size()) return std::nullopt;
  return screens_[main_];
}

Point SimScreens::mouseLocation() {
  rule_.check("Screens::mouseLocation");
  std::lock_guard lock(mutex_);
  return mouse_;
}

void SimScreens::setScreens(std::vector<ScreenInfo> screens) {
  std::lock_guard lock(mutex_);
  screens_ = std::move(screens);
  main_ = 0;
}

void SimScreens::setMainScreen(std::size_t index) {
  std::lock_guard lock(mutex_);
  main_ = index;
}

void SimScreens::setMouseLocation(Point location) {
  std::lock_guard lock(mutex_);
  mouse_ = location;
}

}  // namespace corvane::platform::sim

#include "platform/sim/sim_window_list.hpp"

#include "platform/sim/sim_excel.hpp"

namespace corvane::platform::sim {

std::vector<WindowInfo> SimWindowList::onScreenWindows() { return excel_.onScreenWindows(); }

}  // namespace corvane::platform::sim

#pragma once
// What the shell's collaborators' tests share: a simulated Excel and desktop in virtual time, and
// the HUD on them.

#include <gtest/gtest.h>

#include <memory>

#include "excel/excel_sim.hpp"
#include "feedback/hud_controller.hpp"
#include "platform/sim/memory_defaults.hpp"
#include "platform/sim/sim_panels.hpp"
#include "platform/sim/sim_screens.hpp"

namespace corvane::app::testing {

class HudWorld : public ::testing::Test {
 protected:
  excel::testing::ExcelSim excel;
  platform::sim::VirtualTime& time = excel.sim.time;
  platform::sim::MemoryDefaults defaults;
  platform::sim::SimScreens screens;
  platform::sim::SimPanels panels{time};
  std::shared_ptr<feedback::HUDController> hud = std::make_shared<feedback::HUDController>(
      panels, screens, excel.sim.excel->windowList(), time, feedback::HUDController::Sources{});
};

}  // namespace corvane::app::testing

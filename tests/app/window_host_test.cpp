#include "app/window_host.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/sim/sim_panels.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::app {
namespace {

using platform::PanelAction;

struct Received {
  std::string name;
  PanelAction::Kind kind;
};

TEST(WindowHost, MakesEachWindowOnceOnFirstUse) {
  platform::sim::VirtualTime time;
  platform::sim::SimPanels panels(time);
  WindowHost host(panels, {});
  EXPECT_EQ(host.find("settings"), nullptr);
  auto& settings = host.named("settings");
  EXPECT_EQ(host.find("settings"), &settings);
  EXPECT_EQ(&host.named("settings"), &settings);
  EXPECT_NE(&host.named("list"), &settings);
  EXPECT_FALSE(settings.isVisible());  // made hidden; showing is the caller's choice
  WindowHost::bringToFront(settings);
  EXPECT_TRUE(settings.isVisible());
}

TEST(WindowHost, ActionsArriveWithTheirWindowsName) {
  platform::sim::VirtualTime time;
  platform::sim::SimPanels panels(time);
  std::vector<Received> received;
  WindowHost host(panels, [&](const std::string& name, const PanelAction& action) {
    received.push_back({name, action.kind});
  });
  auto& editor = host.named("editor");
  auto& list = host.named("list");
  WindowHost::bringToFront(editor);
  WindowHost::bringToFront(list);
  // The user presses a button in the editor, then closes the list.
  PanelAction save;
  save.id = "save";
  PanelAction closed;
  closed.kind = PanelAction::Kind::closed;
  ASSERT_TRUE(dynamic_cast<platform::sim::SimPanel&>(editor).send(save));
  ASSERT_TRUE(dynamic_cast<platform::sim::SimPanel&>(list).send(closed));
  ASSERT_EQ(received.size(), 2U);
  EXPECT_EQ(received.front().name, "editor");
  EXPECT_EQ(received.front().kind, PanelAction::Kind::button);
  EXPECT_EQ(received.back().name, "list");
  EXPECT_EQ(received.back().kind, PanelAction::Kind::closed);
}

}  // namespace
}  // namespace corvane::app

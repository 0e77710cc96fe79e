#pragma once
// What every Panels backend promises (platform/panels.hpp): AppKit's ordering and key rules. A
// backend type B offers:
//   Panels& panels();
//   bool pumpUntil(std::function<bool()> done);  runs the main queue until done() or a bounded time
//   void pumpFor(double seconds);
// Every call is made on the main thread.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/panels.hpp"

namespace corvane::platform::contracts {

template <typename Backend>
class PanelsContract : public ::testing::Test {
 protected:
  Backend backend;
  Panels& panels() { return backend.panels(); }

  /// A panel whose `closed` actions are counted.
  struct Counted {
    std::unique_ptr<Panel> panel;
    std::shared_ptr<int> closed = std::make_shared<int>(0);
  };
  Counted make(PanelKind kind) {
    Counted counted{panels().create(kind, {320, 200})};
    counted.panel->setActionSink([closed = counted.closed](const PanelAction& action) {
      if (action.kind == PanelAction::Kind::closed) ++*closed;
    });
    return counted;
  }
};

TYPED_TEST_SUITE_P(PanelsContract);

TYPED_TEST_P(PanelsContract, ANewPanelIsHiddenAndItsFrameRoundTrips) {
  for (PanelKind kind : {PanelKind::hud, PanelKind::keyTipOverlay, PanelKind::coachHint, PanelKind::palette,
                         PanelKind::quickPanel, PanelKind::window}) {
    auto counted = this->make(kind);
    EXPECT_FALSE(counted.panel->isVisible());
    EXPECT_FALSE(counted.panel->isKey());
    counted.panel->setFrame({100, 200, 320, 80});
    EXPECT_EQ(counted.panel->frame(), (Rect{100, 200, 320, 80}));
  }
}

TYPED_TEST_P(PanelsContract, OrderingFrontShowsWithoutTakingKeyStatus) {
  auto hud = this->make(PanelKind::hud);
  hud.panel->orderFront();
  EXPECT_TRUE(hud.panel->isVisible());
  EXPECT_FALSE(hud.panel->isKey());
  hud.panel->orderOut();
  EXPECT_FALSE(hud.panel->isVisible());
  this->backend.pumpFor(0.1);
  EXPECT_EQ(*hud.closed, 0) << "a panel that was never key never closes";
}

TYPED_TEST_P(PanelsContract, OrderingOutTheKeyPaletteSendsClosed) {
  auto palette = this->make(PanelKind::palette);
  palette.panel->makeKeyAndOrderFront();
  ASSERT_TRUE(this->backend.pumpUntil([&] { return palette.panel->isKey(); }));
  EXPECT_TRUE(this->backend.pumpUntil([&] { return this->panels().ownWindowIsKey(); }));
  palette.panel->orderOut();
  EXPECT_TRUE(this->backend.pumpUntil([&] { return *palette.closed == 1; }));
  EXPECT_FALSE(palette.panel->isVisible());
  EXPECT_TRUE(this->backend.pumpUntil([&] { return !this->panels().ownWindowIsKey(); }));
}

// A key panel that loses key status is gone for the user (it reports `closed`); an ordinary window
// that loses it stays open behind, and a panel taking key status never closes a window.
TYPED_TEST_P(PanelsContract, LosingKeyStatusClosesKeyPanelsButNeverAWindow) {
  auto window = this->make(PanelKind::window);
  auto palette = this->make(PanelKind::palette);
  window.panel->makeKeyAndOrderFront();
  ASSERT_TRUE(this->backend.pumpUntil([&] { return window.panel->isKey(); }));
  palette.panel->makeKeyAndOrderFront();
  ASSERT_TRUE(this->backend.pumpUntil([&] { return palette.panel->isKey(); }));
  this->backend.pumpFor(0.1);
  EXPECT_FALSE(window.panel->isKey());
  EXPECT_TRUE(window.panel->isVisible());
  EXPECT_EQ(*window.closed, 0);

  window.panel->makeKeyAndOrderFront();
  EXPECT_TRUE(this->backend.pumpUntil([&] { return *palette.closed == 1; }));
  EXPECT_TRUE(window.panel->isKey());
  window.panel->orderOut();
  palette.panel->orderOut();
  this->backend.pumpFor(0.1);
  EXPECT_EQ(*window.closed, 0);
  EXPECT_EQ(*palette.closed, 1) << "a palette no longer key is not closed twice";
}

REGISTER_TYPED_TEST_SUITE_P(PanelsContract, ANewPanelIsHiddenAndItsFrameRoundTrips,
                            OrderingFrontShowsWithoutTakingKeyStatus, OrderingOutTheKeyPaletteSendsClosed,
                            LosingKeyStatusClosesKeyPanelsButNeverAWindow);

}  // namespace corvane::platform::contracts

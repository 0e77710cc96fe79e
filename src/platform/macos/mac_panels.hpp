#pragma once

#include <memory>

#include "platform/macos/panel_content.hpp"
#include "platform/panels.hpp"

namespace corvane::platform::macos {

/// Floating panels and windows: NSPanel (non-activating, levels and behaviours by kind) or a
/// titled NSWindow, hosting the AppKit view the factory builds for each view model. Main thread
/// only; panels may outlive it.
class MacPanels final : public Panels {
 public:
#ifdef __OBJC__
  explicit MacPanels(PanelContentFactory factory);
#endif
  ~MacPanels() override;
  MacPanels(const MacPanels&) = delete;
  MacPanels& operator=(const MacPanels&) = delete;

  [[nodiscard]] std::unique_ptr<Panel> create(PanelKind kind, Size initialSize) override;
  [[nodiscard]] bool ownWindowIsKey() const override;

  /// What every panel shares with its maker; defined where AppKit is known.
  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace corvane::platform::macos

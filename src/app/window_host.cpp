#include "app/window_host.hpp"

#include <utility>

namespace corvane::app {
namespace {

// A new window's size before its content fits it.
constexpr platform::Size kFirstSize{480, 360};

}  // namespace

WindowHost::WindowHost(platform::Panels& panels, ActionHandler onAction)
    : panels_(panels), onAction_(std::move(onAction)) {}

platform::Panel* WindowHost::find(const std::string& name) const {
  for (const auto& w : windows_) {
    if (w.name == name) return w.panel.get();
  }
  return nullptr;
}

platform::Panel& WindowHost::named(const std::string& name) {
  if (auto* found = find(name)) return *found;
  auto panel = panels_.create(platform::PanelKind::window, kFirstSize);
  // The sink holds the handler, not the host, so a late action never reaches a host that is gone.
  panel->setActionSink([onAction = onAction_, name](const platform::PanelAction& action) {
    if (onAction) onAction(name, action);
  });
  windows_.push_back(Window{name, std::move(panel)});
  return *windows_.back().panel;
}

void WindowHost::bringToFront(platform::Panel& panel) {
  if (!panel.isVisible()) panel.center();
  panel.makeKeyAndOrderFront();
}

}  // namespace corvane::app

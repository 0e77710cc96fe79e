#include "app/status_item_click.hpp"

namespace corvane::app {

namespace {

StatusItemClick normalClick(model::MenuBarClick menuBarClick) {
  switch (menuBarClick) {
    case model::MenuBarClick::toggle: return StatusItemClick::toggleEnabled;
    case model::MenuBarClick::showPanel: return StatusItemClick::togglePanel;
  }
  return StatusItemClick::togglePanel;
}

}  // namespace

StatusItemClick statusItemClick(const StatusItemEvent& event, model::MenuBarClick menuBarClick,
                                bool rightClickAlternates) {
  if (event.optionHeld) return StatusItemClick::showSettings;
  bool alternate = event.rightMouseUp || event.controlHeld;
  if (!alternate || !rightClickAlternates) return normalClick(menuBarClick);
  return menuBarClick == model::MenuBarClick::toggle ? StatusItemClick::togglePanel : StatusItemClick::toggleEnabled;
}

std::string toggleNotice(bool enabled) { return enabled ? "Excel shortcuts on" : "Excel shortcuts off"; }

}  // namespace corvane::app

#include "mac_app/view_actions.hpp"

#include <utility>

namespace corvane::mac_app {

using platform::PanelAction;
namespace views = platform::views;

PanelAction buttonAction(std::string id, std::string text) {
  PanelAction action;
  action.kind = PanelAction::Kind::button;
  action.id = std::move(id);
  action.text = std::move(text);
  return action;
}

PanelAction toggleAction(std::string id, bool on) {
  PanelAction action;
  action.kind = PanelAction::Kind::toggle;
  action.id = std::move(id);
  action.on = on;
  return action;
}

PanelAction selectAction(std::string id, std::string value) {
  PanelAction action;
  action.kind = PanelAction::Kind::select;
  action.id = std::move(id);
  action.text = std::move(value);
  return action;
}

PanelAction textAction(std::string id, std::string text) {
  PanelAction action;
  action.kind = PanelAction::Kind::text;
  action.id = std::move(id);
  action.text = std::move(text);
  return action;
}

PanelAction keyAction(std::string id, bool command) {
  PanelAction action;
  action.kind = PanelAction::Kind::key;
  action.id = std::move(id);
  action.command = command;
  return action;
}

PanelAction caughtKeyAction(const views::CaughtKey& key) {
  PanelAction action = keyAction(key.character, key.command);
  action.shift = key.shift;
  action.option = key.option;
  action.control = key.control;
  action.keyCode = key.keyCode;
  return action;
}


}  // namespace corvane::mac_app

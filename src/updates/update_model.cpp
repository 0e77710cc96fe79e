#include "updates/update_model.hpp"

#include "platform/views/view_actions.hpp"

namespace corvane::updates {
namespace {

void call(const std::function<void()>& f) {
  if (f) f();
}

}  // namespace

void UpdateModel::setAutoCheck(bool on) {
  autoCheck.set(on);
  if (onAutoCheck) onAutoCheck(on);
}

void UpdateModel::setAutoInstall(bool on) {
  autoInstall.set(on);
  if (onAutoInstall) onAutoInstall(on);
}

void UpdateModel::perform(platform::views::UpdateAction action, bool checked) {
  using platform::views::UpdateAction;
  // Copy first: a callback may replace the one it was called through.
  switch (action) {
    case UpdateAction::install: return call(std::function<void()>(install));
    case UpdateAction::skip: return call(std::function<void()>(skip));
    case UpdateAction::later: return call(std::function<void()>(later));
    case UpdateAction::cancel: return call(std::function<void()>(cancel));
    case UpdateAction::relaunch: return call(std::function<void()>(relaunch));
    case UpdateAction::installOnQuit: return call(std::function<void()>(installOnQuit));
    case UpdateAction::acknowledge: return call(std::function<void()>(acknowledge));
    case UpdateAction::setAutoInstall: return setAutoInstall(checked);
  }
}

bool UpdateModel::isFound() const { return is<stage::Found>(); }

void UpdateModel::handle(const platform::PanelAction& action) {
  using Kind = platform::PanelAction::Kind;
  if (action.kind != Kind::button && action.kind != Kind::toggle) return;
  if (auto updateAction = platform::views::updateAction(action.id)) perform(*updateAction, action.on);
}

}  // namespace corvane::updates

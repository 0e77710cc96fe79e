// Keys and clicks reaching Excel, after the event tap.

#include <algorithm>

#include "platform/sim/sim_excel.hpp"
#include "platform/sim/virtual_key_codes.hpp"

namespace corvane::platform::sim {

void SimExcel::receiveKey(std::uint16_t keyCode, bool down, std::uint64_t flags) {
  Lock lock(mutex_);
  // Keystrokes go to the frontmost application only.
  if (!running_ || !frontmost_ || !down) return;
  interruptKeyTipsKey();
  if (keyTipsShowing_ && keyTipsTakeKey(keyCode, flags)) return;
  if (keyCode == vk::kEscape) {
    if (!popups_.empty()) {
      closePopupsFrom(popups_.size() - 1);
      return;
    }
    if (!openMenus_.empty()) {
      auto menu = openMenus_.back();
      openMenus_.pop_back();
      menu->open = false;
      auto owner = menu->parentNode();
      record(ExcelEvent::Kind::menuClosed, owner ? owner->title : std::string());
      return;
    }
  }
  ExcelEvent key;
  key.kind = ExcelEvent::Kind::key;
  key.keyCode = keyCode;
  key.flags = flags;
  record(std::move(key));
  if (keyCode == vk::kEscape && !dialogs_.empty()) closeDialog(dialogs_.back());
}

void SimExcel::receiveMouse(InputPoster::Mouse kind, Point location) {
  Lock lock(mutex_);
  if (!running_) return;
  auto hit = hitTest(location);
  if (kind == InputPoster::Mouse::leftDown) {
    interruptKeyTipsKey();
    hideKeyTips();
    // A click outside the open menus closes them and goes no further.
    bool menusOpen = !popups_.empty() || !openMenus_.empty();
    if (menusOpen && !(hit && (hit->area == Area::popup || hit->area == Area::menuBar))) {
      closeAllMenus();
      mouseDownOn_.reset();
      return;
    }
    mouseDownOn_ = hit;
    return;
  }
  auto down = mouseDownOn_.lock();
  mouseDownOn_.reset();
  if (hit && down == hit && hit->alive) click(hit);
}

void SimExcel::click(const NodePtr& node) {
  for (auto n = node; n && n->alive; n = n->parentNode()) {
    if (isTextRole(n->role)) {
      if (n->isEnabled()) focus(n);
      return;
    }
    auto actions = actionsOf(*n);
    if (std::find(actions.begin(), actions.end(), "AXPress") != actions.end()) {
      (void)press(n);
      return;
    }
    if (n->kind == NodeKind::window || n->kind == NodeKind::popup || n->kind == NodeKind::dialog) return;
  }
}

}  // namespace corvane::platform::sim

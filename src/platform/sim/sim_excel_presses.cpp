// Excel's reactions to a press, a menu shown or a focus: what each kind of element does, and the
// command it runs. Called with SimExcel's lock held.

#include "platform/sim/sim_excel.hpp"

namespace corvane::platform::sim {
namespace {

NodePtr childMenu(const SimNode& node) {
  for (const auto& child : node.children) {
    if (child->kind == NodeKind::menu) return child;
  }
  return nullptr;
}

}  // namespace

void SimExcel::run(const NodePtr& node) {
  std::string label = node->source != nullptr && node->source->runs ? *node->source->runs : recordedName(*node);
  record(ExcelEvent::Kind::ran, label, node);
  if (node->source != nullptr && node->source->dialog) scheduleDialog(*node->source->dialog);
  // View › Ribbon shows or hides the ribbon's commands.
  if (node->area == Area::menuBar && pathOf(node) == "View › Ribbon") {
    if (auto tabGroup = frontTabGroup()) setRibbonCollapsed(tabGroup, !tabGroup->collapsed);
  }
}

AXError SimExcel::press(const NodePtr& node) {
  if (!node->isEnabled()) return ax::kFailure;
  switch (node->kind) {
    case NodeKind::tab:
      selectTab(node);
      return ax::kSuccess;
    case NodeKind::menuBarItem:
      if (auto menu = childMenu(*node)) openMenuBarMenu(menu);
      return ax::kSuccess;
    case NodeKind::foldButton:
      openPopup(node);
      return ax::kSuccess;
    case NodeKind::menuItem: {
      if (node->area == Area::menuBar) {
        if (auto sub = childMenu(*node)) {
          openMenuBarMenu(sub);
          return ax::kSuccess;
        }
        run(node);
        closeAllMenus();
        return ax::kSuccess;
      }
      if (node->source != nullptr && node->source->hasMenu) {
        openPopup(node);
        return ax::kSuccess;
      }
      // Choosing from a pop-up button's or combo box's list sets its value.
      if (auto popup = enclosing(node, NodeKind::popup)) {
        auto opener = popup->opener.lock();
        if (opener && opener->alive && (opener->role == "AXPopUpButton" || opener->role == "AXComboBox")) {
          opener->value = node->title;
        }
      }
      run(node);
      closeAllMenus();
      return ax::kSuccess;
    }
    case NodeKind::element: {
      const auto* source = node->source;
      bool hasMenu = source != nullptr && source->hasMenu;
      // A split button runs its command when pressed and shows its menu with AXShowMenu.
      if (hasMenu && !source->runs) {
        openPopup(node);
        return ax::kSuccess;
      }
      if (node->role == "AXCheckBox") {
        bool on = node->value == FixtureValue{std::int64_t{1}};
        node->value = std::int64_t{on ? 0 : 1};
      } else if (node->role == "AXRadioButton") {
        if (auto parent = node->parentNode()) {
          for (auto& sibling : parent->children) {
            if (sibling->role == "AXRadioButton") sibling->value = std::int64_t{0};
          }
        }
        node->value = std::int64_t{1};
      }
      run(node);
      if (node->area == Area::popup) closeAllMenus();
      if (node->area == Area::dialog && source != nullptr && source->closes) {
        if (auto dialog = enclosing(node, NodeKind::dialog)) closeDialog(dialog);
      }
      return ax::kSuccess;
    }
    case NodeKind::application:
    case NodeKind::window:
    case NodeKind::tabGroup:
    case NodeKind::commands:
    case NodeKind::group:
    case NodeKind::menuBar:
    case NodeKind::menu:
    case NodeKind::popup:
    case NodeKind::dialog:
    case NodeKind::keyTip:
      return ax::kActionUnsupported;
  }
  return ax::kActionUnsupported;
}

AXError SimExcel::showMenu(const NodePtr& node) {
  if (!node->isEnabled()) return ax::kFailure;
  if (node->kind == NodeKind::menuBarItem) return press(node);
  bool hasMenu = node->kind == NodeKind::foldButton || (node->source != nullptr && node->source->hasMenu);
  if (hasMenu && node->area != Area::menuBar) openPopup(node);
  return ax::kSuccess;
}

void SimExcel::focus(const NodePtr& node) {
  focused_ = node;
  // Focusing a box selects its whole text, as tabbing into it does.
  if (isTextRole(node->role)) {
    const auto* text = node->value ? std::get_if<std::string>(&*node->value) : nullptr;
    node->selection = TextRange{0, text != nullptr ? utf16Length(*text) : 0};
  }
  record(ExcelEvent::Kind::focused, recordedName(*node), node);
}

}  // namespace corvane::platform::sim

// What SimExcel's elements answer when read: attributes, action names, the element at a point.

#include "platform/sim/sim_excel.hpp"

namespace corvane::platform::sim {
namespace {

AXValue toAXValue(const FixtureValue& value) {
  return std::visit([](const auto& v) -> AXValue { return v; }, value);
}

}  // namespace

NodePtr SimExcel::windowOf(const NodePtr& node) const {
  for (auto n = node->parentNode(); n; n = n->parentNode()) {
    if ((n->kind == NodeKind::window || n->kind == NodeKind::popup || n->kind == NodeKind::dialog) &&
        n->role == "AXWindow") {
      return n;
    }
  }
  return nullptr;
}

std::vector<std::string> SimExcel::actionsOf(const SimNode& node) const {
  if (node.source != nullptr && node.source->actions && node.kind != NodeKind::commands) return *node.source->actions;
  std::vector<std::string> actions;
  switch (node.kind) {
    case NodeKind::application:
    case NodeKind::tabGroup:
    case NodeKind::commands:
    case NodeKind::group:
    case NodeKind::menuBar:
    case NodeKind::menu:
    case NodeKind::keyTip:
      break;
    case NodeKind::window:
    case NodeKind::popup:
    case NodeKind::dialog:
      if (node.role == "AXWindow") actions.push_back("AXRaise");
      break;
    case NodeKind::tab:
      actions.push_back("AXPress");
      break;
    case NodeKind::foldButton:
      actions = {"AXPress", "AXShowMenu"};
      break;
    case NodeKind::menuBarItem:
    case NodeKind::menuItem:
      actions = {"AXPress", "AXCancel"};
      break;
    case NodeKind::element: {
      const auto& role = node.role;
      if (role == "AXButton" || role == "AXCheckBox" || role == "AXRadioButton" || role == "AXMenuButton" ||
          role == "AXPopUpButton" || role == "AXDisclosureTriangle" || role == "AXToggle") {
        actions.push_back("AXPress");
      }
      if (role == "AXComboBox" || role == "AXTextField") actions.push_back("AXConfirm");
      bool menu = role == "AXMenuButton" || role == "AXPopUpButton" || (node.source != nullptr && node.source->hasMenu);
      if (menu) actions.push_back("AXShowMenu");
      break;
    }
  }
  return actions;
}

std::expected<AXValue, AXError> SimExcel::attributeOf(const NodePtr& n, std::string_view a) const {
  const SimNode& node = *n;
  auto text = [](const std::string& s) -> std::expected<AXValue, AXError> {
    if (s.empty()) return std::unexpected(ax::kNoValue);
    return AXValue{s};
  };
  auto element = [this](const NodePtr& e) -> std::expected<AXValue, AXError> {
    if (!e) return std::unexpected(ax::kNoValue);
    return AXValue{elementOf(e)};
  };
  if (a == "AXRole") return AXValue{node.role};
  if (a == "AXSubrole") return text(node.subrole);
  // An untitled or undescribed element answers an empty string, as Accessibility does on a Mac.
  if (a == "AXTitle") return AXValue{node.title};
  if (a == "AXDescription") return AXValue{node.description};
  if (a == "AXHelp") return text(node.help);
  if (a == "AXIdentifier") return text(node.identifier);
  if (a == "AXChildren") {
    std::vector<Element> children;
    for (const auto& child : node.children) children.push_back(elementOf(child));
    return AXValue{std::move(children)};
  }
  if (a == "AXParent") return element(node.parentNode());
  if (a == "AXPosition") {
    if (!node.frame) return std::unexpected(ax::kNoValue);
    return AXValue{node.frame->origin()};
  }
  if (a == "AXSize") {
    if (!node.frame) return std::unexpected(ax::kNoValue);
    return AXValue{node.frame->size()};
  }
  if (node.kind == NodeKind::application) {
    if (a == "AXWindows") {
      std::vector<Element> windows;
      for (const auto& child : node.children) {
        if (child->role == "AXWindow") windows.push_back(elementOf(child));
      }
      return AXValue{std::move(windows)};
    }
    if (a == "AXMainWindow") return element(windows_.empty() ? nullptr : windows_.front());
    if (a == "AXFocusedWindow") {
      for (auto it = dialogs_.rbegin(); it != dialogs_.rend(); ++it) {
        if ((*it)->role == "AXWindow") return element(*it);
      }
      return element(windows_.empty() ? nullptr : windows_.front());
    }
    if (a == "AXFrontmost") return AXValue{frontmost_};
    if (a == "AXMenuBar") return element(menuBar_);
    if (a == "AXFocusedUIElement") {
      auto focused = focused_.lock();
      return element(focused && focused->alive ? focused : nullptr);
    }
    return std::unexpected(ax::kAttributeUnsupported);
  }
  if (a == "AXValue") {
    if (!node.value) return std::unexpected(ax::kAttributeUnsupported);
    return toAXValue(*node.value);
  }
  if (a == "AXEnabled") {
    if (!node.enabled) return std::unexpected(ax::kAttributeUnsupported);
    return AXValue{*node.enabled};
  }
  if (a == "AXFocused") {
    if (!isFocusableRole(node.role)) return std::unexpected(ax::kAttributeUnsupported);
    return AXValue{focused_.lock() == n};
  }
  if (a == "AXSelectedTextRange" || a == "AXNumberOfCharacters") {
    if (!isTextRole(node.role)) return std::unexpected(ax::kAttributeUnsupported);
    const auto* value = textValue(node);
    std::int64_t length = value != nullptr ? utf16Length(*value) : 0;
    if (a == "AXNumberOfCharacters") return AXValue{length};
    return AXValue{node.selection.value_or(TextRange{length, 0})};
  }
  if (a == "AXMenuItemCmdChar" || a == "AXMenuItemCmdModifiers") {
    if (node.kind != NodeKind::menuItem) return std::unexpected(ax::kAttributeUnsupported);
    if (node.source == nullptr || node.source->keyChar.empty()) return std::unexpected(ax::kNoValue);
    if (a == "AXMenuItemCmdChar") return AXValue{node.source->keyChar};
    return AXValue{node.source->keyModifiers};
  }
  if (a == "AXWindow" || a == "AXTopLevelUIElement") {
    if (node.area == Area::menuBar) return std::unexpected(ax::kAttributeUnsupported);
    return element(windowOf(n));
  }
  if (node.role == "AXWindow" || node.role == "AXSheet") {
    if (a == "AXMain") return AXValue{!windows_.empty() && windows_.front() == n};
    if (a == "AXMinimized") return AXValue{false};
  }
  if (a == "AXTabs" && node.kind == NodeKind::tabGroup) {
    std::vector<Element> tabs;
    for (const auto& child : node.children) {
      if (child->kind == NodeKind::tab) tabs.push_back(elementOf(child));
    }
    return AXValue{std::move(tabs)};
  }
  return std::unexpected(ax::kAttributeUnsupported);
}

NodePtr SimExcel::hitTest(Point point) const {
  auto deepest = [&point](auto&& self, const NodePtr& node) -> NodePtr {
    for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) {
      const auto& child = *it;
      if (child->kind == NodeKind::menu && child->area == Area::menuBar && !child->open) continue;
      if (child->frame) {
        if (child->frame->contains(point)) return self(self, child);
        continue;
      }
      // An element without a frame may still hold framed ones.
      auto inner = self(self, child);
      if (inner != child) return inner;
    }
    return node;
  };
  auto inside = [&point](const NodePtr& node) { return node->frame && node->frame->contains(point); };
  for (auto it = openMenus_.rbegin(); it != openMenus_.rend(); ++it) {
    if (inside(*it)) return deepest(deepest, *it);
  }
  for (auto it = popups_.rbegin(); it != popups_.rend(); ++it) {
    if (inside(*it)) return deepest(deepest, *it);
  }
  for (auto it = dialogs_.rbegin(); it != dialogs_.rend(); ++it) {
    if ((*it)->role == "AXWindow" && inside(*it)) return deepest(deepest, *it);
  }
  for (const auto& window : windows_) {
    if (inside(window)) return deepest(deepest, window);
  }
  if (menuBar_ && inside(menuBar_)) return deepest(deepest, menuBar_);
  return nullptr;
}

}  // namespace corvane::platform::sim

#pragma once
// One live element of the simulated Excel, and the handle the Accessibility surface gives out for it.
// Parents own their children (the application node owns the tree); handles hold nodes weakly, so a
// handle to a removed element stays safe and answers kInvalidUIElement. Guarded by SimExcel's lock.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/accessibility.hpp"
#include "platform/sim/excel_fixture.hpp"

namespace corvane::platform::sim {

/// What an element is to Excel, which decides how it reacts.
enum class NodeKind {
  application,
  window,       ///< a workbook window from the fixture
  tabGroup,     ///< the ribbon's tab group
  tab,          ///< a ribbon tab (radio button)
  commands,     ///< the selected tab's scroll area
  group,        ///< a ribbon group
  foldButton,   ///< the button a folded group collapses into
  element,      ///< any other element the fixture describes
  menuBar,
  menuBarItem,
  menu,         ///< an AXMenu, in the menu bar or in a popup
  menuItem,
  popup,        ///< a popup window holding a menu or a folded group
  dialog,       ///< a dialog window or sheet
  keyTip,       ///< a badge of Excel's own KeyTips: a static text of the application's
};

/// The part of Excel an element belongs to.
enum class Area { application, window, menuBar, popup, dialog };

struct SimNode : ElementText {
  std::uint64_t id = 0;
  NodeKind kind = NodeKind::element;
  Area area = Area::window;
  const FixtureNode* source = nullptr;  ///< what the fixture says about it; none for made-up elements

  std::optional<FixtureValue> value;
  std::optional<Rect> frame;
  bool fixedFrame = false;        ///< the fixture gave the frame; layout leaves it alone
  std::optional<bool> enabled;    ///< reported as AXEnabled when set

  std::vector<std::shared_ptr<SimNode>> children;
  std::weak_ptr<SimNode> parent;
  bool alive = true;
  bool hung = false;              ///< every call on it or inside it waits out its timeout
  bool collapsed = false;         ///< the ribbon's tab group: its commands area is hidden
  double listedAt = 0;            ///< a popup or open menu: uptime from which the window list shows it
  std::optional<TextRange> selection;

  bool open = false;                      ///< a menu-bar menu or submenu shown on screen
  std::weak_ptr<SimNode> opener;          ///< a popup: the element that opened it
  const FixtureDialog* dialog = nullptr;  ///< a dialog: its description
  const std::vector<FixtureNode>* menuItems = nullptr;  ///< a popup menu or lazily filled menu: its items
  std::string segment;                    ///< its name in the path of a command ("Home", "Cells")

  [[nodiscard]] bool isEnabled() const { return enabled.value_or(true); }
  [[nodiscard]] std::shared_ptr<SimNode> parentNode() const { return parent.lock(); }
};

using NodePtr = std::shared_ptr<SimNode>;

/// Roles whose value is editable text.
[[nodiscard]] inline bool isTextRole(std::string_view role) {
  return role == "AXComboBox" || role == "AXTextField" || role == "AXTextArea";
}

/// Roles that take the keyboard focus (and so answer AXFocused).
[[nodiscard]] inline bool isFocusableRole(std::string_view role) {
  return isTextRole(role) || role == "AXButton" || role == "AXCheckBox" || role == "AXRadioButton" ||
         role == "AXPopUpButton" || role == "AXMenuButton";
}

/// The element's text value; null when its value is no text (or it has none).
[[nodiscard]] inline const std::string* textValue(const SimNode& node) {
  return node.value ? std::get_if<std::string>(&*node.value) : nullptr;
}

/// The name Excel gives a control in its records: its display name, or the text of a label.
[[nodiscard]] inline std::string recordedName(const SimNode& node) {
  const auto& name = node.displayName();
  const auto* text = textValue(node);
  if (name == node.role && text != nullptr && !text->empty()) return *text;
  return name;
}

/// The nearest element of `kind` around the node (not the node itself); null when none.
[[nodiscard]] inline NodePtr enclosing(const NodePtr& node, NodeKind kind) {
  for (auto n = node->parentNode(); n; n = n->parentNode()) {
    if (n->kind == kind) return n;
  }
  return nullptr;
}

/// Visits the node and everything inside it, parents before children.
template <typename Visit>
void walk(const NodePtr& node, Visit&& visit) {
  visit(node);
  for (const auto& child : node->children) walk(child, visit);
}

/// The length of UTF-8 text in UTF-16 units, the unit of text ranges.
[[nodiscard]] inline std::int64_t utf16Length(std::string_view text) {
  std::int64_t units = 0;
  for (std::size_t i = 0; i < text.size();) {
    auto c = static_cast<unsigned char>(text[i]);
    std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    units += length == 4 ? 2 : 1;
    i += length;
  }
  return units;
}

/// The identity of one simulated element: equal for every handle to the same node of the same
/// simulated Excel, like CFEqual on two references to one element.
class SimElementHandle final : public ElementHandle {
 public:
  SimElementHandle(const NodePtr& node, const void* owner)
      : node_(node), id_(node ? node->id : 0), owner_(owner) {}

  [[nodiscard]] bool sameElement(const ElementHandle& other) const override {
    const auto* o = dynamic_cast<const SimElementHandle*>(&other);
    return o != nullptr && o->id_ == id_ && o->owner_ == owner_;
  }
  [[nodiscard]] std::size_t identityHash() const override { return std::hash<std::uint64_t>{}(id_); }

  [[nodiscard]] NodePtr node() const { return node_.lock(); }
  [[nodiscard]] const void* owner() const { return owner_; }

  /// The messaging timeout of this reference only, as on a Mac: an equal handle obtained from
  /// another call does not share it. 0: the system default. Guarded by SimExcel's lock.
  mutable double messagingTimeout = 0;

 private:
  std::weak_ptr<SimNode> node_;
  std::uint64_t id_;
  const void* owner_;
};

}  // namespace corvane::platform::sim

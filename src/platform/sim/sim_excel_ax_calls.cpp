// The Accessibility and window-list services over SimExcel, and the calls as SimExcel answers them:
// each pays its bookkeeping (sim_excel_faults.cpp), then reads, sets or acts.

#include <algorithm>
#include <utility>

#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/sim_window_list.hpp"

namespace corvane::platform::sim {

// --- The services: a thin translation to the calls below ---

Element SimAccessibility::application(std::int32_t pid) { return excel_.axApplication(pid); }

std::optional<std::int32_t> SimAccessibility::processId(const Element& element) { return excel_.axProcessId(element); }

std::expected<AXValue, AXError> SimAccessibility::copyAttribute(const Element& element, std::string_view attribute) {
  return excel_.axCopyAttribute(element, attribute);
}

std::expected<std::vector<std::optional<AXValue>>, AXError> SimAccessibility::copyMultipleAttributes(
    const Element& element, std::span<const std::string_view> attributes) {
  return excel_.axCopyMultiple(element, attributes);
}

std::expected<std::vector<std::string>, AXError> SimAccessibility::actionNames(const Element& element) {
  return excel_.axActionNames(element);
}

AXError SimAccessibility::performAction(const Element& element, std::string_view action) {
  return excel_.axPerform(element, action);
}

AXError SimAccessibility::setAttribute(const Element& element, std::string_view attribute, const AXValue& value) {
  return excel_.axSet(element, attribute, value);
}

std::expected<Element, AXError> SimAccessibility::elementAtPosition(const Element& application, Point point) {
  return excel_.axElementAtPosition(application, point);
}

AXError SimAccessibility::setMessagingTimeout(const Element& element, double seconds) {
  return excel_.axSetTimeout(element, seconds);
}

bool SimAccessibility::isTrusted(bool prompt) { return excel_.axTrusted(prompt); }

std::vector<WindowInfo> SimWindowList::onScreenWindows() { return excel_.onScreenWindows(); }

// --- The calls ---

Element SimExcel::axApplication(std::int32_t pid) {
  Lock lock(mutex_);
  countCall(AXCall::application);
  if (running_ && app_ && pid == fixture_->application.pid) return elementOf(app_);
  return Element(std::make_shared<const SimElementHandle>(nullptr, this));
}

std::optional<std::int32_t> SimExcel::axProcessId(const Element& element) {
  Lock lock(mutex_);
  countCall(AXCall::processId);
  if (!nodeOf(element)) return std::nullopt;
  return fixture_->application.pid;
}

std::expected<AXValue, AXError> SimExcel::axCopyAttribute(const Element& element, std::string_view attribute) {
  Lock lock(mutex_);
  const std::string_view names[] = {attribute};
  auto node = enter(lock, AXCall::copyAttribute, element, names);
  if (!node) return std::unexpected(node.error());
  if (const auto* fault = faultFor(**node, Fault::Type::error, names)) return std::unexpected(fault->code);
  auto value = attributeOf(*node, attribute);
  noteRead(*node);
  return value;
}

std::expected<std::vector<std::optional<AXValue>>, AXError> SimExcel::axCopyMultiple(
    const Element& element, std::span<const std::string_view> names) {
  Lock lock(mutex_);
  auto node = enter(lock, AXCall::copyMultiple, element, names);
  if (!node) return std::unexpected(node.error());
  std::vector<std::optional<AXValue>> values;
  values.reserve(names.size());
  for (auto name : names) {
    const std::string_view one[] = {name};
    if (faultFor(**node, Fault::Type::error, one) != nullptr) {
      values.emplace_back();
      continue;
    }
    auto value = attributeOf(*node, name);
    values.push_back(value ? std::optional<AXValue>(std::move(*value)) : std::nullopt);
  }
  noteRead(*node);
  return values;
}

std::expected<std::vector<std::string>, AXError> SimExcel::axActionNames(const Element& element) {
  Lock lock(mutex_);
  auto node = enter(lock, AXCall::actionNames, element, {});
  if (!node) return std::unexpected(node.error());
  return actionsOf(**node);
}

AXError SimExcel::axPerform(const Element& element, std::string_view action) {
  Lock lock(mutex_);
  const std::string_view names[] = {action};
  auto node = enter(lock, AXCall::perform, element, names);
  if (!node) return node.error();
  const auto* result = faultFor(**node, Fault::Type::pressResult, names);
  if (const auto* fault = faultFor(**node, Fault::Type::error, names)) return fault->code;
  auto actions = actionsOf(**node);
  if (std::find(actions.begin(), actions.end(), action) == actions.end()) return ax::kActionUnsupported;
  AXError code = ax::kSuccess;
  openedDropdown_ = false;
  if (action == "AXPress") {
    code = press(*node);
  } else if (action == "AXShowMenu") {
    code = showMenu(*node);
  } else if (action == "AXCancel") {
    closeAllMenus();
  }
  // A ribbon dropdown's opener answers only once its menu closes: the caller's timeout runs out
  // first, while the menu opens all the same.
  if (std::exchange(openedDropdown_, false) && code == ax::kSuccess && application().menuPressBlocks) {
    return noAnswer(lock, element);
  }
  if (result != nullptr && code == ax::kSuccess) return result->code;
  return code;
}

AXError SimExcel::axSet(const Element& element, std::string_view attribute, const AXValue& value) {
  Lock lock(mutex_);
  const std::string_view names[] = {attribute};
  auto found = enter(lock, AXCall::set, element, names);
  if (!found) return found.error();
  const auto& node = *found;
  if (const auto* fault = faultFor(*node, Fault::Type::error, names)) return fault->code;
  if (attribute == "AXFocused") {
    const auto* on = std::get_if<bool>(&value);
    if (on == nullptr) return ax::kIllegalArgument;
    if (!isFocusableRole(node->role)) return ax::kAttributeUnsupported;
    if (!node->isEnabled()) return ax::kFailure;
    if (*on) {
      focus(node);
    } else if (focused_.lock() == node) {
      focused_.reset();
    }
    return ax::kSuccess;
  }
  if (attribute == "AXSelectedTextRange" || attribute == "AXValue") {
    if (!isTextRole(node->role)) return ax::kAttributeUnsupported;
    if (attribute == "AXValue") {
      const auto* text = std::get_if<std::string>(&value);
      if (text == nullptr) return ax::kIllegalArgument;
      node->value = *text;
      node->selection = TextRange{utf16Length(*text), 0};
      return ax::kSuccess;
    }
    const auto* range = std::get_if<TextRange>(&value);
    const auto* current = textValue(*node);
    std::int64_t length = current != nullptr ? utf16Length(*current) : 0;
    if (range == nullptr || range->location < 0 || range->length < 0 || range->location + range->length > length) {
      return ax::kIllegalArgument;
    }
    node->selection = *range;
    return ax::kSuccess;
  }
  bool window = node->role == "AXWindow" && (node->kind == NodeKind::window || node->kind == NodeKind::dialog);
  if (attribute == "AXPosition") {
    const auto* origin = std::get_if<Point>(&value);
    if (!window) return ax::kAttributeUnsupported;
    if (origin == nullptr) return ax::kIllegalArgument;
    return moveWindow(node, *origin);
  }
  if (attribute == "AXSize") {
    const auto* size = std::get_if<Size>(&value);
    if (!window || node->kind != NodeKind::window) return ax::kAttributeUnsupported;
    if (size == nullptr || !(size->width > 0 && size->height > 0)) return ax::kIllegalArgument;
    return resizeWindow(node, *size);
  }
  return ax::kAttributeUnsupported;
}

std::expected<Element, AXError> SimExcel::axElementAtPosition(const Element& application, Point point) {
  Lock lock(mutex_);
  auto node = enter(lock, AXCall::elementAtPosition, application, {});
  if (!node) return std::unexpected(node.error());
  auto hit = hitTest(point);
  if (!hit) return std::unexpected(ax::kNoValue);
  if (isHung(*hit)) return std::unexpected(noAnswer(lock, application));
  return elementOf(hit);
}

AXError SimExcel::axSetTimeout(const Element& element, double seconds) {
  Lock lock(mutex_);
  countCall(AXCall::messagingTimeout);
  auto node = nodeOf(element);
  if (!node) return ax::kInvalidUIElement;
  if (!(seconds >= 0)) return ax::kIllegalArgument;
  // Only this reference: on a Mac the timeout lives in the reference, not in the element.
  static_cast<const SimElementHandle*>(element.handle())->messagingTimeout = seconds;
  return ax::kSuccess;
}

bool SimExcel::axTrusted(bool prompt) {
  Lock lock(mutex_);
  countCall(AXCall::trusted);
  if (prompt && !trusted_) ++prompts_;
  return trusted_;
}

std::vector<WindowInfo> SimExcel::onScreenWindows() {
  Lock lock(mutex_);
  ++windowListCalls_;
  if (latency_ > 0) {
    double latency = latency_;
    lock.unlock();
    clock_.sleep(latency);
    lock.lock();
  }
  std::vector<WindowInfo> excel;
  if (running_) {
    std::int32_t pid = fixture_->application.pid;
    double now = clock_.uptime();
    auto add = [&](const NodePtr& node, std::int32_t layer) {
      // The window server learns of a new menu a little after Excel's own tree shows it.
      if (node->frame && node->listedAt <= now) excel.push_back({pid, *node->frame, layer});
    };
    for (auto it = openMenus_.rbegin(); it != openMenus_.rend(); ++it) add(*it, kPopupLayer);
    for (auto it = popups_.rbegin(); it != popups_.rend(); ++it) add(*it, kPopupLayer);
    for (auto it = dialogs_.rbegin(); it != dialogs_.rend(); ++it) {
      if ((*it)->role == "AXWindow") add(*it, 0);
    }
    for (const auto& window : windows_) {
      // A sheet is a window of its own, just in front of the one it belongs to.
      for (auto it = window->children.rbegin(); it != window->children.rend(); ++it) {
        if ((*it)->kind == NodeKind::dialog) add(*it, 0);
      }
      add(window, 0);
    }
  }
  std::vector<WindowInfo> all;
  if (running_ && frontmost_) {
    all = std::move(excel);
    all.insert(all.end(), otherWindows_.begin(), otherWindows_.end());
  } else {
    all = otherWindows_;
    all.insert(all.end(), excel.begin(), excel.end());
  }
  return all;
}

}  // namespace corvane::platform::sim

#include "excel/excel_app.hpp"

#include <cmath>

#include "excel/ax_names.hpp"
#include "platform/event_tap.hpp"

namespace corvane::excel {

using platform::AXValue;
using platform::Element;

ExcelApp::ExcelApp(const ExcelServices& services, std::int32_t pid, WaitLimits limits)
    : services_(services),
      pid_(pid),
      session_(std::make_shared<ExcelSession>(services.ax, services.clock, limits)),
      app_(session_->application(pid)) {}

std::optional<ActionError> ExcelApp::stopError() const {
  switch (session_->stopped()) {
    case ExcelSession::Stop::noAnswer:
      return ActionError::notResponding(session_->silentSeconds(), false);
    case ExcelSession::Stop::deadline:
      return ActionError::notResponding(session_->silentSeconds(), true);
    case ExcelSession::Stop::notAllowed:
      return ActionError::notAllowed();
    case ExcelSession::Stop::leftFront:
      return ActionError::leftFront();
    case ExcelSession::Stop::none:
    case ExcelSession::Stop::cancelled:
      return std::nullopt;
  }
  return std::nullopt;
}

RibbonMemo& ExcelApp::memo() const {
  if (memo_->epoch != session_->epoch()) *memo_ = RibbonMemo{session_->epoch(), std::nullopt, std::nullopt};
  return *memo_;
}

bool ExcelApp::pause(double seconds) const {
  if (!session_->goOn()) return false;
  clock().sleep(seconds);
  session_->noteChange();
  return session_->goOn();
}

std::string ExcelApp::string(const Element& e, std::string_view attribute) const {
  return platform::valueAs<std::string>(ax().attribute(e, attribute)).value_or("");
}

std::optional<bool> ExcelApp::boolean(const Element& e, std::string_view attribute) const {
  return platform::valueAs<bool>(ax().attribute(e, attribute));
}

std::optional<double> ExcelApp::number(const Element& e, std::string_view attribute) const {
  auto v = ax().attribute(e, attribute);
  if (auto i = platform::valueAs<std::int64_t>(v)) return static_cast<double>(*i);
  return platform::valueAs<double>(v);
}

std::optional<Element> ExcelApp::element(const Element& e, std::string_view attribute) const {
  auto v = platform::valueAs<Element>(ax().attribute(e, attribute));
  if (v && v->isNull()) return std::nullopt;
  return v;
}

std::vector<Element> ExcelApp::elements(const Element& e, std::string_view attribute) const {
  return platform::valueAs<std::vector<Element>>(ax().attribute(e, attribute)).value_or(std::vector<Element>{});
}

std::vector<Element> ExcelApp::children(const Element& e) const { return elements(e, ax::kChildren); }

std::string ExcelApp::role(const Element& e) const { return string(e, ax::kRole); }

bool ExcelApp::isEnabled(const Element& e) const { return boolean(e, ax::kEnabled).value_or(true); }

std::optional<platform::Rect> ExcelApp::frame(const Element& e) const {
  auto position = platform::valueAs<platform::Point>(ax().attribute(e, ax::kPosition));
  auto size = platform::valueAs<platform::Size>(ax().attribute(e, ax::kSize));
  if (!position || !size) return std::nullopt;
  return platform::Rect{position->x, position->y, size->width, size->height};
}

std::string ExcelApp::displayName(const Element& e) const {
  for (auto attribute : {ax::kTitle, ax::kDescription, ax::kHelp}) {
    auto text = string(e, attribute);
    if (!text.empty()) return text;
  }
  return role(e);
}

bool ExcelApp::offersAction(const Element& e, std::string_view action) const {
  auto names = ax().actionNames(e);
  if (!names) return false;
  for (const auto& name : *names) {
    if (name == action) return true;
  }
  return false;
}

std::optional<Element> ExcelApp::firstChild(const Element& e, std::string_view role) const {
  for (const auto& child : children(e)) {
    if (this->role(child) == role) return child;
  }
  return std::nullopt;
}

std::vector<platform::Rect> ExcelApp::onScreenWindowBounds() const {
  std::vector<platform::Rect> bounds;
  // A work that has stopped waits on nothing more, the window server included.
  if (stopped()) return bounds;
  for (const auto& window : windowList().onScreenWindows()) {
    if (window.ownerPid == pid_) bounds.push_back(window.bounds);
  }
  return bounds;
}

platform::AXError ExcelApp::performWithin(const Element& e, std::string_view action, double seconds) const {
  ax().setMessagingTimeout(e, seconds);
  auto result = ax().performAction(e, action);
  ax().setMessagingTimeout(e, session_->limits().messagingTimeout);
  return result;
}

std::expected<std::vector<std::optional<platform::AXValue>>, platform::AXError> ExcelApp::readBriefly(
    const Element& e, std::span<const std::string_view> names) const {
  if (session_->passedOver(e)) return std::unexpected(platform::ax::kCannotComplete);
  session_->setBrief(true);
  ax().setMessagingTimeout(e, kBriefTimeout);
  auto read = ax().copyMultipleAttributes(e, names);
  ax().setMessagingTimeout(e, 0);
  session_->setBrief(false);
  return read;
}

bool ExcelApp::mayPost() const {
  if (stopped()) return false;
  if (boolean(app_, ax::kFrontmost) == true) return true;
  // A read that failed has stopped the work already, with its own reason.
  session_->stop(ExcelSession::Stop::leftFront);
  return false;
}

bool ExcelApp::postKeystroke(std::uint16_t keyCode, std::uint64_t flags) const {
  if ((flags & platform::flags::kOption) == 0) {
    // A synthetic key would otherwise combine with the Option key the user still holds.
    double deadline = clock().uptime() + kOptionReleaseWait;
    while ((input().hardwareModifierFlags() & platform::flags::kOption) != 0 && clock().uptime() < deadline) {
      clock().sleep(kOptionReleasePoll);
    }
  }
  if (!mayPost()) return false;
  session_->noteChange();
  input().postKey(keyCode, true, flags);
  clock().sleep(kKeyHold);
  input().postKey(keyCode, false, flags);
  clock().sleep(kKeyHold);
  clock().sleep(kKeySettle);
  return true;
}

bool framesMatch(const platform::Rect& a, const platform::Rect& b) {
  return std::fabs(a.x - b.x) <= 2 && std::fabs(a.y - b.y) <= 2 && std::fabs(a.width - b.width) <= 2 &&
         std::fabs(a.height - b.height) <= 2;
}

}  // namespace corvane::excel

#include "excel/excel_session.hpp"

namespace corvane::excel {

using platform::AXError;
using platform::Element;
namespace axe = platform::ax;

namespace {

// A call that comes back with "cannot complete" only after most of its timeout ran out was never
// answered; one that comes back sooner was refused, which Excel does while it is alive.
constexpr double kUnansweredShare = 0.9;

}  // namespace

ExcelSession::ExcelSession(platform::Accessibility& inner, platform::Clock& clock, WaitLimits limits)
    : inner_(inner), clock_(clock), limits_(limits) {
  if (limits_.budget > 0) deadline_ = clock_.uptime() + limits_.budget;
}

void ExcelSession::stop(Stop why) {
  if (stop_ == Stop::none) stop_ = why;
}

bool ExcelSession::admit() {
  if (stop_ != Stop::none) return false;
  if (cancelled_ && !holdCancel_ && cancelled_()) {
    stop(Stop::cancelled);
    return false;
  }
  if (deadline_ > 0 && clock_.uptime() >= deadline_) {
    silent_ = limits_.budget;
    stop(Stop::deadline);
    return false;
  }
  return true;
}

bool ExcelSession::passedOver(const Element& element) const {
  return !passedOver_.empty() && passedOver_.contains(element);
}

double ExcelSession::bound(const Element& element) {
  const auto* handle = element.handle();
  if (handle == nullptr) return limits_.messagingTimeout;
  auto it = timeouts_.find(handle);
  if (it != timeouts_.end()) return it->second.second;
  (void)inner_.setMessagingTimeout(element, limits_.messagingTimeout);
  timeouts_.emplace(handle, std::pair{element, limits_.messagingTimeout});
  return limits_.messagingTimeout;
}

void ExcelSession::observe(const Element& element, AXError error, double started, double timeout) {
  // Without the permission no call will answer again until the user grants it back.
  if (error == axe::kAPIDisabled) {
    stop(Stop::notAllowed);
    return;
  }
  if (error != axe::kCannotComplete) return;
  double waited = clock_.uptime() - started;
  if (waited < kUnansweredShare * timeout) return;
  if (brief_ && !element.isNull()) {
    passedOver_.insert(element);
    return;
  }
  silent_ = waited;
  stop(Stop::noAnswer);
}

Element ExcelSession::application(std::int32_t pid) {
  auto app = inner_.application(pid);
  (void)bound(app);
  return app;
}

std::optional<std::int32_t> ExcelSession::processId(const Element& element) { return inner_.processId(element); }

std::expected<platform::AXValue, AXError> ExcelSession::copyAttribute(const Element& element,
                                                                      std::string_view attribute) {
  if (!admit() || passedOver(element)) return std::unexpected(axe::kCannotComplete);
  double timeout = bound(element);
  double started = clock_.uptime();
  auto value = inner_.copyAttribute(element, attribute);
  if (!value) observe(element, value.error(), started, timeout);
  return value;
}

std::expected<std::vector<std::optional<platform::AXValue>>, AXError> ExcelSession::copyMultipleAttributes(
    const Element& element, std::span<const std::string_view> attributes) {
  if (!admit() || passedOver(element)) return std::unexpected(axe::kCannotComplete);
  double timeout = bound(element);
  double started = clock_.uptime();
  auto values = inner_.copyMultipleAttributes(element, attributes);
  if (!values) observe(element, values.error(), started, timeout);
  return values;
}

std::expected<std::vector<std::string>, AXError> ExcelSession::actionNames(const Element& element) {
  if (!admit() || passedOver(element)) return std::unexpected(axe::kCannotComplete);
  double timeout = bound(element);
  double started = clock_.uptime();
  auto names = inner_.actionNames(element);
  if (!names) observe(element, names.error(), started, timeout);
  return names;
}

AXError ExcelSession::performAction(const Element& element, std::string_view action) {
  lastActionUnanswered_ = false;
  ++epoch_;
  if (!admit() || passedOver(element)) return axe::kCannotComplete;
  double timeout = bound(element);
  double started = clock_.uptime();
  auto result = inner_.performAction(element, action);
  if (result == axe::kAPIDisabled) stop(Stop::notAllowed);
  // A menu opener answers only when its menu closes, so silence after an action does not stop the
  // work by itself: the caller looks for what the action did.
  lastActionUnanswered_ = result == axe::kCannotComplete && clock_.uptime() - started >= kUnansweredShare * timeout;
  return result;
}

AXError ExcelSession::setAttribute(const Element& element, std::string_view attribute, const platform::AXValue& value) {
  ++epoch_;
  if (!admit() || passedOver(element)) return axe::kCannotComplete;
  double timeout = bound(element);
  double started = clock_.uptime();
  auto result = inner_.setAttribute(element, attribute, value);
  observe(element, result, started, timeout);
  return result;
}

std::expected<Element, AXError> ExcelSession::elementAtPosition(const Element& application, platform::Point point) {
  if (!admit()) return std::unexpected(axe::kCannotComplete);
  double timeout = bound(application);
  double started = clock_.uptime();
  auto hit = inner_.elementAtPosition(application, point);
  if (!hit) observe(application, hit.error(), started, timeout);
  return hit;
}

AXError ExcelSession::setMessagingTimeout(const Element& element, double seconds) {
  if (!(seconds > 0)) seconds = limits_.messagingTimeout;
  auto result = inner_.setMessagingTimeout(element, seconds);
  if (const auto* handle = element.handle(); handle != nullptr && result == axe::kSuccess) {
    timeouts_.insert_or_assign(handle, std::pair{element, seconds});
  }
  return result;
}

bool ExcelSession::isTrusted(bool prompt) { return inner_.isTrusted(prompt); }

}  // namespace corvane::excel

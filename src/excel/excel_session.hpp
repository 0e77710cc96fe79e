#pragma once
// One piece of work on Excel (a run, a key-tip scan, the shortcut check) as the Accessibility
// interface sees it: every reference it uses carries the work's messaging timeout (on a Mac a
// timeout covers only the reference it is set on, and every call returns a new reference), the work
// has an overall deadline, and the first call Excel leaves unanswered stops it: from then on every
// call fails at once, so the actions queue is free again within one timeout. Used on one queue at a
// time; owned by the ExcelApp of that work.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "platform/accessibility.hpp"
#include "platform/clock.hpp"

namespace corvane::excel {

/// How long one piece of work may wait on Excel.
struct WaitLimits {
  /// Set on every reference before its first call; Excel's silence longer than this stops the work.
  double messagingTimeout = 2.0;
  /// Seconds from the start after which the work stops; 0: none.
  double budget = 0;
};

class ExcelSession final : public platform::Accessibility {
 public:
  /// notAllowed: macOS refused Accessibility (the permission was withdrawn); leftFront: Excel was no
  /// longer in front when something was to be posted to it.
  enum class Stop { none, noAnswer, deadline, cancelled, notAllowed, leftFront };

  ExcelSession(platform::Accessibility& inner, platform::Clock& clock, WaitLimits limits);

  [[nodiscard]] const WaitLimits& limits() const { return limits_; }
  /// Why the work stopped, or none while it goes on.
  [[nodiscard]] Stop stopped() const { return stop_; }
  /// How long Excel gave no answer (the unanswered call), or the time the work ran before its deadline.
  [[nodiscard]] double silentSeconds() const { return silent_; }
  /// Checked before every call: when it answers true the work stops (a key-tip scan gone stale).
  void setCancel(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }
  /// Ignores the cancel check while true (finishing what must not be left half done).
  void holdCancel(bool hold) { holdCancel_ = hold; }
  /// True when the last performAction got no answer within its reference's timeout.
  [[nodiscard]] bool lastActionUnanswered() const { return lastActionUnanswered_; }
  /// While set, an element that leaves a call unanswered is passed over instead of stopping the
  /// work: every later call on it fails at once. For the parts of a window read only to find the
  /// ribbon, so that a busy element elsewhere (the formula bar, an object on the sheet) stops nothing.
  void setBrief(bool brief) { brief_ = brief; }
  [[nodiscard]] bool passedOver(const platform::Element& element) const;
  /// Stops the work now (the caller found out another way that Excel is gone or too slow).
  void stop(Stop why);
  /// Asks a passed-over element again, with the work's own timeout: its silence now stops the work.
  void reconsider(const platform::Element& element) { passedOver_.erase(element); }
  /// Whether the work may go on: not stopped, not cancelled, its deadline not passed (checked now,
  /// so that a step that calls nothing, a wait or a keystroke, still meets them).
  [[nodiscard]] bool goOn() { return admit(); }
  /// Counts what may have changed Excel since: every action and attribute set made through this
  /// session, and every wait or posted event the work notes. What the work read stays true while
  /// the count stands (ExcelApp's memo of the window's ribbon).
  [[nodiscard]] std::uint64_t epoch() const { return epoch_; }
  void noteChange() { ++epoch_; }

  // Accessibility
  [[nodiscard]] platform::Element application(std::int32_t pid) override;
  [[nodiscard]] std::optional<std::int32_t> processId(const platform::Element& element) override;
  [[nodiscard]] std::expected<platform::AXValue, platform::AXError> copyAttribute(const platform::Element& element,
                                                                                  std::string_view attribute) override;
  [[nodiscard]] std::expected<std::vector<std::optional<platform::AXValue>>, platform::AXError> copyMultipleAttributes(
      const platform::Element& element, std::span<const std::string_view> attributes) override;
  [[nodiscard]] std::expected<std::vector<std::string>, platform::AXError> actionNames(
      const platform::Element& element) override;
  [[nodiscard]] platform::AXError performAction(const platform::Element& element, std::string_view action) override;
  [[nodiscard]] platform::AXError setAttribute(const platform::Element& element, std::string_view attribute,
                                               const platform::AXValue& value) override;
  [[nodiscard]] std::expected<platform::Element, platform::AXError> elementAtPosition(
      const platform::Element& application, platform::Point point) override;
  /// 0 gives the reference back the work's own timeout, never the system's 6 s.
  platform::AXError setMessagingTimeout(const platform::Element& element, double seconds) override;
  [[nodiscard]] bool isTrusted(bool prompt) override;

 private:
  /// False when the work has stopped (or stops now): the call is not made.
  bool admit();
  /// The reference's timeout, set to the work's own before its first call.
  double bound(const platform::Element& element);
  /// After a call that is not an action: an unanswered one stops the work (or, brief, passes the
  /// element over).
  void observe(const platform::Element& element, platform::AXError error, double started, double timeout);

  platform::Accessibility& inner_;
  platform::Clock& clock_;
  WaitLimits limits_;
  double deadline_ = 0;
  Stop stop_ = Stop::none;
  double silent_ = 0;
  std::function<bool()> cancelled_;
  bool holdCancel_ = false;
  bool lastActionUnanswered_ = false;
  bool brief_ = false;
  std::uint64_t epoch_ = 0;
  std::unordered_set<platform::Element, platform::ElementHash> passedOver_;
  /// Every reference the work used, with its timeout; holding them keeps their identity unique.
  std::unordered_map<const platform::ElementHandle*, std::pair<platform::Element, double>> timeouts_;
};

}  // namespace corvane::excel

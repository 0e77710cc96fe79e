#pragma once
// Excel as the automation layer sees it: the platform services and Excel's application element,
// for one piece of work (a run, a scan, the check). Every Accessibility call goes through the work's
// ExcelSession, which bounds it: copies of an ExcelApp share it. Used on one queue at a time (the
// actions queue, the coach queue).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "excel/action_error.hpp"
#include "excel/excel_session.hpp"
#include "excel/ribbon_reads.hpp"
#include "platform/accessibility.hpp"
#include "platform/clock.hpp"

namespace corvane::excel {

/// The services automation needs; all outlive any ExcelApp made from them.
struct ExcelServices {
  platform::Accessibility& ax;
  platform::WindowList& windowList;
  platform::InputPoster& input;
  platform::Clock& clock;
};

class ExcelApp {
 public:
  ExcelApp(const ExcelServices& services, std::int32_t pid, WaitLimits limits = {});

  /// The bounded interface every lookup uses.
  [[nodiscard]] platform::Accessibility& ax() const { return *session_; }
  [[nodiscard]] ExcelSession& session() const { return *session_; }
  /// Whether the work has stopped (Excel left a call unanswered, the deadline passed, a scan went
  /// stale): every further call fails at once, and waits should end.
  [[nodiscard]] bool stopped() const { return session_->stopped() != ExcelSession::Stop::none; }
  /// The error a run ends with once Excel stopped answering or ran past the deadline; none
  /// otherwise (a stale scan ends without one).
  [[nodiscard]] std::optional<ActionError> stopError() const;
  /// Sleeps for `seconds`; false (at once) when the work has stopped, is cancelled or is past its
  /// deadline, before or after.
  bool pause(double seconds) const;

  /// What the work changed on its way, so that it can be put back or waited for.
  struct Changes {
    double tabSwitchedAt = -1;                     ///< uptime of its last tab switch (commands may still fill in)
    std::optional<platform::Element> shownRibbon;  ///< the tab group of a collapsed ribbon it showed
    bool menuLeftOpen = false;                     ///< a menu action left a menu open for the user
    /// The menus and popovers on screen before its first opener press; none: it pressed none.
    std::optional<std::vector<platform::Element>> popupsBefore;
    /// Its last opener press whose menu it has not seen come yet: when, and the popups on screen
    /// before it.
    struct AwaitedPopup {
      double pressedAt = 0;
      std::vector<platform::Element> before;
    };
    std::optional<AwaitedPopup> popupAwaited;
  };
  [[nodiscard]] Changes& changes() const { return *changes_; }
  /// What the work read of the window's ribbon, emptied whenever it may have changed Excel since
  /// (ExcelSession::epoch): a wait, a press, a keystroke, a click.
  [[nodiscard]] RibbonMemo& memo() const;
  /// Notes that Excel may have changed under what the work read (outside pause and postKeystroke,
  /// which note it themselves).
  void noteChange() const { session_->noteChange(); }
  [[nodiscard]] platform::WindowList& windowList() const { return services_.windowList; }
  [[nodiscard]] platform::InputPoster& input() const { return services_.input; }
  [[nodiscard]] platform::Clock& clock() const { return services_.clock; }
  [[nodiscard]] const ExcelServices& services() const { return services_; }
  [[nodiscard]] std::int32_t pid() const { return pid_; }
  [[nodiscard]] const platform::Element& application() const { return app_; }

  // Attribute reads: any failure, a missing value or a value of another kind reads as absent.
  [[nodiscard]] std::string string(const platform::Element& e, std::string_view attribute) const;
  [[nodiscard]] std::optional<bool> boolean(const platform::Element& e, std::string_view attribute) const;
  [[nodiscard]] std::optional<double> number(const platform::Element& e, std::string_view attribute) const;
  [[nodiscard]] std::optional<platform::Element> element(const platform::Element& e, std::string_view attribute) const;
  [[nodiscard]] std::vector<platform::Element> elements(const platform::Element& e, std::string_view attribute) const;
  [[nodiscard]] std::vector<platform::Element> children(const platform::Element& e) const;
  [[nodiscard]] std::string role(const platform::Element& e) const;
  /// "AXEnabled"; absent means enabled.
  [[nodiscard]] bool isEnabled(const platform::Element& e) const;
  /// From "AXPosition" and "AXSize", both present.
  [[nodiscard]] std::optional<platform::Rect> frame(const platform::Element& e) const;
  /// The first non-empty of title, description, help; else the role.
  [[nodiscard]] std::string displayName(const platform::Element& e) const;
  [[nodiscard]] bool offersAction(const platform::Element& e, std::string_view action) const;
  /// The first child with this role.
  [[nodiscard]] std::optional<platform::Element> firstChild(const platform::Element& e, std::string_view role) const;

  /// Excel's on-screen window bounds, front to back.
  [[nodiscard]] std::vector<platform::Rect> onScreenWindowBounds() const;

  /// How long an action (a press, opening a menu) is waited for before it counts as unanswered.
  static constexpr double kActionTimeout = 0.4;
  /// Performs an action under kActionTimeout, then gives the reference back the work's own timeout
  /// (never the system's 6 s).
  platform::AXError performBriefly(const platform::Element& e, std::string_view action) const {
    return performWithin(e, action, kActionTimeout);
  }
  /// The same under a timeout of the caller's.
  platform::AXError performWithin(const platform::Element& e, std::string_view action, double seconds) const;
  /// Seconds a part that is only being looked at (a window part, a tab, a title-bar item) may take.
  static constexpr double kBriefTimeout = 0.25;
  /// Reads attributes of an element that may be passed over: one that gives no answer within
  /// kBriefTimeout fails now and at once for the rest of the work, without stopping the work.
  [[nodiscard]] std::expected<std::vector<std::optional<platform::AXValue>>, platform::AXError> readBriefly(
      const platform::Element& e, std::span<const std::string_view> names) const;
  /// True when the last action got no answer within its timeout (an opener whose menu is open, or
  /// an Excel that stopped answering: the caller tells them apart by what the action did).
  [[nodiscard]] bool lastActionUnanswered() const { return session_->lastActionUnanswered(); }

  /// Whether synthetic input may be posted now: posted events go to whichever application is in
  /// front, so Excel must be. When it is not, the work stops (leftFront) and nothing more is posted.
  [[nodiscard]] bool mayPost() const;
  /// How long a keystroke waits for the user to let go of Option before it is posted.
  static constexpr double kOptionReleaseWait = 1.5;
  static constexpr double kOptionReleasePoll = 0.015;
  /// Key down, this long, key up, this long, then kKeySettle: a keystroke's own time.
  static constexpr double kKeyHold = 0.008;
  static constexpr double kKeySettle = 0.030;
  static constexpr double kKeystrokeTime = 2 * kKeyHold + kKeySettle;
  /// Posts one tagged keystroke (kKeystrokeTime). Unless the flags hold Option, first waits (up to
  /// kOptionReleaseWait) for the user to let go of Option. False, with nothing
  /// posted, when Excel is not in front then (see mayPost).
  bool postKeystroke(std::uint16_t keyCode, std::uint64_t flags) const;
  /// Escape with no modifiers.
  bool postEscape() const { return postKeystroke(53, 0); }

 private:
  ExcelServices services_;
  std::int32_t pid_;
  std::shared_ptr<ExcelSession> session_;
  std::shared_ptr<Changes> changes_ = std::make_shared<Changes>();
  std::shared_ptr<RibbonMemo> memo_ = std::make_shared<RibbonMemo>();
  platform::Element app_;
};

/// Rectangles equal within 2 points in x, y, width and height (window list against accessibility).
[[nodiscard]] bool framesMatch(const platform::Rect& a, const platform::Rect& b);

}  // namespace corvane::excel

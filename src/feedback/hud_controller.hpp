#pragma once
// The key-list panel: shows, one at a time, the key list, a notice, the busy line or a run problem,
// and places itself relative to Excel's window. Main thread only. Owned by the shell through a
// shared_ptr; its delayed hide holds it weakly.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "excel/run_problem.hpp"
#include "feedback/hud_placement.hpp"
#include "feedback/key_list_view_builder.hpp"
#include "feedback/key_tip.hpp"
#include "model/settings.hpp"
#include "model/shortcut_library.hpp"
#include "platform/accessibility.hpp"
#include "platform/panels.hpp"
#include "platform/scheduler.hpp"
#include "platform/screens.hpp"

namespace corvane::feedback {

class HUDController final : public std::enable_shared_from_this<HUDController> {
 public:
  enum class Content { keyList, notice, busy, problem };
  using Placement = HUDPlacement;

  /// What the controller reads from the rest of the program when it needs it.
  struct Sources {
    std::function<model::LibraryPtr()> library;
    std::function<std::optional<HUDAnchor>()> keyTipAnchor;
    std::function<model::KeyListMode()> keyListMode;
    /// Excel's process id when it is running (looked up directly for content other than the key list).
    std::function<std::optional<std::int32_t>()> runningExcel;
  };

  HUDController(platform::Panels& panels, platform::Screens& screens, platform::WindowList& windowList,
                platform::Scheduler& scheduler, Sources sources);

  void showKeyList(const std::vector<std::string>& path, const std::vector<model::HUDOption>& options);
  void showNotice(const std::string& message, bool isError, double seconds,
                  std::optional<platform::Rect> underIcon = std::nullopt, std::vector<std::string> lines = {},
                  std::optional<platform::views::Button> action = std::nullopt);
  /// Says something in the footer of the key list on show, for `seconds`; the list stays, so an
  /// open sequence keeps its keys in view. Does nothing unless the key list is showing.
  void showKeyListMessage(const std::string& message, bool isError, double seconds);
  void showBusy(const std::string& title);
  void showProblem(const excel::RunProblem& problem, const std::string& keysLine,
                   std::function<void(excel::RunProblem::Fix)> fix);
  void hide();

  void setStyle(model::TipStyle style) { style_ = style; }
  /// Called with a notice's action id when its action button is pressed.
  std::function<void(const std::string&)> onNoticeAction;

  [[nodiscard]] Content content() const { return content_; }
  [[nodiscard]] bool isVisible() const { return panel_->isVisible(); }
  /// Showing the key list or the busy line (what a sequence's hide takes away).
  [[nodiscard]] bool showsKeyListOrBusy() const {
    return isVisible() && (content_ == Content::keyList || content_ == Content::busy);
  }
  /// Whether the panel takes mouse clicks: a problem's buttons and a notice's action must, anything
  /// else lets them through to Excel.
  [[nodiscard]] bool acceptsMouse() const {
    return content_ == Content::problem || (content_ == Content::notice && noticeAction_.has_value());
  }
  [[nodiscard]] const HUDState& state() const { return state_; }
  [[nodiscard]] Placement placement() const { return placement_; }
  [[nodiscard]] const platform::Panel& panel() const { return *panel_; }
  [[nodiscard]] std::shared_ptr<const platform::views::View> currentView() const { return view_; }

 private:
  void scheduleHide(double seconds);
  void cancelHide();
  void cancelMessage();
  void render();
  void onAction(const platform::PanelAction& action);

  platform::Screens& screens_;
  platform::WindowList& windowList_;
  platform::Scheduler& scheduler_;
  Sources sources_;
  std::unique_ptr<platform::Panel> panel_;
  std::optional<excel::RunProblem> problem_;
  std::string problemKeys_;
  std::function<void(excel::RunProblem::Fix)> fix_;
  HUDState state_;
  std::vector<std::string> noticeLines_;
  std::optional<platform::views::Button> noticeAction_;
  std::string busyTitle_;
  Content content_ = Content::notice;
  std::optional<HUDAnchor> anchor_;
  std::optional<platform::Rect> underIcon_;
  Placement placement_ = Placement::bottom;
  platform::WorkHandle hideWork_;
  platform::WorkHandle messageWork_;  ///< takes a key list's footer message away
  model::TipStyle style_ = model::TipStyle::office;
  std::shared_ptr<const platform::views::View> view_;
};

}  // namespace corvane::feedback

#include "app/sequence_feedback.hpp"

#include <utility>

#include "app/excel_key_tips_notice.hpp"

namespace corvane::app {

SequenceFeedback::SequenceFeedback(Services services) : services_(std::move(services)) {}

void SequenceFeedback::hidePanels() {
  if (services_.hud.showsKeyListOrBusy()) services_.hud.hide();
}

void SequenceFeedback::showLevel(const engine::ShowEffect& show) {
  if (!iconListening_) {
    iconListening_ = true;
    services_.iconChanged();
  }
  pendingList_ = PendingList{show.path, show.options};
  shownList_ = pendingList_;
  switch (services_.prefs.keyListMode.get()) {
    case model::KeyListMode::always:
      services_.hud.showKeyList(show.path, show.options);
      break;
    case model::KeyListMode::whenNoTips:
    case model::KeyListMode::never:
      hidePanels();
      break;
  }
  if (auto pid = services_.excelPID()) services_.keyTips.update(show.path, *pid);
}

void SequenceFeedback::invalidKey(const engine::InvalidKeyEffect& invalid) {
  services_.beep();
  // Said in the list's footer: a notice in its place would take the list away while the sequence is
  // still open.
  auto& hud = services_.hud;
  if (hud.isVisible() && hud.content() == feedback::HUDController::Content::keyList) {
    hud.showKeyListMessage("Nothing on “" + invalid.key + "” here", false, kInvalidKeySeconds);
  }
}

void SequenceFeedback::hide() {
  iconListening_ = false;
  services_.iconChanged();
  hidePanels();
  services_.keyTips.hide();
  pendingList_.reset();
  shownList_.reset();
}

void SequenceFeedback::mouseCancel() {
  hidePanels();
  pendingList_.reset();
  shownList_.reset();
  services_.keyTips.hide();
  // The sequence is over, so the icon must not stay in its listening look.
  if (iconListening_) {
    iconListening_ = false;
    services_.iconChanged();
  }
  showExcelKeyTipsNoticeWhenFree();
}

void SequenceFeedback::hideForSearch() {
  hidePanels();
  services_.keyTips.hide();
}

void SequenceFeedback::tipsShown(int count) {
  // An outcome for a path the user has since left decides nothing.
  auto path = services_.enginePath();
  if (!pendingList_ || !path || *path != pendingList_->path) return;
  auto pending = std::move(*pendingList_);
  pendingList_.reset();
  if (services_.prefs.keyListMode.get() == model::KeyListMode::whenNoTips && count == 0) {
    services_.hud.showKeyList(pending.path, pending.options);
  }
}

void SequenceFeedback::excelKeyTipsMet(const feedback::ExcelKeyTipsMet& met) {
  if (!met.closed) {
    services_.log("Excel's own KeyTips stayed after Escape: the key list shows instead of badges");
  } else if (!excelKeyTipsLogged_) {
    services_.log("Excel's own KeyTips answered ⌥ too: Corvane closes them with Escape");
  }
  excelKeyTipsLogged_ = true;
  if (!services_.status.excelKeyTipsSeen.get()) {
    services_.defaults.set(base::prefkeys::kExcelKeyTipsSeen, true);
    services_.status.excelKeyTipsSeen.set(true);
  }
  if (!excelKeyTipsNotice_ &&
      !services_.defaults.getBool(base::prefkeys::kExcelKeyTipsNoticeShown).value_or(false)) {
    excelKeyTipsNotice_ = met.closed;
  }
  // The badges the user was reading are gone: the key list takes their place.
  bool listWanted = services_.prefs.keyListMode.get() == model::KeyListMode::whenNoTips;
  if (met.badgesWithdrawn && listWanted && shownList_ && services_.enginePath() == shownList_->path) {
    services_.hud.showKeyList(shownList_->path, shownList_->options);
  }
  showExcelKeyTipsNoticeWhenFree();
}

void SequenceFeedback::showExcelKeyTipsNoticeWhenFree() {
  if (!excelKeyTipsNotice_ || services_.enginePath() || services_.runBusy()) return;
  bool closed = *excelKeyTipsNotice_;
  excelKeyTipsNotice_.reset();
  services_.defaults.set(base::prefkeys::kExcelKeyTipsNoticeShown, true);
  services_.hud.showNotice(ExcelKeyTipsNotice::kMessage, false, ExcelKeyTipsNotice::kSeconds, std::nullopt,
                           {closed ? ExcelKeyTipsNotice::kClosed : ExcelKeyTipsNotice::kStayed,
                            ExcelKeyTipsNotice::kWaysOut});
}

}  // namespace corvane::app

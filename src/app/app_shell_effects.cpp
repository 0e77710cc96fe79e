#include "app/app_shell.hpp"

// The sequence engine's effects and the feedback around them: the key list, key tips, learning
// hints, the palette, and the notices the shell shows by itself.

#include <variant>

#include "app/excel_key_tips_notice.hpp"
#include "app/version_notice.hpp"
#include "model/overloaded.hpp"
#include "onboarding/welcome_model.hpp"

namespace corvane::app {

// --- Effects ---

void AppShell::hideSequencePanels() {
  if (hud_->showsKeyListOrBusy()) hud_->hide();
}

void AppShell::handleEffects(const engine::EngineEffects& effects) {
  for (const auto& effect : effects) {
    std::visit(model::Overloaded{
                   [this](const engine::ShowEffect& show) { showLevel(show); },
                   [this](const engine::InvalidKeyEffect& invalid) {
                     platform_.workspace.beep();
                     // Said in the list's footer: a notice in its place would take the list away
                     // while the sequence is still open.
                     if (hud_->isVisible() && hud_->content() == feedback::HUDController::Content::keyList) {
                       hud_->showKeyListMessage("Nothing on “" + invalid.key + "” here", false,
                                                kInvalidKeySeconds);
                     }
                   },
                   [this](const engine::RunEffect& run) {
                     startRunAnimation();
                     welcome_->practiceRun(run.shortcut.keys);
                     coach_->recordUse(run.shortcut.keys);
                     status_.learnedCount.set(coach_->learnedCount());
                     runShortcut(run.shortcut, excelPID_);
                   },
                   [this](const engine::HideEffect&) {
                     iconListening_ = false;
                     updateStatusIcon();
                     hideSequencePanels();
                     keyTips_->hide();
                     pendingList_.reset();
                     shownList_.reset();
                   },
                   [this](const engine::OpenSearchEffect&) { openSearch(); },
               },
               effect);
  }
  showExcelKeyTipsNoticeWhenFree();
}

void AppShell::showLevel(const engine::ShowEffect& show) {
  if (!iconListening_) {
    iconListening_ = true;
    updateStatusIcon();
  }
  if (show.path.empty()) runs_->cancel();
  pendingList_ = PendingList{show.path, show.options};
  shownList_ = pendingList_;
  welcome_->practiceShow(show.path);
  switch (prefs_->keyListMode.get()) {
    case model::KeyListMode::always:
      hud_->showKeyList(show.path, show.options);
      break;
    case model::KeyListMode::whenNoTips:
    case model::KeyListMode::never:
      hideSequencePanels();
      break;
  }
  if (excelPID_) keyTips_->update(show.path, *excelPID_);
}

void AppShell::onKeyTipsShown(int count) {
  // An outcome for a path the user has since left decides nothing.
  auto path = keyTap_->enginePath();
  if (!pendingList_ || !path || *path != pendingList_->path) return;
  auto pending = std::move(*pendingList_);
  pendingList_.reset();
  if (prefs_->keyListMode.get() == model::KeyListMode::whenNoTips && count == 0) {
    hud_->showKeyList(pending.path, pending.options);
  }
}

void AppShell::onMouseCancel() {
  hideSequencePanels();
  pendingList_.reset();
  shownList_.reset();
  keyTips_->hide();
  // The sequence is over, so the icon must not stay in its listening look.
  if (iconListening_) {
    iconListening_ = false;
    updateStatusIcon();
  }
  showExcelKeyTipsNoticeWhenFree();
}

// --- Excel's own KeyTips ---

void AppShell::onOptionReleased() {
  // Only Excel in front hears the key; a window of ours that has the keyboard would take an Escape.
  if (!excelPID_ || !prefs_->enabled.get() || platform_.panels.ownWindowIsKey()) return;
  keyTips_->lookForExcelKeyTips(*excelPID_);
}

void AppShell::onExcelKeyTips(const feedback::ExcelKeyTipsMet& met) {
  if (!met.closed) {
    log("Excel's own KeyTips stayed after Escape: the key list shows instead of badges");
  } else if (!excelKeyTipsLogged_) {
    log("Excel's own KeyTips answered ⌥ too: Corvane closes them with Escape");
  }
  excelKeyTipsLogged_ = true;
  if (!status_.excelKeyTipsSeen.get()) {
    platform_.defaults.set(base::prefkeys::kExcelKeyTipsSeen, true);
    status_.excelKeyTipsSeen.set(true);
  }
  if (!excelKeyTipsNotice_ && !platform_.defaults.getBool(base::prefkeys::kExcelKeyTipsNoticeShown).value_or(false)) {
    excelKeyTipsNotice_ = met.closed;
  }
  // The badges the user was reading are gone: the key list takes their place.
  bool listWanted = prefs_->keyListMode.get() == model::KeyListMode::whenNoTips;
  if (met.badgesWithdrawn && listWanted && shownList_ && keyTap_->enginePath() == shownList_->path) {
    hud_->showKeyList(shownList_->path, shownList_->options);
  }
  showExcelKeyTipsNoticeWhenFree();
}

void AppShell::showExcelKeyTipsNoticeWhenFree() {
  if (!excelKeyTipsNotice_ || keyTap_->enginePath() || runs_->busy()) return;
  bool closed = *excelKeyTipsNotice_;
  excelKeyTipsNotice_.reset();
  platform_.defaults.set(base::prefkeys::kExcelKeyTipsNoticeShown, true);
  hud_->showNotice(ExcelKeyTipsNotice::kMessage, false, ExcelKeyTipsNotice::kSeconds, std::nullopt,
                   {closed ? ExcelKeyTipsNotice::kClosed : ExcelKeyTipsNotice::kStayed, ExcelKeyTipsNotice::kWaysOut});
}

void AppShell::openSearch() {
  hideSequencePanels();
  dismissHint();
  keyTips_->hide();
  palette_->open();
}

void AppShell::dismissHint() {
  if (coach_) coach_->dismiss();
}

void AppShell::onClick(platform::Point point) {
  if (!prefs_->learningHints.get() || !excelPID_) return;
  coach_->handleClick(point, *excelPID_, keyTips_->anchor());
}

// --- The version notice ---

void AppShell::showVersionNotice() {
  auto notice = recordRunVersion(platform_.defaults, platform_.version);
  if (!notice) return;
  later(VersionNotice::kDelay, [notice = *notice](AppShell& shell) {
    shell.hud_->showNotice(notice.message, false, VersionNotice::kSeconds, std::nullopt, notice.lines, notice.action);
  });
}

}  // namespace corvane::app

#include "app/app_shell.hpp"

// The sequence engine's effects, handed to the sequence feedback, the runs and the palette; learning
// hints, Excel's own KeyTips after ⌥ goes up, and the version notice.

#include <variant>

#include "app/version_notice.hpp"
#include "model/overloaded.hpp"
#include "onboarding/welcome_model.hpp"

namespace corvane::app {

// --- Effects ---

void AppShell::handleEffects(const engine::EngineEffects& effects) {
  for (const auto& effect : effects) {
    std::visit(model::Overloaded{
                   [this](const engine::ShowEffect& show) {
                     // A new sequence is the user calling off a run still in flight.
                     if (show.path.empty()) runs_->cancel();
                     welcome_->practiceShow(show.path);
                     sequence_->showLevel(show);
                   },
                   [this](const engine::InvalidKeyEffect& invalid) { sequence_->invalidKey(invalid); },
                   [this](const engine::RunEffect& run) {
                     startRunAnimation();
                     welcome_->practiceRun(run.shortcut.keys);
                     coach_->recordUse(run.shortcut.keys);
                     status_.learnedCount.set(coach_->learnedCount());
                     runShortcut(run.shortcut, excelPID_);
                   },
                   [this](const engine::HideEffect&) { sequence_->hide(); },
                   [this](const engine::OpenSearchEffect&) { openSearch(); },
               },
               effect);
  }
  sequence_->showExcelKeyTipsNoticeWhenFree();
}

// --- Excel's own KeyTips ---

void AppShell::onOptionReleased() {
  // Only Excel in front hears the key; a window of ours that has the keyboard would take an Escape.
  if (!excelPID_ || !prefs_->enabled.get() || platform_.panels.ownWindowIsKey()) return;
  keyTips_->lookForExcelKeyTips(*excelPID_);
}

void AppShell::openSearch() {
  dismissHint();
  sequence_->hideForSearch();
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

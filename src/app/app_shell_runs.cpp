#include "app/app_shell.hpp"

// Runs of shortcuts (typed, from the palette, tried from the editor, tried again), their problems
// and fixes, and the inspections of Excel: the shortcut check and the menu map.

#include <memory>

#include "base/time_format.hpp"
#include "excel/excel_app.hpp"
#include "excel/shortcut_check.hpp"
#include "excel/widen_excel.hpp"
#include "feedback/recent_shortcuts.hpp"
#include "model/text.hpp"

namespace corvane::app {

std::string AppShell::keysLine(const model::Shortcut& shortcut) const {
  return "⌥ " + model::text::join(shortcut.keys, " ") + " · " + shortcut.name;
}

std::vector<std::string> AppShell::recentShortcuts() const { return feedback::recentShortcuts(platform_.defaults); }

void AppShell::runShortcut(const model::Shortcut& shortcut, std::optional<std::int32_t> pid) {
  if (pid) runs_->run(shortcut, *pid);
}

void AppShell::showRunProblem(const excel::RunProblem& problem, const model::Shortcut& shortcut) {
  hud_->showProblem(problem, keysLine(shortcut), guarded([this](excel::RunProblem::Fix fix) { applyFix(fix); }));
}

void AppShell::runFromPalette(const model::Shortcut& shortcut) {
  auto pid = runningExcel();
  if (!pid) {
    showRunProblem(openExcelFirst(), shortcut);
    return;
  }
  platform_.workspace.activate(*pid);
  whenExcelInFront(0, [shortcut](AppShell& shell, std::optional<std::int32_t> front) {
    if (front) {
      shell.startRunAnimation();
      shell.runShortcut(shortcut, front);
      return;
    }
    // Keys posted now would reach whichever application is in front instead.
    shell.showRunProblem(shell.runningExcel() ? excelNotInFront() : openExcelFirst(), shortcut);
  });
}

void AppShell::whenExcelInFront(int polls, std::function<void(AppShell&, std::optional<std::int32_t>)> then) {
  auto front = platform_.workspace.frontmostApplication();
  if (front && front->bundleIdentifier == kExcelBundleId) {
    later(kActivationSettle, [then = std::move(then), pid = front->pid](AppShell& shell) { then(shell, pid); });
    return;
  }
  if (polls >= kActivationPolls) {
    then(*this, std::nullopt);
    return;
  }
  later(kActivationPollInterval, [polls, then = std::move(then)](AppShell& shell) mutable {
    shell.whenExcelInFront(polls + 1, std::move(then));
  });
}

excel::RunProblem AppShell::openExcelFirst() {
  return excel::RunProblem{"Open Excel first", "Shortcuts run in the workbook that's open in Excel.", {},
                           "Excel isn't running"};
}

excel::RunProblem AppShell::excelNotInFront() {
  return excel::RunProblem{"Excel didn't come to the front",
                           "Click in your workbook, then run the command again.", {},
                           "Excel didn't come to the front"};
}

void AppShell::applyFix(excel::RunProblem::Fix fix) {
  hud_->hide();
  switch (fix) {
    case excel::RunProblem::Fix::widenExcel: {
      auto pid = runningExcel();
      if (!pid) return;
      auto services = runner_->services();
      // The screens are read here, on the main thread; the widening runs on the actions queue, so
      // it never interleaves with a run or a scan.
      runner_->queue().async([services, layout = excel::readScreens(platform_.screens), pid = *pid] {
        excel::widenExcel(excel::ExcelApp(services, pid), layout);
      });
      return;
    }
    case excel::RunProblem::Fix::tryAgain:
      if (!runs_->lastRun()) return;
      startRunAnimation();
      runShortcut(*runs_->lastRun(), excelPID_);
      return;
    case excel::RunProblem::Fix::languageSettings:
      platform_.workspace.openURL(kLanguageSettingsURL);
      return;
    case excel::RunProblem::Fix::report:
      reportProblemFromMenu();
      return;
    case excel::RunProblem::Fix::whatsNew:
      platform_.workspace.openURL(kChangeLogURL);
      return;
    case excel::RunProblem::Fix::allowAccess:
      openAccessibilitySettings();
      return;
  }
}

void AppShell::startRunAnimation() {
  runAnimation_->start(status_.trusted.get() && !platform_.workspace.reduceMotion());
}

// --- The shortcut check and the menu map ---

std::optional<std::int32_t> AppShell::excelToInspect(const std::string& notice, std::vector<std::string> lines) {
  // Without the permission nothing can be read: the system's dialog is all the user gets.
  if (!platform_.accessibility.isTrusted(false)) {
    openAccessibilitySettings();
    return std::nullopt;
  }
  auto pid = runningExcel();
  if (!pid) hud_->showNotice(notice, false, kCheckNoticeSeconds, std::nullopt, std::move(lines));
  return pid;
}

void AppShell::checkShortcuts() {
  auto pid = excelToInspect("Open Excel with a workbook first",
                            {"The check looks for each menu and ribbon button in Excel."});
  if (!pid) return;
  hud_->showBusy("Checking shortcuts against Excel… (the ribbon will flick between tabs)");
  if (checkSafetyHide_) checkSafetyHide_->cancel();
  checkSafetyHide_ = platform_.scheduler.main().after(kCheckSafetyHide, guarded([this] {
    if (hud_->content() == feedback::HUDController::Content::busy) hud_->hide();
  }));
  auto dateText = base::formatDateMinute(platform_.clock.now());
  runner_->check(library_->shortcuts(), *pid, dateText, guarded([this](excel::ShortcutCheckReport report) {
    if (checkSafetyHide_) checkSafetyHide_->cancel();
    hud_->hide();
    auto path = userFile_->supportFolder() + "/" + excel::kCheckFileName;
    (void)platform_.files.writeAtomic(path, report.text);
    platform_.workspace.openFile(path);
  }));
}

void AppShell::dumpMenus() {
  auto pid = excelToInspect("Open Excel first", {});
  if (!pid) return;
  auto services = runner_->services();
  auto& main = platform_.scheduler.main();
  // Made here, on the main thread: the worker only hands the text back to it.
  auto save = guarded([this](const std::string& text) {
    auto path = userFile_->supportFolder() + "/" + excel::kMenuMapFileName;
    (void)platform_.files.writeAtomic(path, text);
    platform_.workspace.openFile(path);
  });
  platform_.scheduler.global(platform::QoS::userInitiated).async([services, pid = *pid, &main, save] {
    // A map that stopped early ends with where and why, so the file never passes for the whole.
    auto text = excel::menuMap(excel::ExcelApp(services, pid)).fileText();
    main.async([save, text = std::move(text)] { save(text); });
  });
}

}  // namespace corvane::app

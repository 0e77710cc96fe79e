#include "excel/run_problem.hpp"

namespace corvane::excel {

std::string_view fixLabel(RunProblem::Fix fix) {
  switch (fix) {
    case RunProblem::Fix::widenExcel:
      return "Widen Excel";
    case RunProblem::Fix::tryAgain:
      return "Try Again";
    case RunProblem::Fix::languageSettings:
      return "Language Settings";
    case RunProblem::Fix::report:
      return "Report…";
    case RunProblem::Fix::whatsNew:
      return "See What's New";
    case RunProblem::Fix::allowAccess:
      return "Allow Accessibility Access…";
  }
  return {};
}

bool needsContext(ActionError::Kind kind) {
  switch (kind) {
    case ActionError::Kind::notFound:
    case ActionError::Kind::noTab:
    case ActionError::Kind::general:
    case ActionError::Kind::menuMissing:
      return true;
    case ActionError::Kind::greyedOut:
    case ActionError::Kind::dialogTimeout:
    case ActionError::Kind::noWorkbook:
    case ActionError::Kind::notResponding:
    case ActionError::Kind::notAllowed:
    case ActionError::Kind::leftFront:
      return false;
  }
  return false;
}

RunProblem makeProblem(const ActionError& error, const std::string& shortcutName, const RunContext& context) {
  using Fix = RunProblem::Fix;
  const auto& reason = error.description;
  if (needsContext(error.kind) && context.english == false) {
    return {"Excel isn't in English",
            "Corvane finds Excel's buttons by their English names. Set Excel to English in System Settings › "
            "General › Language & Region › Applications, then reopen Excel.",
            {Fix::languageSettings},
            reason};
  }
  switch (error.kind) {
    case ActionError::Kind::notFound:
      if (context.narrow == true) {
        return {"“" + error.name + "” is hidden",
                "Excel's window is too narrow, so it folded some ribbon buttons away.",
                {Fix::widenExcel, Fix::tryAgain},
                reason};
      }
      return {"“" + error.name + "” isn't on your ribbon",
              "Your version of Excel may not have it, or it moved in an update.",
              {Fix::report},
              reason};
    case ActionError::Kind::greyedOut:
      return {"“" + error.name + "” is greyed out",
              "Excel doesn't allow it right now, for example while you're typing in a cell or with this selection.",
              {},
              reason};
    case ActionError::Kind::noTab:
      return {"The " + error.name + " tab isn't showing", "Turn Excel's ribbon on (View › Ribbon), then try again.",
              {Fix::tryAgain}, reason};
    case ActionError::Kind::dialogTimeout:
      return {"Excel took too long", "The window with “" + error.name + "” didn't open in time.", {Fix::tryAgain},
              reason};
    case ActionError::Kind::noWorkbook:
      return {"Open a workbook first", "Corvane works on the workbook that's open in Excel.", {}, reason};
    case ActionError::Kind::general:
      return {"Couldn't run “" + shortcutName + "”", reason, {Fix::report}, reason};
    case ActionError::Kind::menuMissing:
      return {"“" + shortcutName + "” isn't in Excel's menus", "Your version of Excel may call it something else.",
              {Fix::report}, reason};
    case ActionError::Kind::notResponding:
      return {"Excel isn't responding", reason + ". It may be busy with something else; Corvane stopped waiting.",
              {Fix::report}, reason};
    case ActionError::Kind::notAllowed:
      // The status line's own words, and the panel's fix for them.
      return {"Needs Accessibility access",
              "Corvane is no longer allowed to control Excel. Turn Corvane on in System Settings › Privacy & "
              "Security › Accessibility.",
              {Fix::allowAccess}, reason};
    case ActionError::Kind::leftFront:
      return {"Excel left the front",
              "Another app came to the front while the shortcut ran, so Corvane stopped: nothing more was typed "
              "or clicked. Click in your workbook, then try again.",
              {Fix::tryAgain}, reason};
  }
  return {"Couldn't run “" + shortcutName + "”", reason, {Fix::report}, reason};
}

}  // namespace corvane::excel

#include "excel/action_runner.hpp"

#include <algorithm>
#include <cmath>
#include <exception>
#include <variant>

#include "excel/ax_names.hpp"
#include "excel/element_lookup.hpp"
#include "excel/menus_and_toolbars.hpp"
#include "excel/shortcut_check.hpp"
#include "excel/step_description.hpp"
#include "model/grammar.hpp"
#include "model/key_names.hpp"
#include "model/overloaded.hpp"
#include "model/step_warnings.hpp"
#include "platform/event_tap.hpp"

namespace corvane::excel {

namespace {

std::uint64_t keyFlags(const model::KeyCombo& combo) {
  std::uint64_t flags = 0;
  if (combo.command) flags |= platform::flags::kCommand;
  if (combo.shift) flags |= platform::flags::kShift;
  if (combo.option) flags |= platform::flags::kOption;
  if (combo.control) flags |= platform::flags::kControl;
  namespace keycode = model::keycode;
  if (keycode::isFunctionKey(combo.keyCode) || keycode::isNavigationKey(combo.keyCode)) {
    flags |= platform::flags::kFunction;
  }
  if (keycode::isArrowKey(combo.keyCode)) flags |= platform::flags::kNumericPad;
  return flags;
}

// The action of the shortcut's leading step for the key-tip fast path, or none.
std::optional<model::RibbonAction> fastPathAction(const model::Shortcut& shortcut) {
  if (shortcut.steps.empty()) return std::nullopt;
  const model::Step* step = &shortcut.steps.front();
  while (true) {
    const std::vector<model::Step>* children = nullptr;
    if (const auto* first = step->as<model::FirstOfStep>()) children = &first->steps;
    if (const auto* seq = step->as<model::SequenceStep>()) children = &seq->steps;
    if (children == nullptr) break;
    if (children->empty()) return std::nullopt;
    step = &children->front();
  }
  if (const auto* ribbon = step->as<model::RibbonStep>()) return ribbon->action;
  const auto& top = shortcut.steps.front();
  if (top.is<model::QatStep>() || top.is<model::TitlebarStep>()) return model::RibbonAction::press;
  return std::nullopt;
}

}  // namespace

ActionRunner::ActionRunner(platform::Scheduler& scheduler, const ExcelServices& services, LogSink log)
    : scheduler_(scheduler),
      services_(services),
      log_(std::move(log)),
      queue_(scheduler.makeSerialQueue("app.corvane.actions", platform::QoS::userInitiated)) {}

void ActionRunner::setKeyTips(std::weak_ptr<KeyTipAccess> keyTips) {
  keyTips_ = std::move(keyTips);
  if (auto shared = keyTips_.lock()) shared->shareRibbonModel(ribbon_);
}

void ActionRunner::run(model::Shortcut shortcut, std::int32_t pid, Completion completion) {
  auto generation = cancelled_.load();
  queue_->async([this, shortcut = std::move(shortcut), pid, completion = std::move(completion), generation] {
    auto problem = runNow(shortcut, pid, [this, generation] { return cancelled_.load() != generation; });
    scheduler_.main().async([completion, problem = std::move(problem)] {
      if (completion) completion(problem);
    });
  });
}

double ActionRunner::runBudget(const model::Shortcut& shortcut) {
  // Enough for Excel's own delays on a long run (a tab switch, dropdowns opening level by level,
  // a menu fallback), plus every wait the steps ask for, alternatives included.
  constexpr double kBase = 6.0;
  double asked = 0;
  auto add = [&](auto&& self, const std::vector<model::Step>& steps) -> void {
    for (const auto& step : steps) {
      if (const auto* w = step.as<model::WaitStep>()) {
        asked += w->seconds > 0 ? std::min(w->seconds, model::kLongestWait) : 0.0;
      }
      if (const auto* c = step.as<model::ClickStep>()) asked += std::clamp(c->timeout, 0.0, 600.0);
      // A keystroke may wait for Option to be let go, then takes its own time.
      if (step.is<model::KeyStep>()) asked += ExcelApp::kOptionReleaseWait + ExcelApp::kKeystrokeTime;
      if (const auto* f = step.as<model::FirstOfStep>()) self(self, f->steps);
      if (const auto* q = step.as<model::SequenceStep>()) self(self, q->steps);
    }
  };
  add(add, shortcut.steps);
  return kBase + asked;
}

bool ActionRunner::tryKeyTipPath(const ExcelApp& excel, const model::Shortcut& shortcut, bool& tipsShowedRibbon) const {
  auto keyTips = keyTips_.lock();
  if (!keyTips) return false;
  auto action = fastPathAction(shortcut);
  if (!action) return false;
  auto level = keyTips->levelPath();
  std::optional<platform::Element> element;
  if (level && level->size() < shortcut.keys.size() &&
      std::equal(level->begin(), level->end(), shortcut.keys.begin())) {
    element = keyTips->elementFor(model::keyPathText(shortcut.keys));
  }
  // Typed before its level's badges came, the key still finds its item in the menu the key tips
  // opened for that level: the menu is used, not closed and opened again.
  if (!element) element = keyTips->elementInOpenMenu(shortcut.keys);
  if (!element) return false;
  if (!ribbonAction(excel, *element, *action, shortcut.name)) return false;
  tipsShowedRibbon = keyTips->forgetLevel(false) || tipsShowedRibbon;
  return true;
}

std::optional<RunProblem> ActionRunner::runSteps(const ExcelApp& excel, const model::Shortcut& shortcut,
                                                 std::string& route, bool& tipsShowedRibbon) const {
  if (tryKeyTipPath(excel, shortcut, tipsShowedRibbon)) return std::nullopt;
  // A fast path that met a silent Excel ends here, with no steps tried after it.
  if (auto stopped = excel.stopError()) return makeProblem(*stopped, shortcut.name, {});
  route = "steps";
  if (auto keyTips = keyTips_.lock()) tipsShowedRibbon = keyTips->forgetLevel(true) || tipsShowedRibbon;
  // Steps that act on Excel start with no menu open, as a user would leave it before a shortcut.
  bool onlyWaits = std::all_of(shortcut.steps.begin(), shortcut.steps.end(),
                               [](const model::Step& step) { return step.is<model::WaitStep>(); });
  if (!onlyWaits) closeLeftoverMenus(excel);
  for (const auto& step : shortcut.steps) {
    auto done = performStep(excel, step);
    if (done) continue;
    // An Excel that stopped answering is the problem, whatever the step made of it.
    auto error = excel.stopError().value_or(done.error());
    RunContext context;
    if (needsContext(error.kind)) {
      if (auto window = findWorkbookWindow(excel)) {
        context.narrow = isNarrow(excel, *window);
        context.english = isEnglish(excel, *window);
      }
    }
    return makeProblem(error, shortcut.name, context);
  }
  if (auto stopped = excel.stopError()) return makeProblem(*stopped, shortcut.name, {});
  return std::nullopt;
}

std::optional<RunProblem> ActionRunner::runNow(const model::Shortcut& shortcut, std::int32_t pid,
                                               std::function<bool()> cancelled) const {
  double start = services_.clock.uptime();
  std::optional<RunProblem> problem;
  std::string route = "key tip";
  bool wasCancelled = false;
  try {
    ExcelApp excel(services_, pid, WaitLimits{kMessagingTimeout, runBudget(shortcut)});
    if (cancelled) excel.session().setCancel(std::move(cancelled));
    bool tipsShowedRibbon = false;
    problem = runSteps(excel, shortcut, route, tipsShowedRibbon);
    // The user called it off: nothing to tell them.
    wasCancelled = excel.session().stopped() == ExcelSession::Stop::cancelled;
    if (wasCancelled) {
      problem.reset();
      // The menus it opened go again, even one Excel shows only after the user called the run off.
      ExcelApp tidy(services_, pid, WaitLimits{kMessagingTimeout, kCalledOffTidyBudget});
      closeMenusOfCalledOffWork(tidy, excel.changes());
    }
    // A ribbon shown for this run (or for its key tips) is collapsed again, as the user had it.
    if (tipsShowedRibbon && !excel.changes().shownRibbon) {
      if (auto window = findWorkbookWindow(excel)) excel.changes().shownRibbon = ribbonTabGroup(excel, *window);
    }
    collapseShownRibbon(excel);
  } catch (const std::exception& e) {
    problem = makeProblem(ActionError::general(e.what()), shortcut.name, {});
  } catch (...) {
    problem = makeProblem(ActionError::general("Something unexpected went wrong"), shortcut.name, {});
  }
  // Whole milliseconds, truncated; the small bias keeps 0.212 s from reading as 211 ms.
  auto ms = static_cast<long long>(std::floor((services_.clock.uptime() - start) * 1000.0 + 1e-6));
  if (log_) {
    // The reason goes last: it is a sentence of its own, often ending in a question.
    auto how = " via " + route + " (" + std::to_string(ms) + " ms)";
    log_("⌥ " + model::keyPathText(shortcut.keys) + " “" + shortcut.name + "” → " +
         (problem ? "failed" + how + ": " + problem->reason : (wasCancelled ? "cancelled" : "ok") + how));
  }
  return problem;
}

ActionStatus ActionRunner::performStep(const ExcelApp& excel, const model::Step& step) const {
  using namespace model;
  // Nothing more goes to an Excel that stopped answering, not even a keystroke; nor past the
  // deadline, nor after the user cancelled.
  if (!excel.session().goOn()) return std::unexpected(excel.stopError().value_or(ActionError::general("Stopped")));
  auto stopped = [&excel] { return std::unexpected(excel.stopError().value_or(ActionError::general("Stopped"))); };
  return std::visit(
      Overloaded{
          [&](const KeyStep& s) -> ActionStatus {
            if (!excel.postKeystroke(s.combo.keyCode, keyFlags(s.combo))) {
              return std::unexpected(excel.stopError().value_or(ActionError::leftFront()));
            }
            return {};
          },
          [&](const MenuStep& s) -> ActionStatus { return chooseMenuPath(excel, s.path); },
          [&](const RibbonStep& s) -> ActionStatus { return ribbonStep(excel, s, folded_.get(), ribbon_.get()); },
          [&](const QatStep& s) -> ActionStatus { return pressQat(excel, s.number); },
          [&](const TitlebarStep& s) -> ActionStatus { return pressTitlebar(excel, s.labels); },
          [&](const ClickStep& s) -> ActionStatus { return clickInDialog(excel, s.labels, s.timeout); },
          [&](const WaitStep& s) -> ActionStatus {
            // A negative or NaN wait is no wait, and none is longer than a minute. Waited in slices,
            // so that the deadline and a cancel end it.
            double left = s.seconds > 0 ? std::min(s.seconds, model::kLongestWait) : 0.0;
            while (left > 0) {
              double slice = std::min(left, kWaitSlice);
              if (!excel.pause(slice)) return stopped();
              left -= slice;
            }
            return {};
          },
          [&](const FirstOfStep& s) -> ActionStatus {
            if (s.steps.empty()) return std::unexpected(ActionError::general("Nothing to try"));
            std::optional<ActionError> firstError;
            for (const auto& alternative : s.steps) {
              auto done = performStep(excel, alternative);
              if (done) return {};
              if (auto error = excel.stopError()) return std::unexpected(*error);
              // Called off by the user: no alternative was tried and failed.
              if (excel.session().stopped() != ExcelSession::Stop::none) return done;
              if (log_) log_("   tried " + describeStep(alternative) + ": " + done.error().description);
              if (!firstError) firstError = done.error();
            }
            return std::unexpected(*firstError);
          },
          [&](const SequenceStep& s) -> ActionStatus {
            for (const auto& child : s.steps) {
              auto done = performStep(excel, child);
              if (done) continue;
              if (auto error = excel.stopError()) return std::unexpected(*error);
              if (s.optional) return {};
              return done;
            }
            return {};
          },
          // The library expands macros; one left here is a fault, never a success.
          [&](const UseStep& s) -> ActionStatus {
            return std::unexpected(ActionError::general("Unresolved macro " + s.name));
          },
      },
      step.value);
}

void ActionRunner::check(std::vector<model::Shortcut> shortcuts, std::int32_t pid, std::string dateText,
                         std::function<void(ShortcutCheckReport)> completion) {
  queue_->async([this, shortcuts = std::move(shortcuts), pid, dateText = std::move(dateText),
                 completion = std::move(completion)] {
    ShortcutCheckReport report;
    try {
      ExcelApp excel(services_, pid, WaitLimits{kMessagingTimeout, kCheckBudget});
      report = checkShortcuts(excel, shortcuts, dateText, folded_.get(), ribbon_.get());
    } catch (const std::exception& e) {
      report.text = "Corvane shortcut check — " + dateText + "\nThe check stopped: " + e.what() + "\n";
    }
    scheduler_.main().async([completion, report = std::move(report)] {
      if (completion) completion(report);
    });
  });
}

}  // namespace corvane::excel

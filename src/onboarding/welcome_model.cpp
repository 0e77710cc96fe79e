#include "onboarding/welcome_model.hpp"

#include <array>

namespace corvane::onboarding {
namespace {

using platform::views::WelcomeAction;
using platform::views::WelcomeButton;
using platform::views::WelcomeKeyCap;
using platform::views::WelcomeTip;
using platform::views::WelcomeView;

constexpr const char* kProduct = "Corvane";
constexpr std::array<const char*, 3> kPracticeKeys{"H", "O", "I"};
constexpr int kSteps = 3;
constexpr int kDone = 4;

std::string statusLine(int progress, bool excelRunning) {
  if (progress >= kDone) return "Nice, that ran AutoFit column width. You've got it.";
  if (!excelRunning) return "Open Excel with a workbook to try it.";
  switch (progress) {
    case 0: return "Waiting for you to tap ⌥ in Excel…";
    case 1: return "Listening… now press H.";
    case 2: return "The Home tab badges are showing. Press O.";
    default: return "Last one: press I.";
  }
}

}  // namespace

void WelcomeModel::showWelcome() {
  showing_ = true;
  step.set(1);
}

void WelcomeModel::windowClosed() { showing_ = false; }

void WelcomeModel::setSearchTrigger(model::SearchTrigger trigger) {
  searchInstruction.set(std::string(model::searchInstruction(trigger)));
}

void WelcomeModel::practiceShow(std::span<const std::string> path) {
  if (!practising() || progress.get() > 3 || path.size() > kPracticeKeys.size()) return;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] != kPracticeKeys[i]) return;
  }
  // Starting the sequence again (⌥ alone after H) never takes ticks away.
  int reached = static_cast<int>(path.size()) + 1;
  if (reached > progress.get()) progress.set(reached);
}

void WelcomeModel::practiceRun(std::span<const std::string> keys) {
  if (!practising() || keys.size() != kPracticeKeys.size()) return;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i] != kPracticeKeys[i]) return;
  }
  if (progress.get() != kDone) progress.set(kDone);
}

void WelcomeModel::finish() {
  showing_ = false;
  if (close) close();
}

void WelcomeModel::perform(WelcomeAction action) {
  switch (action) {
    case WelcomeAction::skip:
    case WelcomeAction::done:
      return finish();
    case WelcomeAction::back:
      if (step.get() > 1) step.set(step.get() - 1);
      return;
    case WelcomeAction::next:
      if (step.get() < kSteps) step.set(step.get() + 1);
      return;
    case WelcomeAction::openAccessibilitySettings:
      if (openAccessibilitySettings) openAccessibilitySettings();
      return;
  }
}

WelcomeView WelcomeModel::view(const base::AppStatus& status) const {
  const std::string product = kProduct;
  WelcomeView v;
  v.windowTitle = "Welcome to " + product;
  v.header = "Welcome to " + product;
  v.step = step.get();
  for (int n = 1; n <= kSteps; ++n) v.markers.push_back({n, n < v.step, n == v.step});

  switch (v.step) {
    case 1:
      v.title = "Allow Accessibility access";
      v.text = product + " needs this to see Excel's buttons and the keys you press in Excel. It only acts while Excel is in front.";
      if (status.trusted.get()) {
        v.allowedSymbol = "checkmark.circle.fill";
        v.allowedText = "Allowed. You're ready for the next step.";
      } else {
        v.pageButtons.push_back({"Open Privacy & Security…", WelcomeAction::openAccessibilitySettings, true});
        v.hint = "Turn on " + product + " in the list, then come back here.";
      }
      break;
    case 2: {
      v.title = "Try your first shortcut";
      v.text = "Switch to Excel and type ⌥ H O I to AutoFit a column. Each key ticks off here as you press it.";
      v.hint = "Using Excel's own KeyTips on ⌥? Move them to another key in Excel › Settings › Accessibility.";
      const std::array<const char*, 4> caps{"⌥", "H", "O", "I"};
      int p = progress.get();
      for (int i = 0; i < static_cast<int>(caps.size()); ++i) {
        int position = i + 1;
        auto look = position <= p ? WelcomeKeyCap::Look::done
                    : position == p + 1 ? WelcomeKeyCap::Look::next
                                        : WelcomeKeyCap::Look::waiting;
        v.keyCaps.push_back({caps[static_cast<std::size_t>(i)], look});
      }
      v.status = statusLine(p, status.excelRunning.get());
      v.statusFinished = p >= kDone;
      break;
    }
    default:
      v.title = "Good to know";
      v.tips = {
          WelcomeTip{"magnifyingglass", "Search any command",
                     searchInstruction.get() + " and type what you want, like “freeze”. Return runs it."},
          WelcomeTip{"menubar.rectangle", "The menu-bar panel",
                     "Click the " + product + " icon in the menu bar for the main switches, command search and your own shortcuts."},
          WelcomeTip{"keyboard.fill", "Make your own",
                     "Settings › My Shortcuts: pick any Excel button, record the keys, done."},
          WelcomeTip{"cursorarrow.rays", "Learn as you click",
                     "Click a ribbon button with the mouse and " + product + " shows its keys for next time."},
      };
      break;
  }

  if (v.step < kSteps) v.footerButtons.push_back({"Skip for now", WelcomeAction::skip, false});
  if (v.step > 1) v.footerButtons.push_back({"Back", WelcomeAction::back, false});
  if (v.step < kSteps) {
    v.footerButtons.push_back({"Continue", WelcomeAction::next, true});
  } else {
    v.footerButtons.push_back({"Done", WelcomeAction::done, true});
  }
  return v;
}

}  // namespace corvane::onboarding

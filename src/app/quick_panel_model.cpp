#include "app/quick_panel_model.hpp"

#include <array>
#include <utility>

#include "app/name_table.hpp"

namespace corvane::app {

namespace {

constexpr std::array kCommands{
    std::pair{QuickPanelCommand::search, "search"},
    std::pair{QuickPanelCommand::showShortcutList, "showShortcutList"},
    std::pair{QuickPanelCommand::showMyShortcuts, "showMyShortcuts"},
    std::pair{QuickPanelCommand::showSettings, "showSettings"},
    std::pair{QuickPanelCommand::checkForUpdates, "checkForUpdates"},
    std::pair{QuickPanelCommand::sendFeedback, "sendFeedback"},
    std::pair{QuickPanelCommand::reportProblem, "reportProblem"},
    std::pair{QuickPanelCommand::allowAccess, "allowAccess"},
    std::pair{QuickPanelCommand::restartListener, "restartListener"},
    std::pair{QuickPanelCommand::quit, "quit"},
};

}  // namespace

std::string_view commandName(QuickPanelCommand command) { return nameIn(kCommands, command); }

std::optional<QuickPanelCommand> commandNamed(std::string_view name) {
  return valueIn<QuickPanelCommand>(kCommands, name);
}

std::function<void()> QuickPanelActions::of(QuickPanelCommand command) const {
  switch (command) {
    case QuickPanelCommand::search: return search;
    case QuickPanelCommand::showShortcutList: return showShortcutList;
    case QuickPanelCommand::showMyShortcuts: return showMyShortcuts;
    case QuickPanelCommand::showSettings: return showSettings;
    case QuickPanelCommand::checkForUpdates: return checkForUpdates;
    case QuickPanelCommand::sendFeedback: return sendFeedback;
    case QuickPanelCommand::reportProblem: return reportProblem;
    case QuickPanelCommand::allowAccess: return allowAccess;
    case QuickPanelCommand::restartListener: return restartListener;
    case QuickPanelCommand::quit: return quit;
  }
  return {};
}

PanelTone panelTone(const ListenerFacts& facts) {
  if (!facts.trusted || !facts.tapExists) return PanelTone::bad;
  return statusLine(facts).ok ? PanelTone::ok : PanelTone::warn;
}

void QuickPanelModel::refresh(const QuickPanelFacts& facts) {
  const auto& listener = facts.listener;
  auto line = statusLine(listener);
  statusText = line.text;
  needsAccess = !listener.trusted;
  listenerStopped = listener.trusted && !(listener.tapExists && listener.tapEnabled);
  tone = panelTone(listener);
  myShortcutCount = facts.myShortcutCount;
  updateVersion = facts.updateVersion;

  rows.clear();
  int number = 0;
  auto add = [&](QuickPanelCommand command) { rows.emplace(number++, command); };
  if (needsAccess) add(QuickPanelCommand::allowAccess);
  if (listenerStopped) add(QuickPanelCommand::restartListener);
  add(QuickPanelCommand::search);
  add(QuickPanelCommand::showShortcutList);
  add(QuickPanelCommand::showMyShortcuts);
  add(QuickPanelCommand::showSettings);
  add(QuickPanelCommand::checkForUpdates);
  add(QuickPanelCommand::sendFeedback);
  add(QuickPanelCommand::reportProblem);
  add(QuickPanelCommand::quit);
}

void QuickPanelModel::moveSelection(int delta) {
  if (rows.empty() || delta == 0) return;
  if (!selected || !rows.contains(*selected)) {
    selected = delta > 0 ? rows.begin()->first : rows.rbegin()->first;
    return;
  }
  auto at = rows.find(*selected);
  if (delta > 0) {
    if (auto next = std::next(at); next != rows.end()) selected = next->first;
    return;
  }
  if (at != rows.begin()) selected = std::prev(at)->first;
}

}  // namespace corvane::app

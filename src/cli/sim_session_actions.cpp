// The commands of a simulated session that act on the program rather than type into it: the
// menu-bar panel, the palette, problems and reports, settings, the editor, Excel quitting and
// launching. Each runs on the main queue at its time.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/settings_model.hpp"
#include "authoring/shortcut_browser_model.hpp"
#include "authoring/shortcut_editor_model.hpp"
#include "cli/sim_session_parts.hpp"
#include "model/text.hpp"
#include "onboarding/welcome_model.hpp"
#include "platform/views/coach_hint_view.hpp"
#include "platform/views/hud_views.hpp"
#include "platform/views/quick_panel_view.hpp"
#include "platform/views/report_view.hpp"
#include "platform/views/welcome_view.hpp"

namespace corvane::cli {
namespace {

platform::PanelAction buttonAction(const std::string& id) {
  platform::PanelAction action;
  action.kind = platform::PanelAction::Kind::button;
  action.id = id;
  return action;
}

}  // namespace

std::expected<void, std::string> SessionParts::pressInPanel(const std::string& title) {
  auto view = shell->quickPanel().currentView();
  if (!shell->quickPanel().isOpen() || !view) {
    return std::unexpected(std::string("the menu-bar panel is not open (panel)"));
  }
  std::vector<platform::views::QuickPanelItem> items{view->mainSwitch};
  items.insert(items.end(), view->items.begin(), view->items.end());
  std::vector<std::string> titles;
  for (const auto& item : items) {
    titles.push_back(item.title);
    if (!sameTitle(item.title, title)) continue;
    platform::PanelAction action;
    action.id = item.id;
    if (item.kind == platform::views::QuickPanelItem::Kind::toggle) {
      action.kind = platform::PanelAction::Kind::toggle;
      action.on = !item.on;
    } else {
      action.kind = platform::PanelAction::Kind::button;
    }
    (void)panels.act(platform::PanelKind::quickPanel, action);
    return {};
  }
  return std::unexpected("the menu-bar panel has no “" + title + "” (it has: " + model::text::join(titles, ", ") +
                         ")");
}

std::expected<void, std::string> SessionParts::pressInProblem(const std::string& title) {
  const auto* problem = dynamic_cast<const platform::views::ProblemView*>(shell->hud().currentView().get());
  if (!problem || !shell->hud().isVisible()) return std::unexpected(std::string("no problem is showing"));
  std::vector<platform::views::Button> buttons = problem->fixes;
  buttons.push_back(problem->dismiss);
  std::vector<std::string> titles;
  for (const auto& button : buttons) {
    titles.push_back(button.title);
    if (!sameTitle(button.title, title)) continue;
    (void)panels.act(platform::PanelKind::hud, buttonAction(button.id));
    return {};
  }
  return std::unexpected("the problem has no “" + title + "” button (it has: " + model::text::join(titles, ", ") +
                         ")");
}

bool SessionParts::sameTitle(const std::string& shown, const std::string& typed) {
  auto plain = [](std::string text) {
    text = model::text::replaceAll(text, "…", "");
    text = model::text::replaceAll(text, "...", "");
    return model::text::lower(model::text::trim(text));
  };
  return plain(shown) == plain(typed);
}

void SessionParts::reportOpened() {
  const auto& requests = workspace.openRequests();
  for (; openedReported < requests.size(); ++openedReported) {
    const auto& r = requests[openedReported];
    switch (r.kind) {
      case platform::sim::OpenRequest::Kind::url:
      case platform::sim::OpenRequest::Kind::file: transcript.emit("open", r.target); break;
      case platform::sim::OpenRequest::Kind::fileWithApplication:
        transcript.emit("open", r.target + " with " + r.application);
        break;
      case platform::sim::OpenRequest::Kind::reveal: transcript.emit("open", "reveal " + r.target); break;
    }
  }
}

std::expected<void, std::string> SessionParts::act(const SimCommand& command) {
  auto& p = *this;
  auto& shell = *this->shell;
  const auto& verb = command.verb;
  if (verb == "switch-app") {
    if (!p.workspace.switchTo(command.rest)) return std::unexpected("cannot bring " + command.rest + " to the front");
    // Another application coming forward takes key status from the program's own windows.
    p.panels.otherApplicationActivated([&p] {
      for (auto* panel : p.simPanels.all()) {
        if (panel->isKey()) panel->resignKey();
      }
    });
  } else if (verb == "write-user-file") {
    const auto& target = shell.userFile().userFile();
    auto slash = target.rfind('/');
    if (slash != std::string::npos) (void)p.files.createFolders(target.substr(0, slash));
    if (auto copied = p.files.copy(command.rest, target); !copied) {
      return std::unexpected("cannot copy " + command.rest + ": " + copied.error().description);
    }
  } else if (verb == "palette" || verb == "palette up" || verb == "palette down" || verb == "palette enter" ||
             verb == "palette escape") {
    platform::PanelAction action;
    if (verb == "palette") {
      action.kind = platform::PanelAction::Kind::text;
      action.text = command.rest;
    } else {
      static const std::map<std::string, std::string> keys{
          {"palette up", "up"}, {"palette down", "down"}, {"palette enter", "return"}, {"palette escape", "escape"}};
      action.kind = platform::PanelAction::Kind::key;
      action.id = keys.at(verb);
    }
    if (!p.panels.act(platform::PanelKind::palette, action)) {
      return std::unexpected(std::string("the palette is not open (double-tap ⌥ in Excel)"));
    }
  } else if (verb == "revoke-access") {
    // Taken out of the Accessibility list: macOS switches the tap off, and no tap can be made again
    // until the permission is granted back.
    p.excel.setTrusted(false);
    p.tap.setTrusted(false);
  } else if (verb == "status-item") {
    auto has = [&](const char* word) { return std::ranges::find(command.args, word) != command.args.end(); };
    shell.statusItemClicked(app::StatusItemEvent{has("option"), has("control"), has("right")});
  } else if (verb == "panel") {
    if (!shell.quickPanel().isOpen()) shell.quickPanel().toggle(std::nullopt);
    if (!shell.quickPanel().isOpen()) {
      return std::unexpected(std::string("the menu-bar panel closed less than 0.25 s ago and stays closed"));
    }
  } else if (verb == "panel press") {
    if (auto pressed = p.pressInPanel(command.rest); !pressed) return pressed;
  } else if (verb == "fix") {
    if (auto pressed = p.pressInProblem(command.rest); !pressed) return pressed;
  } else if (verb == "report") {
    shell.reportProblemFromMenu();
  } else if (verb == "report type") {
    // What the user types into "What happened", as the window's text field sends it.
    platform::PanelAction typed;
    typed.kind = platform::PanelAction::Kind::text;
    typed.text = command.rest;
    if (!p.panels.actOnView<platform::views::ReportView>(typed)) {
      return std::unexpected(std::string("the problem report is not open (report)"));
    }
  } else if (verb == "report send") {
    if (!p.panels.actOnView<platform::views::ReportView>(buttonAction("send"))) {
      return std::unexpected(std::string("the problem report is not open (report)"));
    }
  } else if (verb == "hint turn-off") {
    if (!p.panels.actOnView<platform::views::CoachHintView>(buttonAction("turnOff"))) {
      return std::unexpected(std::string("no learning hint is showing"));
    }
  } else if (verb == "hint close") {
    if (!p.panels.anyVisible(platform::PanelKind::coachHint)) {
      return std::unexpected(std::string("no learning hint is showing"));
    }
    shell.coach().dismiss();
  } else if (verb == "excel quit") {
    auto pid = p.excel.pid();
    if (!p.excel.isRunning() || !pid) return std::unexpected(std::string("Excel is not running"));
    (void)p.workspace.terminate(*pid);
  } else if (verb == "excel launch") {
    if (!p.options.fixture) return std::unexpected(std::string("this session has no Excel (--fixture not-running)"));
    if (p.excel.isRunning()) return std::unexpected(std::string("Excel is already running"));
    (void)p.workspace.launch(platform::sim::SimWorkspace::kExcelBundle, p.excel.application().title);
  } else if (verb == "excel fill-sheet") {
    if (p.excel.fillSheet(static_cast<std::size_t>(command.seconds)) == 0 && command.seconds > 0) {
      return std::unexpected(std::string("Excel shows no workbook"));
    }
  } else if (verb == "settings") {
    std::optional<app::SettingsPage> page;
    if (!command.rest.empty()) {
      // By its title or its name, in any case, with or without spaces: "key tips", "keyTips".
      auto squeezed = [](std::string_view text) {
        auto lowered = model::text::lower(text);
        std::erase(lowered, ' ');
        return lowered;
      };
      std::vector<std::string> names;
      for (const auto& info : app::settingsPages()) {
        if (squeezed(info.id) == squeezed(command.rest) || squeezed(info.title) == squeezed(command.rest)) page = info.page;
        names.push_back(model::text::lower(info.title));
      }
      if (!page) return std::unexpected("no settings page \"" + command.rest + "\" (" + model::text::join(names, ", ") + ")");
    }
    shell.showSettings();
    if (page) shell.settingsModel().select(*page);
  } else if (verb == "list") {
    shell.showList();
    shell.listModel().setQuery(command.rest);
  } else if (verb == "editor new") {
    shell.editShortcuts();
    shell.editorModel().newShortcut();
  } else if (verb == "editor record") {
    auto& editor = shell.editorModel();
    if (!editor.editing()) return std::unexpected(std::string("no shortcut is being edited (editor new)"));
    // A new recording replaces the keys, as pressing Record again does in the window.
    editor.clearKeys();
    editor.setRecording(true);
    for (const auto& name : command.args) {
      editor.receive(authoring::recording::Character{model::text::upper(name)});
    }
    editor.receive(authoring::recording::Done{});
  } else if (verb == "editor save") {
    auto& editor = shell.editorModel();
    if (!editor.editing()) return std::unexpected(std::string("no shortcut is being edited (editor new)"));
    // The window's Save button is greyed out when the form can't be saved; the session says why.
    if (auto saved = editor.save(); !saved) p.transcript.emit("editor", "not saved: " + saved.error());
  } else if (verb == "updates check") {
    shell.checkForUpdates();
  } else if (verb == "welcome") {
    if (command.args.empty()) {
      shell.showWelcome();
    } else {
      static const std::map<std::string, platform::views::WelcomeAction> buttons{
          {"next", platform::views::WelcomeAction::next},
          {"back", platform::views::WelcomeAction::back},
          {"skip", platform::views::WelcomeAction::skip},
          {"done", platform::views::WelcomeAction::done}};
      if (!shell.welcomeModel().isShowing()) return std::unexpected(std::string("the welcome window is not open"));
      shell.welcomeModel().perform(buttons.at(command.args.front()));
    }
  } else if (verb == "quit") {
    p.quit = true;
    shell.quit();
  } else if (verb == "help") {
    // The front end prints help; nothing happens in the session.
  }
  return {};
}

void SessionParts::reportStatus() {
  auto line = shell->statusLine().text;
  if (line == lastStatus) return;
  lastStatus = line;
  transcript.emit("status", line);
}

}  // namespace corvane::cli

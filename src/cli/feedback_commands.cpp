// corvane search: the command palette's results for a query. corvane snapshot: a picture of the
// simulated Excel with the key tips and the key list of a level.

#include <iostream>
#include <memory>

#include "cli/command_registry.hpp"
#include "cli/common.hpp"
#include "cli/fixture_option.hpp"
#include "excel/excel_app.hpp"
#include "feedback/hud_controller.hpp"
#include "feedback/key_tip_controller.hpp"
#include "feedback/palette_model.hpp"
#include "feedback/recent_shortcuts.hpp"
#include "model/grammar.hpp"
#include "model/text.hpp"
#include "platform/posix/json_file_defaults.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/posix/svg_to_png.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/sim_input_poster.hpp"
#include "platform/sim/sim_panels.hpp"
#include "platform/sim/sim_screens.hpp"
#include "platform/sim/sim_text_metrics.hpp"
#include "platform/sim/sim_window_list.hpp"
#include "platform/sim/svg_renderer.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::cli {
namespace {

int fail(const CommandError& error) {
  std::cerr << "corvane: " << error.message << "\n";
  return error.exitCode;
}

void addSearchCommand(CLI::App& app, int& exitCode) {
  struct State {
    CommonOptions common;
    std::vector<std::string> words;
  };
  auto state = std::make_shared<State>();
  auto* command = app.add_subcommand("search", "The command palette's results: keys, a tab, the name, a tab, the place");
  addCommonOptions(*command, state->common);
  command->add_option("QUERY", state->words, "Words to search for (none: the recent shortcuts)");
  command->callback([state, &exitCode] {
    platform::posix::PosixFiles files;
    auto library = loadLibrary(state->common, files);
    if (!library) {
      exitCode = fail(library.error());
      return;
    }
    platform::posix::JsonFileDefaults defaults(pathsFor(state->common));
    feedback::PaletteModel model(*library, [&defaults] { return feedback::recentShortcuts(defaults); });
    model.setQuery(model::text::join(state->words, " "));
    if (auto empty = model.emptyText()) {
      std::cout << *empty << "\n";
      exitCode = kExitFailure;
      return;
    }
    for (const auto& result : model.results.get()) {
      std::cout << model::keyPathText(result.shortcut.keys) << "\t" << result.shortcut.name << "\t" << result.place
                << "\n";
    }
    exitCode = kExitOk;
  });
}

template <typename Enum>
CLI::Validator settingValidator(const char* name) {
  return CLI::Validator(
      [](const std::string& text) -> std::string {
        return model::fromRawValue<Enum>(text) ? std::string() : "unknown value “" + text + "”";
      },
      name);
}

void addSnapshotCommand(CLI::App& app, int& exitCode) {
  struct State {
    CommonOptions common;
    std::string fixture;
    std::string style;
    std::string size;
    std::string out;
    std::vector<std::string> keys;
  };
  auto state = std::make_shared<State>();
  auto* command = app.add_subcommand(
      "snapshot", "A picture (SVG, or PNG) of the simulated Excel after ⌥ and the keys: key tips and the key list");
  addCommonOptions(*command, state->common);
  addFixtureOption(*command, state->fixture);
  command->add_option("--style", state->style, "Badge style: office, darkYellow, classic, blue, graphite")
      ->check(settingValidator<model::TipStyle>("STYLE"))
      ->type_name("STYLE");
  command->add_option("--size", state->size, "Badge size: regular, large")
      ->check(settingValidator<model::TipSize>("SIZE"))
      ->type_name("SIZE");
  command
      ->add_option("--out", state->out,
                   "The picture to write: .svg, .png (made with rsvg-convert), or - for SVG on standard output")
        ->required()
        ->type_name("FILE.svg|FILE.png");
  command->add_option("KEY", state->keys, "Keys typed after ⌥ (case-insensitive)");
  command->callback([state, &exitCode] {
    // A picture's name says what is in it: SVG as drawn, or PNG converted from it.
    const bool png = model::text::lower(state->out).ends_with(".png");
    if (state->out != "-" && !png && !model::text::lower(state->out).ends_with(".svg")) {
      exitCode = fail({kExitUsage, "--out " + state->out + ": the picture is SVG (.svg) or PNG (.png)"});
      return;
    }
    auto keyPath = keyPathArguments(state->keys);
    if (!keyPath) {
      exitCode = fail(keyPath.error());
      return;
    }
    const auto& path = *keyPath;
    platform::posix::PosixFiles files;
    auto library = loadLibrary(state->common, files);
    if (!library) {
      exitCode = fail(library.error());
      return;
    }
    const auto& lib = **library;
    for (std::size_t n = 1; n <= path.size(); ++n) {
      std::vector<std::string> prefix(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(n));
      const auto* node = lib.node(prefix);
      if (node == nullptr) {
        exitCode = fail({kExitUsage, "Nothing on “" + prefix.back() + "” here (after ⌥ " +
                                         model::keyPathText({prefix.begin(), prefix.end() - 1}) + ")"});
        return;
      }
      if (!node->hasChildren()) {
        const auto* shortcut = node->shortcut();
        exitCode = fail({kExitUsage, "⌥ " + model::keyPathText(prefix) + " runs “" +
                                         (shortcut ? shortcut->name : std::string("?")) + "”; there is no level to draw"});
        return;
      }
    }
    auto fixture = loadFixtureOption(state->fixture, files);
    if (!fixture) {
      exitCode = fail(fixture.error());
      return;
    }
    platform::sim::VirtualTime time;
    platform::sim::SimExcel excel(time, time, *fixture);
    auto pid = excel.pid();
    if (!pid) {
      exitCode = fail({kExitFailure, "Excel is not running"});
      return;
    }
    auto screenSize = (*fixture)->application.screen;
    platform::sim::SimScreens screens({platform::sim::SimScreens::makeScreen(1, {0, 0, screenSize.width, screenSize.height})});
    platform::sim::SimPanels panels(time);
    platform::sim::SimTextMetrics metrics;
    platform::posix::JsonFileDefaults defaults(pathsFor(state->common));
    auto stored = [&defaults]<typename Enum>(const char* key, Enum fallback) {
      auto raw = defaults.getString(key);
      return raw ? model::fromRawValue<Enum>(*raw).value_or(fallback) : fallback;
    };
    auto style = state->style.empty() ? stored("tipStyle", model::TipStyle::office)
                                      : *model::fromRawValue<model::TipStyle>(state->style);
    auto size = state->size.empty() ? stored("tipSize", model::TipSize::regular)
                                    : *model::fromRawValue<model::TipSize>(state->size);
    auto mode = stored("keyListMode", model::KeyListMode::whenNoTips);

    excel::ExcelServices services{excel.accessibility(), excel.windowList(), excel.inputPoster(), time};
    auto actions = time.makeSerialQueue("app.corvane.actions", platform::QoS::userInitiated);
    auto keyTips = std::make_shared<feedback::KeyTipController>(
        time, *actions, services, std::make_unique<feedback::KeyTipOverlay>(panels, screens, metrics), *library);
    keyTips->setStyle(style);
    keyTips->setSize(size);
    // As in Excel: ⌥ shows the first level, then every key the next one (menus open on the way).
    for (std::size_t n = 0; n <= path.size(); ++n) {
      keyTips->update({path.begin(), path.begin() + static_cast<std::ptrdiff_t>(n)}, *pid);
      (void)time.runUntilIdle();
    }
    feedback::HUDController::Sources sources;
    sources.library = [&library] { return *library; };
    sources.keyTipAnchor = [&keyTips] { return keyTips->anchor(); };
    sources.keyListMode = [mode] { return mode; };
    sources.runningExcel = [pid] { return pid; };
    auto hud = std::make_shared<feedback::HUDController>(panels, screens, excel.windowList(), time, sources);
    hud->setStyle(style);
    hud->showKeyList(path, lib.options(path));

    platform::sim::SvgPicture picture({0, 0, screenSize.width, screenSize.height}, screenSize.height);
    platform::sim::drawExcel(picture, excel);
    for (auto* panel : panels.ofKind(platform::PanelKind::keyTipOverlay)) {
      auto view = std::dynamic_pointer_cast<const platform::views::KeyTipOverlayView>(panel->content());
      if (panel->isVisible() && view) picture.addOverlay(*view, panel->frame());
    }
    if (auto* panel = panels.first(platform::PanelKind::hud); panel && panel->isVisible() && panel->content()) {
      picture.addPanel(*panel->content(), panel->frame(), "keylist");
    }
    auto svg = picture.str();
    if (state->out == "-") {
      std::cout << svg;
      exitCode = kExitOk;
      return;
    }
    std::string bytes = std::move(svg);
    if (png) {
      auto converted = platform::posix::svgToPng(bytes);
      if (!converted) {
        const auto& error = converted.error();
        exitCode = fail({kExitFailure, "--out " + state->out + ": " +
                                           (error.kind == platform::posix::ConversionError::Kind::missing
                                                ? "a PNG is made with rsvg-convert, which isn't installed (Debian: "
                                                  "apt-get install librsvg2-bin; macOS: brew install librsvg); an .svg "
                                                  "needs nothing more"
                                                : error.description)});
        return;
      }
      bytes = std::move(*converted);
    }
    if (auto written = files.writeAtomic(state->out, bytes); !written) {
      // The error names the file already.
      exitCode = fail({kExitFailure, written.error().description});
      return;
    }
    exitCode = kExitOk;
  });
}

}  // namespace

const CommandRegistration kSearchCommand{50, addSearchCommand};
const CommandRegistration kSnapshotCommand{51, addSnapshotCommand};

}  // namespace corvane::cli

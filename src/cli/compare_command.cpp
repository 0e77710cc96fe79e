// corvane compare: a capture of the real Excel (made with ax-dump on a Mac) against a fixture, so
// the first Mac user's file says at once which shortcuts break there and why.

#include <iostream>
#include <memory>
#include <string>

#include "cli/command_registry.hpp"
#include "cli/common.hpp"
#include "cli/fixture_option.hpp"
#include "platform/posix/posix_files.hpp"
#include "tools/ax-dump/capture_comparison.hpp"

namespace corvane::cli {
namespace {

void addCompareCommand(CLI::App& app, int& exitCode) {
  struct State {
    CommonOptions common;
    std::string capture;
    std::string with;
  };
  auto state = std::make_shared<State>();
  auto* command = app.add_subcommand(
      "compare", "Compare a capture of Excel (ax-dump) with a fixture: what breaks, what differs, how fast");
  addCommonOptions(*command, state->common);
  command->add_option("CAPTURE", state->capture, "The capture, a fixture file written by ax-dump")->required();
  state->with = kDefaultFixture;
  command->add_option("--with", state->with, "The fixture to compare with (a variant name or a file)")
      ->type_name("NAME|FILE");
  command->callback([state, &exitCode] {
    platform::posix::PosixFiles files;
    // A bare name is a file here too: the capture is never a built-in variant.
    auto captureOption = state->capture.find('/') == std::string::npos && !state->capture.ends_with(".json")
                             ? "./" + state->capture
                             : state->capture;
    auto capture = loadFixtureOption(captureOption, files);
    auto fixture = capture ? loadFixtureOption(state->with, files) : capture;
    auto library = fixture ? loadLibrary(state->common, files) : std::expected<model::LibraryPtr, CommandError>{};
    for (const auto* error : {capture ? nullptr : &capture.error(), fixture ? nullptr : &fixture.error(),
                              library ? nullptr : &library.error()}) {
      if (error == nullptr) continue;
      std::cerr << "corvane: " << error->message << "\n";
      exitCode = error->exitCode;
      return;
    }
    if (!*fixture) {
      std::cerr << "corvane: compare with a fixture of a running Excel, not " << state->with << "\n";
      exitCode = kExitUsage;
      return;
    }
    auto comparison = tools::compareCapture(**capture, **fixture, (*library)->shortcuts());
    std::cout << tools::comparisonText(comparison, state->capture, state->with);
    exitCode = comparison.breaks.empty() ? kExitOk : kExitFailure;
  });
}

}  // namespace

const CommandRegistration kCompareCommand{43, addCompareCommand};

}  // namespace corvane::cli

#pragma once
// What a simulated session is started with, and how a command that could not apply is reported.

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/paths.hpp"
#include "platform/scheduler.hpp"
#include "platform/sim/excel_fixture.hpp"

namespace corvane::cli {

struct SimSessionOptions {
  /// Null: Excel is not running.
  std::shared_ptr<const platform::sim::ExcelFixture> fixture;
  std::string builtinFile;
  /// --user: the file used as the user's shortcuts file; else the support folder's.
  std::optional<std::string> userFile;
  platform::Paths paths;
  /// --set KEY=VALUE, in order.
  std::vector<std::pair<std::string, std::string>> settings;
  /// At a prompt: the folders the program watches are watched on disk too, so that a file another
  /// program saves is noticed. Their events arrive on this queue (drained on the session's thread),
  /// and `catchUp` hands them to the program.
  platform::Queue* diskEvents = nullptr;
};

/// A command that could not apply when its time came.
struct SimFailure {
  int lineNumber = 0;
  std::string text;
};

}  // namespace corvane::cli

#pragma once
// The shipped shortcuts file (resources/shortcuts.json) as the tests of every layer load it, and
// small walks over its steps.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "model/shortcut_library.hpp"

namespace corvane::testing {

inline std::string sourceFile(const std::string& relative) {
  std::ifstream in(std::string(CORVANE_SOURCE_DIR) + "/" + relative, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

/// The built-in library, as the application builds it with no file of the user's.
inline model::LibraryPtr builtinLibrary() {
  static const model::LibraryPtr library = model::ShortcutLibrary::build(
      model::ShortcutSource::fromBytes("built-in", "shortcuts.json", sourceFile("resources/shortcuts.json")),
      std::nullopt);
  return library;
}

/// Calls `visit` for every step at any depth, parents before their children.
inline void forEachStep(const std::vector<model::Step>& steps, const std::function<void(const model::Step&)>& visit) {
  for (const auto& step : steps) {
    visit(step);
    if (const auto* f = step.as<model::FirstOfStep>()) forEachStep(f->steps, visit);
    if (const auto* s = step.as<model::SequenceStep>()) forEachStep(s->steps, visit);
  }
}

}  // namespace corvane::testing

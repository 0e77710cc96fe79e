#pragma once
// The automation tests' bench: a simulated Excel in virtual time, the services the lookup is given,
// Excel's application element as the core sees it, and shortcuts from the pinned test library.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/library_loader.hpp"
#include "excel/excel_app.hpp"
#include "model/key_combo.hpp"
#include "model/shortcut.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/sim_test_support.hpp"
#include "support/golden.hpp"

namespace corvane::excel::testing {

using platform::Element;
using platform::sim::ExcelEvent;

/// A built-in fixture, parsed once per test binary (fixtures are immutable once loaded).
inline std::shared_ptr<const platform::sim::ExcelFixture> fixture(const std::string& name) {
  static std::map<std::string, std::shared_ptr<const platform::sim::ExcelFixture>> cache;
  auto& slot = cache[name];
  if (!slot) slot = platform::sim::testing::loadResource(name);
  return slot;
}

/// The same Excel answering at once, for tests of exact times and counts of the lookup's own waits.
inline std::shared_ptr<const platform::sim::ExcelFixture> instantFixture(const std::string& name) {
  return platform::sim::testing::instant(fixture(name));
}

/// A simulated Excel and an ExcelApp over it. Calls made from the test body run outside any queue,
/// so their sleeps advance virtual time and let Excel's reactions fire.
struct ExcelSim {
  explicit ExcelSim(const std::string& name = "default") : ExcelSim(fixture(name)) {}
  explicit ExcelSim(std::shared_ptr<const platform::sim::ExcelFixture> fixture)
      : sim(std::move(fixture)),
        services{sim.excel->accessibility(), sim.excel->windowList(), sim.excel->inputPoster(), sim.time},
        excel(services, sim.excel->pid().value_or(-1)) {}

  platform::sim::testing::Sim sim;
  ExcelServices services;
  ExcelApp excel;

  platform::sim::SimExcel& x() { return *sim.excel; }
  Element get(const std::string& role, const std::string& label) { return sim.get(role, label); }
  double now() const { return sim.now(); }
  /// The Escape keystrokes Excel received or that closed something (posted keys with code 53).
  std::size_t escapesPosted() {
    std::size_t n = 0;
    for (const auto& event : sim.excel->inputPoster().posted()) {
      if (event.keyCode == 53 && event.type == platform::EventType::keyDown) ++n;
    }
    return n;
  }
};

/// The pinned library the automation tests run; never the built-in file, which changes.
inline model::LibraryPtr pinnedLibrary() {
  platform::posix::PosixFiles files;
  return base::loadLibrary(files, corvane::testing::dataPath("libraries/automation.json"), std::nullopt);
}

inline const model::Shortcut& pinnedShortcut(const model::LibraryPtr& library, const std::vector<std::string>& keys) {
  const auto* shortcut = library->shortcut(keys);
  if (shortcut == nullptr) {
    ADD_FAILURE() << "no pinned shortcut for " << keys.size() << " keys";
    static const model::Shortcut none;
    return none;
  }
  return *shortcut;
}

inline model::KeyCombo combo(const std::string& text) {
  auto parsed = model::parseKeyCombo(text);
  EXPECT_TRUE(parsed.has_value()) << text;
  return parsed.value_or(model::KeyCombo{});
}

inline model::RibbonStep ribbon(std::vector<std::string> labels, std::optional<std::string> tab = std::nullopt,
                                std::optional<model::MenuPath> item = std::nullopt,
                                model::RibbonAction action = model::RibbonAction::press) {
  return model::RibbonStep{std::move(labels), std::move(tab), std::move(item), action};
}

/// A shortcut of these keys, name and steps, with no tab or note.
inline model::Shortcut shortcut(std::vector<std::string> keys, std::string name, std::vector<model::Step> steps = {}) {
  return model::Shortcut{std::move(keys), std::move(name), std::move(steps), std::nullopt, std::nullopt};
}

}  // namespace corvane::excel::testing

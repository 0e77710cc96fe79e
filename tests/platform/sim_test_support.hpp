#pragma once
// Shared by the simulated-Excel tests: a simulated Excel in virtual time, loaded from a fixture in
// resources/sim, and small readers over the Accessibility interface.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/posix/posix_files.hpp"
#include "platform/sim/fixture_loader.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/sim_input_poster.hpp"
#include "platform/sim/sim_window_list.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::platform::sim::testing {

inline std::string resourceFixture(const std::string& name) {
  return std::string(CORVANE_SOURCE_DIR) + "/resources/sim/" + name + ".json";
}

inline std::shared_ptr<const ExcelFixture> loadResource(const std::string& name) {
  posix::PosixFiles files;
  auto fixture = loadFixtureFile(files, resourceFixture(name));
  if (!fixture) {
    ADD_FAILURE() << name << ": " << fixture.error().text();
    return nullptr;
  }
  return std::make_shared<const ExcelFixture>(std::move(*fixture));
}

/// The same Excel answering at once: no latency, menus that open inside the call that opens them, a
/// list of windows that never lags. For tests of what Excel does rather than when.
inline std::shared_ptr<const ExcelFixture> instant(const std::shared_ptr<const ExcelFixture>& fixture) {
  if (!fixture) return nullptr;
  auto copy = std::make_shared<ExcelFixture>(*fixture);
  copy->application.axLatency = 0;
  copy->application.menuDelay = 0;
  copy->application.windowListLag = 0;
  copy->application.menuPressBlocks = false;
  copy->application.commandsFill = 0;
  return copy;
}

inline std::shared_ptr<const ExcelFixture> parseOrFail(const std::string& json) {
  auto fixture = parseFixture(json);
  if (!fixture) {
    ADD_FAILURE() << fixture.error().text();
    return nullptr;
  }
  return std::make_shared<const ExcelFixture>(std::move(*fixture));
}

/// A simulated Excel and its clock, with readers that go through the Accessibility interface. By
/// name it answers at once (see `instant`); with `RealTime` it takes its fixture's time.
struct RealTime {};
struct Sim {
  explicit Sim(const std::string& name = "default") : Sim(instant(loadResource(name))) {}
  Sim(const std::string& name, RealTime) : Sim(loadResource(name)) {}
  explicit Sim(std::shared_ptr<const ExcelFixture> fixture)
      : excel(std::make_unique<SimExcel>(time, time, std::move(fixture))), ax(excel->accessibility()) {}

  VirtualTime time;
  std::unique_ptr<SimExcel> excel;
  Accessibility& ax;

  Element app() { return ax.application(excel->pid().value_or(-1)); }

  Element get(const std::string& role, const std::string& label) {
    auto found = excel->find({role, label});
    EXPECT_TRUE(found.has_value()) << role << " " << label;
    return found.value_or(Element{});
  }

  template <typename T>
  std::optional<T> read(const Element& element, std::string_view attribute) {
    return valueAs<T>(ax.attribute(element, attribute));
  }
  std::string text(const Element& element, std::string_view attribute) {
    return read<std::string>(element, attribute).value_or("");
  }
  std::vector<Element> children(const Element& element) {
    return read<std::vector<Element>>(element, "AXChildren").value_or(std::vector<Element>{});
  }
  std::vector<Element> windows() { return read<std::vector<Element>>(app(), "AXWindows").value_or(std::vector<Element>{}); }
  Element workbook() { return read<Element>(app(), "AXMainWindow").value_or(Element{}); }
  AXError press(const Element& element) { return ax.performAction(element, "AXPress"); }
  double now() const { return time.uptime(); }
};

}  // namespace corvane::platform::sim::testing

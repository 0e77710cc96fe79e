#pragma once
// A simulated Excel, a library and a key-tip controller wired as the shell wires them, in virtual
// time; shared by the key-tip, coach and picture tests.

#include <memory>
#include <string>
#include <vector>

#include "excel/excel_app.hpp"
#include "feedback/key_tip_controller.hpp"
#include "feedback_test_support.hpp"
#include "platform/sim/fixture_loader.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/sim_input_poster.hpp"
#include "platform/sim/sim_panels.hpp"
#include "platform/sim/sim_screens.hpp"
#include "platform/sim/sim_text_metrics.hpp"
#include "platform/sim/sim_window_list.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::feedback::testing {

/// Window (0, 25, 1200, 700). Home: Clipboard (Paste large with a menu; Cut, Copy, Format Painter
/// in rows 1–3), Font (Bold, Italic disabled, Font Settings launcher), Edge (two buttons placed 3
/// and 10 points right of the window). Insert: PivotTable. Toolbar: AutoSave, Save, Undo, Customize
/// Quick Access Toolbar, the document title and Share.
inline constexpr const char* kKeyTipFixture = R"({
  "format": 1, "name": "keytips",
  "application": {"pid": 777, "bundleIdentifier": "com.microsoft.Excel", "screen": [1440, 900]},
  "windows": [
    {"subrole": "AXStandardWindow", "title": "Book1", "frame": [0, 25, 1200, 700], "children": [
      {"role": "AXToolbar", "children": [
        {"role": "AXCheckBox", "title": "AutoSave", "value": 0, "width": 76},
        {"role": "AXButton", "description": "Save"},
        {"role": "AXButton", "description": "Undo", "enabled": false},
        {"role": "AXMenuButton", "description": "Customize Quick Access Toolbar", "width": 20, "menu": ["New"]},
        {"role": "AXStaticText", "identifier": "CUIDocumentShellWindowTitleLabel", "value": "Book1", "align": "center"},
        {"role": "AXButton", "title": "Share", "align": "right"}
      ]},
      {"role": "AXTabGroup", "description": "ribbon", "tabs": [
        {"title": "Home", "selected": true, "groups": [
          {"description": "Clipboard", "children": [
            {"role": "AXMenuButton", "title": "Paste", "runs": "Paste", "menu": [
              "Paste", "Paste Values", "Transpose"]},
            {"role": "AXButton", "title": "Cut", "place": "row1"},
            {"role": "AXButton", "title": "Copy", "place": "row2"},
            {"role": "AXButton", "title": "Format Painter", "place": "row3"}
          ]},
          {"description": "Font", "children": [
            {"role": "AXCheckBox", "description": "Bold", "place": "row2", "width": 24},
            {"role": "AXCheckBox", "description": "Italic", "place": "row2", "width": 24, "enabled": false},
            {"role": "AXButton", "description": "Font Settings", "place": "corner"}
          ]},
          {"description": "Edge", "children": [
            {"role": "AXButton", "title": "Near", "frame": [1203, 100, 20, 20]},
            {"role": "AXButton", "title": "Far", "frame": [1210, 100, 20, 20]}
          ]}
        ]},
        {"title": "Insert", "groups": [
          {"description": "Tables", "children": [{"role": "AXButton", "title": "PivotTable"}]}
        ]}
      ]},
      {"role": "AXScrollArea", "description": "Sheet1", "frame": [0, 169, 1200, 556]}
    ]}
  ],
  "menuBar": [{"title": "Apple", "menu": ["About This Mac"]}]
})";

inline constexpr const char* kKeyTipLibrary = R"({
  "groups": {"H": "Home", "N": "Insert", "H V": "Paste", "H Z": "More", "H Z Y": "Even more", "H Z Y Q": "Deepest"},
  "tips": {"H": "tab:Home", "N": "tab:Insert", "1": "qat:2", "9": "qat:9", "S": "titlebar:Share",
           "H V": "Paste", "H F N": "corner:Font Settings"},
  "shortcuts": [
    {"keys": "1", "name": "Save", "do": {"key": "cmd+s"}},
    {"keys": "9", "name": "Ninth", "do": {"key": "cmd+9"}},
    {"keys": "S", "name": "Share", "do": {"key": "cmd+k"}},
    {"keys": "H 1", "name": "Bold", "do": {"ribbon": "Bold", "tab": "Home"}},
    {"keys": "H 2", "name": "Italic", "do": {"ribbon": "Italic", "tab": "Home"}},
    {"keys": "H X", "name": "Cut", "do": {"ribbon": "Cut", "tab": "Home"}},
    {"keys": "H C", "name": "Copy", "do": {"ribbon": "Copy", "tab": "Home"}},
    {"keys": "H F P", "name": "Format Painter", "do": {"ribbon": "Format Painter", "tab": "Home"}},
    {"keys": "H F N", "name": "Format Cells: Font", "do": {"ribbon": "Font Settings", "tab": "Home"}},
    {"keys": "H E", "name": "Near", "do": {"ribbon": "Near", "tab": "Home"}},
    {"keys": "H G", "name": "Far", "do": {"ribbon": "Far", "tab": "Home"}},
    {"keys": "H V P", "name": "Paste Values", "do": {"ribbon": "Paste", "tab": "Home", "item": "Paste Values"}},
    {"keys": "H V T", "name": "Transpose", "do": {"ribbon": "Paste", "tab": "Home", "item": "Transpose"}},
    {"keys": "H Z 1", "name": "Cut again", "do": {"ribbon": "Cut", "tab": "Home"}},
    {"keys": "H Z Y 2", "name": "Copy again", "do": {"ribbon": "Copy", "tab": "Home"}},
    {"keys": "H Z Y Q 3", "name": "Too deep", "do": {"ribbon": "Format Painter", "tab": "Home"}},
    {"keys": "N V", "name": "PivotTable", "do": {"ribbon": "PivotTable", "tab": "Insert"}}
  ]})";

inline std::shared_ptr<const platform::sim::ExcelFixture> keyTipFixture(const std::string& json = kKeyTipFixture) {
  auto fixture = platform::sim::parseFixture(json);
  EXPECT_TRUE(fixture.has_value()) << (fixture ? "" : fixture.error().text());
  return std::make_shared<const platform::sim::ExcelFixture>(std::move(*fixture));
}

struct KeyTipWorld {
  explicit KeyTipWorld(model::LibraryPtr lib = libraryFrom(kKeyTipLibrary),
                       std::shared_ptr<const platform::sim::ExcelFixture> fixture = keyTipFixture())
      : library(std::move(lib)),
        excel(std::make_unique<platform::sim::SimExcel>(time, time, std::move(fixture))),
        services{excel->accessibility(), excel->windowList(), excel->inputPoster(), time},
        actions(time.makeSerialQueue("app.corvane.actions", platform::QoS::userInitiated)) {
    keyTips = std::make_shared<KeyTipController>(
        time, *actions, services, std::make_unique<KeyTipOverlay>(panels, screens, metrics), library);
    keyTips->onTipsShown = [this](int n) { shown.push_back(n); };
  }

  std::int32_t pid() const { return excel->pid().value_or(-1); }
  void update(std::vector<std::string> path) { keyTips->update(path, pid()); }
  void scanLevel(std::vector<std::string> path) {
    update(std::move(path));
    EXPECT_TRUE(time.runUntilIdle());
  }
  const KeyTip* tip(const std::string& text) const {
    for (const auto& t : keyTips->lastTips()) {
      if (t.text == text) return &t;
    }
    return nullptr;
  }
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const auto& t : keyTips->lastTips()) out.push_back(t.text);
    return out;
  }
  /// The user opens a control's menu or presses it, as a mouse click would.
  platform::AXError open(const std::string& role, const std::string& label) {
    auto element = excel->find({role, label});
    if (!element) return platform::ax::kFailure;
    return excel->accessibility().performAction(*element, "AXShowMenu");
  }
  platform::Rect frameOf(const std::string& role, const std::string& label) {
    auto element = excel->find({role, label});
    EXPECT_TRUE(element.has_value()) << role << " " << label;
    return element ? excel->frameOf(*element).value_or(platform::Rect{}) : platform::Rect{};
  }

  platform::sim::VirtualTime time;
  model::LibraryPtr library;
  std::unique_ptr<platform::sim::SimExcel> excel;
  excel::ExcelServices services;
  std::shared_ptr<platform::Queue> actions;
  platform::sim::SimScreens screens;
  platform::sim::SimPanels panels{time};
  platform::sim::SimTextMetrics metrics;
  std::shared_ptr<KeyTipController> keyTips;
  std::vector<int> shown;
};

}  // namespace corvane::feedback::testing

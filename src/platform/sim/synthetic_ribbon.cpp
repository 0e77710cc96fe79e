#include "platform/sim/synthetic_ribbon.hpp"

#include <algorithm>

namespace corvane::platform::sim {
namespace {

FixtureNode element(std::string role, std::string title) {
  FixtureNode n;
  n.role = std::move(role);
  n.title = std::move(title);
  return n;
}

FixtureNode control(std::size_t group, std::size_t index) {
  static const Placement places[] = {Placement::large, Placement::row1, Placement::row2, Placement::row3};
  std::string title = "Command " + std::to_string(group) + "." + std::to_string(index);
  FixtureNode n;
  switch (index % 4) {
    case 0:
      n = element("AXButton", title);
      break;
    case 1:
      n = element("AXMenuButton", title);
      n.hasMenu = true;
      n.menu = {element("AXMenuItem", title + " first"), element("AXMenuItem", title + " second")};
      break;
    case 2:
      n = element("AXCheckBox", title);
      break;
    default:
      n = element("AXButton", title);
      break;
  }
  n.place = places[index % 4];
  return n;
}

}  // namespace

ExcelFixture syntheticRibbonFixture(std::size_t elements) {
  constexpr std::size_t kControlsPerGroup = 11;
  ExcelFixture fixture;
  fixture.name = "synthetic";

  FixtureNode window = element("AXWindow", "Book1");
  window.subrole = "AXStandardWindow";
  window.frame = Rect{0, 25, 1440, 875};

  FixtureNode toolbar;
  toolbar.role = "AXToolbar";
  for (const char* name : {"Save", "Undo", "Redo"}) toolbar.children.push_back(element("AXButton", name));
  toolbar.children.push_back(element("AXMenuButton", "Customize Quick Access Toolbar"));
  FixtureNode title;
  title.role = "AXStaticText";
  title.identifier = "CUIDocumentShellWindowTitleLabel";
  title.value = std::string("Book1");
  title.align = Align::center;
  toolbar.children.push_back(title);
  window.children.push_back(toolbar);

  FixtureNode tabs;
  tabs.role = "AXTabGroup";
  tabs.description = "ribbon";
  for (const char* name : {"Home", "Insert", "Draw", "Page Layout", "Formulas", "Data", "Review", "View"}) {
    tabs.tabs.push_back(element("AXRadioButton", name));
  }
  tabs.tabs.front().selected = true;
  // Window, title bar with its six elements, the tab group, its tabs and the commands area.
  std::size_t used = 1 + 1 + toolbar.children.size() + 1 + tabs.tabs.size() + 1;
  std::size_t remaining = elements > used ? elements - used : 0;
  std::size_t group = 1;
  while (remaining >= 2) {
    FixtureNode g;
    g.role = "AXGroup";
    g.description = "Group " + std::to_string(group);
    std::size_t controls = std::min(kControlsPerGroup, remaining - 1);
    for (std::size_t i = 0; i < controls; ++i) g.children.push_back(control(group, i));
    remaining -= controls + 1;
    tabs.tabs.front().groups.push_back(std::move(g));
    ++group;
  }
  window.children.push_back(std::move(tabs));
  fixture.windows.push_back(std::move(window));

  FixtureNode apple = element("AXMenuBarItem", "Apple");
  apple.hasMenu = true;
  apple.menu = {element("AXMenuItem", "About This Mac")};
  FixtureNode excel = element("AXMenuBarItem", "Excel");
  excel.hasMenu = true;
  excel.menu = {element("AXMenuItem", "About Microsoft Excel"), element("AXMenuItem", "Quit Excel")};
  fixture.menuBar = {apple, excel};
  return fixture;
}

}  // namespace corvane::platform::sim

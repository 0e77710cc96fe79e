#include "platform/sim/excel_event.hpp"

#include <cstdio>
#include <string>

namespace corvane::platform::sim {

std::string describe(const ExcelEvent& event) {
  switch (event.kind) {
    case ExcelEvent::Kind::ran:
      return "ran " + event.label;
    case ExcelEvent::Kind::key: {
      char text[64];
      std::snprintf(text, sizeof text, "key %u flags 0x%llx", static_cast<unsigned>(event.keyCode),
                    static_cast<unsigned long long>(event.flags));
      return text;
    }
    case ExcelEvent::Kind::tabSelected:
      return "tab " + event.label;
    case ExcelEvent::Kind::menuOpened:
      return "menu opened " + event.label;
    case ExcelEvent::Kind::menuClosed:
      return "menu closed " + event.label;
    case ExcelEvent::Kind::dialogOpened:
      return "dialog opened " + event.label;
    case ExcelEvent::Kind::dialogClosed:
      return "dialog closed " + event.label;
    case ExcelEvent::Kind::focused:
      return "focused " + event.label;
    case ExcelEvent::Kind::launched:
      return "launched " + event.label;
    case ExcelEvent::Kind::quit:
      return "quit " + event.label;
    case ExcelEvent::Kind::ribbonCollapsed:
      return "ribbon collapsed";
    case ExcelEvent::Kind::ribbonShown:
      return "ribbon shown";
    case ExcelEvent::Kind::keyTipsShown:
      return "key tips shown for " + (event.label.empty() ? std::string("the tabs") : event.label) +
             (event.typed.empty() ? "" : " after " + event.typed) + " (" + std::to_string(event.count) + ")";
    case ExcelEvent::Kind::keyTipsHidden:
      return "key tips hidden";
    case ExcelEvent::Kind::keyTip:
      return "key tip " + event.label;
  }
  return {};
}

}  // namespace corvane::platform::sim

#include "excel/step_description.hpp"

#include <cmath>
#include <variant>

#include "excel/label_key.hpp"
#include "model/overloaded.hpp"
#include "model/text.hpp"

namespace corvane::excel {
namespace {

std::string joinDescriptions(const std::vector<model::Step>& steps, const char* separator) {
  std::vector<std::string> parts;
  parts.reserve(steps.size());
  for (const auto& step : steps) parts.push_back(describeStep(step));
  return model::text::join(parts, separator);
}

}  // namespace

std::string menuPathText(const model::MenuPath& path) {
  std::vector<std::string> levels;
  levels.reserve(path.size());
  for (const auto& level : path) levels.push_back(firstLabel(level));
  return model::text::join(levels, " › ");
}

std::string describeStep(const model::Step& step) {
  using namespace model;
  return std::visit(
      Overloaded{
          [](const KeyStep& s) { return "Keystroke " + displayText(s.combo); },
          [](const MenuStep& s) { return "Menu " + menuPathText(s.path); },
          [](const RibbonStep& s) {
            std::string out = "Ribbon ";
            if (s.tab) out += *s.tab + " › ";
            out += firstLabel(s.labels);
            if (s.item && !s.item->empty()) out += " › " + menuPathText(*s.item);
            switch (s.action) {
              case RibbonAction::press:
                break;
              case RibbonAction::menu:
                out += " (opens)";
                break;
              case RibbonAction::focus:
                out += " (cursor in box)";
                break;
            }
            return out;
          },
          [](const QatStep& s) { return "Quick Access Toolbar button " + std::to_string(s.number); },
          [](const TitlebarStep& s) { return "Title bar › " + firstLabel(s.labels); },
          [](const ClickStep& s) { return "Click “" + firstLabel(s.labels) + "”"; },
          // Rounded, so a wait written as 290 ms is not shown as 289 after the trip through seconds.
          [](const WaitStep& s) { return "Wait " + std::to_string(std::llround(s.seconds * 1000.0)) + " ms"; },
          [](const FirstOfStep& s) { return joinDescriptions(s.steps, "  or  "); },
          [](const SequenceStep& s) { return joinDescriptions(s.steps, ", then "); },
          [](const UseStep& s) { return s.name; },
      },
      step.value);
}

std::string describeSteps(const std::vector<model::Step>& steps) { return joinDescriptions(steps, ", then "); }

}  // namespace corvane::excel

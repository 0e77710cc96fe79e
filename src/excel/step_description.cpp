#include "excel/step_description.hpp"

#include <cmath>

#include "excel/label_key.hpp"
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
  if (const auto* s = step.as<KeyStep>()) return "Keystroke " + displayText(s->combo);
  if (const auto* s = step.as<MenuStep>()) return "Menu " + menuPathText(s->path);
  if (const auto* s = step.as<RibbonStep>()) {
    std::string out = "Ribbon ";
    if (s->tab) out += *s->tab + " › ";
    out += firstLabel(s->labels);
    if (s->item && !s->item->empty()) out += " › " + menuPathText(*s->item);
    switch (s->action) {
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
  }
  if (const auto* s = step.as<QatStep>()) return "Quick Access Toolbar button " + std::to_string(s->number);
  if (const auto* s = step.as<TitlebarStep>()) return "Title bar › " + firstLabel(s->labels);
  if (const auto* s = step.as<ClickStep>()) return "Click “" + firstLabel(s->labels) + "”";
  if (const auto* s = step.as<WaitStep>()) {
    // Rounded, so a wait written as 290 ms is not shown as 289 after the trip through seconds.
    return "Wait " + std::to_string(std::llround(s->seconds * 1000.0)) + " ms";
  }
  if (const auto* s = step.as<FirstOfStep>()) return joinDescriptions(s->steps, "  or  ");
  if (const auto* s = step.as<SequenceStep>()) return joinDescriptions(s->steps, ", then ");
  if (const auto* s = step.as<UseStep>()) return s->name;
  return {};
}

std::string describeSteps(const std::vector<model::Step>& steps) { return joinDescriptions(steps, ", then "); }

}  // namespace corvane::excel

#include "model/step.hpp"

namespace corvane::model {
namespace {

void flattenInto(const std::vector<Step>& steps, std::vector<Step>& out) {
  for (const auto& step : steps) {
    if (const auto* first = step.as<FirstOfStep>()) {
      flattenInto(first->steps, out);
    } else if (const auto* seq = step.as<SequenceStep>()) {
      flattenInto(seq->steps, out);
    } else {
      out.push_back(step);
    }
  }
}

}  // namespace

const char* rawValue(RibbonAction action) {
  switch (action) {
    case RibbonAction::press:
      return "press";
    case RibbonAction::menu:
      return "menu";
    case RibbonAction::focus:
      return "focus";
  }
  return "press";
}

std::optional<RibbonTarget> leadingRibbonTarget(const Step& step) {
  if (const auto* ribbon = step.as<RibbonStep>()) return RibbonTarget{ribbon->labels, ribbon->item, ribbon->action};
  const std::vector<Step>* children = nullptr;
  if (const auto* first = step.as<FirstOfStep>()) children = &first->steps;
  if (const auto* seq = step.as<SequenceStep>()) children = &seq->steps;
  if (children == nullptr || children->empty()) return std::nullopt;
  return leadingRibbonTarget(children->front());
}

std::vector<Step> flatten(const std::vector<Step>& steps) {
  std::vector<Step> out;
  flattenInto(steps, out);
  return out;
}

}  // namespace corvane::model

#pragma once
// A step is one thing to do in Excel. Steps nest through firstOf and sequence.

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "model/key_combo.hpp"

namespace corvane::model {

/// Levels of a menu path, each a list of alternative labels (first is the preferred one).
using MenuPath = std::vector<std::vector<std::string>>;

enum class RibbonAction { press, menu, focus };

[[nodiscard]] const char* rawValue(RibbonAction action);

struct Step;

struct KeyStep {
  KeyCombo combo;
  friend bool operator==(const KeyStep&, const KeyStep&) = default;
};
struct MenuStep {
  MenuPath path;
  friend bool operator==(const MenuStep&, const MenuStep&) = default;
};
struct RibbonStep {
  std::vector<std::string> labels;
  std::optional<std::string> tab;
  std::optional<MenuPath> item;
  RibbonAction action = RibbonAction::press;
  friend bool operator==(const RibbonStep&, const RibbonStep&) = default;
};
struct QatStep {
  std::int64_t number = 0;
  friend bool operator==(const QatStep&, const QatStep&) = default;
};
struct TitlebarStep {
  std::vector<std::string> labels;
  friend bool operator==(const TitlebarStep&, const TitlebarStep&) = default;
};
struct ClickStep {
  std::vector<std::string> labels;
  double timeout = 2.5;
  friend bool operator==(const ClickStep&, const ClickStep&) = default;
};
struct WaitStep {
  double seconds = 0;
  friend bool operator==(const WaitStep&, const WaitStep&) = default;
};
struct FirstOfStep {
  std::vector<Step> steps;
  friend bool operator==(const FirstOfStep&, const FirstOfStep&);
};
struct SequenceStep {
  std::vector<Step> steps;
  bool optional = false;
  friend bool operator==(const SequenceStep&, const SequenceStep&);
};
struct UseStep {
  std::string name;
  friend bool operator==(const UseStep&, const UseStep&) = default;
};

/// The ten cases, in this order; the order is also the order in which a file's step keys are read.
struct Step {
  using Value = std::variant<KeyStep, MenuStep, RibbonStep, QatStep, TitlebarStep, ClickStep, WaitStep,
                             FirstOfStep, SequenceStep, UseStep>;
  Value value;

  template <typename T>
    requires(!std::is_same_v<std::remove_cvref_t<T>, Step> && std::is_constructible_v<Value, T>)
  Step(T v) : value(std::move(v)) {}  // NOLINT(google-explicit-constructor): steps read like their cases

  template <typename T>
  [[nodiscard]] const T* as() const {
    return std::get_if<T>(&value);
  }
  template <typename T>
  [[nodiscard]] bool is() const {
    return std::holds_alternative<T>(value);
  }

  friend bool operator==(const Step&, const Step&) = default;
};

inline bool operator==(const FirstOfStep& a, const FirstOfStep& b) { return a.steps == b.steps; }
inline bool operator==(const SequenceStep& a, const SequenceStep& b) {
  return a.optional == b.optional && a.steps == b.steps;
}

/// The ribbon control a step starts with: labels, item path and action of its first ribbon step.
struct RibbonTarget {
  std::vector<std::string> labels;
  std::optional<MenuPath> item;
  RibbonAction action = RibbonAction::press;
  friend bool operator==(const RibbonTarget&, const RibbonTarget&) = default;
};

/// For a ribbon step, itself; for firstOf and sequence, the leading target of the first child.
[[nodiscard]] std::optional<RibbonTarget> leadingRibbonTarget(const Step& step);

/// Every firstOf and sequence replaced, recursively and in order, by its children.
[[nodiscard]] std::vector<Step> flatten(const std::vector<Step>& steps);

}  // namespace corvane::model

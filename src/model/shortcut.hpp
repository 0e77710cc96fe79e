#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/step.hpp"

namespace corvane::model {

/// A key sequence bound to steps. Two shortcuts are equal when their keys are equal.
struct Shortcut {
  std::vector<std::string> keys;
  std::string name;
  std::vector<Step> steps;
  std::optional<std::string> note;
  std::optional<std::string> absorb;

  friend bool operator==(const Shortcut& a, const Shortcut& b) { return a.keys == b.keys; }
};

}  // namespace corvane::model

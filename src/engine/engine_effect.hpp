#pragma once
// What the sequence engine asks the application shell to do. Effects come as an ordered list and
// are applied in that order.

#include <string>
#include <variant>
#include <vector>

#include "model/shortcut.hpp"
#include "model/shortcut_library.hpp"

namespace corvane::engine {

/// Show (or update) the key list and key tips for this path with these rows.
struct ShowEffect {
  std::vector<std::string> path;
  std::vector<model::HUDOption> options;
  friend bool operator==(const ShowEffect&, const ShowEffect&) = default;
};

/// The typed key continues no shortcut at this path; the sequence stays at the path.
struct InvalidKeyEffect {
  std::vector<std::string> path;
  std::string key;
  friend bool operator==(const InvalidKeyEffect&, const InvalidKeyEffect&) = default;
};

/// Run this shortcut.
struct RunEffect {
  model::Shortcut shortcut;
  /// Shortcuts compare by their keys; a run also names what it runs.
  friend bool operator==(const RunEffect& a, const RunEffect& b) {
    return a.shortcut == b.shortcut && a.shortcut.name == b.shortcut.name;
  }
};

/// Hide the key list and key tips: the sequence is over.
struct HideEffect {
  friend bool operator==(const HideEffect&, const HideEffect&) = default;
};

/// Open the command search.
struct OpenSearchEffect {
  friend bool operator==(const OpenSearchEffect&, const OpenSearchEffect&) = default;
};

using EngineEffect = std::variant<ShowEffect, InvalidKeyEffect, RunEffect, HideEffect, OpenSearchEffect>;
using EngineEffects = std::vector<EngineEffect>;

}  // namespace corvane::engine

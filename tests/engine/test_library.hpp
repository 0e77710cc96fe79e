#pragma once
// Small libraries for the keyboard tests, built from inline shortcuts files.

#include <ostream>
#include <type_traits>
#include <variant>
#include <vector>
#include <string>

#include "engine/engine_effect.hpp"
#include "engine/engine_key.hpp"
#include "engine/sequence_engine.hpp"
#include "model/shortcut_library.hpp"

namespace corvane::engine::testing {

/// A library built from one built-in file's text.
inline model::LibraryPtr libraryFrom(const std::string& json) {
  return model::ShortcutLibrary::build(model::ShortcutSource::fromBytes("built-in", "shortcuts.json", json),
                                       std::nullopt);
}

/// H O I / H O A (groups), H W, H 1, H F S (absorbs Enter), N with N T below it, Q alone, X absorbing
/// "esc".
inline const char* kKeyboardLibrary = R"({
  "groups": { "H": "Home", "H O": "Format", "H F": "Font" },
  "shortcuts": [
    { "keys": "H O I", "name": "AutoFit Column Width", "do": { "key": "cmd+1" } },
    { "keys": "H O A", "name": "AutoFit Row Height", "do": { "key": "cmd+2" } },
    { "keys": "H W", "name": "Wrap Text", "do": { "key": "cmd+3" } },
    { "keys": "H 1", "name": "Bold", "do": { "key": "cmd+b" } },
    { "keys": "H F S", "name": "Font Size", "do": { "key": "cmd+4" }, "absorb": "enter" },
    { "keys": "N", "name": "Insert Menu", "do": { "key": "cmd+5" } },
    { "keys": "N T", "name": "Table", "do": { "key": "cmd+t" } },
    { "keys": "Q", "name": "Quick Save", "do": { "key": "cmd+s" } },
    { "keys": "X", "name": "Close Box", "do": { "key": "cmd+w" }, "absorb": "esc" }
  ]
})";

}  // namespace corvane::engine::testing

namespace corvane::engine {

// Readable failure messages.
inline void PrintTo(const EngineKey& key, std::ostream* os) {
  static constexpr const char* kNames[] = {"char", "escape", "backspace", "enter", "space", "other"};
  *os << kNames[static_cast<int>(key.kind)];
  if (key.isChar()) *os << " \"" << key.character << "\"";
}

inline void PrintTo(const EngineEffect& effect, std::ostream* os) {
  std::visit(
      [os](const auto& e) {
        using T = std::decay_t<decltype(e)>;
        auto path = [os](const std::vector<std::string>& keys) {
          *os << "[";
          for (const auto& k : keys) *os << k << (&k == &keys.back() ? "" : " ");
          *os << "]";
        };
        if constexpr (std::is_same_v<T, ShowEffect>) {
          *os << "show ";
          path(e.path);
          *os << " (" << e.options.size() << " options)";
        } else if constexpr (std::is_same_v<T, InvalidKeyEffect>) {
          *os << "invalidKey ";
          path(e.path);
          *os << " " << e.key;
        } else if constexpr (std::is_same_v<T, RunEffect>) {
          *os << "run " << e.shortcut.name;
        } else if constexpr (std::is_same_v<T, HideEffect>) {
          *os << "hide";
        } else {
          *os << "openSearch";
        }
      },
      effect);
}

inline void PrintTo(const KeyDownResult& result, std::ostream* os) {
  *os << (result.swallow ? "swallow [" : "pass [");
  for (std::size_t i = 0; i < result.effects.size(); ++i) {
    if (i > 0) *os << ", ";
    PrintTo(result.effects[i], os);
  }
  *os << "]";
}

}  // namespace corvane::engine

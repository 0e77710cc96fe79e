#pragma once
// A classified key press: what the sequence engine sees instead of a key code.

#include <string>
#include <utility>

namespace corvane::engine {

struct EngineKey {
  /// `char_` is the case the vocabulary calls `char` (a reserved word here).
  enum class Kind { char_, escape, backspace, enter, space, other };

  Kind kind = Kind::other;
  std::string character;  ///< for `char_` only: one upper-case character

  [[nodiscard]] static EngineKey ofChar(std::string upperCaseCharacter) {
    return EngineKey{Kind::char_, std::move(upperCaseCharacter)};
  }
  [[nodiscard]] static EngineKey escape() { return EngineKey{Kind::escape, {}}; }
  [[nodiscard]] static EngineKey backspace() { return EngineKey{Kind::backspace, {}}; }
  [[nodiscard]] static EngineKey enter() { return EngineKey{Kind::enter, {}}; }
  [[nodiscard]] static EngineKey space() { return EngineKey{Kind::space, {}}; }
  [[nodiscard]] static EngineKey other() { return EngineKey{Kind::other, {}}; }

  [[nodiscard]] bool isChar() const { return kind == Kind::char_; }

  /// Equal when the kinds are equal and, for `char_`, the characters are.
  friend bool operator==(const EngineKey& a, const EngineKey& b) {
    return a.kind == b.kind && (a.kind != Kind::char_ || a.character == b.character);
  }
};

}  // namespace corvane::engine

#pragma once
// The command language of `corvane sim`: one command per line, optionally preceded by
// "at SECONDS" (virtual time since the session started). Parsing only; the session runs them.

#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::cli {

struct SimCommand {
  int lineNumber = 0;
  /// Seconds since the start, when the line gives them.
  std::optional<double> at;
  /// The command's name, of one or two words ("tap", "option down", "palette enter").
  std::string verb;
  /// What follows the verb, split on spaces.
  std::vector<std::string> args;
  /// What follows the verb, as written (a palette query keeps its spaces).
  std::string rest;
  double x = 0, y = 0;            ///< click, right-click
  double seconds = 0;             ///< wait, stall-main; the cells of excel fill-sheet
  std::vector<std::uint16_t> keyCodes;  ///< key, type, editor record
  friend bool operator==(const SimCommand&, const SimCommand&) = default;
};

/// One line; none for a blank line or a comment ("#"). Errors name what is wrong, not the line.
[[nodiscard]] std::expected<std::optional<SimCommand>, std::string> parseSimLine(std::string_view line, int lineNumber);

/// Every line of a script; the first error is reported as "line N: …".
[[nodiscard]] std::expected<std::vector<SimCommand>, std::string> parseSimScript(std::string_view text);

/// Every command's name ("tap", "option down"), for completion.
[[nodiscard]] std::vector<std::string> simCommandNames();

/// The help text: one command per line with what it does.
[[nodiscard]] std::string simHelp();

/// The key code a key-table name or a single character names.
[[nodiscard]] std::optional<std::uint16_t> simKeyCode(std::string_view name);

}  // namespace corvane::cli

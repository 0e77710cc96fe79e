#pragma once
// Decoding of a shortcuts file (the built-in shortcuts.json and the user's my-shortcuts.json).
// Tolerant in one place only: an entry whose "do" cannot be decoded keeps its error.

#include <expected>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/step.hpp"

namespace corvane::model {

/// Why a file, an entry's steps or a step could not be decoded.
struct DecodeError {
  enum class Kind {
    library,        ///< a grammar error; `text` is its description
    dataCorrupted,  ///< `text` is the description (JSON syntax errors, "Step needs one of …")
    keyNotFound,    ///< `text` is the missing key's name
    typeMismatch,   ///< `text` is the coding path ("shortcuts.Index 3.do")
    other,          ///< `text` is a description from elsewhere (an unreadable file)
  };
  Kind kind = Kind::other;
  std::string text;
  friend bool operator==(const DecodeError&, const DecodeError&) = default;
};

/// The one-line text used in warnings.
[[nodiscard]] std::string describe(const DecodeError& error);

using StepsResult = std::expected<std::optional<std::vector<Step>>, DecodeError>;

struct ShortcutEntry {
  std::string keys;
  std::optional<std::string> name;
  StepsResult steps = std::optional<std::vector<Step>>{};
  std::optional<std::string> note;
  std::optional<bool> disabled;
  std::optional<std::string> absorb;
};

struct ShortcutFile {
  std::optional<std::map<std::string, std::string>> groups;
  std::optional<std::map<std::string, std::string>> tips;
  std::optional<std::map<std::string, std::vector<Step>>> macros;
  std::optional<std::vector<ShortcutEntry>> shortcuts;
  /// Top-level keys the format doesn't have, in file order (a misspelt "shortcut" is ignored, and
  /// lint says so). Keys starting with "_" are comments ("_help") and not listed.
  std::vector<std::string> unknownKeys;
};

/// Files nested deeper than this fail to decode instead of exhausting the stack.
inline constexpr int kMaxJsonDepth = 256;
/// Deepest nesting of arrays and objects in a JSON text, counted without parsing (strings skipped),
/// so a caller can refuse a hostile document before any recursive code walks it.
[[nodiscard]] int jsonNestingDepth(std::string_view bytes);

[[nodiscard]] std::expected<ShortcutFile, DecodeError> decodeShortcutFile(std::string_view bytes);
/// One step object or an array of them, for callers that edit shortcuts files as generic documents
/// (the shortcut editor serialises the value it holds). `path` is the coding path named in type errors.
[[nodiscard]] std::expected<std::vector<Step>, DecodeError> decodeStepOrList(std::string_view jsonText,
                                                                             const std::string& path = "do");

/// Where a badge goes, as written in "tips" or derived from a shortcut's steps.
struct TipTarget {
  enum class Kind { qat, tab, control, corner, titlebar };
  Kind kind = Kind::control;
  std::vector<std::string> labels;
  std::int64_t qatNumber = 0;  ///< for qat
  friend bool operator==(const TipTarget&, const TipTarget&) = default;
};

[[nodiscard]] TipTarget parseTipTarget(std::string_view text);

}  // namespace corvane::model

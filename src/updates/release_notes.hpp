#pragma once
// The notes of a found update, read from its HTML description or downloaded release notes.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::updates {

/// A feed is written by whoever controls the server: what it says is capped and cleaned before the
/// user sees it.
inline constexpr std::size_t kMaxReleaseNotes = 30;
/// Longer notes end in "…" after as many whole characters as fit.
inline constexpr std::size_t kMaxReleaseNoteBytes = 500;

/// One note per "<li>" item, or else per non-empty line ("<br>" breaks a line); tags removed, the
/// entities &amp; &lt; &gt; &#39; &quot; decoded, control characters (but tab and newline) and
/// bidirectional embeddings, overrides and isolates (U+202A–U+202E, U+2066–U+2069) removed, white
/// space trimmed, empty notes dropped; at most kMaxReleaseNotes notes of at most
/// kMaxReleaseNoteBytes bytes. Invalid UTF-8 is repaired first. Linear in the input's length.
[[nodiscard]] std::vector<std::string> parseReleaseNotes(std::string_view html);

}  // namespace corvane::updates

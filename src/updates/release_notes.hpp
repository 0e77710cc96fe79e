#pragma once
// The notes of a found update, read from its HTML description or downloaded release notes.

#include <string>
#include <string_view>
#include <vector>

namespace corvane::updates {

/// One note per "<li>" item, or else per non-empty line ("<br>" breaks a line); tags removed, the
/// entities &amp; &lt; &gt; &#39; &quot; decoded, white space trimmed, empty notes dropped. Invalid
/// UTF-8 is repaired first. Linear in the input's length.
[[nodiscard]] std::vector<std::string> parseReleaseNotes(std::string_view html);

}  // namespace corvane::updates

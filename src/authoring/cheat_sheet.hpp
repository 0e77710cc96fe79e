#pragma once
// The printable cheat sheet of a library: every sequence with its name and note, by section of the
// shortcut list. A pure function of the shortcuts; any thread.

#include <string>
#include <vector>

#include "model/shortcut.hpp"

namespace corvane::authoring {

/// A Markdown document: a title, the counts per section, then one table per section that has
/// shortcuts (in the shortcut list's section order), rows in library order.
[[nodiscard]] std::string cheatSheetMarkdown(const std::vector<model::Shortcut>& shortcuts);

}  // namespace corvane::authoring

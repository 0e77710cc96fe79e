#pragma once
// Whether the program talks to a person: standard input is a terminal.

namespace corvane::platform::posix {

[[nodiscard]] bool standardInputIsTerminal();

}  // namespace corvane::platform::posix

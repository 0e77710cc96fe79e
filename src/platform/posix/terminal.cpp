#include "platform/posix/terminal.hpp"

#include <unistd.h>

namespace corvane::platform::posix {

bool standardInputIsTerminal() { return isatty(STDIN_FILENO) == 1; }

}  // namespace corvane::platform::posix

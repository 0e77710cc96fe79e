#include "platform/posix/executable_path.hpp"

#include <unistd.h>

#include <climits>

namespace corvane::platform::posix {

std::string executableFolder() {
  char buffer[PATH_MAX];
  auto n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  std::string path(buffer, static_cast<std::size_t>(n));
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace corvane::platform::posix

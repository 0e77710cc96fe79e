#include "platform/posix/executable_path.hpp"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <vector>

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#else
#include <unistd.h>
#endif

namespace corvane::platform::posix {
namespace {

/// The running executable's path, symbolic links resolved ("" when it cannot be found).
std::string executablePath() {
#if defined(__APPLE__)
  // A Mac has no /proc: ask the loader, then resolve the links it may have kept.
  std::uint32_t size = 0;
  (void)_NSGetExecutablePath(nullptr, &size);
  std::vector<char> raw(size + 1, '\0');
  if (_NSGetExecutablePath(raw.data(), &size) != 0) return {};
  char resolved[PATH_MAX];
  if (::realpath(raw.data(), resolved) == nullptr) return {};
  return resolved;
#else
  char buffer[PATH_MAX];
  auto n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::string(buffer, static_cast<std::size_t>(n));
#endif
}

}  // namespace

std::string executableFolder() {
  auto path = executablePath();
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace corvane::platform::posix

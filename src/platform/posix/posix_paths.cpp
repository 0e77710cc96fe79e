#include "platform/posix/posix_paths.hpp"

#include <cstdlib>

namespace corvane::platform::posix {
namespace {

std::optional<std::string> systemEnv(const char* name) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return std::nullopt;
  return std::string(v);
}

}  // namespace

Paths makePaths(const std::optional<std::string>& home,
                const std::function<std::optional<std::string>(const char*)>& envArg) {
  auto env = envArg ? envArg : systemEnv;
  Paths p;
  p.temporaryFolder = env("TMPDIR").value_or("/tmp");
#if defined(__APPLE__)
  // On a Mac the command line shares the application's folders.
  auto macHome = home ? home : std::optional<std::string>(env("HOME").value_or("/"));
#else
  const auto& macHome = home;
#endif
  if (macHome) {
    p.home = *macHome;
    p.supportFolder = *macHome + "/Library/Application Support/Corvane";
    p.logFile = *macHome + "/Library/Logs/Corvane.log";
    p.desktop = *macHome + "/Desktop";
    p.formerSupportFolder = *macHome + "/Library/Application Support/Pellmark";
    return p;
  }
  p.home = env("HOME").value_or("/");
  auto config = env("XDG_CONFIG_HOME").value_or(p.home + "/.config");
  auto state = env("XDG_STATE_HOME").value_or(p.home + "/.local/state");
  p.supportFolder = config + "/corvane";
  p.logFile = state + "/corvane/Corvane.log";
  p.desktop = env("XDG_DESKTOP_DIR").value_or(p.home + "/Desktop");
  p.formerSupportFolder = config + "/pellmark";
  return p;
}

std::string defaultsFile(const Paths& paths, const std::string& suite) {
  return paths.supportFolder + "/" + (suite.empty() ? std::string("defaults") : suite) + ".json";
}

}  // namespace corvane::platform::posix

#include "app/version_notice.hpp"

#include "base/preferences.hpp"

namespace corvane::app {

std::optional<VersionNotice> versionNotice(const std::optional<std::string>& previous, const std::string& current) {
  if (!previous || *previous == current) return std::nullopt;
  VersionNotice notice;
  notice.message = "Corvane " + current + " is installed";
  notice.lines = {"See what's changed in this version.", "Updated from " + *previous};
  return notice;
}

std::optional<VersionNotice> recordRunVersion(platform::Defaults& defaults, const std::string& current) {
  auto previous = defaults.getString(base::prefkeys::kLastRunVersion);
  defaults.set(base::prefkeys::kLastRunVersion, current);
  return versionNotice(previous, current);
}

}  // namespace corvane::app

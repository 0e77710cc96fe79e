#include "mac_app/mac_platform.hpp"

#include "mac_app/content_factory.hpp"
#include "platform/macos/mac_paths.hpp"

namespace corvane::mac_app {

MacPlatform::MacPlatform() : paths(platform::macos::macPaths()), panels(makeContentFactory()) {}

}  // namespace corvane::mac_app

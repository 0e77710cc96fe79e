#include "base/library_loader.hpp"

namespace corvane::base {

std::string fileName(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

model::ShortcutSource fileSource(platform::Files& files, std::string displayName, std::string path) {
  auto name = fileName(path);
  return model::ShortcutSource{std::move(displayName), std::move(name),
                               [&files, path = std::move(path)]() -> std::expected<std::string, std::string> {
                                 auto bytes = files.read(path);
                                 if (!bytes) {
                                   // The warning names the file already: keep only why.
                                   const auto& why = bytes.error().description;
                                   auto named = why.find(path + ": ");
                                   if (named == std::string::npos) return std::unexpected(why);
                                   return std::unexpected(why.substr(named + path.size() + 2));
                                 }
                                 return std::move(*bytes);
                               }};
}

model::LibraryPtr loadLibrary(platform::Files& files, const std::string& builtinPath,
                              const std::optional<std::string>& userPath) {
  std::optional<model::ShortcutSource> user;
  if (userPath && files.exists(*userPath)) user = fileSource(files, "your", *userPath);
  return model::ShortcutLibrary::build(fileSource(files, "built-in", builtinPath), user);
}

}  // namespace corvane::base

#include "authoring/user_document.hpp"

#include "model/shortcut_file.hpp"

namespace corvane::authoring {
namespace {

std::string parentFolder(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string fileName(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

/// The library's message without its "[json.exception.parse_error.101] " prefix.
std::string plainMessage(const char* what) {
  std::string text = what;
  if (!text.empty() && text.front() == '[') {
    if (auto end = text.find("] "); end != std::string::npos) text.erase(0, end + 2);
  }
  return text;
}

}  // namespace

std::expected<Json, DocumentProblem> parseJson(std::string_view text) {
  // The parser itself is iterative, but writing a value back out recurses: refuse hostile depths.
  if (model::jsonNestingDepth(text) > model::kMaxJsonDepth) {
    return std::unexpected(DocumentProblem{"it is nested more than " + std::to_string(model::kMaxJsonDepth) +
                                           " levels deep"});
  }
  try {
    return Json::parse(text);
  } catch (const Json::exception& e) {
    return std::unexpected(DocumentProblem{plainMessage(e.what())});
  }
}

std::expected<Json, DocumentProblem> readUserDocument(platform::Files& files, const std::string& path) {
  if (!files.exists(path)) return Json::object();
  auto bytes = files.read(path);
  if (!bytes) return std::unexpected(DocumentProblem{bytes.error().description});
  auto name = fileName(path);
  auto doc = parseJson(*bytes);
  if (!doc) return std::unexpected(DocumentProblem{name + " isn't valid JSON (" + doc.error().description + ")"});
  if (!doc->is_object()) return std::unexpected(DocumentProblem{name + " doesn't hold a JSON object"});
  return doc;
}

std::string serialise(const Json& value) {
  try {
    return value.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
  } catch (const Json::exception&) {
    // Unreachable with the replacing error handler; an empty object is still a valid file.
    return "{}\n";
  }
}

std::string compactText(const Json& value) {
  try {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
  } catch (const Json::exception&) {
    return "null";
  }
}

std::expected<void, platform::FileError> writeUserDocument(platform::Files& files, const std::string& path,
                                                          const Json& document) {
  if (auto made = files.createFolders(parentFolder(path)); !made) return std::unexpected(made.error());
  return files.writeAtomic(path, serialise(document));
}

const std::string* stringAt(const Json& object, const char* key) {
  if (!object.is_object()) return nullptr;
  auto it = object.find(key);
  if (it == object.end() || !it->is_string()) return nullptr;
  return it->get_ptr<const std::string*>();
}

}  // namespace corvane::authoring

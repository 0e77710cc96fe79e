#include "authoring/user_document.hpp"

#include "model/json_tree.hpp"
#include "model/shortcut_file.hpp"

#include <cstdint>
#include <vector>

namespace corvane::authoring {
namespace {

constexpr const char* kHelpLine =
    "Your own shortcuts, layered on top of the built-in ones. Edit them in Corvane Settings › My Shortcuts, or here.";

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
  return model::json::withoutQuotedText(std::move(text));
}

/// A number's text as the file wrote it, kept in a binary value (which JSON text never produces), so
/// that 123456789012345678901234567890 or 0.10 is written back unchanged rather than as a double.
constexpr std::uint8_t kNumberText = 0x4E;

/// Builds the document the way the library's own parser would, except that repeated keys are
/// refused (one value would be dropped at the next save) and non-integer numbers keep their text.
struct DocumentBuilder : Json::json_sax_t {
  Json root;
  std::vector<Json*> open;
  std::string pendingKey;
  std::string error;

  Json* place(Json value) {
    if (open.empty()) {
      root = std::move(value);
      return &root;
    }
    Json& parent = *open.back();
    if (parent.is_array()) {
      parent.push_back(std::move(value));
      return &parent.back();
    }
    if (parent.contains(pendingKey)) {
      error = "the key \"" + pendingKey + "\" appears twice";
      return nullptr;
    }
    return &(parent[pendingKey] = std::move(value));
  }
  bool null() override { return place(nullptr) != nullptr; }
  bool boolean(bool v) override { return place(v) != nullptr; }
  bool number_integer(number_integer_t v) override { return place(v) != nullptr; }
  bool number_unsigned(number_unsigned_t v) override { return place(v) != nullptr; }
  bool number_float(number_float_t, const string_t& text) override {
    return place(Json::binary(std::vector<std::uint8_t>(text.begin(), text.end()), kNumberText)) != nullptr;
  }
  bool string(string_t& v) override { return place(std::move(v)) != nullptr; }
  bool binary(binary_t&) override { return place(nullptr) != nullptr; }
  bool start_object(std::size_t) override { return enter(Json::object()); }
  bool start_array(std::size_t) override { return enter(Json::array()); }
  bool key(string_t& v) override {
    pendingKey = std::move(v);
    return true;
  }
  bool end_object() override {
    open.pop_back();
    return true;
  }
  bool end_array() override {
    open.pop_back();
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override {
    error = plainMessage(e.what());
    return false;
  }
  bool enter(Json value) {
    Json* placed = place(std::move(value));
    if (placed == nullptr) return false;
    open.push_back(placed);
    return true;
  }
};

/// The library's own layout (two-space indent, sorted keys, "[]" and "{}" when empty), with
/// numbers written as read. Invalid UTF-8 in strings is replaced, never fatal.
void writeValue(const Json& value, std::string& out, int level, bool pretty) {
  auto newline = [&](int depth) {
    if (!pretty) return;
    out += '\n';
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
  };
  switch (value.type()) {
    case Json::value_t::object: {
      if (value.empty()) {
        out += "{}";
        return;
      }
      out += '{';
      bool first = true;
      for (const auto& [key, member] : value.items()) {
        if (!first) out += ',';
        first = false;
        newline(level + 1);
        out += Json(key).dump(-1, ' ', false, Json::error_handler_t::replace);
        out += pretty ? ": " : ":";
        writeValue(member, out, level + 1, pretty);
      }
      newline(level);
      out += '}';
      return;
    }
    case Json::value_t::array: {
      if (value.empty()) {
        out += "[]";
        return;
      }
      out += '[';
      bool first = true;
      for (const auto& element : value) {
        if (!first) out += ',';
        first = false;
        newline(level + 1);
        writeValue(element, out, level + 1, pretty);
      }
      newline(level);
      out += ']';
      return;
    }
    case Json::value_t::binary: {
      const auto& bytes = value.get_binary();
      if (bytes.has_subtype() && bytes.subtype() == kNumberText) {
        out.append(bytes.begin(), bytes.end());
      } else {
        out += "null";
      }
      return;
    }
    case Json::value_t::null:
    case Json::value_t::boolean:
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
    case Json::value_t::string:
    case Json::value_t::discarded:
      out += value.dump(-1, ' ', false, Json::error_handler_t::replace);
      return;
  }
}

}  // namespace

std::expected<Json, DocumentProblem> parseJson(std::string_view text) {
  // The parser itself is iterative, but writing a value back out recurses: refuse hostile depths.
  if (model::jsonNestingDepth(text) > model::kMaxJsonDepth) {
    return std::unexpected(DocumentProblem{"it is nested more than " + std::to_string(model::kMaxJsonDepth) +
                                           " levels deep"});
  }
  DocumentBuilder builder;
  try {
    if (Json::sax_parse(text.begin(), text.end(), &builder) && builder.error.empty()) return std::move(builder.root);
  } catch (const Json::exception& e) {
    return std::unexpected(DocumentProblem{plainMessage(e.what())});
  }
  return std::unexpected(DocumentProblem{builder.error.empty() ? "no JSON value" : builder.error});
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
  std::string out;
  writeValue(value, out, 0, true);
  return out + "\n";
}

std::string compactText(const Json& value) {
  std::string out;
  writeValue(value, out, 0, false);
  return out;
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

std::expected<void, std::string> editUserShortcuts(platform::Files& files, const std::string& path,
                                                   const std::function<void(Json& shortcuts)>& change) {
  auto doc = readUserDocument(files, path);
  if (!doc) {
    return std::unexpected(doc.error().description + ", so it was left as it is. Fix it with Edit File… first.");
  }
  Json& root = *doc;
  Json shortcuts = Json::array();
  auto it = root.find("shortcuts");
  if (it != root.end() && !it->is_array()) {
    return std::unexpected(
        std::string("the file's \"shortcuts\" isn't a list, so it was left as it is. Fix it with Edit File… first."));
  }
  if (it != root.end()) shortcuts = std::move(*it);
  change(shortcuts);
  root["shortcuts"] = std::move(shortcuts);
  if (!root.contains("_help")) root["_help"] = Json::array({kHelpLine});
  if (auto written = writeUserDocument(files, path, root); !written) {
    return std::unexpected(written.error().description);
  }
  return {};
}

}  // namespace corvane::authoring

#include "platform/posix/json_file_defaults.hpp"

#include <cstdio>
#include <limits>

#include "platform/posix/posix_paths.hpp"

namespace corvane::platform::posix {
namespace {

std::string parentOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::optional<DefaultsValue> fromJson(const nlohmann::json& j) {
  switch (j.type()) {
    case nlohmann::json::value_t::boolean: return DefaultsValue(j.get<bool>());
    case nlohmann::json::value_t::number_integer: return DefaultsValue(j.get<std::int64_t>());
    case nlohmann::json::value_t::number_unsigned: {
      auto u = j.get<std::uint64_t>();
      if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return DefaultsValue(static_cast<double>(u));
      }
      return DefaultsValue(static_cast<std::int64_t>(u));
    }
    case nlohmann::json::value_t::number_float: return DefaultsValue(j.get<double>());
    case nlohmann::json::value_t::string: return DefaultsValue(j.get<std::string>());
    case nlohmann::json::value_t::array: {
      std::vector<std::string> list;
      for (const auto& element : j) {
        if (!element.is_string()) return std::nullopt;
        list.push_back(element.get<std::string>());
      }
      return DefaultsValue(std::move(list));
    }
    case nlohmann::json::value_t::object: {
      std::map<std::string, std::int64_t> dictionary;
      for (const auto& [key, element] : j.items()) {
        if (!element.is_number_integer()) return std::nullopt;
        dictionary[key] = element.get<std::int64_t>();
      }
      return DefaultsValue(std::move(dictionary));
    }
    case nlohmann::json::value_t::null:
    case nlohmann::json::value_t::binary:
    case nlohmann::json::value_t::discarded:
      return std::nullopt;
  }
  return std::nullopt;
}

nlohmann::json toJson(const DefaultsValue& value) {
  return std::visit([](const auto& v) { return nlohmann::json(v); }, value);
}

}  // namespace

JsonFileDefaults::JsonFileDefaults(Paths paths, std::string suite, ProblemSink onProblem)
    : paths_(std::move(paths)),
      suite_(std::move(suite)),
      file_(defaultsFile(paths_, suite_)),
      onProblem_(std::move(onProblem)) {
  load();
}

void JsonFileDefaults::report(const std::string& message) const {
  if (onProblem_) onProblem_(message);
}

void JsonFileDefaults::load() {
  if (!files_.exists(file_)) return;
  auto bytes = files_.read(file_);
  if (!bytes) {
    // Unreadable but present: leave it alone rather than replace what we could not see.
    writable_ = false;
    report("The settings file " + file_ + " could not be read (" + bytes.error().description +
           "); settings start from their defaults and changes are not saved");
    return;
  }
  nlohmann::json document;
  bool tooDeep = false;
  // No setting nests; a deep file is damage, and the parser must not build it (nor a save write it).
  auto limitDepth = [&tooDeep](int depth, nlohmann::json::parse_event_t event, nlohmann::json&) {
    bool opens = event == nlohmann::json::parse_event_t::object_start ||
                 event == nlohmann::json::parse_event_t::array_start;
    if (opens && depth >= kMaxNesting) tooDeep = true;
    return !tooDeep;
  };
  try {
    document = nlohmann::json::parse(*bytes, limitDepth);
  } catch (const nlohmann::json::exception& e) {
    setAside(e.what());
    return;
  }
  if (tooDeep) {
    setAside("it is nested more than " + std::to_string(kMaxNesting) + " levels deep");
    return;
  }
  if (!document.is_object()) {
    setAside("it does not hold a JSON object");
    return;
  }
  for (const auto& [key, element] : document.items()) {
    if (auto value = fromJson(element)) {
      values_[key] = std::move(*value);
    } else {
      unknown_[key] = element;
    }
  }
}

void JsonFileDefaults::setAside(const std::string& why) {
  std::string aside;
  for (int n = 1; n < 1000; ++n) {
    aside = file_ + (n == 1 ? std::string(".corrupt") : ".corrupt-" + std::to_string(n));
    if (!files_.exists(aside)) break;
  }
  if (std::rename(file_.c_str(), aside.c_str()) != 0) {
    writable_ = false;
    report("The settings file " + file_ + " is damaged (" + why +
           ") and could not be set aside; settings start from their defaults and changes are not saved");
    return;
  }
  report("The settings file " + file_ + " was damaged (" + why + "); it was set aside as " + aside +
         " and settings start from their defaults");
}

void JsonFileDefaults::save() {
  if (!writable_) return;
  nlohmann::json document = nlohmann::json::object();
  for (const auto& [key, element] : unknown_) document[key] = element;
  for (const auto& [key, value] : values_) document[key] = toJson(value);
  // One setting a line, each value compact: the file stays readable and its size follows its content
  // (an indented dump grows with the square of the nesting).
  std::string bytes = "{";
  try {
    bool first = true;
    for (const auto& [key, element] : document.items()) {
      bytes += first ? "\n  " : ",\n  ";
      first = false;
      bytes += nlohmann::json(key).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + ": " +
               element.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    bytes += first ? "}\n" : "\n}\n";
  } catch (const nlohmann::json::exception& e) {
    report("The settings could not be saved to " + file_ + " (" + e.what() + ")");
    return;
  }
  if (auto made = files_.createFolders(parentOf(file_)); !made) {
    report("The settings could not be saved to " + file_ + " (" + made.error().description + ")");
    return;
  }
  if (auto written = files_.writeAtomic(file_, bytes); !written) {
    report("The settings could not be saved to " + file_ + " (" + written.error().description + ")");
  }
}

std::optional<DefaultsValue> JsonFileDefaults::raw(const std::string& key) const {
  std::lock_guard lock(mutex_);
  auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

void JsonFileDefaults::set(const std::string& key, DefaultsValue value) {
  std::lock_guard lock(mutex_);
  unknown_.erase(key);
  values_[key] = std::move(value);
  save();
}

void JsonFileDefaults::remove(const std::string& key) {
  std::lock_guard lock(mutex_);
  bool had = values_.erase(key) + unknown_.erase(key) > 0;
  if (had) save();
}

std::unique_ptr<Defaults> JsonFileDefaults::openSuite(const std::string& name) {
  if (!files_.exists(defaultsFile(paths_, name))) return nullptr;
  return std::make_unique<JsonFileDefaults>(paths_, name, onProblem_);
}

}  // namespace corvane::platform::posix

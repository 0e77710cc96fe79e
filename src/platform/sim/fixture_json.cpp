#include "platform/sim/fixture_json.hpp"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

namespace corvane::platform::sim::fixture_json {

void fail(std::string path, std::string message) { throw FixtureFault{{std::move(path), std::move(message)}}; }

bool isPlainKey(std::string_view key) {
  if (key.empty()) return false;
  return std::all_of(key.begin(), key.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}

std::string member(const std::string& path, std::string_view key) {
  if (!isPlainKey(key)) return path + "[" + Json(std::string(key)).dump() + "]";
  return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string index(const std::string& path, std::size_t i) { return path + "[" + std::to_string(i) + "]"; }

// --- Syntax ---

namespace {

struct ParseLevel {
  bool array = false;
  std::size_t index = 0;
  bool started = false;
  std::string key;
  std::set<std::string> keys;
};

std::string levelsPath(const std::vector<ParseLevel>& levels) {
  std::string path;
  for (const auto& level : levels) {
    if (level.array) {
      if (level.started) path = index(path, level.index);
    } else if (!level.key.empty()) {
      path = member(path, level.key);
    }
  }
  return path;
}

std::pair<std::size_t, std::size_t> lineAndColumn(std::string_view text, std::size_t byte) {
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i + 1 < byte && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      ++column;
    }
  }
  return {line, column};
}

}  // namespace

Json parseJson(std::string_view text, int maxDepth) {
  std::vector<ParseLevel> levels;
  auto enterValue = [&levels] {
    if (levels.empty() || !levels.back().array) return;
    auto& level = levels.back();
    if (level.started) ++level.index;
    level.started = true;
  };
  auto callback = [&](int depth, Json::parse_event_t event, Json& parsed) {
    using Event = Json::parse_event_t;
    // Reading the tree recurses once a level: stop a hostile depth before it is built.
    if ((event == Event::object_start || event == Event::array_start) && depth >= maxDepth) {
      fail(levelsPath(levels), "nested more than " + std::to_string(maxDepth) + " levels deep");
    }
    switch (event) {
      case Event::object_start:
        enterValue();
        levels.push_back({});
        break;
      case Event::array_start:
        enterValue();
        {
          ParseLevel level;
          level.array = true;
          levels.push_back(std::move(level));
        }
        break;
      case Event::object_end:
      case Event::array_end:
        if (!levels.empty()) levels.pop_back();
        break;
      case Event::key: {
        auto& level = levels.back();
        level.key = parsed.get<std::string>();
        if (!level.keys.insert(level.key).second) fail(levelsPath(levels), "duplicate key");
        break;
      }
      case Event::value:
        enterValue();
        break;
    }
    return true;
  };
  try {
    return Json::parse(text.begin(), text.end(), callback);
  } catch (const Json::parse_error& e) {
    auto [line, column] = lineAndColumn(text, e.byte);
    fail("", "line " + std::to_string(line) + ", column " + std::to_string(column) + ": not valid JSON");
  }
}

void expectObject(const Json& j, const std::string& path) {
  if (!j.is_object()) fail(path, "expected an object");
}

void expectArray(const Json& j, const std::string& path) {
  if (!j.is_array()) fail(path, "expected an array");
}

std::string string(const Json& j, const std::string& path) {
  if (!j.is_string()) fail(path, "expected a string");
  return j.get<std::string>();
}

std::string nonEmptyString(const Json& j, const std::string& path) {
  auto s = string(j, path);
  if (s.empty()) fail(path, "must not be empty");
  return s;
}

bool boolean(const Json& j, const std::string& path) {
  if (!j.is_boolean()) fail(path, "expected true or false");
  return j.get<bool>();
}

double number(const Json& j, const std::string& path) {
  if (!j.is_number()) fail(path, "expected a number");
  return j.get<double>();
}

double nonNegative(const Json& j, const std::string& path) {
  double d = number(j, path);
  if (!(d >= 0) || !std::isfinite(d)) fail(path, "must be at least 0");
  return d;
}

double positive(const Json& j, const std::string& path) {
  double d = number(j, path);
  if (!(d > 0) || !std::isfinite(d)) fail(path, "must be greater than 0");
  return d;
}

std::int64_t wholeNumber(const Json& j, const std::string& path) {
  if (!j.is_number_integer()) fail(path, "expected a whole number");
  return j.get<std::int64_t>();
}

std::vector<double> numbers(const Json& j, const std::string& path, std::size_t count) {
  std::string message = "expected " + std::to_string(count) + " numbers";
  if (!j.is_array() || j.size() != count) fail(path, message);
  std::vector<double> out;
  for (const auto& n : j) {
    if (!n.is_number() || !std::isfinite(n.get<double>())) fail(path, message);
    out.push_back(n.get<double>());
  }
  return out;
}

Rect frame(const Json& j, const std::string& path) {
  auto n = numbers(j, path, 4);
  if (n[2] < 0 || n[3] < 0) fail(path, "width and height must not be negative");
  return {n[0], n[1], n[2], n[3]};
}

Size size(const Json& j, const std::string& path) {
  auto n = numbers(j, path, 2);
  if (!(n[0] > 0 && n[1] > 0)) fail(path, "width and height must be greater than 0");
  return {n[0], n[1]};
}

FixtureValue value(const Json& j, const std::string& path) {
  if (j.is_string()) return j.get<std::string>();
  if (j.is_number_integer()) return j.get<std::int64_t>();
  if (j.is_number_float() && std::isfinite(j.get<double>())) return j.get<double>();
  fail(path, "expected a string or a number");
}
}  // namespace corvane::platform::sim::fixture_json

#include "platform/sim/fixture_loader.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/fixture_json.hpp"
#include "platform/sim/fixture_reader.hpp"

// Documents that extend others, and the entry points: the one place a fixture's fault, thrown while
// reading (fixture_json.hpp), becomes a FixtureError.

namespace corvane::platform::sim {
namespace {

using namespace fixture_json;

// --- Documents that extend others ---

constexpr int kMaxExtends = 8;

struct PathStep {
  bool isIndex = false;
  std::size_t index = 0;
  std::string key;
};

std::optional<std::vector<PathStep>> parsePath(std::string_view text) {
  std::vector<PathStep> steps;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '[') {
      auto close = text.find(']', i);
      if (close == std::string_view::npos) return std::nullopt;
      auto inner = text.substr(i + 1, close - i - 1);
      if (!inner.empty() && inner.front() == '"') {
        // A quoted key may hold "]": find the closing quote and bracket together.
        auto end = text.find("\"]", i + 2);
        if (end == std::string_view::npos) return std::nullopt;
        try {
          steps.push_back({false, 0, Json::parse(text.substr(i + 1, end - i)).get<std::string>()});
        } catch (const Json::exception&) {
          return std::nullopt;
        }
        i = end + 2;
      } else {
        if (inner.empty() || !std::all_of(inner.begin(), inner.end(), [](char c) { return c >= '0' && c <= '9'; })) {
          return std::nullopt;
        }
        steps.push_back({true, static_cast<std::size_t>(std::stoull(std::string(inner))), {}});
        i = close + 1;
      }
    } else {
      if (text[i] == '.') {
        if (steps.empty()) return std::nullopt;
        ++i;
      }
      auto end = text.find_first_of(".[", i);
      auto key = text.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
      if (!isPlainKey(key)) return std::nullopt;
      steps.push_back({false, 0, std::string(key)});
      i = end == std::string_view::npos ? text.size() : end;
    }
  }
  if (steps.empty()) return std::nullopt;
  return steps;
}

void applySet(Json& doc, const std::string& pathText, const Json& value, const std::string& where) {
  auto steps = parsePath(pathText);
  if (!steps) fail(where, "not a path (write it as in error messages, e.g. windows[0].frame)");
  Json* at = &doc;
  std::string walked;
  for (std::size_t i = 0; i < steps->size(); ++i) {
    const auto& step = (*steps)[i];
    bool last = i + 1 == steps->size();
    if (step.isIndex) {
      walked = index(walked, step.index);
      if (!at->is_array() || step.index >= at->size()) fail(where, "no element at " + walked);
      at = &(*at)[step.index];
    } else {
      walked = member(walked, step.key);
      if (!at->is_object() || (!last && !at->contains(step.key))) fail(where, "no element at " + walked);
      at = &(*at)[step.key];
    }
  }
  *at = value;
}

Json resolveDocument(std::string_view text, const FixtureFileReader& readFile, int depth);

/// The document with its base merged in: the document's keys replace the base's, then each "set"
/// entry replaces one value. The base is checked as a fixture of its own first, so its faults name
/// its file.
Json resolveDocument(std::string_view text, const FixtureFileReader& readFile, int depth) {
  Json doc = parseJson(text, kMaxFixtureDepth);
  if (!doc.is_object() || !doc.contains("extends")) {
    if (doc.is_object() && doc.contains("set")) fail("set", "only a fixture that extends another sets values");
    return doc;
  }
  auto baseName = nonEmptyString(doc["extends"], "extends");
  if (!readFile) fail("extends", "cannot read other files here");
  if (depth >= kMaxExtends) fail("extends", "more than " + std::to_string(kMaxExtends) + " fixtures extend each other");
  auto baseText = readFile(baseName);
  if (!baseText) fail("extends", "cannot read " + baseName + ": " + baseText.error());
  Json base;
  try {
    base = resolveDocument(*baseText, readFile, depth + 1);
    (void)readFixture(base);
  } catch (const FixtureFault& inner) {
    fail("extends", baseName + ": " + inner.error.text());
  }
  for (const auto& [key, v] : doc.items()) {
    if (key != "extends" && key != "set") base[key] = v;
  }
  if (doc.contains("set")) {
    expectObject(doc["set"], "set");
    for (const auto& [path, v] : doc["set"].items()) applySet(base, path, v, member("set", path));
  }
  return base;
}

std::string folderOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::expected<ExcelFixture, FixtureError> parseFixture(std::string_view json, const FixtureFileReader& readFile) {
  try {
    Json doc = resolveDocument(json, readFile, 0);
    if (doc.is_object()) {
      doc.erase("extends");
      doc.erase("set");
    }
    return readFixture(doc);
  } catch (const FixtureFault& fault) {
    return std::unexpected(fault.error);
  } catch (const Json::exception& e) {
    // The reader checks every type before reading it; this only guards against a gap in that.
    return std::unexpected(FixtureError{"", std::string("unreadable fixture: ") + e.what()});
  }
}

std::expected<ExcelFixture, FixtureError> loadFixtureFile(Files& files, const std::string& path) {
  auto text = files.read(path);
  if (!text) return std::unexpected(FixtureError{"", "cannot read the file: " + text.error().description});
  auto folder = folderOf(path);
  FixtureFileReader reader = [&files, folder](const std::string& name) -> std::expected<std::string, std::string> {
    auto full = !name.empty() && name.front() == '/' ? name : folder + name;
    auto base = files.read(full);
    if (!base) return std::unexpected(base.error().description);
    return *base;
  };
  return parseFixture(*text, reader);
}

}  // namespace corvane::platform::sim

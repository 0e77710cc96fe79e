#pragma once
// The user's shortcuts file as a generic JSON document, so that keys the editor does not know
// survive its writes. The one place in this layer that calls the JSON library (which throws).

#include <expected>
#include <functional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "platform/files.hpp"

namespace corvane::authoring {

using Json = nlohmann::json;

/// Why the file's content can't be used as a document: unreadable, not JSON, not an object.
struct DocumentProblem {
  std::string description;
};

/// The file as a JSON object. A missing file is an empty object.
[[nodiscard]] std::expected<Json, DocumentProblem> readUserDocument(platform::Files& files, const std::string& path);

/// A JSON text as a value; fails on bad syntax, on a key repeated in one object and on nesting
/// deeper than the file decoder accepts. Non-integer numbers keep their text for `serialise`.
[[nodiscard]] std::expected<Json, DocumentProblem> parseJson(std::string_view text);

/// Pretty-printed with a two-space indent and sorted keys, ending in a line break; numbers as they
/// were read. Invalid UTF-8 in strings is replaced, never fatal.
[[nodiscard]] std::string serialise(const Json& value);
/// The compact text of a value (to hand a "do" value to the step decoder).
[[nodiscard]] std::string compactText(const Json& value);

/// Creates the file's folder if needed and replaces the file atomically with the document.
[[nodiscard]] std::expected<void, platform::FileError> writeUserDocument(platform::Files& files, const std::string& path,
                                                                        const Json& document);

/// Reads the file, hands its "shortcuts" list (empty when it has none) to `change` and writes the
/// file back with everything else it holds, and a "_help" line when it had none. Writes nothing
/// when the file can't be read or its "shortcuts" isn't a list: writing over either would lose what
/// the user has. The error says why, in a sentence that follows "Couldn't save: ".
[[nodiscard]] std::expected<void, std::string> editUserShortcuts(platform::Files& files, const std::string& path,
                                                                 const std::function<void(Json& shortcuts)>& change);

/// The string at `key` of an object, or none.
[[nodiscard]] const std::string* stringAt(const Json& object, const char* key);

}  // namespace corvane::authoring

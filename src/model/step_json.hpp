#pragma once
// Step decoding over an already parsed JSON value, for callers that edit shortcuts files as
// generic documents (the shortcut editor).

#include <expected>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "model/shortcut_file.hpp"

namespace corvane::model {

/// Decodes a step object or an array of step objects. `path` is the coding path of `value`.
[[nodiscard]] std::expected<std::vector<Step>, DecodeError> decodeStepOrList(const nlohmann::json& value,
                                                                             const std::string& path = "do");

}  // namespace corvane::model

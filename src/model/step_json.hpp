#pragma once
// Step decoding of a JSON text holding one step object or an array of them, for callers that edit
// shortcuts files as generic documents (the shortcut editor serialises the value it holds).

#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "model/shortcut_file.hpp"

namespace corvane::model {

/// `path` is the coding path named in type errors.
[[nodiscard]] std::expected<std::vector<Step>, DecodeError> decodeStepOrList(std::string_view jsonText,
                                                                             const std::string& path = "do");

}  // namespace corvane::model

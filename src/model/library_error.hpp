#pragma once

#include <string>

namespace corvane::model {

/// The one error of the shortcut model: a complete, user-facing message.
struct LibraryError {
  std::string description;
  friend bool operator==(const LibraryError&, const LibraryError&) = default;
};

}  // namespace corvane::model

// The release-notes parser over arbitrary bytes: every note it returns is valid UTF-8, trimmed,
// and non-empty; never a crash, a hang or a sanitizer report.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/text.hpp"
#include "updates/release_notes.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view html(reinterpret_cast<const char*>(data), size);
  for (const auto& note : corvane::updates::parseReleaseNotes(html)) {
    if (note.empty()) __builtin_trap();
    if (corvane::model::text::repairUtf8(note) != note) __builtin_trap();
    if (corvane::model::text::trim(note) != note) __builtin_trap();
  }
  return 0;
}

// Decoding and library assembly over arbitrary bytes: any input gives a library or warnings,
// never a crash, a hang or a sanitizer report.

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/shortcut_library.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvane::model;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  // The same bytes as built-in and user file exercise layering, disabling and macro overrides.
  auto half = bytes.substr(0, bytes.size() / 2);
  auto lib = ShortcutLibrary::build(ShortcutSource::fromBytes("built-in", "shortcuts.json", bytes),
                                    ShortcutSource::fromBytes("your", "my-shortcuts.json", half));
  // Walk every query a caller makes, so the trie and options stay consistent.
  for (const auto& shortcut : lib->shortcuts()) {
    std::vector<std::string> prefix;
    for (const auto& key : shortcut.keys) {
      (void)lib->options(prefix);
      (void)lib->plannedTips(prefix, false);
      (void)lib->tipTarget(prefix, true);
      prefix.push_back(key);
    }
    if (lib->shortcut(prefix) == nullptr) __builtin_trap();
  }
  return 0;
}

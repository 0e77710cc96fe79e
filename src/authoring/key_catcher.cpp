#include "authoring/key_catcher.hpp"

#include "model/key_names.hpp"
#include "model/text.hpp"

namespace corvane::authoring {
namespace {

using platform::views::CaughtKey;

std::optional<RecordingInput> comboOf(const CaughtKey& key) {
  auto name = model::shortestNameForCode(key.keyCode);
  if (!name) return std::nullopt;
  std::string text;
  if (key.control) text += "ctrl+";
  if (key.option) text += "opt+";
  if (key.shift) text += "shift+";
  if (key.command) text += "cmd+";
  text += *name;
  return recording::Combo{std::move(text)};
}

bool isSingleLetterOrDigit(const std::string& upper) {
  return !upper.empty() && model::text::graphemeCount(upper) == 1 && model::text::lettersAndDigits(upper) == upper;
}

}  // namespace

std::optional<RecordingInput> catchSequenceKey(const CaughtKey& key) {
  if (key.keyCode == model::keycode::kReturn || key.keyCode == model::keycode::kEscape) return recording::Done{};
  if (key.keyCode == model::keycode::kDelete) return recording::Delete{};
  bool plain = !key.command && !key.control && !key.option;
  bool functionKey = model::keycode::isFunctionKey(key.keyCode) || model::keycode::isNavigationKey(key.keyCode);
  if (plain && !functionKey) {
    auto upper = model::text::upper(key.character);
    if (isSingleLetterOrDigit(upper)) return recording::Character{std::move(upper)};
  }
  return comboOf(key);
}

std::optional<RecordingInput> catchComboKey(const CaughtKey& key) {
  bool anyModifier = key.command || key.control || key.option || key.shift;
  if (key.keyCode == model::keycode::kEscape && !anyModifier) return recording::Done{};
  return comboOf(key);
}

}  // namespace corvane::authoring

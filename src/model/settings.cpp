#include "model/settings.hpp"

namespace corvane::model {
namespace {

template <typename Enum, std::size_t N>
std::optional<Enum> find(const std::array<Enum, N>& all, std::string_view raw) {
  for (auto v : all) {
    if (rawValue(v) == raw) return v;
  }
  return std::nullopt;
}

}  // namespace

std::string_view rawValue(TipStyle v) {
  switch (v) {
    case TipStyle::office: return "office";
    case TipStyle::darkYellow: return "darkYellow";
    case TipStyle::classic: return "classic";
    case TipStyle::blue: return "blue";
    case TipStyle::graphite: return "graphite";
  }
  return "office";
}

std::string_view rawValue(TipSize v) {
  switch (v) {
    case TipSize::regular: return "regular";
    case TipSize::large: return "large";
  }
  return "regular";
}

std::string_view rawValue(KeyListMode v) {
  switch (v) {
    case KeyListMode::never: return "never";
    case KeyListMode::whenNoTips: return "whenNoTips";
    case KeyListMode::always: return "always";
  }
  return "whenNoTips";
}

std::string_view rawValue(SearchTrigger v) {
  switch (v) {
    case SearchTrigger::doubleTapOption: return "doubleTapOption";
    case SearchTrigger::optionSlash: return "optionSlash";
    case SearchTrigger::optionSpace: return "optionSpace";
    case SearchTrigger::off: return "off";
  }
  return "doubleTapOption";
}

std::string_view rawValue(MenuBarClick v) {
  switch (v) {
    case MenuBarClick::showPanel: return "showPanel";
    case MenuBarClick::toggle: return "toggle";
  }
  return "showPanel";
}

template <>
std::optional<TipStyle> fromRawValue<TipStyle>(std::string_view raw) { return find(kAllTipStyles, raw); }
template <>
std::optional<TipSize> fromRawValue<TipSize>(std::string_view raw) { return find(kAllTipSizes, raw); }
template <>
std::optional<KeyListMode> fromRawValue<KeyListMode>(std::string_view raw) { return find(kAllKeyListModes, raw); }
template <>
std::optional<SearchTrigger> fromRawValue<SearchTrigger>(std::string_view raw) {
  return find(kAllSearchTriggers, raw);
}
template <>
std::optional<MenuBarClick> fromRawValue<MenuBarClick>(std::string_view raw) { return find(kAllMenuBarClicks, raw); }

std::string_view searchInstruction(SearchTrigger trigger) {
  switch (trigger) {
    case SearchTrigger::doubleTapOption: return "Double-tap ⌥ in Excel";
    case SearchTrigger::optionSlash: return "In Excel, tap ⌥ then press /";
    case SearchTrigger::optionSpace: return "Press ⌥ Space in Excel";
    case SearchTrigger::off: return "Turn on a search shortcut in Settings";
  }
  return "Double-tap ⌥ in Excel";
}

}  // namespace corvane::model

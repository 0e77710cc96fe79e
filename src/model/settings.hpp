#pragma once
// The settings enumerations. Their stored values are their case names.

#include <array>
#include <optional>
#include <string_view>

namespace corvane::model {

enum class TipStyle { office, darkYellow, classic, blue, graphite };
enum class TipSize { regular, large };
enum class KeyListMode { never, whenNoTips, always };
enum class SearchTrigger { doubleTapOption, optionSlash, optionSpace, off };
enum class MenuBarClick { showPanel, toggle };

inline constexpr std::array kAllTipStyles{TipStyle::office, TipStyle::darkYellow, TipStyle::classic, TipStyle::blue,
                                          TipStyle::graphite};
inline constexpr std::array kAllTipSizes{TipSize::regular, TipSize::large};
inline constexpr std::array kAllKeyListModes{KeyListMode::never, KeyListMode::whenNoTips, KeyListMode::always};
inline constexpr std::array kAllSearchTriggers{SearchTrigger::doubleTapOption, SearchTrigger::optionSlash,
                                               SearchTrigger::optionSpace, SearchTrigger::off};
inline constexpr std::array kAllMenuBarClicks{MenuBarClick::showPanel, MenuBarClick::toggle};

[[nodiscard]] std::string_view rawValue(TipStyle v);
[[nodiscard]] std::string_view rawValue(TipSize v);
[[nodiscard]] std::string_view rawValue(KeyListMode v);
[[nodiscard]] std::string_view rawValue(SearchTrigger v);
[[nodiscard]] std::string_view rawValue(MenuBarClick v);

/// The case whose raw value is exactly `raw` (case-sensitive), or none.
template <typename Enum>
[[nodiscard]] std::optional<Enum> fromRawValue(std::string_view raw);

template <>
std::optional<TipStyle> fromRawValue<TipStyle>(std::string_view raw);
template <>
std::optional<TipSize> fromRawValue<TipSize>(std::string_view raw);
template <>
std::optional<KeyListMode> fromRawValue<KeyListMode>(std::string_view raw);
template <>
std::optional<SearchTrigger> fromRawValue<SearchTrigger>(std::string_view raw);
template <>
std::optional<MenuBarClick> fromRawValue<MenuBarClick>(std::string_view raw);

/// How the command search is opened, as the palette footer and the welcome tips word it.
[[nodiscard]] std::string_view searchInstruction(SearchTrigger trigger);

}  // namespace corvane::model

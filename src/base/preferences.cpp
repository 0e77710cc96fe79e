#include "base/preferences.hpp"

#include <array>
#include <optional>
#include <type_traits>

namespace corvane::base {
namespace {

bool readBool(const platform::Defaults& store, const char* key, bool fallback) {
  return store.getBool(key).value_or(fallback);
}

template <typename Enum>
std::optional<Enum> readEnum(const platform::Defaults& store, const char* key) {
  auto raw = store.getString(key);
  if (!raw) return std::nullopt;
  return model::fromRawValue<Enum>(*raw);
}

template <typename Enum>
Enum readEnum(const platform::Defaults& store, const char* key, Enum fallback) {
  return readEnum<Enum>(store, key).value_or(fallback);
}

model::KeyListMode readKeyListMode(const platform::Defaults& store) {
  if (auto mode = readEnum<model::KeyListMode>(store, prefkeys::kKeyListMode)) return *mode;
  if (auto always = store.getBool(prefkeys::kAlwaysShowKeyList)) {
    return *always ? model::KeyListMode::always : model::KeyListMode::whenNoTips;
  }
  return model::KeyListMode::whenNoTips;
}

constexpr auto allCases(model::TipStyle) { return model::kAllTipStyles; }
constexpr auto allCases(model::TipSize) { return model::kAllTipSizes; }
constexpr auto allCases(model::KeyListMode) { return model::kAllKeyListModes; }
constexpr auto allCases(model::SearchTrigger) { return model::kAllSearchTriggers; }
constexpr auto allCases(model::MenuBarClick) { return model::kAllMenuBarClicks; }

constexpr std::array<std::string_view, 12> kSettingKeys{
    prefkeys::kEnabled,       prefkeys::kHoldToStart,  prefkeys::kShowRibbonTips, prefkeys::kTipStyle,
    prefkeys::kTipSize,       prefkeys::kKeyListMode,  prefkeys::kShowInDock,     prefkeys::kSearchTrigger,
    prefkeys::kLearningHints, prefkeys::kMenuBarClick, prefkeys::kRightClickAlternates,
    prefkeys::kDimIconWhenOff};

/// Calls `f` with the setting stored under `key`; false when there is none.
template <typename P, typename F>
bool visitSetting(P& p, std::string_view key, F&& f) {
  auto tryOne = [&](auto& setting) {
    if (setting.key() != key) return false;
    f(setting);
    return true;
  };
  return tryOne(p.enabled) || tryOne(p.holdToStart) || tryOne(p.showRibbonTips) || tryOne(p.tipStyle) ||
         tryOne(p.tipSize) || tryOne(p.keyListMode) || tryOne(p.showInDock) || tryOne(p.searchTrigger) ||
         tryOne(p.learningHints) || tryOne(p.menuBarClick) || tryOne(p.rightClickAlternates) ||
         tryOne(p.dimIconWhenOff);
}

std::string joined(std::span<const std::string_view> words) {
  std::string out;
  for (auto word : words) {
    if (!out.empty()) out += ", ";
    out += word;
  }
  return out;
}

}  // namespace

template <typename T>
void Preferences::store(const std::string& key, const T& value) {
  if constexpr (std::is_same_v<T, bool>) {
    store_.set(key, value);
  } else {
    store_.set(key, std::string(model::rawValue(value)));
  }
}

template <typename T>
std::function<void(const std::string&, const T&)> Preferences::publisher() {
  return [this](const std::string& key, const T& value) {
    changed.emit();
    store(key, value);
  };
}

Preferences::Preferences(platform::Defaults& store)
    : enabled(prefkeys::kEnabled, readBool(store, prefkeys::kEnabled, true), publisher<bool>()),
      holdToStart(prefkeys::kHoldToStart, readBool(store, prefkeys::kHoldToStart, true), publisher<bool>()),
      showRibbonTips(prefkeys::kShowRibbonTips, readBool(store, prefkeys::kShowRibbonTips, true), publisher<bool>()),
      tipStyle(prefkeys::kTipStyle, readEnum(store, prefkeys::kTipStyle, model::TipStyle::office),
               publisher<model::TipStyle>()),
      tipSize(prefkeys::kTipSize, readEnum(store, prefkeys::kTipSize, model::TipSize::regular),
              publisher<model::TipSize>()),
      keyListMode(prefkeys::kKeyListMode, readKeyListMode(store), publisher<model::KeyListMode>()),
      showInDock(prefkeys::kShowInDock, readBool(store, prefkeys::kShowInDock, true), publisher<bool>()),
      searchTrigger(prefkeys::kSearchTrigger,
                    readEnum(store, prefkeys::kSearchTrigger, model::SearchTrigger::doubleTapOption),
                    publisher<model::SearchTrigger>()),
      learningHints(prefkeys::kLearningHints, readBool(store, prefkeys::kLearningHints, true), publisher<bool>()),
      menuBarClick(prefkeys::kMenuBarClick, readEnum(store, prefkeys::kMenuBarClick, model::MenuBarClick::showPanel),
                   publisher<model::MenuBarClick>()),
      rightClickAlternates(prefkeys::kRightClickAlternates, readBool(store, prefkeys::kRightClickAlternates, true),
                           publisher<bool>()),
      dimIconWhenOff(prefkeys::kDimIconWhenOff, readBool(store, prefkeys::kDimIconWhenOff, true), publisher<bool>()),
      store_(store) {}

std::span<const std::string_view> Preferences::settingKeys() { return kSettingKeys; }

std::expected<void, std::string> Preferences::assign(std::string_view key, std::string_view text) {
  std::expected<void, std::string> result;
  bool found = visitSetting(*this, key, [&](auto& setting) {
    using T = std::decay_t<decltype(setting.get())>;
    if constexpr (std::is_same_v<T, bool>) {
      if (text != "true" && text != "false") {
        result = std::unexpected("\"" + std::string(text) + "\" is not a value of " + std::string(key) +
                                 " (use true or false)");
        return;
      }
      setting.set(text == "true");
    } else {
      auto value = model::fromRawValue<T>(text);
      if (!value) {
        std::vector<std::string_view> names;
        for (auto c : allCases(T{})) names.push_back(model::rawValue(c));
        result = std::unexpected("\"" + std::string(text) + "\" is not a value of " + std::string(key) + " (use " +
                                 joined(names) + ")");
        return;
      }
      setting.set(*value);
    }
  });
  if (!found) {
    return std::unexpected("Unknown setting \"" + std::string(key) + "\" (use " + joined(kSettingKeys) + ")");
  }
  return result;
}

std::optional<std::string> Preferences::text(std::string_view key) const {
  std::optional<std::string> out;
  visitSetting(*this, key, [&](auto& setting) {
    using T = std::decay_t<decltype(setting.get())>;
    if constexpr (std::is_same_v<T, bool>) {
      out = setting.get() ? "true" : "false";
    } else {
      out = std::string(model::rawValue(setting.get()));
    }
  });
  return out;
}

}  // namespace corvane::base

#pragma once
// The user's settings: read once from the defaults store at construction, each published as an
// observable value, and written back the moment it changes (observers hear of a change first, then
// the store is written). Main thread; one instance for the life of the process. The store must
// outlive it.

#include <expected>
#include <optional>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "base/observable.hpp"
#include "model/settings.hpp"
#include "platform/defaults.hpp"

namespace corvane::base {

/// The defaults keys the shell owns.
namespace prefkeys {
inline constexpr const char* kEnabled = "enabled";
inline constexpr const char* kHoldToStart = "holdToStart";
inline constexpr const char* kShowRibbonTips = "showRibbonTips";
inline constexpr const char* kTipStyle = "tipStyle";
inline constexpr const char* kTipSize = "tipSize";
inline constexpr const char* kKeyListMode = "keyListMode";
inline constexpr const char* kShowInDock = "showInDock";
inline constexpr const char* kSearchTrigger = "searchTrigger";
inline constexpr const char* kLearningHints = "learningHints";
inline constexpr const char* kMenuBarClick = "menuBarClick";
inline constexpr const char* kRightClickAlternates = "rightClickAlternates";
inline constexpr const char* kDimIconWhenOff = "dimIconWhenOff";
/// An earlier version's switch, read only when "keyListMode" gives nothing.
inline constexpr const char* kAlwaysShowKeyList = "alwaysShowKeyList";
inline constexpr const char* kImportedOldSettings = "importedOldSettings";
inline constexpr const char* kLastRunVersion = "lastRunVersion";
/// Excel's own KeyTips were seen answering ⌥, and the notice about them was shown (each once ever).
inline constexpr const char* kExcelKeyTipsSeen = "excelKeyTipsSeen";
inline constexpr const char* kExcelKeyTipsNoticeShown = "excelKeyTipsNoticeShown";
}  // namespace prefkeys

/// One published setting under a defaults key.
template <typename T>
class Setting final {
 public:
  Setting(std::string key, T initial, std::function<void(const std::string& key, const T& value)> afterPublish)
      : key_(std::move(key)), value_(std::move(initial)), afterPublish_(std::move(afterPublish)) {}
  Setting(const Setting&) = delete;
  Setting& operator=(const Setting&) = delete;

  [[nodiscard]] const std::string& key() const { return key_; }
  [[nodiscard]] const T& get() const { return value_.get(); }
  /// Publishes to observers, then stores.
  void set(T value) {
    value_.set(std::move(value));
    afterPublish_(key_, value_.get());
  }
  [[nodiscard]] Subscription subscribe(typename Signal<T>::Observer observer) {
    return value_.subscribe(std::move(observer));
  }

 private:
  std::string key_;
  Published<T> value_;
  std::function<void(const std::string&, const T&)> afterPublish_;
};

class Preferences final {
 public:
  explicit Preferences(platform::Defaults& store);
  Preferences(const Preferences&) = delete;
  Preferences& operator=(const Preferences&) = delete;

  Setting<bool> enabled;
  Setting<bool> holdToStart;
  Setting<bool> showRibbonTips;
  Setting<model::TipStyle> tipStyle;
  Setting<model::TipSize> tipSize;
  Setting<model::KeyListMode> keyListMode;
  Setting<bool> showInDock;
  Setting<model::SearchTrigger> searchTrigger;
  Setting<bool> learningHints;
  Setting<model::MenuBarClick> menuBarClick;
  Setting<bool> rightClickAlternates;
  Setting<bool> dimIconWhenOff;

  /// Emitted after any setting changed (after its own observers, before the store is written).
  Signal<> changed;

  void toggleEnabled() { enabled.set(!enabled.get()); }
  void toggleShowRibbonTips() { showRibbonTips.set(!showRibbonTips.get()); }
  void toggleLearningHints() { learningHints.set(!learningHints.get()); }

  /// The keys of every setting, in declaration order.
  [[nodiscard]] static std::span<const std::string_view> settingKeys();
  /// Sets a setting from text: "true"/"false" for Booleans, a raw value for enumerations. An
  /// unknown key or value is an error naming what is accepted; nothing changes then.
  [[nodiscard]] std::expected<void, std::string> assign(std::string_view key, std::string_view text);
  /// The text of a setting's current value ("true", "office"), or none for an unknown key.
  [[nodiscard]] std::optional<std::string> text(std::string_view key) const;

 private:
  /// What a setting does after its observers heard of a change: tell `changed`, then store.
  template <typename T>
  std::function<void(const std::string&, const T&)> publisher();
  template <typename T>
  void store(const std::string& key, const T& value);

  platform::Defaults& store_;
};

}  // namespace corvane::base

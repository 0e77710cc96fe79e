#pragma once
// What the settings window draws: a sidebar of pages and the selected page's controls. Built by the
// settings model; the backend sends back a chosen page (`select`, id "page", text the page's id),
// switches (`toggle`, id the setting's key), picker choices (`select`, id the setting's key, text
// the raw value) and buttons (`button`, id the action's name).

#include <string>
#include <vector>

#include "platform/views/view.hpp"

namespace corvane::platform::views {

struct SettingsChoice {
  std::string value;  ///< the stored raw value
  std::string title;
  friend bool operator==(const SettingsChoice&, const SettingsChoice&) = default;
};

struct SettingsControl {
  enum class Kind {
    toggle,  ///< a switch bound to a Boolean setting
    picker,  ///< a choice among an enumeration's cases
    info,    ///< a line of text (status, counts, warnings)
    button,  ///< an action
  };
  Kind kind = Kind::info;
  std::string id;  ///< the setting's key, or the action's name
  std::string title;
  std::string detail;  ///< a smaller explanation under it, may be empty
  bool on = false;
  std::vector<SettingsChoice> choices;
  std::string selected;  ///< picker: the current raw value
  friend bool operator==(const SettingsControl&, const SettingsControl&) = default;
};

struct SettingsSidebarItem {
  std::string id;  ///< "general", "menuBar", …
  std::string title;
  std::string symbol;
  friend bool operator==(const SettingsSidebarItem&, const SettingsSidebarItem&) = default;
};

struct SettingsView : View {
  std::string windowTitle = "Settings";
  std::vector<SettingsSidebarItem> sidebar;
  std::string selectedPage;
  std::string pageTitle;
  std::vector<SettingsControl> controls;
  friend bool operator==(const SettingsView&, const SettingsView&) = default;
};

}  // namespace corvane::platform::views

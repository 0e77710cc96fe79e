#pragma once
// The menu-bar icon: the logo drawn in code as an 18-point template image, its listening variant,
// the car of the run animation, a dimmed look when switched off, and the warning symbol while the
// program lacks the Accessibility permission. Main thread only; owned by the application.

#include <functional>
#include <memory>
#include <optional>

#include "platform/geometry.hpp"

namespace corvane::mac_app {

/// What the icon shows.
struct StatusIconLook {
  bool trusted = true;     ///< false: the warning symbol
  bool listening = false;  ///< an Option sequence is in progress
  bool disabled = false;   ///< Corvane is switched off
  std::optional<double> carPosition;  ///< 0…1 along the run animation's track, while it runs
  friend bool operator==(const StatusIconLook&, const StatusIconLook&) = default;
};

/// What the button saw when it was clicked.
struct StatusItemClick {
  bool rightMouseUp = false;
  bool optionHeld = false;
  bool controlHeld = false;
};

class StatusItem final {
 public:
  explicit StatusItem(std::function<void(const StatusItemClick&)> onClick);
  ~StatusItem();
  StatusItem(const StatusItem&) = delete;
  StatusItem& operator=(const StatusItem&) = delete;

  void show(const StatusIconLook& look);
  /// The icon's button in window coordinates, for panels that hang under it; none while hidden.
  [[nodiscard]] std::optional<platform::Rect> buttonFrame() const;
  void setVisible(bool visible);

 private:
  struct Item;
  std::unique_ptr<Item> item_;
};

}  // namespace corvane::mac_app

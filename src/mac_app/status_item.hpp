#pragma once
// The menu-bar icon: the logo drawn in code as an 18-point template image, its listening variant,
// the car of the run animation, a dimmed look when switched off, and the warning symbol while the
// program lacks the Accessibility permission. Main thread only; owned by the application.

#include <functional>
#include <memory>
#include <optional>

#include "app/status_item_click.hpp"
#include "app/status_line.hpp"
#include "platform/geometry.hpp"

namespace corvane::mac_app {

class StatusItem final {
 public:
  /// `onClick` hears what the button saw: the mouse button and the modifiers held.
  explicit StatusItem(std::function<void(const app::StatusItemEvent&)> onClick);
  ~StatusItem();
  StatusItem(const StatusItem&) = delete;
  StatusItem& operator=(const StatusItem&) = delete;

  void show(const app::StatusIconState& state);
  /// The icon's button in window coordinates, for panels that hang under it; none while hidden.
  [[nodiscard]] std::optional<platform::Rect> buttonFrame() const;
  void setVisible(bool visible);
  /// Keeps the button pressed-looking while the menu-bar panel hangs under it.
  void setHighlighted(bool on);

 private:
  struct Item;
  std::unique_ptr<Item> item_;
};

}  // namespace corvane::mac_app

#pragma once

#include <memory>

#include "platform/key_layout.hpp"

namespace corvane::platform::macos {

/// The current ASCII-capable keyboard layout through the text input sources and UCKeyTranslate.
/// Main thread only, as the input-source calls require; owned by the key tap.
class MacKeyLayout final : public KeyLayout {
 public:
  MacKeyLayout();
  ~MacKeyLayout() override;
  MacKeyLayout(const MacKeyLayout&) = delete;
  MacKeyLayout& operator=(const MacKeyLayout&) = delete;

  [[nodiscard]] std::optional<std::string> character(std::uint16_t keyCode) override;
  /// Observes the selected-input-source notification from the first call on.
  void setChangeHandler(std::function<void()> onChange) override;

  /// The notification observer; defined where Foundation is known.
  struct Observer;

 private:
  std::unique_ptr<Observer> observer_;
};

}  // namespace corvane::platform::macos

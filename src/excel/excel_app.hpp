#pragma once
// Excel as the automation layer sees it: the platform services and Excel's application element.
// Used on one queue at a time (the actions queue, the coach queue); holds no state of its own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/accessibility.hpp"
#include "platform/clock.hpp"

namespace corvane::excel {

/// The services automation needs; all outlive any ExcelApp made from them.
struct ExcelServices {
  platform::Accessibility& ax;
  platform::WindowList& windowList;
  platform::InputPoster& input;
  platform::Clock& clock;
};

class ExcelApp {
 public:
  ExcelApp(const ExcelServices& services, std::int32_t pid);

  [[nodiscard]] platform::Accessibility& ax() const { return services_.ax; }
  [[nodiscard]] platform::WindowList& windowList() const { return services_.windowList; }
  [[nodiscard]] platform::InputPoster& input() const { return services_.input; }
  [[nodiscard]] platform::Clock& clock() const { return services_.clock; }
  [[nodiscard]] const ExcelServices& services() const { return services_; }
  [[nodiscard]] std::int32_t pid() const { return pid_; }
  [[nodiscard]] const platform::Element& application() const { return app_; }

  // Attribute reads: any failure, a missing value or a value of another kind reads as absent.
  [[nodiscard]] std::string string(const platform::Element& e, std::string_view attribute) const;
  [[nodiscard]] std::optional<bool> boolean(const platform::Element& e, std::string_view attribute) const;
  [[nodiscard]] std::optional<double> number(const platform::Element& e, std::string_view attribute) const;
  [[nodiscard]] std::optional<platform::Element> element(const platform::Element& e, std::string_view attribute) const;
  [[nodiscard]] std::vector<platform::Element> elements(const platform::Element& e, std::string_view attribute) const;
  [[nodiscard]] std::vector<platform::Element> children(const platform::Element& e) const;
  [[nodiscard]] std::string role(const platform::Element& e) const;
  /// "AXEnabled"; absent means enabled.
  [[nodiscard]] bool isEnabled(const platform::Element& e) const;
  /// From "AXPosition" and "AXSize", both present.
  [[nodiscard]] std::optional<platform::Rect> frame(const platform::Element& e) const;
  /// The first non-empty of title, description, help; else the role.
  [[nodiscard]] std::string displayName(const platform::Element& e) const;
  [[nodiscard]] bool offersAction(const platform::Element& e, std::string_view action) const;
  /// The first child with this role.
  [[nodiscard]] std::optional<platform::Element> firstChild(const platform::Element& e, std::string_view role) const;

  /// Excel's on-screen window bounds, front to back.
  [[nodiscard]] std::vector<platform::Rect> onScreenWindowBounds() const;

  /// Performs an action under a 0.4 s messaging timeout, then restores the default.
  platform::AXError performBriefly(const platform::Element& e, std::string_view action) const;

  /// Posts one tagged keystroke: key down, 8 ms, key up, 8 ms, then 30 ms. Unless the flags hold
  /// Option, first waits (up to 1.5 s) for the user to let go of Option.
  void postKeystroke(std::uint16_t keyCode, std::uint64_t flags) const;
  /// Escape with no modifiers.
  void postEscape() const { postKeystroke(53, 0); }

 private:
  ExcelServices services_;
  std::int32_t pid_;
  platform::Element app_;
};

/// Rectangles equal within 2 points in x, y, width and height (window list against accessibility).
[[nodiscard]] bool framesMatch(const platform::Rect& a, const platform::Rect& b);

}  // namespace corvane::excel

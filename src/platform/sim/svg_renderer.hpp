#pragma once
// An SVG picture of the simulated desktop: Excel's window with its controls as labelled boxes, the
// key-tip badges exactly as laid out, and panels drawn as their text rendering. Pictures use
// accessibility coordinates (origin top left, y down), which is also how SVG draws.

#include <string>

#include "platform/geometry.hpp"
#include "platform/views/key_tip_overlay_view.hpp"
#include "platform/views/view.hpp"

namespace corvane::platform::sim {

class SimExcel;

class SvgPicture final {
 public:
  /// `area` is what the picture shows; `screenTop` the primary screen's top, which turns window
  /// coordinates (panels) into picture coordinates.
  SvgPicture(Rect area, double screenTop);

  /// A box at an accessibility frame; `kind` becomes its class ("window", "tab", "control", …).
  void addBox(const Rect& frame, const std::string& kind, const std::string& label, bool enabled = true,
              bool selected = false);
  /// One overlay panel's badges; `panelFrame` in window coordinates.
  void addOverlay(const views::KeyTipOverlayView& view, const Rect& panelFrame);
  /// A panel at its frame (window coordinates), its content drawn as text lines.
  void addPanel(const views::View& view, const Rect& panelFrame, const std::string& kind);

  [[nodiscard]] std::string str() const;

 private:
  [[nodiscard]] Rect fromWindow(const Rect& r) const;
  Rect area_;
  double top_;
  std::string body_;
};

/// Draws every on-screen window of the simulated Excel, element by element, through its
/// Accessibility interface (at most `maxDepth` levels down).
void drawExcel(SvgPicture& picture, SimExcel& excel, int maxDepth = 14);

/// Text safe inside SVG text and attributes.
[[nodiscard]] std::string xmlEscaped(const std::string& text);

}  // namespace corvane::platform::sim

#pragma once
// An SVG picture of the simulated desktop: Excel's window with its controls as labelled boxes, the
// key-tip badges exactly as laid out, and panels drawn as their text rendering. Pictures use
// accessibility coordinates (origin top left, y down), which is also how SVG draws. Every text is
// placed at an explicit position with an explicit size and measured with the sim's fixed metric
// (0.6 × the font size a character), so that no viewer's handling of spaces moves it: labels are
// cut to their boxes and moved off the badges on them, and the key list goes where it covers no badge.

#include <optional>
#include <string>
#include <vector>

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

  /// Font sizes and the fixed metric the layout uses.
  static constexpr double kLabelSize = 9;
  static constexpr double kPanelSize = 13;
  static constexpr double kCharacterWidth = 0.6;

 private:
  struct Box {
    Rect frame;
    std::string kind;
    std::string label;
    bool enabled = true;
    bool selected = false;
  };
  struct Panel {
    Rect frame;  ///< picture coordinates
    std::string kind;
    /// Each line's cells with their offsets from the panel's text origin.
    std::vector<std::vector<std::pair<double, std::string>>> lines;
    bool movable = false;  ///< the key list, which may go elsewhere to leave the badges visible
  };
  struct Label {
    double x = 0;
    double baseline = 0;
    std::string text;
  };
  [[nodiscard]] Rect fromWindow(const Rect& r) const;
  /// Where a box's label goes without touching anything in `taken`; none when it fits nowhere.
  [[nodiscard]] std::optional<Label> placeLabel(const Box& box, const std::vector<Rect>& taken) const;
  [[nodiscard]] std::string boxSvg(const Box& box, const std::optional<Label>& label) const;
  /// The panel moved, if it is the key list and covers a badge, to a corner where it covers none.
  [[nodiscard]] Panel placed(const Panel& panel) const;
  [[nodiscard]] std::string panelSvg(const Panel& panel) const;
  [[nodiscard]] bool coversABadge(const Rect& r) const;
  Rect area_;
  double top_;
  std::vector<Box> boxes_;
  std::vector<Rect> badgeRects_;
  std::string badges_;
  std::vector<Panel> panels_;
};

/// Draws every on-screen window of the simulated Excel, element by element, through its
/// Accessibility interface (at most `maxDepth` levels down).
void drawExcel(SvgPicture& picture, SimExcel& excel, int maxDepth = 14);

/// Text safe inside SVG text and attributes.
[[nodiscard]] std::string xmlEscaped(const std::string& text);

}  // namespace corvane::platform::sim

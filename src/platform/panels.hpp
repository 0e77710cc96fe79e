#pragma once
// Floating panels and windows that show a view model. The core sets content, asks the fitting
// size, places the panel itself and orders it; user input (buttons, keys, typed text) comes back
// through the panel's action sink. Main thread only.
//
// AppKit's rules, which every backend keeps: a panel is created hidden; `orderFront` shows it without
// key status; only one window is key; a key panel (palette, quick panel) that loses key status —
// another window made key, or ordered out while key — sends `closed` once, while an ordinary window
// that loses it stays open and sends nothing.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/geometry.hpp"
#include "platform/views/view.hpp"

namespace corvane::platform {

/// What kind of surface a panel is; a backend picks window level, style and behaviour from it.
enum class PanelKind {
  hud,            ///< the key list / notice / busy / problem panel (status level, non-activating)
  keyTipOverlay,  ///< one per screen, above menus, ignores the mouse
  coachHint,      ///< the learning-hint capsule
  palette,        ///< the command palette (a key panel)
  quickPanel,     ///< the menu-bar panel (pop-up menu level, can become key)
  window,         ///< an ordinary titled window (settings, list, welcome, update, report)
};

/// Something the user did in a panel.
struct PanelAction {
  enum class Kind {
    button,     ///< `id` is the pressed button's id
    key,        ///< `id` is "up", "down", "return", "escape", or a character with `command` held
    text,       ///< `text` is the new content of the panel's text field
    toggle,     ///< `id` names a switch, `on` its new state
    select,     ///< `id` names a row or item that was chosen (a sidebar page, a list row, a picker value)
    closed,     ///< the user closed the window, or a key panel (palette, quick panel) lost key status
  };
  Kind kind = Kind::button;
  std::string id;
  std::string text;
  bool on = false;
  bool command = false;
  /// With `key`, when the panel catches raw keys (the shortcut editor): the other held modifiers
  /// and the virtual key code; `id` is then the character the key types without modifiers.
  bool shift = false;
  bool option = false;
  bool control = false;
  std::uint16_t keyCode = 0;
};

class Panel {
 public:
  virtual ~Panel() = default;
  virtual void setContent(std::shared_ptr<const views::View> content) = 0;
  /// The size the current content wants, measured by the backend.
  [[nodiscard]] virtual Size fittingSize() = 0;
  /// Window coordinates (origin bottom left, y up).
  virtual void setFrame(const Rect& frame) = 0;
  [[nodiscard]] virtual Rect frame() const = 0;
  /// Shows the panel without activating the application.
  virtual void orderFront() = 0;
  /// Shows the panel and makes it the key window (palette, quick panel, windows). The window that
  /// was key loses key status but stays open: only a key panel reports that as `closed`.
  virtual void makeKeyAndOrderFront() = 0;
  /// Hides the panel. Ordering out a key panel that is the key window sends it `closed`, as losing
  /// key status does.
  virtual void orderOut() = 0;
  [[nodiscard]] virtual bool isVisible() const = 0;
  [[nodiscard]] virtual bool isKey() const = 0;
  virtual void setIgnoresMouse(bool ignores) = 0;
  /// Animates the alpha value over `seconds` (0: at once); `done` runs on the main queue after.
  virtual void animateAlpha(double alpha, double seconds, std::function<void()> done) = 0;
  virtual void setCornerRadius(double radius) = 0;
  virtual void setTitle(const std::string& title) = 0;
  /// Centres an ordinary window on its screen.
  virtual void center() = 0;
  virtual void setActionSink(std::function<void(const PanelAction&)> sink) = 0;
};

class Panels {
 public:
  virtual ~Panels() = default;
  /// A new hidden panel of that kind with an initial content size.
  [[nodiscard]] virtual std::unique_ptr<Panel> create(PanelKind kind, Size initialSize) = 0;
  /// Whether one of the program's own panels or windows is the key window. The one call that may
  /// come from any thread (the key tap's): it reads what the main thread last saw.
  [[nodiscard]] virtual bool ownWindowIsKey() const = 0;
};

enum class FontWeight { regular, medium, semibold, bold };

/// Text measured in the system font. Main thread.
class TextMetrics {
 public:
  virtual ~TextMetrics() = default;
  [[nodiscard]] virtual double width(const std::string& text, double pointSize, FontWeight weight) = 0;
};

}  // namespace corvane::platform

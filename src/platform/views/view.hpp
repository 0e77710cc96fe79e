#pragma once
// View models: plain data that the core builds and a backend draws (AppKit views on a Mac, text and
// SVG renderers in the simulator). Every view model derives from View so a panel can carry any of
// them; a backend recognises the ones it draws with dynamic_cast.

#include <string>

namespace corvane::platform::views {

struct Color {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 1;
  friend bool operator==(const Color&, const Color&) = default;
};

/// A button the user can press: the backend sends `id` back through the panel's action sink.
struct Button {
  std::string id;
  std::string title;
  friend bool operator==(const Button&, const Button&) = default;
};

struct View {
  View() = default;
  View(const View&) = default;
  View& operator=(const View&) = default;
  virtual ~View() = default;
  /// Views compare by their own fields; the base adds nothing.
  friend bool operator==(const View&, const View&) = default;
};

}  // namespace corvane::platform::views

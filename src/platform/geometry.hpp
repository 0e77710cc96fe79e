#pragma once
// Plain geometry values. Accessibility and window-list rectangles have their origin at the top left
// of the primary screen (y grows down); panel frames use window coordinates (origin bottom left).

#include <algorithm>

namespace corvane::platform {

struct Point {
  double x = 0;
  double y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  double width = 0;
  double height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;

  [[nodiscard]] double minX() const { return x; }
  [[nodiscard]] double minY() const { return y; }
  [[nodiscard]] double maxX() const { return x + width; }
  [[nodiscard]] double maxY() const { return y + height; }
  [[nodiscard]] double midX() const { return x + width / 2; }
  [[nodiscard]] double midY() const { return y + height / 2; }
  [[nodiscard]] Point origin() const { return {x, y}; }
  [[nodiscard]] Size size() const { return {width, height}; }
  [[nodiscard]] bool isEmpty() const { return width <= 0 || height <= 0; }
  /// Half-open containment, as CGRectContainsPoint.
  [[nodiscard]] bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
  [[nodiscard]] bool intersects(const Rect& o) const {
    if (isEmpty() || o.isEmpty()) return false;
    return std::max(minX(), o.minX()) < std::min(maxX(), o.maxX()) &&
           std::max(minY(), o.minY()) < std::min(maxY(), o.maxY());
  }
  /// Grown by d on every side (shrunk for negative d).
  [[nodiscard]] Rect insetBy(double d) const { return {x + d, y + d, width - 2 * d, height - 2 * d}; }
  [[nodiscard]] Rect grownBy(double d) const { return insetBy(-d); }

  friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace corvane::platform

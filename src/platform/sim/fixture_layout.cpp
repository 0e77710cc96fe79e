#include "platform/sim/fixture_layout.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace corvane::platform::sim::layout {
namespace {

constexpr double kGroupPadding = 4;
constexpr double kGap = 3;
constexpr double kCornerSize = 12;
constexpr double kRowHeight = 24;
constexpr double kLargeHeight = 84;
constexpr double kSeparatorHeight = 11;

/// Laid-out frames are whole points, as Excel reports them.
void place(SimNode& node, Rect frame) {
  if (node.fixedFrame) return;
  node.frame = Rect{std::round(frame.x), std::round(frame.y), std::round(frame.width), std::round(frame.height)};
}

Rect frameOf(const SimNode& node) { return node.frame.value_or(Rect{}); }

std::size_t characters(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

/// A large button shows its label under the icon, on two lines when it is long.
double largeWidth(std::string_view label) {
  std::size_t widest = characters(label);
  if (widest > 10) {
    auto middle = label.size() / 2;
    std::size_t best = std::string_view::npos;
    for (std::size_t i = 0; i < label.size(); ++i) {
      if (label[i] == ' ' && (best == std::string_view::npos ||
                              (i > middle ? i - middle : middle - i) < (best > middle ? best - middle : middle - best))) {
        best = i;
      }
    }
    if (best != std::string_view::npos) {
      widest = std::max(characters(label.substr(0, best)), characters(label.substr(best + 1)));
    }
  }
  return std::max(40.0, 6.2 * static_cast<double>(widest) + 12);
}

bool isGallery(const SimNode& node) { return node.role == "AXScrollArea" && node.help == "gallery"; }

bool opensMenu(const SimNode& node) {
  return (node.source != nullptr && node.source->hasMenu) || node.role == "AXMenuButton" ||
         node.role == "AXPopUpButton";
}

double controlWidth(const SimNode& control, Placement where) {
  if (control.source != nullptr && control.source->width) return *control.source->width;
  if (where == Placement::large) return isGallery(control) ? 200 : largeWidth(control.displayName());
  if (control.role == "AXComboBox") return 100;
  if (control.role == "AXPopUpButton") return 110;
  if (control.role == "AXTextField") return 80;
  return 20 + textWidth(control.displayName(), 5.5) + (opensMenu(control) ? 10 : 0);
}

/// Children without a frame of their own take their parent's.
void fill(SimNode& node) {
  for (auto& child : node.children) {
    place(*child, frameOf(node));
    fill(*child);
  }
}

/// A gallery shows its items in a grid of two visible rows.
void layoutGallery(SimNode& gallery) {
  Rect g = frameOf(gallery);
  constexpr double cellWidth = 62, cellHeight = 38;
  auto columns = std::max<std::size_t>(1, static_cast<std::size_t>((g.width - 8) / cellWidth));
  for (std::size_t i = 0; i < gallery.children.size(); ++i) {
    auto& item = *gallery.children[i];
    double x = g.x + 4 + cellWidth * static_cast<double>(i % columns);
    double y = g.y + 4 + (cellHeight + 2) * static_cast<double>(i / columns);
    place(item, {x, y, cellWidth - 2, cellHeight});
    fill(item);
  }
}

void layoutInside(SimNode& control) {
  if (isGallery(control)) {
    layoutGallery(control);
  } else {
    fill(control);
  }
}

void layoutToolbar(SimNode& toolbar) {
  Rect t = frameOf(toolbar);
  double left = t.x + 78;  // after the window's three buttons
  double right = t.maxX() - 8;
  double y = t.y + 3;
  for (auto& child : toolbar.children) {
    auto& item = *child;
    Align align = item.source != nullptr ? item.source->align : Align::left;
    auto label = item.title.empty() && item.value && std::holds_alternative<std::string>(*item.value)
                     ? std::string_view(std::get<std::string>(*item.value))
                     : std::string_view(item.displayName());
    switch (align) {
      case Align::left: {
        double w = item.source != nullptr && item.source->width ? *item.source->width : 28;
        place(item, {left, y, w, 22});
        left += w + kGap;
        break;
      }
      case Align::center: {
        double w = item.source != nullptr && item.source->width ? *item.source->width : textWidth(label, 7) + 16;
        place(item, {t.midX() - w / 2, y, w, 22});
        break;
      }
      case Align::right: {
        double w = item.source != nullptr && item.source->width ? *item.source->width : textWidth(label, 6.5) + 24;
        right -= w;
        place(item, {right, y, w, 22});
        right -= kGap;
        break;
      }
    }
    fill(item);
  }
}

void layoutCommands(SimNode& area) {
  Rect a = frameOf(area);
  double x = a.x + 6;
  for (auto& child : area.children) {
    if (child->kind == NodeKind::group) {
      x += layoutGroup(*child, x, a.y) + kGap;
    } else {
      place(*child, a);
      fill(*child);
    }
  }
}

void layoutTabGroup(SimNode& tabs) {
  Rect t = frameOf(tabs);
  double x = t.x + 8;
  double right = t.maxX() - 8;
  for (auto& child : tabs.children) {
    switch (child->kind) {
      case NodeKind::tab: {
        double w = textWidth(child->title, 7) + 22;
        place(*child, {x, t.y, w, kTabRowHeight});
        x += w;
        break;
      }
      case NodeKind::commands:
        place(*child, {t.x, t.y + kTabRowHeight, t.width, kRibbonHeight});
        layoutCommands(*child);
        break;
      default: {
        // Other elements of the tab row sit at its right end.
        double w = textWidth(child->displayName(), 6.5) + 24;
        right -= w;
        place(*child, {right, t.y, w, kTabRowHeight});
        right -= kGap;
        fill(*child);
        break;
      }
    }
  }
}

/// Stacks a dialog control (and what it holds) at (x, y); returns the height it takes.
double stack(SimNode& node, double x, double y, double width) {
  if (node.children.empty()) {
    bool box = node.role == "AXTextField" || node.role == "AXPopUpButton" || node.role == "AXComboBox";
    double w = box ? std::min(width, 200.0) : std::min(width, textWidth(node.displayName(), 6.5) + 30);
    place(node, {x, y, w, 22});
    return 22;
  }
  double inner = y + 4;
  for (auto& child : node.children) inner += stack(*child, x + 10, inner, width - 20) + 6;
  double height = inner - y - 2;
  place(node, {x, y, width, height});
  return frameOf(node).height;
}

}  // namespace

double textWidth(std::string_view text, double perCharacter) {
  return perCharacter * static_cast<double>(characters(text));
}

void layoutWindow(SimNode& window) {
  Rect w = frameOf(window);
  double ribbonBottom = w.y + kTitleBarHeight + kTabRowHeight + kRibbonHeight;
  for (auto& child : window.children) {
    switch (child->kind) {
      case NodeKind::tabGroup:
        place(*child, {w.x, w.y + kTitleBarHeight, w.width, kTabRowHeight + kRibbonHeight});
        layoutTabGroup(*child);
        break;
      case NodeKind::dialog:
        break;  // a sheet is placed when it opens
      default:
        if (child->role == "AXToolbar") {
          place(*child, {w.x, w.y, w.width, kTitleBarHeight});
          layoutToolbar(*child);
        } else {
          place(*child, {w.x, ribbonBottom, w.width, std::max(0.0, w.maxY() - ribbonBottom)});
          fill(*child);
        }
        break;
    }
  }
}

double layoutGroup(SimNode& group, double x, double areaTop) {
  double cursor = x + kGroupPadding;
  bool inRows = false;
  bool hasCorner = false;
  bool any = false;
  std::array<double, 3> rowX{};
  for (auto& child : group.children) {
    auto& control = *child;
    Placement where = control.source != nullptr ? control.source->place : Placement::large;
    if (where == Placement::corner) {
      hasCorner = true;
      continue;
    }
    if (control.fixedFrame) continue;
    any = true;
    double w = controlWidth(control, where);
    if (where == Placement::large) {
      if (inRows) cursor = *std::max_element(rowX.begin(), rowX.end());
      inRows = false;
      place(control, {cursor, areaTop + 4, w, kLargeHeight});
      cursor += w + kGap;
    } else {
      if (!inRows) rowX = {cursor, cursor, cursor};
      inRows = true;
      std::size_t row = where == Placement::row1 ? 0 : where == Placement::row2 ? 1 : 2;
      place(control, {rowX[row], areaTop + 5 + 28 * static_cast<double>(row), w, kRowHeight});
      rowX[row] += w + kGap;
    }
    layoutInside(control);
  }
  if (inRows) cursor = *std::max_element(rowX.begin(), rowX.end());
  double contentEnd = any ? cursor - kGap : cursor;
  double width = std::max(40.0, contentEnd + kGroupPadding - x + (hasCorner ? kCornerSize + 2 : 0));
  place(group, {x, areaTop + 2, width, kRibbonHeight - 4});
  Rect g = frameOf(group);
  for (auto& child : group.children) {
    if (child->source != nullptr && child->source->place == Placement::corner) {
      place(*child, {g.maxX() - kCornerSize - 3, g.maxY() - kCornerSize - 3, kCornerSize, kCornerSize});
      fill(*child);
    }
  }
  return g.width;
}

void layoutMenu(SimNode& menu, Point topLeft) {
  double width = 180;
  for (const auto& item : menu.children) {
    double keys = item->source != nullptr && !item->source->keyChar.empty() ? 50 : 0;
    width = std::max(width, textWidth(item->title, 7) + 40 + keys);
  }
  double y = topLeft.y + 4;
  for (auto& child : menu.children) {
    auto& item = *child;
    double h = item.title.empty() ? kSeparatorHeight : kMenuItemHeight;
    place(item, {topLeft.x, y, width, h});
    for (auto& sub : item.children) {
      if (sub->role == "AXMenu") {
        layoutMenu(*sub, {topLeft.x + width, y - 4});
      } else {
        place(*sub, frameOf(item));
        fill(*sub);
      }
    }
    y += h;
  }
  place(menu, {topLeft.x, topLeft.y, width, y - topLeft.y + 4});
}

void layoutMenuBar(SimNode& menuBar, double screenWidth) {
  place(menuBar, {0, 0, screenWidth, kMenuBarHeight});
  double x = 10;
  for (std::size_t i = 0; i < menuBar.children.size(); ++i) {
    auto& item = *menuBar.children[i];
    double w = i == 0 ? 30 : textWidth(item.title, 7) + 18;
    place(item, {x, 0, w, kMenuBarHeight - 1});
    for (auto& sub : item.children) {
      if (sub->role == "AXMenu") layoutMenu(*sub, {x, kMenuBarHeight});
    }
    x += w;
  }
}

void layoutDialog(SimNode& dialog, Rect frame) {
  place(dialog, frame);
  Rect d = frameOf(dialog);
  double top = d.y + (dialog.role == "AXSheet" ? 12 : kTitleBarHeight) + 10;
  double right = d.maxX() - 20;
  double bottomRow = d.maxY() - 20 - 22;
  for (auto& child : dialog.children) {
    auto& control = *child;
    if (control.role == "AXButton" && control.source != nullptr && control.source->closes) {
      double w = std::max(80.0, textWidth(control.displayName(), 7) + 24);
      right -= w;
      place(control, {right, bottomRow, w, 22});
      right -= 12;
      fill(control);
    } else {
      top += stack(control, d.x + 20, top, d.width - 40) + 8;
    }
  }
}

}  // namespace corvane::platform::sim::layout

#include "platform/sim/svg_renderer.hpp"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/text_renderer.hpp"
#include "platform/views/hud_views.hpp"

namespace corvane::platform::sim {
namespace {

std::string num(double value) {
  if (value == 0) return "0";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  std::string out = text;
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out.pop_back();
  return out;
}

std::string rgb(const views::Color& c) {
  auto channel = [](double v) { return std::to_string(static_cast<int>(v * 255 + 0.5)); };
  return "rgb(" + channel(c.red) + "," + channel(c.green) + "," + channel(c.blue) + ")";
}

std::string rectAttributes(const Rect& r) {
  return "x=\"" + num(r.x) + "\" y=\"" + num(r.y) + "\" width=\"" + num(r.width) + "\" height=\"" + num(r.height) + "\"";
}

std::string kindOf(const std::string& role, const std::string& parentRole) {
  if (role == "AXWindow") return "window";
  // A gallery's items are radio buttons too, inside its scroll area.
  if (role == "AXRadioButton") return parentRole == "AXScrollArea" ? "control" : "tab";
  if (role == "AXGroup") return "group";
  if (role == "AXToolbar") return "toolbar";
  if (role == "AXTabGroup") return "ribbon";
  if (role == "AXScrollArea") return "area";
  if (role == "AXMenu") return "menu";
  if (role == "AXStaticText") return "text";
  return "control";
}

void drawElement(SvgPicture& picture, Accessibility& ax, const Element& element, int depth, int maxDepth,
                 const std::string& parentRole = {}) {
  static constexpr std::string_view names[] = {"AXRole",     "AXTitle", "AXDescription", "AXValue",
                                               "AXPosition", "AXSize",  "AXEnabled",     "AXChildren"};
  auto values = ax.copyMultipleAttributes(element, names);
  if (!values) return;
  const auto& v = *values;
  auto role = valueAs<std::string>(v[0]).value_or("");
  auto position = valueAs<Point>(v[4]);
  auto size = valueAs<Size>(v[5]);
  if (position && size && role != "AXApplication") {
    std::string label;
    for (std::size_t i : {1u, 2u, 3u}) {
      auto text = valueAs<std::string>(v[i]);
      if (text && !text->empty()) {
        label = *text;
        break;
      }
    }
    bool selected = role == "AXRadioButton" && parentRole != "AXScrollArea" && valueAs<std::int64_t>(v[3]).value_or(0) == 1;
    picture.addBox({position->x, position->y, size->width, size->height}, kindOf(role, parentRole), label,
                   valueAs<bool>(v[6]).value_or(true), selected);
  }
  if (depth >= maxDepth) return;
  for (const auto& child : valueAs<std::vector<Element>>(v[7]).value_or(std::vector<Element>{})) {
    drawElement(picture, ax, child, depth + 1, maxDepth, role);
  }
}

}  // namespace

std::string xmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
        break;
    }
  }
  return out;
}

SvgPicture::SvgPicture(Rect area, double screenTop) : area_(area), top_(screenTop) {}

Rect SvgPicture::fromWindow(const Rect& r) const { return {r.x, top_ - r.maxY(), r.width, r.height}; }

namespace {

std::size_t characters(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

double textWidth(std::string_view text, double size) {
  return static_cast<double>(characters(text)) * size * SvgPicture::kCharacterWidth;
}

/// The first characters of `text` that fit in `width`, with "…" when cut; empty when not even one does.
std::string fitted(const std::string& text, double width, double size) {
  if (textWidth(text, size) <= width) return text;
  auto room = static_cast<std::size_t>(std::max(0.0, width / (size * SvgPicture::kCharacterWidth)));
  if (room < 2) return {};
  std::string out;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    bool starts = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (starts && ++kept == room) break;
    out += text[i];
  }
  return out + "…";
}

bool intersects(const Rect& a, const Rect& b) {
  return a.x < b.maxX() && b.x < a.maxX() && a.y < b.maxY() && b.y < a.maxY();
}

std::string textElement(double x, double y, double size, const std::string& text, const std::string& extra = {}) {
  return "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" font-size=\"" + num(size) + "\"" + extra + ">" +
         xmlEscaped(text) + "</text>";
}

}  // namespace

void SvgPicture::addBox(const Rect& frame, const std::string& kind, const std::string& label, bool enabled,
                        bool selected) {
  boxes_.push_back({frame, kind, label, enabled, selected});
}

std::string SvgPicture::boxSvg(const Box& box, const std::optional<Label>& label) const {
  std::string out = "<g class=\"" + box.kind + (box.enabled ? "" : " disabled") + (box.selected ? " selected" : "") +
                    "\"><rect " + rectAttributes(box.frame) + "/>";
  if (label) out += textElement(label->x, label->baseline, kLabelSize, label->text);
  return out + "</g>\n";
}

std::optional<SvgPicture::Label> SvgPicture::placeLabel(const Box& box, const std::vector<Rect>& taken) const {
  if (box.label.empty() || box.kind == "window" || box.kind == "ribbon" || box.kind == "area") return std::nullopt;
  const auto& frame = box.frame;
  // A group's name sits under its controls, as on the ribbon; anything else at its top.
  std::vector<double> baselines{frame.y + std::min(frame.height - 2, 11.0)};
  if (box.kind == "group") baselines.insert(baselines.begin(), frame.maxY() - 2);
  for (double baseline : baselines) {
    Rect band{frame.x, baseline - kLabelSize * 0.75, frame.width, kLabelSize * 0.95};
    // A badge over the label's start (as on menu items) pushes the label to its right.
    double x = frame.x + 3;
    for (const auto& badge : badgeRects_) {
      if (intersects(badge, band) && badge.x <= x + kLabelSize && badge.maxX() + 2 > x) x = badge.maxX() + 2;
    }
    // Cut before the first text or badge in its way.
    double end = frame.maxX() - 2;
    for (const auto& other : taken) {
      Rect rest{x, band.y, std::max(0.0, end - x), band.height};
      if (!intersects(other, rest)) continue;
      end = std::min(end, other.x - 2);
    }
    auto text = fitted(box.label, end - x, kLabelSize);
    if (!text.empty()) return Label{x, baseline, text};
  }
  return std::nullopt;
}

void SvgPicture::addOverlay(const views::KeyTipOverlayView& view, const Rect& panelFrame) {
  for (const auto& badge : view.badges) {
    Rect inWindow{panelFrame.x + badge.rect.x, panelFrame.y + badge.rect.y, badge.rect.width, badge.rect.height};
    auto r = fromWindow(inWindow);
    badgeRects_.push_back(r);
    badges_ += "<g class=\"keytip\" data-keys=\"" + xmlEscaped(badge.keys) + "\" data-target=\"" +
               xmlEscaped(badge.target) + "\">";
    if (badge.connector) {
      auto a = badge.connector->first;
      auto b = badge.connector->second;
      badges_ += "<line x1=\"" + num(panelFrame.x + a.x) + "\" y1=\"" + num(top_ - (panelFrame.y + a.y)) + "\" x2=\"" +
                 num(panelFrame.x + b.x) + "\" y2=\"" + num(top_ - (panelFrame.y + b.y)) + "\" stroke=\"" +
                 rgb(badge.connectorColor) + "\" stroke-opacity=\"" + num(badge.connectorColor.alpha) +
                 "\" stroke-width=\"1\" stroke-linecap=\"round\"/>";
    }
    badges_ += "<rect " + rectAttributes(r) + " rx=\"" + num(badge.cornerRadius) + "\" fill=\"" + rgb(badge.fill) +
               "\" fill-opacity=\"" + num(badge.fill.alpha) + "\" stroke=\"" + rgb(badge.border) +
               "\" stroke-opacity=\"" + num(badge.border.alpha) + "\" stroke-width=\"" + num(badge.borderWidth) + "\"/>";
    badges_ += textElement(r.midX(), r.midY() + badge.fontSize * 0.35, badge.fontSize, badge.text,
                           " text-anchor=\"middle\" font-weight=\"500\" fill=\"" + rgb(badge.textColor) +
                               "\" fill-opacity=\"" + num(badge.textColor.alpha) + "\"") +
               "</g>\n";
  }
}

void SvgPicture::addPanel(const views::View& view, const Rect& panelFrame, const std::string& kind) {
  Panel panel{fromWindow(panelFrame), kind, {}, false};
  auto lines = renderTextLines(view);
  const auto* keyList = dynamic_cast<const views::KeyListView*>(&view);
  std::size_t rowsFrom = lines.size();
  std::size_t rowsTo = lines.size();
  std::vector<double> columnX;
  if (keyList != nullptr) {
    panel.movable = true;
    // The rows are laid out as columns here rather than by padding with spaces.
    rowsFrom = 1 + (keyList->subtitle ? 1 : 0);
    std::size_t rows = 0;
    double x = 0;
    for (const auto& column : keyList->columns) {
      rows = std::max(rows, column.size());
      columnX.push_back(x);
      double widest = 0;
      for (const auto& row : column) {
        auto cell = "[" + row.key + "] " + row.label + (row.legacy ? " (2003)" : "") + (row.isGroup ? " ›" : "");
        widest = std::max(widest, textWidth(cell, kPanelSize));
      }
      x += widest + 18;
    }
    rowsTo = std::min(lines.size(), rowsFrom + rows);
  }
  double widest = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::vector<std::pair<double, std::string>> cells;
    if (i >= rowsFrom && i < rowsTo) {
      for (std::size_t c = 0; c < keyList->columns.size(); ++c) {
        const auto& column = keyList->columns[c];
        if (i - rowsFrom >= column.size()) continue;
        const auto& row = column[i - rowsFrom];
        cells.emplace_back(columnX[c], "[" + row.key + "] " + row.label + (row.legacy ? " (2003)" : "") +
                                           (row.isGroup ? " ›" : ""));
      }
    } else {
      cells.emplace_back(0, lines[i]);
    }
    for (const auto& [offset, text] : cells) widest = std::max(widest, offset + textWidth(text, kPanelSize));
    panel.lines.push_back(std::move(cells));
  }
  // Wide enough for what it holds, whatever the platform's panel measured.
  panel.frame.width = std::max(panel.frame.width, widest + 24);
  panel.frame.height = std::max(panel.frame.height, 16 + 18.0 * static_cast<double>(panel.lines.size()));
  panels_.push_back(std::move(panel));
}

bool SvgPicture::coversABadge(const Rect& r) const {
  return std::ranges::any_of(badgeRects_, [&r](const Rect& badge) { return intersects(badge, r); });
}

SvgPicture::Panel SvgPicture::placed(const Panel& given) const {
  Panel panel = given;
  if (!panel.movable || !coversABadge(panel.frame)) return panel;
  // The corners of the picture, lowest first: the key list is read after the badges it explains.
  const double margin = 16;
  const double w = panel.frame.width;
  const double h = panel.frame.height;
  for (const Point& corner : {Point{area_.maxX() - w - margin, area_.maxY() - h - margin},
                              Point{area_.x + margin, area_.maxY() - h - margin},
                              Point{area_.maxX() - w - margin, area_.y + margin}, Point{area_.x + margin, area_.y + margin}}) {
    Rect moved{corner.x, corner.y, w, h};
    if (!coversABadge(moved)) {
      panel.frame = moved;
      break;
    }
  }
  return panel;
}

std::string SvgPicture::panelSvg(const Panel& panel) const {
  const auto& r = panel.frame;
  std::string out = "<g class=\"panel " + panel.kind + "\"><rect " + rectAttributes(r) + " rx=\"10\"/>";
  double y = r.y + 8 + kPanelSize;
  for (const auto& line : panel.lines) {
    for (const auto& [offset, text] : line) {
      if (!text.empty()) out += textElement(r.x + 12 + offset, y, kPanelSize, text);
    }
    y += 18;
  }
  return out + "</g>\n";
}

std::string SvgPicture::str() const {
  std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"" + num(area_.x) + " " + num(area_.y) + " " +
                    num(area_.width) + " " + num(area_.height) + "\" width=\"" + num(area_.width) + "\" height=\"" +
                    num(area_.height) + "\">\n";
  out +=
      "<style>\n"
      "text { font-family: -apple-system, Helvetica, sans-serif; fill: #333; }\n"
      ".window > rect { fill: #f3f3f3; stroke: #888; }\n"
      ".toolbar > rect, .ribbon > rect { fill: #e8e8e8; stroke: none; }\n"
      ".area > rect { fill: #fff; stroke: #ccc; }\n"
      ".group > rect { fill: none; stroke: #c8c8c8; stroke-dasharray: 2 2; }\n"
      ".tab > rect { fill: #ddd; stroke: #aaa; }\n"
      ".tab.selected > rect { fill: #fff; stroke: #217346; }\n"
      ".control > rect, .text > rect, .menu > rect { fill: #fff; stroke: #999; }\n"
      ".disabled text { fill: #aaa; }\n"
      ".panel > rect { fill: rgba(246,246,246,0.96); stroke: #999; }\n"
      "</style>\n";
  std::vector<Panel> panels;
  for (const auto& panel : panels_) panels.push_back(placed(panel));
  // Labels are placed where nothing else is: badges and panels first, then the controls' own
  // labels, then the groups' names in what room is left. Drawing keeps the elements' order.
  std::vector<Rect> taken = badgeRects_;
  for (const auto& panel : panels) taken.push_back(panel.frame);
  std::vector<std::optional<Label>> labels(boxes_.size());
  for (bool groups : {false, true}) {
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
      if ((boxes_[i].kind == "group") != groups) continue;
      labels[i] = placeLabel(boxes_[i], taken);
      if (labels[i]) {
        taken.push_back({labels[i]->x, labels[i]->baseline - kLabelSize * 0.75,
                         textWidth(labels[i]->text, kLabelSize), kLabelSize * 0.95});
      }
    }
  }
  for (std::size_t i = 0; i < boxes_.size(); ++i) out += boxSvg(boxes_[i], labels[i]);
  out += badges_;
  for (const auto& panel : panels) out += panelSvg(panel);
  return out + "</svg>\n";
}

void drawExcel(SvgPicture& picture, SimExcel& excel, int maxDepth) {
  auto pid = excel.pid();
  if (!pid) return;
  auto& ax = excel.accessibility();
  auto app = ax.application(*pid);
  auto windows = valueAs<std::vector<Element>>(ax.attribute(app, "AXWindows")).value_or(std::vector<Element>{});
  // Back to front, so menus and dialogs are drawn over the workbook.
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) drawElement(picture, ax, *it, 0, maxDepth);
}

}  // namespace corvane::platform::sim

#include "platform/sim/svg_renderer.hpp"

#include <cstdio>

#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/text_renderer.hpp"

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

void SvgPicture::addBox(const Rect& frame, const std::string& kind, const std::string& label, bool enabled,
                        bool selected) {
  body_ += "<g class=\"" + kind + (enabled ? "" : " disabled") + (selected ? " selected" : "") + "\"><rect " +
           rectAttributes(frame) + "/>";
  if (!label.empty() && kind != "window" && kind != "ribbon" && kind != "area") {
    body_ += "<text x=\"" + num(frame.x + 3) + "\" y=\"" + num(frame.y + std::min(frame.height - 2, 11.0)) + "\">" +
             xmlEscaped(label) + "</text>";
  }
  body_ += "</g>\n";
}

void SvgPicture::addOverlay(const views::KeyTipOverlayView& view, const Rect& panelFrame) {
  for (const auto& badge : view.badges) {
    Rect inWindow{panelFrame.x + badge.rect.x, panelFrame.y + badge.rect.y, badge.rect.width, badge.rect.height};
    auto r = fromWindow(inWindow);
    body_ += "<g class=\"keytip\" data-keys=\"" + xmlEscaped(badge.keys) + "\" data-target=\"" +
             xmlEscaped(badge.target) + "\">";
    if (badge.connector) {
      auto a = badge.connector->first;
      auto b = badge.connector->second;
      body_ += "<line x1=\"" + num(panelFrame.x + a.x) + "\" y1=\"" + num(top_ - (panelFrame.y + a.y)) + "\" x2=\"" +
               num(panelFrame.x + b.x) + "\" y2=\"" + num(top_ - (panelFrame.y + b.y)) + "\" stroke=\"" +
               rgb(badge.connectorColor) + "\" stroke-opacity=\"" + num(badge.connectorColor.alpha) +
               "\" stroke-width=\"1\" stroke-linecap=\"round\"/>";
    }
    body_ += "<rect " + rectAttributes(r) + " rx=\"" + num(badge.cornerRadius) + "\" fill=\"" + rgb(badge.fill) +
             "\" fill-opacity=\"" + num(badge.fill.alpha) + "\" stroke=\"" + rgb(badge.border) + "\" stroke-opacity=\"" +
             num(badge.border.alpha) + "\" stroke-width=\"" + num(badge.borderWidth) + "\"/>";
    body_ += "<text x=\"" + num(r.midX()) + "\" y=\"" + num(r.midY() + badge.fontSize * 0.35) +
             "\" text-anchor=\"middle\" font-size=\"" + num(badge.fontSize) + "\" font-weight=\"500\" fill=\"" +
             rgb(badge.textColor) + "\" fill-opacity=\"" + num(badge.textColor.alpha) + "\">" + xmlEscaped(badge.text) +
             "</text></g>\n";
  }
}

void SvgPicture::addPanel(const views::View& view, const Rect& panelFrame, const std::string& kind) {
  auto r = fromWindow(panelFrame);
  body_ += "<g class=\"panel " + kind + "\"><rect " + rectAttributes(r) + " rx=\"10\"/>";
  double y = r.y + 8 + 13;
  for (const auto& line : renderTextLines(view)) {
    body_ += "<text x=\"" + num(r.x + 12) + "\" y=\"" + num(y) + "\">" + xmlEscaped(line) + "</text>";
    y += 18;
  }
  body_ += "</g>\n";
}

std::string SvgPicture::str() const {
  std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"" + num(area_.x) + " " + num(area_.y) + " " +
                    num(area_.width) + " " + num(area_.height) + "\" width=\"" + num(area_.width) + "\" height=\"" +
                    num(area_.height) + "\">\n";
  out +=
      "<style>\n"
      "text { font-family: -apple-system, Helvetica, sans-serif; font-size: 9px; fill: #333; }\n"
      ".window > rect { fill: #f3f3f3; stroke: #888; }\n"
      ".toolbar > rect, .ribbon > rect { fill: #e8e8e8; stroke: none; }\n"
      ".area > rect { fill: #fff; stroke: #ccc; }\n"
      ".group > rect { fill: none; stroke: #c8c8c8; stroke-dasharray: 2 2; }\n"
      ".tab > rect { fill: #ddd; stroke: #aaa; }\n"
      ".tab.selected > rect { fill: #fff; stroke: #217346; }\n"
      ".control > rect, .text > rect, .menu > rect { fill: #fff; stroke: #999; }\n"
      ".disabled text { fill: #aaa; }\n"
      ".panel > rect { fill: rgba(246,246,246,0.96); stroke: #999; }\n"
      ".panel text { font-size: 13px; white-space: pre; }\n"
      ".keytip text { font-family: -apple-system, Helvetica, sans-serif; }\n"
      "</style>\n";
  return out + body_ + "</svg>\n";
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

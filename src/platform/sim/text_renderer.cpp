#include "platform/sim/text_renderer.hpp"

#include <algorithm>
#include <cstdio>

#include "platform/sim/sim_text_metrics.hpp"
#include "platform/views/coach_hint_view.hpp"
#include "platform/views/hud_views.hpp"
#include "platform/views/key_tip_overlay_view.hpp"
#include "platform/views/palette_view.hpp"

namespace corvane::platform::sim {
namespace {

std::string joined(const std::vector<std::string>& parts, const std::string& separator) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += separator;
    out += parts[i];
  }
  return out;
}

std::string padded(const std::string& text, std::size_t width) {
  auto n = characterCount(text);
  return n >= width ? text : text + std::string(width - n, ' ');
}

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value == 0 ? 0.0 : value);
  return text;
}

std::string badges(const std::vector<std::string>& keys) {
  std::vector<std::string> parts;
  for (const auto& key : keys) parts.push_back("[" + key + "]");
  return joined(parts, " ");
}

std::vector<std::string> keyList(const views::KeyListView& v) {
  std::vector<std::string> lines;
  std::string header = v.pathKeys.empty() ? std::string() : "⌥ " + joined(v.pathKeys, " ") + "  ";
  lines.push_back(header + v.title);
  if (v.subtitle) lines.push_back(*v.subtitle);
  std::vector<std::vector<std::string>> cells;
  std::size_t rows = 0;
  for (const auto& column : v.columns) {
    std::vector<std::string> texts;
    for (const auto& row : column) {
      std::string text = "[" + row.key + "] " + row.label;
      if (row.legacy) text += " (2003)";
      if (row.isGroup) text += " ›";
      texts.push_back(std::move(text));
    }
    rows = std::max(rows, texts.size());
    cells.push_back(std::move(texts));
  }
  for (std::size_t r = 0; r < rows; ++r) {
    std::string line;
    for (std::size_t c = 0; c < cells.size(); ++c) {
      if (r >= cells[c].size()) continue;
      if (c + 1 < cells.size()) {
        std::size_t width = 0;
        for (const auto& cell : cells[c]) width = std::max(width, characterCount(cell));
        line += padded(cells[c][r], width + 3);
      } else {
        line += cells[c][r];
      }
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(std::move(line));
  }
  if (v.message) {
    lines.push_back((v.messageIsError ? "(!) " : "(i) ") + *v.message);
  } else {
    std::vector<std::string> hints;
    for (const auto& hint : v.hints) hints.push_back(hint.key + " " + hint.text);
    lines.push_back(joined(hints, "   "));
  }
  return lines;
}

std::vector<std::string> notice(const views::NoticeView& v) {
  std::vector<std::string> lines{v.appName + ": " + (v.isError ? "⚠ " : "") + v.message};
  for (const auto& line : v.lines) lines.push_back(line);
  if (v.action) lines.push_back("[" + v.action->title + "]");
  return lines;
}

std::vector<std::string> problem(const views::ProblemView& v) {
  std::vector<std::string> lines{v.title};
  if (!v.detail.empty()) lines.push_back(v.detail);
  if (!v.keysLine.empty()) lines.push_back(v.keysLine);
  std::vector<std::string> buttons;
  for (const auto& fix : v.fixes) buttons.push_back("[" + fix.title + "]");
  buttons.push_back("[" + v.dismiss.title + "]");
  buttons.push_back("[x]");
  lines.push_back(joined(buttons, " "));
  return lines;
}

std::vector<std::string> overlay(const views::KeyTipOverlayView& v) {
  std::vector<std::string> lines;
  for (const auto& badge : v.badges) {
    lines.push_back("[" + badge.text + "] " + badge.keys + " → " + badge.target + " at (" + number(badge.rect.x) +
                    ", " + number(badge.rect.y) + ", " + number(badge.rect.width) + " × " +
                    number(badge.rect.height) + ")" + (badge.fill.alpha < 1 ? " disabled" : ""));
  }
  return lines;
}

std::vector<std::string> coach(const views::CoachHintView& v) {
  std::string line = v.name + "  " + badges(v.keys) + "  " + v.trailer;
  if (v.turnOff) line += "  [" + v.turnOff->title + "]";
  return {line};
}

std::vector<std::string> palette(const views::PaletteView& v) {
  std::vector<std::string> lines{"🔍 " + (v.query.empty() ? v.placeholder : v.query)};
  if (v.emptyText) {
    lines.push_back(*v.emptyText);
  } else {
    if (v.heading) lines.push_back(*v.heading);
    for (const auto& row : v.rows) {
      lines.push_back(std::string(row.selected ? "› " : "  ") + badges(row.keys) + "  " + row.name);
      lines.push_back("    " + row.place);
    }
  }
  std::vector<std::string> keys;
  for (const auto& key : v.footerKeys) keys.push_back(key.key + " " + key.text);
  lines.push_back(v.footerInstruction + "   " + joined(keys, "   "));
  return lines;
}

}  // namespace

std::vector<std::string> renderTextLines(const views::View& view) {
  if (const auto* v = dynamic_cast<const views::KeyListView*>(&view)) return keyList(*v);
  if (const auto* v = dynamic_cast<const views::NoticeView*>(&view)) return notice(*v);
  if (const auto* v = dynamic_cast<const views::BusyView*>(&view)) return {"… " + v->title};
  if (const auto* v = dynamic_cast<const views::ProblemView*>(&view)) return problem(*v);
  if (const auto* v = dynamic_cast<const views::KeyTipOverlayView*>(&view)) return overlay(*v);
  if (const auto* v = dynamic_cast<const views::CoachHintView*>(&view)) return coach(*v);
  if (const auto* v = dynamic_cast<const views::PaletteView*>(&view)) return palette(*v);
  return {"(view)"};
}

std::string renderText(const views::View& view) {
  std::string out;
  for (const auto& line : renderTextLines(view)) out += line + "\n";
  return out;
}

Size measureView(const views::View& view) {
  auto lines = renderTextLines(view);
  std::size_t widest = 0;
  for (const auto& line : lines) widest = std::max(widest, characterCount(line));
  constexpr double kFont = 13;
  Size size{SimTextMetrics::kWidthPerPoint * kFont * static_cast<double>(widest) + 24,
            18 * static_cast<double>(lines.size()) + 16};
  if (const auto* v = dynamic_cast<const views::ProblemView*>(&view)) size.width = v->width;
  if (const auto* v = dynamic_cast<const views::CoachHintView*>(&view)) size.height = v->height;
  return size;
}

}  // namespace corvane::platform::sim

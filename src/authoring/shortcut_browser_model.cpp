#include "authoring/shortcut_browser_model.hpp"

#include <array>
#include <string_view>

#include "excel/step_description.hpp"
#include "model/text.hpp"

namespace corvane::authoring {
namespace {

const std::array<ShortcutBrowserModel::Section, 11> kSections{{
    {"all", "All Shortcuts", "list.bullet", {0.45, 0.45, 0.50}},
    {"qat", "Quick Access", "star.fill", {0.95, 0.68, 0.10}},
    {"H", "Home", "house.fill", {0.13, 0.55, 0.33}},
    {"N", "Insert", "plus.rectangle.fill", {0.20, 0.47, 0.85}},
    {"P", "Page Layout", "doc.plaintext.fill", {0.56, 0.35, 0.80}},
    {"M", "Formulas", "function", {0.85, 0.33, 0.25}},
    {"A", "Data", "tablecells.fill", {0.10, 0.60, 0.65}},
    {"W", "View", "eye.fill", {0.30, 0.40, 0.60}},
    {"R", "Review", "text.bubble.fill", {0.80, 0.45, 0.15}},
    {"legacy", "Excel 2003 Menus", "clock.arrow.circlepath", {0.55, 0.45, 0.35}},
    {"other", "Other", "ellipsis", {0.50, 0.50, 0.50}},
}};

bool contains(std::string_view haystack, std::string_view needle) { return haystack.find(needle) != std::string_view::npos; }

}  // namespace

std::span<const ShortcutBrowserModel::Section> ShortcutBrowserModel::sections() { return kSections; }

std::string sectionOf(const model::Shortcut& shortcut) {
  std::string first = shortcut.keys.empty() ? std::string() : shortcut.keys.front();
  if (model::text::isDigitCharacter(model::text::firstCharacter(first))) return "qat";
  if (first.size() == 1) {
    switch (first[0]) {
      case 'H': case 'N': case 'P': case 'M': case 'A': case 'W': case 'R':
        return first;
      case 'E': case 'I': case 'O': case 'D': case 'T':
        return "legacy";
      default:
        break;
    }
  }
  return "other";
}

std::string countText(int n) { return n == 1 ? std::string("1 shortcut") : std::to_string(n) + " shortcuts"; }

void ShortcutBrowserModel::setShortcuts(std::vector<model::Shortcut> shortcuts) {
  shortcuts_ = std::move(shortcuts);
  summaries_.clear();
  sectionIds_.clear();
  counts_.clear();
  for (const auto& s : shortcuts_) {
    summaries_.push_back(excel::describeSteps(s.steps));
    sectionIds_.push_back(sectionOf(s));
    ++counts_[sectionIds_.back()];
  }
  counts_["all"] = static_cast<int>(shortcuts_.size());
  changed.emit();
}

void ShortcutBrowserModel::setSelection(std::optional<std::string> selection) {
  selection_ = std::move(selection);
  changed.emit();
}

void ShortcutBrowserModel::setQuery(std::string query) {
  query_ = std::move(query);
  changed.emit();
}

int ShortcutBrowserModel::count(const std::string& sectionId) const {
  auto it = counts_.find(sectionId);
  return it == counts_.end() ? 0 : it->second;
}

std::vector<std::size_t> ShortcutBrowserModel::visible() const {
  const std::string selected = selection_.value_or("all");
  const std::string q = model::text::lower(model::text::trim(query_));
  const std::string compact = model::text::replaceAll(q, " ", "");
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < shortcuts_.size(); ++i) {
    if (selected != "all" && selected != sectionIds_[i]) continue;
    if (!q.empty()) {
      const auto& s = shortcuts_[i];
      bool byName = contains(model::text::lower(s.name), q);
      bool byKeys = model::text::lower(model::text::join(s.keys, "")).starts_with(compact);
      bool bySteps = !byName && !byKeys && contains(model::text::lower(summaries_[i]), q);
      if (!byName && !byKeys && !bySteps) continue;
    }
    out.push_back(i);
  }
  return out;
}

platform::views::ShortcutListView ShortcutBrowserModel::view() const {
  platform::views::ShortcutListView v;
  v.windowTitle = "Shortcut List";
  const std::string selected = selection_.value_or("all");
  for (const auto& section : kSections) {
    int n = count(section.id);
    v.sections.push_back({section.id, section.title, section.symbol, section.tint, n, countText(n),
                          section.id == selected});
  }
  v.query = query_;
  v.queryPlaceholder = "Search names, keys or steps";
  auto rows = visible();
  for (auto i : rows) {
    const auto& s = shortcuts_[i];
    v.rows.push_back({s.keys, s.name, summaries_[i], sectionIds_[i], s.note});
  }
  v.countText = countText(static_cast<int>(rows.size()));
  v.emptyText = model::text::trim(query_).empty() ? "No shortcuts here." : "No shortcut matches “" + model::text::trim(query_) + "”.";
  v.hints = {"In Excel: tap ⌥, then type the letters", "Settings › My Shortcuts"};
  v.makeYourOwnTitle = "Make Your Own…";
  return v;
}

}  // namespace corvane::authoring

#include "feedback/key_list_view_builder.hpp"

#include "feedback/badge_geometry.hpp"
#include "model/grammar.hpp"
#include "model/text.hpp"

namespace corvane::feedback {

std::optional<std::string> keyListTitle(const model::ShortcutLibrary& library, const std::vector<std::string>& path) {
  if (path.empty()) return "Excel shortcuts";
  return library.groupName(path);
}

std::vector<model::HUDOption> withoutTitlePrefix(const std::vector<model::HUDOption>& options,
                                                const std::optional<std::string>& title) {
  if (!title) return options;
  auto prefix = *title + ": ";
  auto out = options;
  for (auto& option : out) {
    if (option.label.starts_with(prefix)) option.label = model::text::upperFirst(option.label.substr(prefix.size()));
  }
  return out;
}

std::size_t keyListColumnCount(std::size_t rows) {
  if (rows <= 10) return 1;
  if (rows <= 24) return 2;
  return 3;
}

platform::views::KeyListView buildKeyListView(const HUDState& state, model::TipStyle style) {
  platform::views::KeyListView view;
  view.pathKeys = state.path;
  std::string title = state.title.value_or("");
  if (title.ends_with(")")) {
    auto open = title.rfind('(');
    if (open != std::string::npos) {
      view.subtitle = "Excel " + title.substr(open + 1, title.size() - open - 2);
      title = model::text::trim(title.substr(0, open));
    }
  }
  view.title = title;

  std::vector<platform::views::KeyListRowView> rows;
  const model::HUDOption* enterOption = nullptr;
  for (const auto& option : state.options) {
    if (option.key == "⏎") {
      enterOption = &option;
      continue;
    }
    platform::views::KeyListRowView row{option.key, option.label, option.isGroup, false};
    row.label = model::text::replaceAll(row.label, "Quick Access Toolbar button", "Quick Access button");
    constexpr std::string_view kLegacy = " (2003 menu)";
    if (row.label.ends_with(kLegacy)) {
      row.label.resize(row.label.size() - kLegacy.size());
      row.legacy = true;
    }
    rows.push_back(std::move(row));
  }
  auto columns = keyListColumnCount(rows.size());
  auto perColumn = (rows.size() + columns - 1) / columns;
  for (std::size_t i = 0; i < rows.size(); i += perColumn) {
    view.columns.emplace_back(rows.begin() + static_cast<std::ptrdiff_t>(i),
                              rows.begin() + static_cast<std::ptrdiff_t>(std::min(rows.size(), i + perColumn)));
  }

  if (state.message) {
    view.message = state.message;
    view.messageIsError = state.isError;
  } else {
    if (enterOption != nullptr) {
      bool ownLabel = !state.title || enterOption->label != *state.title;
      view.hints.push_back({"⏎", ownLabel ? enterOption->label : "Apply"});
    }
    view.hints.push_back({"esc", state.path.empty() ? "Close" : "Back"});
  }
  auto colors = styleColors(style);
  view.badgeFill = colors.fill;
  view.badgeBorder = colors.border;
  view.badgeText = colors.text;
  return view;
}

}  // namespace corvane::feedback

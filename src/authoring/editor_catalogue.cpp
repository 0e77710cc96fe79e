#include "authoring/editor_catalogue.hpp"

#include <algorithm>

#include "model/grammar.hpp"
#include "model/text.hpp"

namespace corvane::authoring {
namespace {

/// The first ribbon step, looking inside firstOf and sequence; points into `steps`.
const model::RibbonStep* firstRibbonStep(const std::vector<model::Step>& steps) {
  for (const auto& step : steps) {
    if (const auto* ribbon = step.as<model::RibbonStep>()) return ribbon;
    const std::vector<model::Step>* children = nullptr;
    if (const auto* first = step.as<model::FirstOfStep>()) children = &first->steps;
    if (const auto* sequence = step.as<model::SequenceStep>()) children = &sequence->steps;
    if (children == nullptr) continue;
    if (const auto* ribbon = firstRibbonStep(*children)) return ribbon;
  }
  return nullptr;
}

/// The tab of the first "tab:" tip among the key path's proper prefixes, longest first.
std::string tabFromTips(const model::ShortcutLibrary& library, const std::vector<std::string>& keys) {
  for (std::size_t length = keys.size(); length-- > 1;) {
    std::vector<std::string> prefix(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(length));
    auto it = library.tips().find(model::keyPathText(prefix));
    if (it == library.tips().end()) continue;
    auto target = model::parseTipTarget(it->second);
    if (target.kind == model::TipTarget::Kind::tab && !target.labels.empty()) return target.labels.front();
  }
  return {};
}

template <typename T, typename Key>
T& findOrAdd(std::vector<T>& list, Key key, std::string T::*field) {
  auto it = std::ranges::find(list, key, field);
  if (it != list.end()) return *it;
  T added{};
  added.*field = std::move(key);
  list.push_back(std::move(added));
  return list.back();
}

}  // namespace

std::string menuPathSource(const model::MenuPath& path) {
  std::vector<std::string> levels;
  levels.reserve(path.size());
  for (const auto& level : path) levels.push_back(model::text::join(level, " | "));
  return model::text::join(levels, " > ");
}

EditorCatalogue::EditorCatalogue(const model::ShortcutLibrary& library) {
  for (const auto& shortcut : library.shortcuts()) {
    const auto* ribbon = firstRibbonStep(shortcut.steps);
    if (ribbon == nullptr || ribbon->labels.empty()) continue;
    std::string tab = ribbon->tab && !ribbon->tab->empty() ? *ribbon->tab : tabFromTips(library, shortcut.keys);
    if (tab.empty()) continue;  // a button no picker could place
    auto& tabEntry = findOrAdd(tabs_, tab, &CatalogueTab::tab);
    auto& buttonEntry = findOrAdd(tabEntry.buttons, ribbon->labels.front(), &CatalogueButton::button);
    CatalogueItem item{shortcut.name, ribbon->item ? menuPathSource(*ribbon->item) : std::string()};
    if (std::ranges::find(buttonEntry.items, item) == buttonEntry.items.end()) buttonEntry.items.push_back(item);
  }
}

std::vector<std::string> EditorCatalogue::tabNames() const {
  std::vector<std::string> names;
  names.reserve(tabs_.size());
  for (const auto& t : tabs_) names.push_back(t.tab);
  return names;
}

const std::vector<CatalogueButton>* EditorCatalogue::buttons(const std::string& tab) const {
  auto it = std::ranges::find(tabs_, tab, &CatalogueTab::tab);
  return it == tabs_.end() ? nullptr : &it->buttons;
}

const CatalogueButton* EditorCatalogue::button(const std::string& tab, const std::string& button) const {
  const auto* list = buttons(tab);
  if (list == nullptr) return nullptr;
  auto it = std::ranges::find(*list, button, &CatalogueButton::button);
  return it == list->end() ? nullptr : &*it;
}

}  // namespace corvane::authoring

#include "feedback/palette_model.hpp"

#include <algorithm>

#include "model/grammar.hpp"
#include "model/text.hpp"

namespace corvane::feedback {

namespace text = model::text;

namespace {

std::vector<std::string> words(std::string_view s) {
  std::vector<std::string> out;
  for (auto& word : text::split(s, " ")) {
    if (!word.empty()) out.push_back(std::move(word));
  }
  return out;
}

}  // namespace

std::string placeText(const model::ShortcutLibrary& library, const std::vector<std::string>& keys) {
  // One pass over the proper prefixes, each made by extending the last: making every prefix anew
  // was quadratic in the length of the sequence.
  std::vector<std::string> names;
  const std::string* tab = nullptr;  // of the longest prefix with a "tab:" tip so far
  std::string prefix;
  for (std::size_t n = 1; n < keys.size(); ++n) {
    if (n > 1) prefix += ' ';
    prefix += keys[n - 1];
    if (auto it = library.groups().find(prefix); it != library.groups().end()) names.push_back(it->second);
    if (!names.empty()) continue;
    if (auto it = library.tips().find(prefix); it != library.tips().end() && it->second.starts_with("tab:")) {
      tab = &it->second;
    }
  }
  if (!names.empty()) return text::join(names, " › ");
  if (tab != nullptr) return tab->substr(4);
  return "Excel";
}

PaletteIndex::PaletteIndex(model::LibraryPtr library) : library_(std::move(library)) {
  if (!library_) return;
  entries_.reserve(library_->shortcuts().size());
  for (const auto& shortcut : library_->shortcuts()) {
    Entry entry;
    entry.shortcut = &shortcut;
    entry.name = text::lower(shortcut.name);
    for (const auto& key : shortcut.keys) entry.keySequence += key;
    entry.place = placeText(*library_, shortcut.keys);
    entry.searchable = entry.name + " " + text::lower(entry.place);
    entry.nameWords = text::split(entry.name, " ");
    entries_.push_back(std::move(entry));
  }
}

std::vector<SearchResult> PaletteIndex::search(std::string_view query, std::size_t limit) const {
  auto q = text::lower(text::trim(query));
  if (q.empty()) return {};
  auto queryWords = words(q);
  std::string compact;
  for (char c : q) {
    if (c != ' ') compact += c;
  }
  compact = text::upper(compact);

  struct Hit {
    int score;
    const Entry* entry;
  };
  std::vector<Hit> hits;
  for (const auto& entry : entries_) {
    int score = 0;
    if (compact == entry.keySequence) {
      score = 100;
    } else if (entry.name.starts_with(q)) {
      score = 80;
    } else if (std::any_of(entry.nameWords.begin(), entry.nameWords.end(),
                           [&](const std::string& word) { return word.starts_with(q); })) {
      score = 60;
    } else if (entry.searchable.find(q) != std::string::npos) {
      score = 45;
    } else if (std::all_of(queryWords.begin(), queryWords.end(), [&](const std::string& word) {
                 return entry.searchable.find(word) != std::string::npos;
               })) {
      score = 30;
    }
    if (score > 0) hits.push_back({score, &entry});
  }
  auto better = [](const Hit& a, const Hit& b) {
    if (a.score != b.score) return a.score > b.score;
    auto ak = a.entry->shortcut->keys.size();
    auto bk = b.entry->shortcut->keys.size();
    if (ak != bk) return ak < bk;
    return a.entry->shortcut->name < b.entry->shortcut->name;
  };
  auto kept = std::min(limit, hits.size());
  std::partial_sort(hits.begin(), hits.begin() + static_cast<std::ptrdiff_t>(kept), hits.end(), better);
  std::vector<SearchResult> out;
  out.reserve(kept);
  for (std::size_t i = 0; i < kept; ++i) out.push_back({*hits[i].entry->shortcut, hits[i].entry->place, hits[i].score});
  return out;
}

PaletteModel::PaletteModel(model::LibraryPtr library, std::function<std::vector<std::string>()> recent)
    : index_(std::move(library)), recent_(std::move(recent)) {
  triggerInstruction.set(std::string(model::searchInstruction(model::SearchTrigger::doubleTapOption)));
  refresh();
}

void PaletteModel::setQuery(const std::string& text) {
  query.set(text);
  refresh();
}

bool PaletteModel::showsRecent() const { return text::trim(query.get()).empty(); }

void PaletteModel::refresh() {
  std::vector<SearchResult> found;
  if (showsRecent()) {
    const auto& library = index_.library();
    for (const auto& keyText : recent_ ? recent_() : std::vector<std::string>{}) {
      if (!library || found.size() == kRecentShown) break;
      const auto* shortcut = library->shortcut(text::split(keyText, " "));
      if (shortcut == nullptr) continue;
      found.push_back({*shortcut, placeText(*library, shortcut->keys), 0});
    }
  } else {
    found = index_.search(query.get(), kMaxResults);
  }
  results.set(std::move(found));
  selection.set(0);
}

void PaletteModel::setLibrary(model::LibraryPtr library) {
  index_ = PaletteIndex(std::move(library));
  refresh();
}

void PaletteModel::setTrigger(model::SearchTrigger trigger) {
  triggerInstruction.set(std::string(model::searchInstruction(trigger)));
}

void PaletteModel::moveUp() {
  auto count = results.get().size();
  if (count == 0) return;
  auto current = selection.get();
  selection.set(current == 0 || current >= count ? count - 1 : current - 1);
}

void PaletteModel::moveDown() {
  auto count = results.get().size();
  if (count == 0) return;
  auto current = selection.get();
  selection.set(current + 1 >= count ? 0 : current + 1);
}

void PaletteModel::runSelected() {
  const auto& list = results.get();
  if (selection.get() >= list.size()) return;
  // The callback may change the model (close it, clear the query): run a copy.
  auto shortcut = list[selection.get()].shortcut;
  if (auto callback = onRun) callback(shortcut);
}

void PaletteModel::close() {
  if (auto callback = onClose) callback();
}

std::optional<std::string> PaletteModel::emptyText() const {
  if (!results.get().empty()) return std::nullopt;
  if (showsRecent()) return std::string("Type a command, like “freeze” or “paste values”.");
  return "No commands match “" + query.get() + "”";
}

}  // namespace corvane::feedback

#pragma once
// The model of the Shortcut List window: every shortcut of the library by section, with counts, a
// selection and a search. Main thread only; owned by the shell, which hands it the library's
// shortcuts at start and after every reload.

#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/observable.hpp"
#include "model/shortcut.hpp"
#include "platform/views/shortcut_list_view.hpp"

namespace corvane::authoring {

class ShortcutBrowserModel final {
 public:
  struct Section {
    std::string id;
    std::string title;
    std::string symbol;
    platform::views::SectionTint tint;
  };

  /// The sidebar rows in display order: all, qat, the seven tabs, legacy, other.
  [[nodiscard]] static std::span<const Section> sections();

  /// Tells observers after every change.
  base::Signal<> changed;
  /// Opens the editor for a new shortcut (set by the shell).
  std::function<void()> makeYourOwn;

  [[nodiscard]] const std::vector<model::Shortcut>& shortcuts() const { return shortcuts_; }
  /// Replaces the list (library order) and recomputes the counts.
  void setShortcuts(std::vector<model::Shortcut> shortcuts);
  [[nodiscard]] const std::optional<std::string>& selection() const { return selection_; }
  void setSelection(std::optional<std::string> selection);
  [[nodiscard]] const std::string& query() const { return query_; }
  void setQuery(std::string query);
  /// Shortcuts per section id, plus "all"; sections without shortcuts have no entry.
  [[nodiscard]] const std::map<std::string, int>& counts() const { return counts_; }
  [[nodiscard]] int count(const std::string& sectionId) const;

  /// Positions in `shortcuts()` of the shortcuts the selection and query keep, in order.
  [[nodiscard]] std::vector<std::size_t> visible() const;

  [[nodiscard]] platform::views::ShortcutListView view() const;

 private:
  std::vector<model::Shortcut> shortcuts_;
  std::vector<std::string> summaries_;  ///< the steps' descriptions, per shortcut
  std::vector<std::string> sectionIds_;
  std::optional<std::string> selection_;
  std::string query_;
  std::map<std::string, int> counts_;
};

/// The section id of a shortcut, from its first key.
[[nodiscard]] std::string sectionOf(const model::Shortcut& shortcut);
/// "1 shortcut", otherwise n + " shortcuts".
[[nodiscard]] std::string countText(int n);

}  // namespace corvane::authoring

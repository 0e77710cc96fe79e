#pragma once
// The command palette's model: the query, the ranked results (or the recent shortcuts for an empty
// query), the selection and the trigger instruction. Main thread only; owned by the palette
// controller. The library's searchable texts are prepared once per library, so a query is only
// string comparisons.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/observable.hpp"
#include "model/settings.hpp"
#include "model/shortcut_library.hpp"

namespace corvane::feedback {

struct SearchResult {
  model::Shortcut shortcut;
  std::string place;  ///< where the command lives, under its name
  int score = 0;      ///< 100, 80, 60, 45 or 30; 0 for a recent shortcut
};

/// "Home › Borders", else the ribbon tab of the nearest "tab:" tip, else "Excel".
[[nodiscard]] std::string placeText(const model::ShortcutLibrary& library, const std::vector<std::string>& keys);

/// The searchable form of every shortcut of a library.
class PaletteIndex final {
 public:
  explicit PaletteIndex(model::LibraryPtr library);
  /// At most `limit` results for a non-empty query, best first.
  [[nodiscard]] std::vector<SearchResult> search(std::string_view query, std::size_t limit = 8) const;
  [[nodiscard]] const model::LibraryPtr& library() const { return library_; }

 private:
  struct Entry {
    const model::Shortcut* shortcut;
    std::string name;        ///< lower case
    std::string keySequence; ///< keys joined without separator
    std::string place;
    std::string searchable;  ///< lower-cased name, a space, lower-cased place
    std::vector<std::string> nameWords;
  };
  model::LibraryPtr library_;
  std::vector<Entry> entries_;
};

class PaletteModel final {
 public:
  static constexpr std::size_t kMaxResults = 8;
  static constexpr std::size_t kRecentShown = 6;
  static constexpr const char* kRecentHeading = "Recently used";
  static constexpr const char* kPlaceholder = "Search Excel commands";

  /// `recent` reads the recent key-path texts, most recent first, when an empty query needs them.
  PaletteModel(model::LibraryPtr library, std::function<std::vector<std::string>()> recent);

  base::Published<std::string> query;
  base::Published<std::vector<SearchResult>> results;
  base::Published<std::size_t> selection{0};
  base::Published<std::string> triggerInstruction;

  std::function<void(const model::Shortcut&)> onRun;
  std::function<void()> onClose;

  void setQuery(const std::string& text);
  /// Recomputes the results for the current query (the recent list may have changed).
  void refresh();
  void setLibrary(model::LibraryPtr library);
  void setTrigger(model::SearchTrigger trigger);
  [[nodiscard]] const model::LibraryPtr& library() const { return index_.library(); }

  /// Up from the first row selects the last; down from the last selects the first.
  void moveUp();
  void moveDown();
  /// Runs the selected result, if there is one.
  void runSelected();
  void close();

  /// Whether the results are the recent shortcuts (empty query).
  [[nodiscard]] bool showsRecent() const;
  /// The text shown instead of an empty list, or none while there are results.
  [[nodiscard]] std::optional<std::string> emptyText() const;

 private:
  PaletteIndex index_;
  std::function<std::vector<std::string>()> recent_;
};

}  // namespace corvane::feedback

#pragma once
// Simulated keyboard input sources and the ASCII-capable layout each gives: the U.S. layout; a
// Cyrillic source, for which the system falls back to its Latin "ABC" layout (key code 4 still
// types "h"); and a source whose layout cannot translate any key. Main thread; change
// notifications arrive on the main queue.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/key_layout.hpp"
#include "platform/scheduler.hpp"

namespace corvane::platform::sim {

/// What a key types with no modifiers on the U.S. layout; none for a key that types nothing there.
[[nodiscard]] std::optional<std::string> usCharacter(std::uint16_t keyCode);

class SimKeyLayout final : public KeyLayout {
 public:
  enum class Source { us, russian, untranslatable };

  explicit SimKeyLayout(Queue& mainQueue, Source source = Source::us);

  [[nodiscard]] std::optional<std::string> character(std::uint16_t keyCode) override;
  void setChangeHandler(std::function<void()> onChange) override;

  /// Selects another input source; the change handler hears of it on the main queue.
  void select(Source source);
  [[nodiscard]] Source selected() const { return source_; }
  /// The selected source's name, as the input menu shows it.
  [[nodiscard]] std::string sourceName() const;
  /// Changes what one key types on the current layout without any notification (a stale cache
  /// shows through).
  void overrideCharacter(std::uint16_t keyCode, std::optional<std::string> typed);
  /// Translations asked for so far.
  [[nodiscard]] std::uint64_t translationCount() const { return translations_; }

 private:
  Queue& main_;
  Source source_;
  std::function<void()> onChange_;
  std::map<std::uint16_t, std::optional<std::string>> overrides_;
  std::uint64_t translations_ = 0;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace corvane::platform::sim

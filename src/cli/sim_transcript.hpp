#pragma once
// The transcript of `corvane sim`: one line per visible event, "[tag] text", with the lines of a
// several-line text joined by " | ". Panels are watched through a decorator over the simulated
// panels, so whatever a panel shows is printed once, when it first becomes visible or changes.
// Main thread (the session's pumping thread) only.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/panels.hpp"
#include "platform/views/view.hpp"

namespace corvane::cli {

class Transcript final {
 public:
  explicit Transcript(std::ostream& out) : out_(out) {}
  /// Prints "[tag] text"; line breaks in the text become " | ".
  void emit(const std::string& tag, const std::string& text);

 private:
  std::ostream& out_;
};

/// The tag and text a view is printed with, or none for views the transcript leaves out.
struct TranscriptLine {
  std::string tag;
  std::string text;
  friend bool operator==(const TranscriptLine&, const TranscriptLine&) = default;
};
/// A formatter for views the session knows beyond the built-in ones (palette, hints, settings).
using ViewFormatter = std::function<std::optional<TranscriptLine>(const platform::views::View&)>;

/// The built-in formats: key list, notice, busy line, problem, key tips, palette, hint, welcome,
/// update, editor, list, settings and the menu-bar panel.
[[nodiscard]] std::optional<TranscriptLine> describeView(const platform::views::View& view);

/// Wraps the simulated panels: forwards everything and prints what becomes visible. Keeps each
/// panel's action sink so the session can act as the user in it.
class RecordingPanels final : public platform::Panels {
 public:
  RecordingPanels(platform::Panels& inner, Transcript& transcript);
  ~RecordingPanels() override;

  [[nodiscard]] std::unique_ptr<platform::Panel> create(platform::PanelKind kind, platform::Size initialSize) override;
  [[nodiscard]] bool ownWindowIsKey() const override { return inner_.ownWindowIsKey(); }

  /// Formats tried before the built-in ones.
  void addFormatter(ViewFormatter formatter) { formatters_.push_back(std::move(formatter)); }
  /// Sends a user action to the first visible panel of that kind; false when none shows.
  bool act(platform::PanelKind kind, const platform::PanelAction& action);
  /// Sends a user action to the first visible panel showing a view of type V.
  template <typename V>
  bool actOnView(const platform::PanelAction& action) {
    return actWhere([](const platform::views::View* v) { return dynamic_cast<const V*>(v) != nullptr; }, action);
  }
  /// Another application came to the front: `resign` takes key status from the panels. Windows
  /// stay open meanwhile (only panels close when they lose key status).
  void otherApplicationActivated(const std::function<void()>& resign);
  /// Whether a panel of that kind is visible.
  [[nodiscard]] bool anyVisible(platform::PanelKind kind) const;

 private:
  class RecordingPanel;
  friend class RecordingPanel;
  bool actWhere(const std::function<bool(const platform::views::View*)>& matches, const platform::PanelAction& action);
  void report(RecordingPanel& panel);
  void closed(RecordingPanel& panel);
  [[nodiscard]] std::optional<TranscriptLine> format(const platform::views::View& view) const;

  platform::Panels& inner_;
  Transcript& transcript_;
  std::vector<ViewFormatter> formatters_;
  std::vector<RecordingPanel*> live_;
  bool activating_ = false;
};

}  // namespace corvane::cli

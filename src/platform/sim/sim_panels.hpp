#pragma once
// Simulated panels: each records its content, frame, order (front/out), key status, alpha and every
// call, measures its content with the fixed text metric, and lets a test or the session send user
// input into its action sink. Main thread, like the AppKit windows they stand in for: `mainThread`
// records any call from another queue (only `ownWindowIsKey` may come from anywhere).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/panels.hpp"
#include "platform/scheduler.hpp"
#include "platform/sim/main_thread_rule.hpp"

namespace corvane::platform::sim {

class SimPanels;

class SimPanel final : public Panel {
 public:
  SimPanel(SimPanels& owner, PanelKind kind, Size initialSize, std::uint64_t id);
  ~SimPanel() override;
  SimPanel(const SimPanel&) = delete;
  SimPanel& operator=(const SimPanel&) = delete;

  void setContent(std::shared_ptr<const views::View> content) override;
  [[nodiscard]] Size fittingSize() override;
  void setFrame(const Rect& frame) override;
  [[nodiscard]] Rect frame() const override;
  void orderFront() override;
  void makeKeyAndOrderFront() override;
  void orderOut() override;
  [[nodiscard]] bool isVisible() const override;
  [[nodiscard]] bool isKey() const override;
  void setIgnoresMouse(bool ignores) override;
  void animateAlpha(double alpha, double seconds, std::function<void()> done) override;
  void setCornerRadius(double radius) override;
  void setTitle(const std::string& title) override;
  void center() override;
  void setActionSink(std::function<void(const PanelAction&)> sink) override { sink_ = std::move(sink); }

  // --- What a test looks at ---
  [[nodiscard]] PanelKind kind() const { return kind_; }
  [[nodiscard]] std::uint64_t id() const { return id_; }
  [[nodiscard]] const std::shared_ptr<const views::View>& content() const { return content_; }
  [[nodiscard]] bool ignoresMouse() const { return ignoresMouse_; }
  [[nodiscard]] double alpha() const { return alpha_; }
  [[nodiscard]] double cornerRadius() const { return cornerRadius_; }
  [[nodiscard]] const std::string& title() const { return title_; }
  [[nodiscard]] int orderFrontCount() const { return orderFronts_; }
  /// The user acts in the panel (a button, a key, typed text); false without a sink.
  bool send(const PanelAction& action);
  /// The panel stops being the key window, as when the user clicks elsewhere.
  void resignKey();
  /// A key pressed while this panel is the key window, as AppKit hands it to the panel's focused
  /// control: the palette's search field edits its text and takes ↑ ↓ ⏎ esc; the shortcut editor
  /// catches every key while it records; any other window takes the key and does nothing with it.
  /// `typed` is what the key types with no modifiers (none: nothing).
  void keyDown(std::uint16_t keyCode, std::uint64_t flags, const std::optional<std::string>& typed);

 private:
  friend class SimPanels;
  SimPanels& owner_;
  PanelKind kind_;
  std::uint64_t id_;
  Rect frame_;
  std::shared_ptr<const views::View> content_;
  bool visible_ = false;
  bool key_ = false;
  bool ignoresMouse_ = false;
  double alpha_ = 1;
  double cornerRadius_ = 0;
  std::string title_;
  int orderFronts_ = 0;
  std::function<void(const PanelAction&)> sink_;
};

/// Create panels and destroy them before the SimPanels that made them.
class SimPanels final : public Panels {
 public:
  /// `scheduler` runs the completions of alpha animations on its main queue after their duration.
  explicit SimPanels(Scheduler& scheduler);
  ~SimPanels() override;

  [[nodiscard]] std::unique_ptr<Panel> create(PanelKind kind, Size initialSize) override;
  [[nodiscard]] bool ownWindowIsKey() const override;

  /// Live panels in creation order.
  [[nodiscard]] std::vector<SimPanel*> all() const { return panels_; }
  [[nodiscard]] std::vector<SimPanel*> ofKind(PanelKind kind) const;
  /// The first live panel of a kind, or null.
  [[nodiscard]] SimPanel* first(PanelKind kind) const;
  /// The key window among them, or null: where the keyboard's keys go before any application's.
  [[nodiscard]] SimPanel* keyPanel() const;
  [[nodiscard]] std::size_t createdCount() const { return created_; }
  MainThreadRule& mainThread() { return rule_; }

 private:
  friend class SimPanel;
  void becameKey(SimPanel* panel);
  /// Keeps `anyKey_` current after a panel's key status changed (main thread).
  void keyChanged();
  Scheduler& scheduler_;
  MainThreadRule rule_;
  /// What the main thread last saw, for the key tap's thread, as AppKit's notifications keep it.
  std::atomic<bool> anyKey_{false};
  std::vector<SimPanel*> panels_;
  std::uint64_t created_ = 0;
};

}  // namespace corvane::platform::sim

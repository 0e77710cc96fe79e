#pragma once
// Panels and screens for the shell's tests: panels record what they were given and measure a fixed
// height; screens are a list the test sets. Alpha animations finish on the main queue after their
// duration, as on a Mac.

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/panels.hpp"
#include "platform/scheduler.hpp"
#include "platform/screens.hpp"

namespace corvane::app::testing {

struct FakePanelState {
  platform::PanelKind kind = platform::PanelKind::window;
  std::shared_ptr<const platform::views::View> content;
  platform::Rect frame;
  double alpha = 0;
  bool visible = false;
  bool key = false;
  int centred = 0;
  std::string title;
  std::function<void(const platform::PanelAction&)> sink;
};

class FakePanel final : public platform::Panel {
 public:
  FakePanel(std::shared_ptr<FakePanelState> state, platform::Queue& main, double height)
      : state_(std::move(state)), main_(main), height_(height) {}
  void setContent(std::shared_ptr<const platform::views::View> content) override { state_->content = std::move(content); }
  [[nodiscard]] platform::Size fittingSize() override { return {300, height_}; }
  void setFrame(const platform::Rect& frame) override { state_->frame = frame; }
  [[nodiscard]] platform::Rect frame() const override { return state_->frame; }
  void orderFront() override { state_->visible = true; }
  void makeKeyAndOrderFront() override { state_->visible = state_->key = true; }
  void orderOut() override { state_->visible = state_->key = false; }
  [[nodiscard]] bool isVisible() const override { return state_->visible; }
  [[nodiscard]] bool isKey() const override { return state_->key; }
  void setIgnoresMouse(bool) override {}
  void animateAlpha(double alpha, double seconds, std::function<void()> done) override {
    state_->alpha = alpha;
    if (!done) return;
    if (seconds <= 0) {
      done();
      return;
    }
    main_.after(seconds, std::move(done));
  }
  void setCornerRadius(double) override {}
  void setTitle(const std::string& title) override { state_->title = title; }
  void center() override { ++state_->centred; }
  void setActionSink(std::function<void(const platform::PanelAction&)> sink) override { state_->sink = std::move(sink); }

 private:
  std::shared_ptr<FakePanelState> state_;
  platform::Queue& main_;
  double height_;
};

class FakePanels final : public platform::Panels {
 public:
  explicit FakePanels(platform::Queue& main, double height = 400) : main_(main), height_(height) {}
  [[nodiscard]] std::unique_ptr<platform::Panel> create(platform::PanelKind kind, platform::Size) override {
    auto state = std::make_shared<FakePanelState>();
    state->kind = kind;
    created.push_back(state);
    return std::make_unique<FakePanel>(state, main_, height_);
  }
  [[nodiscard]] bool ownWindowIsKey() const override {
    for (const auto& p : created)
      if (p->key) return true;
    return false;
  }
  /// The user acts in the last panel created.
  void act(const platform::PanelAction& action) const { created.back()->sink(action); }
  std::vector<std::shared_ptr<FakePanelState>> created;

 private:
  platform::Queue& main_;
  double height_;
};

class FakeScreens final : public platform::Screens {
 public:
  [[nodiscard]] std::vector<platform::ScreenInfo> screens() override { return list; }
  [[nodiscard]] std::optional<platform::ScreenInfo> mainScreen() override { return main; }
  [[nodiscard]] platform::Point mouseLocation() override { return {}; }
  std::vector<platform::ScreenInfo> list;
  std::optional<platform::ScreenInfo> main;
};

}  // namespace corvane::app::testing

// Excel's own KeyTips, as Excel for Mac 16 has them once turned on in Excel › Settings ›
// Accessibility: a tap of their key (Option, or Shift+Option, alone) shows a badge per ribbon tab
// with Excel for Windows' letters; a tab's letter shows the badges of that tab's controls; a
// control's letters press it and end the KeyTips. While they show they take the letters typed.
// Escape goes back a level and then leaves; a click, a menu or dialog opening, another application
// in front or a second tap of the key leaves. Dropdown menus get no KeyTips. Called with SimExcel's
// lock held.

#include <algorithm>
#include <cctype>

#include "platform/event_tap.hpp"
#include "platform/sim/key_tip_letters.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/sim_key_layout.hpp"
#include "platform/sim/virtual_key_codes.hpp"

namespace corvane::platform::sim {
namespace {

constexpr std::uint64_t kModifiers = flags::kShift | flags::kControl | flags::kOption | flags::kCommand;
constexpr double kBadgeHeight = 16;

/// A badge centred on the lower edge of what it reaches, as wide as its letters need.
Rect badgeFrame(const Rect& target, const std::string& letters) {
  double width = 8 + 7 * static_cast<double>(letters.size());
  return {target.midX() - width / 2, target.maxY() - kBadgeHeight / 2, width, kBadgeHeight};
}

/// The KeyTips letter a key types: a capital letter or a digit.
std::optional<char> keyTipCharacter(std::uint16_t keyCode) {
  auto typed = usCharacter(keyCode);
  if (!typed || typed->size() != 1) return std::nullopt;
  auto c = static_cast<unsigned char>(typed->front());
  if (std::isalnum(c) == 0) return std::nullopt;
  return static_cast<char>(std::toupper(c));
}

/// The ribbon controls of a commands area, in reading order: each group's controls, not what
/// lies inside them (a gallery's items) and not the button a folded group becomes.
void collectControls(const NodePtr& node, std::vector<NodePtr>& out) {
  for (const auto& child : node->children) {
    if (child->kind == NodeKind::group) {
      for (const auto& control : child->children) {
        if (control->kind == NodeKind::element) out.push_back(control);
      }
    }
  }
}

}  // namespace

bool SimExcel::keyTipsShowing() const {
  Lock lock(mutex_);
  return keyTipsShowing_;
}

std::vector<std::string> SimExcel::keyTipBadges() const {
  Lock lock(mutex_);
  std::vector<std::string> letters;
  for (const auto& badge : keyTipBadges_) {
    const auto* text = badge.node->value ? std::get_if<std::string>(&*badge.node->value) : nullptr;
    letters.push_back(text != nullptr ? *text : std::string());
  }
  return letters;
}

void SimExcel::setKeyTipsIgnoreEscape(bool ignore) {
  Lock lock(mutex_);
  keyTipsIgnoreEscape_ = ignore;
}

void SimExcel::receiveFlags(std::uint64_t flags) {
  Lock lock(mutex_);
  if (!running_ || !frontmost_ || !fixture_->application.nativeKeyTips) {
    keyTipsArmed_ = false;
    return;
  }
  std::uint64_t key = *fixture_->application.nativeKeyTips == KeyTipsKey::option ? flags::kOption
                                                                                : flags::kShift | flags::kOption;
  std::uint64_t held = flags & kModifiers;
  if (held == key) {
    keyTipsArmed_ = true;
    return;
  }
  if ((held & ~key) != 0) {
    // Another modifier joined: this is a shortcut, not the KeyTips key.
    keyTipsArmed_ = false;
    return;
  }
  // Releasing one of two keys first keeps the tap; it counts once everything is up.
  if (held == 0 && keyTipsArmed_) {
    keyTipsArmed_ = false;
    keyTipsKeyTapped();
  }
}

void SimExcel::interruptKeyTipsKey() {
  keyTipsArmed_ = false;
  if (keyTipsPending_) keyTipsPending_->cancel();
  keyTipsPending_.reset();
}

void SimExcel::keyTipsKeyTapped() {
  if (keyTipsShowing_) {
    hideKeyTips();
    return;
  }
  // No KeyTips inside a menu or over a dialog.
  if (!popups_.empty() || !openMenus_.empty() || !dialogs_.empty()) return;
  if (keyTipsPending_) return;
  double delay = application().nativeKeyTipsDelay;
  if (delay <= 0) {
    showKeyTips(nullptr);
    return;
  }
  keyTipsPending_ = later(delay, [this] {
    keyTipsPending_.reset();
    if (frontmost_ && popups_.empty() && openMenus_.empty() && dialogs_.empty()) showKeyTips(nullptr);
  });
}

void SimExcel::showKeyTips(const NodePtr& tab) {
  keyTipsShowing_ = true;
  keyTipsTab_ = tab;
  keyTipsTyped_.clear();
  keyTipsShown_.clear();
  refreshKeyTips();
}

void SimExcel::removeKeyTipBadges() {
  if (keyTipBadges_.empty()) return;
  for (const auto& badge : keyTipBadges_) invalidate(badge.node);
  keyTipBadges_.clear();
  refreshApplicationChildren();
}

void SimExcel::hideKeyTips() {
  if (keyTipsPending_) keyTipsPending_->cancel();
  keyTipsPending_.reset();
  if (!keyTipsShowing_) return;
  keyTipsShowing_ = false;
  keyTipsTab_.reset();
  keyTipsTyped_.clear();
  keyTipsShown_.clear();
  removeKeyTipBadges();
  record(ExcelEvent::Kind::keyTipsHidden, "KeyTips");
}

void SimExcel::refreshKeyTips() {
  if (!keyTipsShowing_ || !app_) return;
  auto tabGroup = frontTabGroup();
  std::vector<std::pair<NodePtr, std::string>> targets;
  auto tab = keyTipsTab_.lock();
  if (!tab && tabGroup) {
    // Tabs with no letter of their own get Y and a number, as in Excel for Windows.
    int unlettered = 0;
    for (const auto& child : tabGroup->children) {
      if (child->kind != NodeKind::tab) continue;
      auto letters = child->source != nullptr ? child->source->keyTip : std::nullopt;
      if (!letters) letters = tabKeyTip(child->title);
      if (!letters) letters = "Y" + std::to_string(++unlettered);
      targets.emplace_back(child, *letters);
    }
  } else if (tab && tab->alive && tabGroup) {
    for (const auto& child : tabGroup->children) {
      if (child->kind != NodeKind::commands || child->source != tab->source) continue;
      std::vector<NodePtr> controls;
      collectControls(child, controls);
      for (const auto& control : controls) {
        auto letters = control->source != nullptr ? control->source->keyTip : std::nullopt;
        if (!letters) letters = controlKeyTip(tab->title, control->displayName());
        if (letters) targets.emplace_back(control, *letters);
      }
    }
  }
  removeKeyTipBadges();
  std::vector<std::string> shown;
  for (const auto& [target, letters] : targets) {
    if (!target->frame || !letters.starts_with(keyTipsTyped_)) continue;
    auto badge = makeNode(NodeKind::keyTip, Area::application, nullptr, app_);
    badge->role = "AXStaticText";
    badge->value = letters;
    badge->frame = badgeFrame(*target->frame, letters);
    keyTipBadges_.push_back({badge, target});
    shown.push_back(letters);
  }
  refreshApplicationChildren();
  if (shown.empty() || shown == keyTipsShown_) return;
  keyTipsShown_ = shown;
  ExcelEvent event;
  event.kind = ExcelEvent::Kind::keyTipsShown;
  event.label = tab ? tab->title : std::string();
  event.typed = keyTipsTyped_;
  event.count = shown.size();
  record(std::move(event));
}

bool SimExcel::keyTipsTakeKey(std::uint16_t keyCode, std::uint64_t flags) {
  // A shortcut with ⌘ or ⌃ leaves the KeyTips and does what it does.
  if ((flags & (flags::kCommand | flags::kControl)) != 0) {
    hideKeyTips();
    return false;
  }
  if (keyCode == vk::kEscape) {
    if (keyTipsIgnoreEscape_) return true;
    if (!keyTipsTyped_.empty()) {
      keyTipsTyped_.clear();
      refreshKeyTips();
    } else if (!keyTipsTab_.expired()) {
      showKeyTips(nullptr);
    } else {
      hideKeyTips();
    }
    return true;
  }
  auto c = keyTipCharacter(keyCode);
  if (!c) {
    // Any other key ends the KeyTips and goes on as usual.
    hideKeyTips();
    return false;
  }
  std::string typed = keyTipsTyped_ + *c;
  NodePtr exact;
  bool longer = false;
  for (const auto& badge : keyTipBadges_) {
    const auto* letters = std::get_if<std::string>(&*badge.node->value);
    if (letters == nullptr) continue;
    if (*letters == typed) exact = badge.target.lock();
    if (letters->size() > typed.size() && letters->starts_with(typed)) longer = true;
  }
  if (!exact && !longer) {
    // A letter no badge has: Excel ignores it.
    record(ExcelEvent::Kind::keyTip, typed + " (no KeyTip)");
    return true;
  }
  record(ExcelEvent::Kind::keyTip, typed);
  if (!exact) {
    keyTipsTyped_ = typed;
    refreshKeyTips();
    return true;
  }
  if (exact->kind == NodeKind::tab) {
    auto tabGroup = exact->parentNode();
    if (exact->value != FixtureValue{std::int64_t{1}}) {
      selectTab(exact);
    } else if (tabGroup && tabGroup->collapsed) {
      setRibbonCollapsed(tabGroup, false);
    }
    showKeyTips(exact);
    return true;
  }
  // A control's KeyTip completes the sequence: the KeyTips go and the control does its part.
  hideKeyTips();
  if (isTextRole(exact->role)) {
    if (exact->isEnabled()) focus(exact);
  } else {
    (void)press(exact);
  }
  return true;
}

}  // namespace corvane::platform::sim

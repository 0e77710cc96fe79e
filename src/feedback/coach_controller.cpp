#include "feedback/coach_controller.hpp"

#include <algorithm>
#include <cmath>

#include "excel/ax_names.hpp"
#include "excel/label_key.hpp"
#include "excel/menus_and_toolbars.hpp"
#include "feedback/badge_geometry.hpp"
#include "model/grammar.hpp"
#include "platform/views/coach_hint_view.hpp"

namespace corvane::feedback {

namespace ax = excel::ax;
using platform::Element;
using platform::Point;
using platform::Rect;

namespace {

constexpr std::string_view kTabCommandsSuffix = " Tab Commands";
constexpr int kClimbLevels = 12;
constexpr double kPlaceMinInset = 90;

bool isClickableRole(const std::string& role) {
  return role == ax::kButton || role == ax::kMenuButton || role == ax::kCheckBox || role == ax::kPopUpButton ||
         role == ax::kRadioButton || role == ax::kMenuItem;
}

/// The label keys of a control's title and description.
std::vector<std::string> labelKeys(const excel::ExcelApp& excel, const Element& element) {
  std::vector<std::string> keys;
  for (auto attribute : {ax::kTitle, ax::kDescription}) {
    auto key = excel::labelKey(excel.string(element, attribute));
    if (!key.empty()) keys.push_back(std::move(key));
  }
  return keys;
}

/// A planned label without its occurrence marker, as a label key.
std::string plannedLabelKey(const std::string& label) {
  auto hash = label.rfind('#');
  return excel::labelKey(hash == std::string::npos ? label : label.substr(0, hash));
}

/// The shortcut's name at a key path, else the group's.
std::string nameAt(const model::ShortcutLibrary& library, const std::vector<std::string>& keys) {
  if (const auto* shortcut = library.shortcut(keys)) return shortcut->name;
  return library.groupName(keys).value_or(model::keyPathText(keys));
}

}  // namespace

CoachController::CoachController(const Services& services, model::LibraryPtr library)
    : services_(services.excel),
      scheduler_(services.scheduler),
      defaults_(services.defaults),
      screens_(services.screens),
      library_(std::move(library)),
      queue_(services.scheduler.makeSerialQueue("app.corvane.coach", platform::QoS::userInitiated)),
      panel_(services.panels.create(platform::PanelKind::coachHint, {29, kHintHeight})) {
  // The panel dies with the controller, so the sink never outlives it.
  panel_->setActionSink([this](const platform::PanelAction& action) { onAction(action); });
}

void CoachController::setLibrary(model::LibraryPtr library) {
  std::lock_guard lock(libraryLock_);
  library_ = std::move(library);
}

model::LibraryPtr CoachController::currentLibrary() const {
  std::lock_guard lock(libraryLock_);
  return library_;
}

std::map<std::string, std::int64_t> CoachController::uses() const {
  return defaults_.getIntDictionary(kUsesKey).value_or(std::map<std::string, std::int64_t>{});
}

void CoachController::recordUse(const std::vector<std::string>& keys) {
  auto counts = uses();
  counts[model::keyPathText(keys)] += 1;
  defaults_.set(kUsesKey, counts);
}

bool CoachController::isLearned(const std::vector<std::string>& keys) const {
  auto counts = uses();
  auto it = counts.find(model::keyPathText(keys));
  return it != counts.end() && it->second >= kLearnedUses;
}

int CoachController::learnedCount() const {
  auto counts = uses();
  return static_cast<int>(std::count_if(counts.begin(), counts.end(),
                                        [](const auto& entry) { return entry.second >= kLearnedUses; }));
}

void CoachController::handleClick(Point point, std::int32_t pid, std::optional<HUDAnchor> anchor) {
  if (!enabled_) return;
  std::weak_ptr<CoachController> weak = weak_from_this();
  queue_->async([weak, point, pid, anchor] {
    if (auto self = weak.lock()) self->clickOnQueue(point, pid, anchor);
  });
}

bool CoachController::belowTheRibbon(const excel::ExcelApp& excel, Point point,
                                     const std::optional<HUDAnchor>& anchor) const {
  if (!anchor || !anchor->ribbonBottom) return false;
  for (const auto& window : excel.windowList().onScreenWindows()) {
    if (window.ownerPid != excel.pid() || !window.bounds.contains(point)) continue;
    // The window may have moved since the anchor was taken: carry the ribbon line along with it.
    double line = *anchor->ribbonBottom + (window.bounds.minY() - anchor->window.minY());
    return point.y > line + kBelowRibbonPoints;
  }
  return false;
}

void CoachController::clickOnQueue(Point point, std::int32_t pid, std::optional<HUDAnchor> anchor) {
  excel::ExcelApp excel(services_, pid);
  double now = excel.clock().uptime();
  bool menuFresh = openMenu_ && now - openMenu_->at < kMenuFreshSeconds;
  if (!menuFresh && belowTheRibbon(excel, point, anchor)) return;
  (void)excel.ax().setMessagingTimeout(excel.application(), 0.3);
  auto found = identify(excel, point);
  if (!found || isLearned(found->keys)) return;
  auto place = findPlace(excel, point);
  std::weak_ptr<CoachController> weak = weak_from_this();
  scheduler_.main().async([weak, found = *found, place] {
    if (auto self = weak.lock()) self->showHint(found.name, found.keys, place);
  });
}

const CoachController::Index& CoachController::index(const model::LibraryPtr& libraryPtr) {
  if (index_ && indexedLibrary_ == libraryPtr) return *index_;
  const auto& library = *libraryPtr;
  Index built;
  for (const auto& [key, child] : library.root().children()) {
    auto tip = library.tips().find(key);
    if (tip == library.tips().end() || !tip->second.starts_with("tab:")) continue;
    auto& labels = built[excel::labelKey(tip->second.substr(4))];
    for (const auto& planned : library.plannedTips(std::vector<std::string>{key}, false)) {
      if (planned.target.kind != model::TipTarget::Kind::control) continue;
      for (const auto& label : planned.target.labels) {
        auto normalised = plannedLabelKey(label);
        if (!normalised.empty()) labels.emplace(normalised, planned.keys);
      }
    }
  }
  index_ = std::move(built);
  indexedLibrary_ = libraryPtr;
  return *index_;
}

std::optional<CoachController::Identified> CoachController::identify(const excel::ExcelApp& excel, Point point) {
  auto library = currentLibrary();
  if (!library) return std::nullopt;
  auto hit = excel.ax().elementAtPosition(excel.application(), point);
  if (!hit) return std::nullopt;
  std::optional<Element> control;
  std::string controlRole;
  std::optional<std::string> tabName;
  Element current = *hit;
  for (int level = 0; level <= kClimbLevels; ++level) {
    auto role = excel.role(current);
    if (role == ax::kWindowRole) break;
    if (!control && isClickableRole(role)) {
      control = current;
      controlRole = role;
    }
    if (!tabName && role == ax::kScrollArea) {
      auto description = excel.string(current, ax::kDescription);
      if (description.ends_with(kTabCommandsSuffix)) tabName = description.substr(0, description.size() - kTabCommandsSuffix.size());
    }
    if (level == kClimbLevels) break;
    auto parent = excel.element(current, ax::kParent);
    if (!parent) break;
    current = *parent;
  }
  if (!control) return std::nullopt;
  auto labels = labelKeys(excel, *control);
  double now = excel.clock().uptime();

  std::optional<std::vector<std::string>> keys;
  if (tabName) {
    const auto& byTab = index(library);
    auto tab = byTab.find(excel::labelKey(*tabName));
    if (tab != byTab.end()) {
      for (const auto& label : labels) {
        auto it = tab->second.find(label);
        if (it == tab->second.end()) continue;
        keys = it->second;
        break;
      }
    }
  } else {
    // A ribbon tab or any other radio button outside the commands says nothing about a command.
    if (controlRole == ax::kRadioButton) return std::nullopt;
    if (!openMenu_ || now - openMenu_->at >= kMenuFreshSeconds) return std::nullopt;
    for (const auto& planned : library->plannedTips(openMenu_->keys, true)) {
      bool matches = std::any_of(planned.target.labels.begin(), planned.target.labels.end(), [&](const auto& label) {
        return std::find(labels.begin(), labels.end(), plannedLabelKey(label)) != labels.end();
      });
      if (!matches) continue;
      keys = planned.keys;
      break;
    }
  }
  if (!keys) return std::nullopt;
  const auto* node = library->node(*keys);
  if (node != nullptr && node->hasChildren()) {
    openMenu_ = OpenMenu{*keys, now};
  } else {
    openMenu_.reset();
  }
  return Identified{nameAt(*library, *keys), *keys};
}

CoachController::Place CoachController::findPlace(const excel::ExcelApp& excel, Point point) const {
  Place place;
  for (const auto& window : excel.elements(excel.application(), ax::kWindows)) {
    auto frame = excel.frame(window);
    if (!frame || !frame->contains(point)) continue;
    place.window = frame;
    auto toolbar = excel::windowToolbar(excel, window);
    if (!toolbar) break;
    for (const auto& item : excel::toolbarItems(excel, *toolbar)) {
      if (excel.role(item) == ax::kStaticText) continue;
      if (!excel::labelKey(excel.displayName(item)).starts_with("share")) continue;
      place.share = excel.frame(item);
      break;
    }
    break;
  }
  return place;
}

void CoachController::showHint(const std::string& name, const std::vector<std::string>& keys, const Place& place) {
  auto keyText = model::keyPathText(keys);
  double now = services_.clock.uptime();
  auto last = lastShown_.find(keyText);
  if (last != lastShown_.end() && now - last->second < kRepeatSeconds) return;
  if (!place.share && !place.window) return;

  auto view = std::make_shared<platform::views::CoachHintView>();
  view->name = name;
  view->keys = keys;
  view->turnOff = platform::views::Button{"turnOff", "Turn off learning hints"};
  view->height = kHintHeight;
  auto colors = styleColors(style_);
  view->badgeFill = colors.fill;
  view->badgeBorder = colors.border;
  view->badgeText = colors.text;
  panel_->setContent(view);
  double w = std::round(panel_->fittingSize().width);

  double x = 0;
  double y = 0;
  if (place.share) {
    x = place.share->minX() - 10 - w;
    y = place.share->midY() - kHintHeight / 2;
  } else {
    x = place.window->maxX() - 16 - w;
    y = place.window->minY() + 6;
  }
  if (place.window) x = std::max(x, place.window->minX() + kPlaceMinInset);

  lastShown_[keyText] = now;
  auto screens = screens_.screens();
  double top = screens.empty() ? 0 : screens.front().frame.maxY();
  if (hideWork_) hideWork_->cancel();
  panel_->setFrame({x, top - y - kHintHeight, w, kHintHeight});
  if (!panel_->isVisible()) {
    panel_->animateAlpha(0, 0, {});
    panel_->orderFront();
  }
  // Also when still visible: a fade-out may have begun.
  panel_->animateAlpha(1, kFadeSeconds, {});

  auto shown = ++shownCount_;
  std::weak_ptr<CoachController> weak = weak_from_this();
  hideWork_ = scheduler_.main().after(kShowSeconds, [weak, shown] {
    auto self = weak.lock();
    if (!self) return;
    self->panel_->animateAlpha(0, kFadeSeconds, [weak, shown] {
      // A hint shown during the fade keeps the panel.
      auto owner = weak.lock();
      if (owner && owner->shownCount_ == shown) owner->panel_->orderOut();
    });
  });
}

void CoachController::dismiss() {
  if (hideWork_) hideWork_->cancel();
  // A fade already under way must not order out a later hint.
  ++shownCount_;
  if (panel_->isVisible()) panel_->orderOut();
}

void CoachController::onAction(const platform::PanelAction& action) {
  if (action.kind != platform::PanelAction::Kind::button || action.id != "turnOff") return;
  if (hideWork_) hideWork_->cancel();
  panel_->orderOut();
  if (auto callback = onTurnOff) callback();
}

}  // namespace corvane::feedback

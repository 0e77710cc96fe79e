#include "excel/ribbon_scan.hpp"

#include <algorithm>
#include <array>
#include <span>

#include "excel/ax_names.hpp"
#include "excel/label_key.hpp"

namespace corvane::excel {
namespace {

using platform::Element;

constexpr std::array<std::string_view, 9> kCandidateRoles{ax::kButton,      ax::kMenuButton, ax::kCheckBox,
                                                          ax::kRadioButton, ax::kPopUpButton, ax::kToggle,
                                                          ax::kComboBox,    ax::kTab,        ax::kGallery};
constexpr std::array<std::string_view, 3> kDeepRoles{ax::kMenuItem, ax::kCell, ax::kStaticText};
constexpr std::array<std::string_view, 15> kNeverVisited{
    "AXTable",      "AXGrid",     "AXRow",      "AXColumn",     "AXCell",  "AXOutline",   "AXBrowser",     "AXTextArea",
    "AXTextField",  "AXWebArea",  "AXScrollBar", "AXRuler",      "AXLayoutArea", "AXMenuBar", "Gallery"};

constexpr std::array<std::string_view, 2> kTabMode{ax::kRadioButton, ax::kTab};
constexpr std::array<std::string_view, 10> kDropdownMode{ax::kMenuButton, ax::kPopUpButton, ax::kGallery,
                                                         ax::kComboBox,   ax::kButton,      ax::kMenuItem,
                                                         ax::kCheckBox,   ax::kRadioButton, ax::kCell,
                                                         ax::kStaticText};
constexpr std::array<std::string_view, 11> kPressMode{ax::kButton,      ax::kCheckBox,    ax::kMenuItem, ax::kMenuButton,
                                                      ax::kPopUpButton, ax::kRadioButton, ax::kCell,     ax::kGallery,
                                                      ax::kComboBox,    ax::kToggle,      ax::kStaticText};

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& list, std::string_view role) {
  return std::find(list.begin(), list.end(), role) != list.end();
}

std::span<const std::string_view> modeRoles(MatchMode mode) {
  switch (mode) {
    case MatchMode::tab:
      return kTabMode;
    case MatchMode::dropdownButton:
      return kDropdownMode;
    case MatchMode::press:
      return kPressMode;
  }
  return kPressMode;
}

int rank(std::span<const std::string_view> roles, std::string_view role) {
  auto it = std::find(roles.begin(), roles.end(), role);
  return it == roles.end() ? 99 : static_cast<int>(it - roles.begin());
}

template <typename T>
const T* get(const std::optional<platform::AXValue>& v) {
  return v ? std::get_if<T>(&*v) : nullptr;
}

// The best of the matches by role preference, earlier in scan order on a tie.
const RibbonCandidate* best(const std::vector<const RibbonCandidate*>& matches, std::span<const std::string_view> roles,
                            bool enabledOnly) {
  const RibbonCandidate* chosen = nullptr;
  int chosenRank = 1000;
  for (const auto* m : matches) {
    if (enabledOnly && !m->enabled) continue;
    int r = rank(roles, m->role);
    if (r < chosenRank) {
      chosen = m;
      chosenRank = r;
    }
  }
  return chosen;
}

}  // namespace

namespace {

/// The first scroll area that is not a gallery is the commands area; the scan keeps it.
void noteArea(RibbonScan& scan, const Element& element, std::string_view role, const std::vector<std::optional<platform::AXValue>>& v) {
  if (role != ax::kScrollArea || scan.area) return;
  const auto* position = get<platform::Point>(v[4]);
  const auto* size = get<platform::Size>(v[5]);
  const auto* children = get<std::vector<Element>>(v[3]);
  if (position == nullptr || size == nullptr) return;
  scan.area = ScannedArea{element, {position->x, position->y, size->width, size->height},
                          children != nullptr ? *children : std::vector<Element>{}};
}

/// The candidate an element's read makes: a named control of a candidate role with a real frame.
/// `groupName`: the name its group lends an unnamed box.
std::optional<RibbonCandidate> candidateOf(const Element& element, std::string_view role,
                                           const std::vector<std::optional<platform::AXValue>>& v,
                                           const std::string* groupName) {
  const auto* position = get<platform::Point>(v[4]);
  const auto* size = get<platform::Size>(v[5]);
  const auto* title = get<std::string>(v[1]);
  const auto* description = get<std::string>(v[2]);
  bool hasText = (title != nullptr && !title->empty()) || (description != nullptr && !description->empty());
  // Some controls carry only an identifier: it is their name of last resort.
  const auto* identifier = hasText ? nullptr : get<std::string>(v[8]);
  bool named = hasText || (identifier != nullptr && !identifier->empty()) || groupName != nullptr;
  if (!named || position == nullptr || size == nullptr || size->width <= 1 || size->height <= 1) return std::nullopt;
  RibbonCandidate candidate;
  candidate.element = element;
  candidate.role = std::string(role);
  for (const auto* text : {title, description, identifier, groupName}) {
    if (text == nullptr || text->empty()) continue;
    auto key = labelKey(*text);
    if (!key.empty()) candidate.labels.push_back(std::move(key));
  }
  candidate.frame = {position->x, position->y, size->width, size->height};
  const auto* enabled = get<bool>(v[6]);
  candidate.enabled = enabled == nullptr || *enabled;
  const auto* value = get<std::int64_t>(v[9]);
  const auto* number = get<double>(v[9]);
  candidate.selected = (value != nullptr && *value == 1) || (number != nullptr && *number == 1.0);
  return candidate;
}

}  // namespace

void addRead(RibbonScan& scan, const Element& element, const std::vector<std::optional<platform::AXValue>>& values) {
  if (values.size() != kScanAttributes.size()) return;
  ++scan.visited;
  const auto* rolePtr = get<std::string>(values[0]);
  std::string_view role = rolePtr != nullptr ? std::string_view(*rolePtr) : std::string_view();
  const auto* help = get<std::string>(values[7]);
  if (role == ax::kScrollArea && help != nullptr && *help == "gallery") role = ax::kGallery;
  noteArea(scan, element, role, values);
  if (!contains(kCandidateRoles, role)) return;
  if (auto candidate = candidateOf(element, role, values, nullptr)) scan.candidates.push_back(std::move(*candidate));
}

RibbonScan ribbonScan(platform::Accessibility& ax, const std::vector<Element>& roots, bool deep, std::size_t limit) {
  RibbonScan scan;
  // Each queued element with what its parent tells about it: whether the parent is a ribbon group,
  // and the group's name (an index into `groupNames`, -1 for none) for a box that has none of its own.
  struct Queued {
    Element element;
    bool inGroup = false;
    int group = -1;
  };
  std::vector<Queued> queue;
  for (const auto& root : roots) queue.push_back({root});
  std::vector<std::string> groupNames;
  std::vector<bool> groupBoxNamed;  ///< the group's unnamed box has been given its name
  std::size_t head = 0;
  const std::size_t queueCap = 4 * limit;
  while (head < queue.size() && scan.visited < limit) {
    Queued entry = std::move(queue[head++]);
    const Element& element = entry.element;
    ++scan.visited;
    auto values = ax.copyMultipleAttributes(element, kScanAttributes);
    if (!values || values->size() != kScanAttributes.size()) continue;
    const auto& v = *values;
    const auto* rolePtr = get<std::string>(v[0]);
    std::string_view role = rolePtr != nullptr ? std::string_view(*rolePtr) : std::string_view();
    const auto* help = get<std::string>(v[7]);
    // On the ribbon a gallery is a scroll area inside a group (a tab's own commands area sits in
    // the tab group); Excel may also say so in its help. Menus may scroll, so inside them only the
    // help tells.
    bool gallery = (!deep && entry.inGroup) || (help != nullptr && *help == "gallery");
    if (role == ax::kScrollArea && gallery) role = ax::kGallery;
    noteArea(scan, element, role, v);
    const auto* title = get<std::string>(v[1]);
    const auto* description = get<std::string>(v[2]);
    bool hasText = (title != nullptr && !title->empty()) || (description != nullptr && !description->empty());

    bool candidateRole = contains(kCandidateRoles, role) || (deep && contains(kDeepRoles, role));
    if (candidateRole) {
      // Excel may leave a group's box unnamed (the font box shows only its value): the first such
      // box answers to its group's name.
      const auto* identifier = get<std::string>(v[8]);
      const std::string* groupName = nullptr;
      if (!hasText && (identifier == nullptr || identifier->empty()) && role == ax::kComboBox && entry.group >= 0 &&
          !groupBoxNamed[static_cast<std::size_t>(entry.group)]) {
        groupBoxNamed[static_cast<std::size_t>(entry.group)] = true;
        groupName = &groupNames[static_cast<std::size_t>(entry.group)];
      }
      if (auto candidate = candidateOf(element, role, v, groupName)) scan.candidates.push_back(std::move(*candidate));
    }
    if (contains(kNeverVisited, role)) continue;
    const auto* children = get<std::vector<Element>>(v[3]);
    if (children == nullptr || children->empty()) continue;
    bool isGroup = role == ax::kGroup;
    int group = entry.group;
    if (isGroup && hasText) {
      groupNames.push_back(description != nullptr && !description->empty() ? *description : *title);
      groupBoxNamed.push_back(false);
      group = static_cast<int>(groupNames.size()) - 1;
    }
    for (const auto& child : *children) {
      if (queue.size() - head >= queueCap) break;
      queue.push_back({child, isGroup, group});
    }
  }
  return scan;
}

std::optional<RibbonCandidate> ribbonMatch(const std::vector<std::string>& labels, MatchMode mode,
                                           bool allowRadioButtons, const ElementSet& skip, const RibbonScan& scan) {
  auto roles = modeRoles(mode);
  const RibbonCandidate* fallback = nullptr;
  for (const auto& label : labels) {
    auto marked = stripMarker(label);
    auto key = labelKey(marked.name);
    if (key.empty()) continue;
    std::vector<const RibbonCandidate*> matches;
    for (const auto& candidate : scan.candidates) {
      if (std::find(candidate.labels.begin(), candidate.labels.end(), key) == candidate.labels.end()) continue;
      if (rank(roles, candidate.role) == 99) continue;
      if (!allowRadioButtons && candidate.role == ax::kRadioButton) continue;
      matches.push_back(&candidate);
    }
    if (marked.number) {
      auto n = static_cast<std::size_t>(*marked.number);
      if (matches.size() >= n && !skip.contains(matches[n - 1]->element)) return *matches[n - 1];
      continue;
    }
    std::erase_if(matches, [&](const RibbonCandidate* m) { return skip.contains(m->element); });
    if (const auto* enabled = best(matches, roles, true)) return *enabled;
    if (fallback == nullptr) fallback = best(matches, roles, false);
  }
  if (fallback != nullptr) return *fallback;
  return std::nullopt;
}

bool settles(const std::vector<std::string>& labels, MatchMode mode, const RibbonScan& scan) {
  for (const auto& label : labels) {
    auto marked = stripMarker(label);
    if (labelKey(marked.name).empty()) continue;
    auto match = ribbonMatch({label}, mode, false, {}, scan);
    return match && (match->enabled || marked.number);
  }
  return false;
}

}  // namespace corvane::excel

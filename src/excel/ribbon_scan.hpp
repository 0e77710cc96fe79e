#pragma once
// The breadth-first walk of Excel's controls and the choice among several candidates.

#include <array>
#include <cstddef>
#include <string_view>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "excel/ax_names.hpp"
#include "platform/accessibility.hpp"

namespace corvane::excel {

/// Elements a scan visits at most: a window's ribbon, a dropdown's menus, the fallback tab search.
inline constexpr std::size_t kRibbonScanLimit = 6000;
inline constexpr std::size_t kDropdownScanLimit = 3000;
inline constexpr std::size_t kTabScanLimit = 2500;

/// What a scan reads of each element, in one batched call.
inline constexpr std::array<std::string_view, 10> kScanAttributes{ax::kRole,    ax::kTitle,   ax::kDescription,
                                                                  ax::kChildren, ax::kPosition, ax::kSize,
                                                                  ax::kEnabled,  ax::kHelp,     ax::kIdentifier,
                                                                  ax::kValue};

struct RibbonCandidate {
  platform::Element element;
  std::string role;                 ///< "Gallery" for a scroll area whose help is "gallery"
  std::vector<std::string> labels;  ///< label keys of the non-empty title and description (else the identifier)
  platform::Rect frame;
  bool enabled = true;
  bool selected = false;  ///< its value is 1 (the open tab)
};

/// A scroll area that is not a gallery, as the scan read it: on the ribbon, the open tab's commands.
struct ScannedArea {
  platform::Element element;
  platform::Rect frame;
  std::vector<platform::Element> children;
};

struct RibbonScan {
  std::vector<RibbonCandidate> candidates;
  std::size_t visited = 0;          ///< elements read (one batched read each)
  std::optional<ScannedArea> area = std::nullopt;  ///< the first one visited
};

/// Scans from the roots, visiting at most `limit` elements; a deep scan also collects menu items,
/// cells and static texts.
[[nodiscard]] RibbonScan ribbonScan(platform::Accessibility& ax, const std::vector<platform::Element>& roots,
                                    bool deep, std::size_t limit);

/// Adds one element's read of kScanAttributes, made apart from a scan (a tab group's children, read
/// one by one): its candidate, if it is one, and the commands area, if it is the first. Nothing of
/// its children.
void addRead(RibbonScan& scan, const platform::Element& element,
             const std::vector<std::optional<platform::AXValue>>& values);

enum class MatchMode { tab, dropdownButton, press };

/// Whether reading more of the ribbon can no longer change what ribbonMatch answers for the labels
/// when the first group holding an enabled control of the first name wins: the scan holds an
/// enabled match for the first label (or, numbered, that many matches).
[[nodiscard]] bool settles(const std::vector<std::string>& labels, MatchMode mode, const RibbonScan& scan);

using ElementSet = std::unordered_set<platform::Element, platform::ElementHash>;

/// The best candidate for the labels (tried in order), or none. A disabled match is answered only
/// when no label has an enabled one, so the caller reports it greyed out.
[[nodiscard]] std::optional<RibbonCandidate> ribbonMatch(const std::vector<std::string>& labels, MatchMode mode,
                                                         bool allowRadioButtons, const ElementSet& skip,
                                                         const RibbonScan& scan);

}  // namespace corvane::excel

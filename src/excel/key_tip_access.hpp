#pragma once
// What the action runner may read and clear of the key-tip controller: the level whose badges are
// showing and the elements they stand on. The controller implements it and guards its own state,
// since the runner calls it from the actions queue.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "excel/ribbon_model.hpp"
#include "platform/accessibility.hpp"

namespace corvane::excel {

class KeyTipAccess {
 public:
  virtual ~KeyTipAccess() = default;
  /// The key prefix whose badges are on screen, or none.
  [[nodiscard]] virtual std::optional<std::vector<std::string>> levelPath() = 0;
  /// The element the badge for this full key sequence ("H O I") stands on.
  [[nodiscard]] virtual std::optional<platform::Element> elementFor(const std::string& keyPathText) = 0;
  /// Forgets the level, its elements and the menus key tips opened; with `closePopups` those menus
  /// are first dismissed with Escape. True when key tips showed a collapsed ribbon: from now on the
  /// caller collapses it again.
  virtual bool forgetLevel(bool closePopups) = 0;
  /// The item for these keys in the menu the key tips hold open for the level just above them (a
  /// key typed before that level's badges came): none when no such menu is open or it lacks the item.
  [[nodiscard]] virtual std::optional<platform::Element> elementInOpenMenu(const std::vector<std::string>& keys) = 0;
  /// The ribbon model the runner keeps, for the key tips to read and teach too.
  virtual void shareRibbonModel(std::shared_ptr<RibbonModel> model) { (void)model; }
};

}  // namespace corvane::excel

#pragma once
// Ribbon key tips: plans the badges of a level from the library, scans Excel on the actions queue
// (shared with shortcut runs, so a scan never overlaps a run) and shows the badges on the main
// thread. Requests are ticketed: a scan whose ticket is no longer the latest is abandoned as soon
// as it notices (every Accessibility call checks) and its result is never accepted; a hide takes a
// ticket too, so no badge comes back after a sequence ended. A scan is bounded like a run: 0.75 s
// per reference, a few seconds in all, and it ends quietly when Excel stops answering. Badges are
// never drawn over Excel's own KeyTips: a scan that finds them showing first takes them away with
// Escape, and draws none while they stay. Owned by the shell through a shared_ptr (the runner holds
// it weakly); `update`, `hide`, `lookForExcelKeyTips` and the settings are main-thread calls.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "excel/excel_app.hpp"
#include "excel/key_tip_access.hpp"
#include "excel/menus_and_toolbars.hpp"
#include "excel/ribbon_model.hpp"
#include "excel/ribbon_scan.hpp"
#include "feedback/excel_key_tips.hpp"
#include "feedback/key_tip.hpp"
#include "feedback/key_tip_overlay.hpp"
#include "model/settings.hpp"
#include "model/shortcut_library.hpp"
#include "platform/scheduler.hpp"

namespace corvane::feedback {

class KeyTipController final : public excel::KeyTipAccess, public std::enable_shared_from_this<KeyTipController> {
 public:
  KeyTipController(platform::Scheduler& scheduler, platform::Queue& actionsQueue, const excel::ExcelServices& services,
                   std::unique_ptr<KeyTipOverlay> overlay, model::LibraryPtr library);

  /// Requests badges for the typed path in Excel's process (main thread).
  void update(const std::vector<std::string>& path, std::int32_t pid);
  /// Orders every visible overlay panel out and drops any scan in flight. A collapsed ribbon the key
  /// tips showed is collapsed again afterwards, unless a run or a new sequence takes it over.
  void hide();
  /// Option was released after a press the program took part in, and Excel may answer it with its
  /// own KeyTips, at once or a moment later: looks for them for `kExcelKeyTipsLook` seconds and takes
  /// them away when they come (main thread).
  void lookForExcelKeyTips(std::int32_t pid);

  /// A reload of the shortcuts also forgets what the ribbon looked like, and every level's badges.
  void setLibrary(model::LibraryPtr library);
  void setEnabled(bool enabled) { enabled_ = enabled; }
  void setStyle(model::TipStyle style) { style_ = style; }
  void setSize(model::TipSize size) { size_ = size; }
  [[nodiscard]] bool enabled() const { return enabled_; }

  /// Told, after each accepted scan, how many badges are shown (0 when turned off).
  std::function<void(int)> onTipsShown;
  /// Told on the main thread each time Excel's own KeyTips were found showing and dealt with (once
  /// per sequence while they stay).
  std::function<void(const ExcelKeyTipsMet&)> onExcelKeyTips;

  [[nodiscard]] const std::vector<KeyTip>& lastTips() const { return lastTips_; }
  [[nodiscard]] const std::optional<HUDAnchor>& anchor() const { return anchor_; }
  [[nodiscard]] const KeyTipOverlay& overlay() const { return *overlay_; }
  /// The number of the newest scan request.
  [[nodiscard]] std::uint64_t latestTicket() const;

  // KeyTipAccess, used by the runner on the actions queue.
  std::optional<std::vector<std::string>> levelPath() override;
  std::optional<platform::Element> elementFor(const std::string& keyPathText) override;
  bool forgetLevel(bool closePopups) override;
  std::optional<platform::Element> elementInOpenMenu(const std::vector<std::string>& keys) override;
  void shareRibbonModel(std::shared_ptr<excel::RibbonModel> model) override;
  /// What the last scans learned of the ribbon (the runner's, once shared).
  [[nodiscard]] std::shared_ptr<excel::RibbonModel> ribbonModel() const;

  /// Per-reference messaging timeout and overall deadline of one scan.
  static constexpr double kMessagingTimeout = 0.75;
  static constexpr double kScanBudget = 4.0;
  /// How long after an Option release Excel's KeyTips are looked for.
  static constexpr double kExcelKeyTipsLook = 0.3;

  struct ScanResult {
    std::vector<KeyTip> tips;
    std::optional<HUDAnchor> anchor;
  };
  /// The scan itself, on the calling queue (the actions queue); empty when the ticket is stale.
  [[nodiscard]] std::optional<ScanResult> scan(std::uint64_t ticket, const std::vector<std::string>& path,
                                               std::int32_t pid, const model::LibraryPtr& library);

 private:
  struct Popup {
    std::vector<std::string> path;
    platform::Element root;
  };
  [[nodiscard]] bool isLatest(std::uint64_t ticket) const;
  void accept(std::uint64_t ticket, ScanResult result, bool enabled);
  /// On the actions queue: when Excel's KeyTips show, takes them away unless they stayed before in
  /// this sequence or a menu of ours is open (an Escape would close that first), and tells the main
  /// thread. True when badges may be drawn: they are not showing, or went.
  [[nodiscard]] bool makeWayForBadges(const excel::ExcelApp& excel);
  /// One look of `lookForExcelKeyTips`, then another after a poll interval until `deadline`.
  void lookOnce(std::uint64_t look, std::int32_t pid, double deadline);
  /// On the main thread: takes badges away when Excel's KeyTips stayed, then tells the shell.
  void excelKeyTipsMet(ExcelKeyTipsMet met);
  /// On the actions queue after a hide: closes the menus the key tips opened and collapses a ribbon
  /// they showed, unless a run took them over or a newer request came.
  void restoreRibbon(std::uint64_t ticket);
  [[nodiscard]] std::optional<ScanResult> scanWith(const excel::ExcelApp& excel, std::uint64_t ticket,
                                                   const std::vector<std::string>& path,
                                                   const model::LibraryPtr& library);
  void dropClosedPopups(const excel::ExcelApp& excel);
  /// Closes, innermost first, the menus opened by levels that `path` has gone back from.
  void closeLeftMenus(const excel::ExcelApp& excel, const std::vector<std::string>& path);
  void openLevelMenu(const excel::ExcelApp& excel, const platform::Element& window, const std::vector<std::string>& path,
                     const model::ShortcutLibrary& library, const std::optional<excel::RibbonSnapshot>& ribbon);
  /// The title bar as one scan read it: its toolbar, the toolbar's children (to tell later whether
  /// it changed), its items and the Quick Access Toolbar among them.
  struct TitleBar {
    std::optional<platform::Element> toolbar;
    std::vector<platform::Element> children;
    std::vector<platform::Element> items;
    excel::QuickAccessToolbar qat;
  };
  [[nodiscard]] std::optional<KeyTip> resolve(const excel::ExcelApp& excel, const model::PlannedTip& planned,
                                              const excel::RibbonScan& candidates, bool menuOpen,
                                              const std::optional<platform::Rect>& ribbonArea, const TitleBar& titleBar,
                                              platform::Element& element);
  /// The badges of a level shown before, when the ribbon they were found on still holds (and the
  /// title bar, when they use it): no walk at all.
  [[nodiscard]] std::optional<ScanResult> cachedLevel(const excel::ExcelApp& excel, const std::vector<std::string>& path,
                                                      const excel::RibbonSnapshot& ribbon,
                                                      const model::LibraryPtr& library);

  /// A level's badges, kept against the ribbon snapshot they were found on.
  struct CachedLevel {
    std::uint64_t generation = 0;
    /// The library the tips were planned with: a scan that ends after a reload must not hand its
    /// old tips to requests made with the new library.
    model::LibraryPtr library;
    std::vector<KeyTip> tips;
    std::map<std::string, platform::Element> elements;
    std::optional<platform::Element> toolbar;  ///< read for the level; its children must not change
    std::vector<platform::Element> toolbarChildren;
  };

  platform::Scheduler& scheduler_;
  platform::Queue& queue_;
  excel::ExcelServices services_;
  std::unique_ptr<KeyTipOverlay> overlay_;
  model::LibraryPtr library_;
  bool enabled_ = true;
  model::TipStyle style_ = model::TipStyle::office;
  model::TipSize size_ = model::TipSize::regular;
  std::vector<KeyTip> lastTips_;
  std::optional<HUDAnchor> anchor_;

  mutable std::mutex ticketLock_;
  std::uint64_t latestTicket_ = 0;

  // Written by scans on the actions queue and read by the runner there too; guarded anyway.
  mutable std::mutex stateLock_;
  std::int32_t pid_ = 0;
  std::optional<HUDAnchor> foundAnchor_;
  std::optional<std::vector<std::string>> levelPath_;
  std::map<std::string, platform::Element> elements_;
  std::vector<Popup> popups_;
  std::shared_ptr<excel::RibbonModel> ribbon_ = std::make_shared<excel::RibbonModel>();
  std::map<std::string, CachedLevel> levels_;  ///< by key-path text
  bool ribbonShown_ = false;  ///< key tips showed a collapsed ribbon
  /// Excel's KeyTips stayed after Escape in this sequence: no more Escapes, no badges while they show.
  bool excelKeyTipsStayed_ = false;
  std::uint64_t latestLook_ = 0;  ///< number of the newest look for Excel's KeyTips
};

}  // namespace corvane::feedback

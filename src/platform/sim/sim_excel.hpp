#pragma once
// The simulated Excel for Mac: a live accessibility tree built from a fixture, Excel's reactions in
// virtual time, fault injection and call counting. It owns the Accessibility, WindowList and
// InputPoster the core is given. Thread-safe: one lock guards the tree, and Excel's own reactions
// (a tab's commands appearing, a dialog opening) are timers on its serial queue "sim.excel". Create
// and destroy it on the thread that pumps the scheduler; it must outlive the services it hands out.

#include <array>
#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/accessibility.hpp"
#include "platform/clock.hpp"
#include "platform/event_tap.hpp"
#include "platform/scheduler.hpp"
#include "platform/sim/ax_call.hpp"
#include "platform/sim/excel_event.hpp"
#include "platform/sim/excel_fixture.hpp"
#include "platform/sim/sim_node.hpp"

namespace corvane::platform::sim {

class SimAccessibility;
class SimWindowList;
class SimInputPoster;

/// Picks elements by role and label, for faults and for tests. Empty parts match anything; the label
/// matches the title, the description or the identifier exactly.
struct ElementSelector {
  std::string role;
  std::string label;

  [[nodiscard]] bool picks(const SimNode& node) const;
};

/// A fault applies to one element, or to every element (now and later) that a selector picks.
using FaultTarget = std::variant<Element, ElementSelector>;

class SimExcel final {
 public:
  /// The messaging timeout of an element whose own is 0, as on a Mac.
  static constexpr double kSystemMessagingTimeout = 6.0;
  /// Window-list layer of popup menus (kCGPopUpMenuWindowLevel).
  static constexpr std::int32_t kPopupLayer = 101;

  /// Without a fixture Excel is not installed: never running, never launched.
  SimExcel(Clock& clock, Scheduler& scheduler, std::shared_ptr<const ExcelFixture> fixture);
  ~SimExcel();
  SimExcel(const SimExcel&) = delete;
  SimExcel& operator=(const SimExcel&) = delete;

  // --- The platform services it implements ---
  [[nodiscard]] SimAccessibility& accessibility();
  [[nodiscard]] SimWindowList& windowList();
  [[nodiscard]] SimInputPoster& inputPoster();

  // --- The application, as the simulated workspace drives it ---
  [[nodiscard]] bool isRunning() const;
  /// Excel's process id while it runs.
  [[nodiscard]] std::optional<std::int32_t> pid() const;
  [[nodiscard]] const FixtureApplication& application() const;
  [[nodiscard]] bool isFrontmost() const;
  /// Whether Excel is the frontmost application ("AXFrontmost"); leaving the front closes its menus.
  void setFrontmost(bool frontmost);
  /// Excel quits: the application and every element become invalid, its windows leave the screen.
  void quit();
  /// Starts Excel again from its fixture (new elements); false when there is no fixture.
  [[nodiscard]] bool launch();
  /// Other applications' windows for the on-screen list: behind Excel's while Excel is frontmost,
  /// in front of them otherwise.
  void setOtherWindows(std::vector<WindowInfo> windows);

  // --- What Excel did ---
  [[nodiscard]] std::vector<ExcelEvent> events() const;
  /// The labels of the commands Excel ran, in order.
  [[nodiscard]] std::vector<std::string> commandsRun() const;
  void clearEvents();
  /// Called for every event as it happens, under Excel's lock: it must not block or call back.
  void setObserver(std::function<void(const ExcelEvent&)> observer);

  // --- Looking at the tree, not counted and free of faults (tests, renderers) ---
  [[nodiscard]] Element applicationElement();
  /// The first element the selector picks: windows front to back (popups first), then the menu bar.
  [[nodiscard]] std::optional<Element> find(const ElementSelector& selector);
  [[nodiscard]] std::vector<Element> findAll(const ElementSelector& selector);
  [[nodiscard]] bool isValid(const Element& element) const;
  [[nodiscard]] std::optional<Rect> frameOf(const Element& element) const;
  [[nodiscard]] std::optional<Rect> workbookFrame() const;
  /// The title of the ribbon tab whose value is 1, and of the tab whose commands are in the tree.
  [[nodiscard]] std::string selectedTab() const;
  [[nodiscard]] std::string shownCommandsTab() const;
  [[nodiscard]] std::size_t openPopupCount() const;
  /// The titles of the menus open in the menu bar, outermost first.
  [[nodiscard]] std::vector<std::string> openMenuBarMenus() const;
  [[nodiscard]] std::vector<std::string> openDialogs() const;
  [[nodiscard]] std::optional<Element> focusedElement();

  // --- Faults ---
  /// Calls on the target answer `code`: every call when `name` is empty, else reads or sets of that
  /// attribute and performs of that action (in a read of several attributes, only that value is absent).
  void injectError(const FaultTarget& target, AXError code, std::string name = {});
  /// A press of the target happens and then answers `code` (-25204: the press was slow).
  void injectPressResult(const FaultTarget& target, AXError code = ax::kCannotComplete);
  /// Calls on the target (of `name`, or every call) wait the target's messaging timeout in virtual
  /// time (the system's 6 s when it has none) and answer -25204 without effect.
  void injectTimeout(const FaultTarget& target, std::string name = {});
  /// The element and everything inside it stop answering (or answer again): every call on them waits
  /// out the calling reference's messaging timeout and answers -25204 without effect.
  void setHung(const Element& element, bool hung = true);
  /// The element leaves the tree after it has been read `reads` more times.
  void vanishAfterReads(const Element& element, int reads);
  /// The element and everything in it leave the tree now.
  void removeElement(const Element& element);
  /// The user fills the front workbook's sheet: `cells` cells with numbers in them join its table,
  /// as Excel shows a sheet's cells to Accessibility, each described by its address and contents.
  /// Returns how many joined (none without a workbook).
  std::size_t fillSheet(std::size_t cells);
  /// Excel quits right after the next `calls` Accessibility calls.
  void quitAfterCalls(std::uint64_t calls);
  void clearFaults();

  // --- Counting ---
  [[nodiscard]] std::uint64_t calls(AXCall kind) const;
  [[nodiscard]] std::uint64_t totalCalls() const;
  [[nodiscard]] std::uint64_t windowListCalls() const;
  void resetCounts();
  /// Every Accessibility call that reaches Excel, and every read of the window list, costs this much
  /// virtual time (Clock::sleep) before it answers. Calls that stay in the caller's process (an
  /// application reference, a process id, a messaging timeout, the trust check) cost nothing.
  /// Starts at the fixture's `axLatency`.
  void setCallLatency(double seconds);
  /// The calls that reached Excel: every kind but application, processId, messagingTimeout, trusted.
  [[nodiscard]] std::uint64_t remoteCalls() const;

  // --- Trust ---
  /// Without trust every Accessibility call answers kAPIDisabled.
  void setTrusted(bool trusted);
  /// How many times the system's permission dialog was asked for.
  [[nodiscard]] int trustPrompts() const;

  // --- Input reaching Excel (after the event tap; also the session's hardware events) ---
  void receiveKey(std::uint16_t keyCode, bool down, std::uint64_t flags);
  void receiveMouse(InputPoster::Mouse kind, Point location);
  /// The modifier keys held changed (a flags-changed event): how Excel hears its KeyTips key.
  void receiveFlags(std::uint64_t flags);

  // --- Excel's own KeyTips (the fixture's `nativeKeyTips`) ---
  [[nodiscard]] bool keyTipsShowing() const;
  /// The letters of the badges showing, in the order of the application's children.
  [[nodiscard]] std::vector<std::string> keyTipBadges() const;
  /// A fault: Escape stops taking Excel's KeyTips away (a click or a completed KeyTip still does).
  void setKeyTipsIgnoreEscape(bool ignore);

 private:
  friend class SimAccessibility;
  friend class SimWindowList;

  struct Fault {
    enum class Type { error, pressResult, timeout };
    FaultTarget target;
    Type type = Type::error;
    AXError code = ax::kSuccess;
    std::string name;
  };
  using Lock = std::unique_lock<std::recursive_mutex>;

  // The surface, as the service objects call it (sim_excel_ax_calls.cpp).
  Element axApplication(std::int32_t pid);
  std::optional<std::int32_t> axProcessId(const Element& element);
  std::expected<AXValue, AXError> axCopyAttribute(const Element& element, std::string_view attribute);
  std::expected<std::vector<std::optional<AXValue>>, AXError> axCopyMultiple(const Element& element,
                                                                           std::span<const std::string_view> names);
  std::expected<std::vector<std::string>, AXError> axActionNames(const Element& element);
  AXError axPerform(const Element& element, std::string_view action);
  AXError axSet(const Element& element, std::string_view attribute, const AXValue& value);
  std::expected<Element, AXError> axElementAtPosition(const Element& application, Point point);
  AXError axSetTimeout(const Element& element, double seconds);
  bool axTrusted(bool prompt);
  std::vector<WindowInfo> onScreenWindows();

  // Call bookkeeping (sim_excel_faults.cpp): counts, latency, the quit countdown, trust, validity and
  // faults. Returns the element's node with the lock held, or the call's error.
  std::expected<NodePtr, AXError> enter(Lock& lock, AXCall kind, const Element& element,
                                        std::span<const std::string_view> names);
  /// The calling reference's messaging timeout, the system's when it has none.
  double timeoutOf(const Element& element) const;
  /// Waits out the reference's timeout outside the lock: a call Excel never answers.
  AXError noAnswer(Lock& lock, const Element& element);
  bool isHung(const SimNode& node) const;
  void countCall(AXCall kind);
  const Fault* faultFor(const SimNode& node, Fault::Type type, std::span<const std::string_view> names) const;
  bool targets(const FaultTarget& target, const SimNode& node) const;
  void noteRead(const NodePtr& node);
  NodePtr nodeOf(const Element& element) const;
  Element elementOf(const NodePtr& node) const;

  // Reading (sim_excel_attributes.cpp).
  std::expected<AXValue, AXError> attributeOf(const NodePtr& node, std::string_view attribute) const;
  std::vector<std::string> actionsOf(const SimNode& node) const;
  NodePtr windowOf(const NodePtr& node) const;
  NodePtr hitTest(Point point) const;

  // Building the tree (sim_excel_tree.cpp).
  void build();
  NodePtr makeNode(NodeKind kind, Area area, const FixtureNode* source, const NodePtr& parent);
  NodePtr instantiate(const FixtureNode& source, const NodePtr& parent, Area area, NodeKind kind);
  /// The tab's commands area; `filling` leaves it empty and adds its groups one by one.
  NodePtr makeCommands(const NodePtr& tabGroup, const FixtureNode& tab, bool filling = false);
  /// Makes `area` the commands area of `tab` (its description and what it remembers).
  void describeCommands(const NodePtr& area, const FixtureNode& tab);
  NodePtr makeGroup(const NodePtr& area, const FixtureNode& group);
  NodePtr makeMenuItem(const FixtureNode& source, const NodePtr& menu, Area area);
  void fillMenu(const NodePtr& menu, const std::vector<FixtureNode>& items, Area area);
  void refreshApplicationChildren();
  void invalidate(const NodePtr& node);
  void detach(const NodePtr& node);
  double windowWidthOf(const NodePtr& node) const;

  // Presses (sim_excel_presses.cpp).
  AXError press(const NodePtr& node);
  AXError showMenu(const NodePtr& node);
  void run(const NodePtr& node);
  void focus(const NodePtr& node);

  // The ribbon (sim_excel_ribbon.cpp).
  void selectTab(const NodePtr& tab);
  void showCommands(const NodePtr& tab);
  void removeCommands(const NodePtr& tabGroup);
  void setRibbonCollapsed(const NodePtr& tabGroup, bool collapsed);
  NodePtr frontTabGroup() const;
  void cancelTabWork();
  /// Folds or unfolds the window's ribbon groups for its width.
  void relayout(const NodePtr& window);

  // Menus (sim_excel_menus.cpp).
  void openPopup(const NodePtr& opener);
  void showPopup(const NodePtr& opener, const NodePtr& holder);
  void cancelPendingPopups();
  void closePopupsFrom(std::size_t index);
  void closeAllMenus();
  void openMenuBarMenu(const NodePtr& menu);

  // Dialogs and window geometry (sim_excel_windows.cpp).
  void scheduleDialog(const std::string& name);
  void openDialog(const std::string& name);
  void closeDialog(const NodePtr& dialog);
  AXError moveWindow(const NodePtr& window, Point origin);
  AXError resizeWindow(const NodePtr& window, Size size);

  // Clicks (sim_excel_input.cpp).
  void click(const NodePtr& node);

  // Records and timers (sim_excel.cpp).
  void record(ExcelEvent event);
  void record(ExcelEvent::Kind kind, std::string label, const NodePtr& control = nullptr);
  std::string pathOf(const NodePtr& node) const;
  WorkHandle later(double seconds, std::function<void()> work);
  void quitLocked();

  // Excel's own KeyTips (sim_excel_key_tips.cpp).
  /// The KeyTips key was tapped alone: they come, or go when they show.
  void keyTipsKeyTapped();
  /// Shows the KeyTips of the tabs (`tab` null) or of a tab's commands.
  void showKeyTips(const NodePtr& tab);
  /// Leaves KeyTips, saying so when they showed.
  void hideKeyTips();
  /// Rebuilds the badges for the level and the letters typed, saying so when they changed.
  void refreshKeyTips();
  void removeKeyTipBadges();
  /// A key while the KeyTips show; true when they took it.
  bool keyTipsTakeKey(std::uint16_t keyCode, std::uint64_t flags);
  /// Something other than the KeyTips key happened: the next release is no tap, and KeyTips on
  /// their way stay away.
  void interruptKeyTipsKey();

  mutable std::recursive_mutex mutex_;
  Clock& clock_;
  Scheduler& scheduler_;
  std::shared_ptr<Queue> queue_;
  std::shared_ptr<const ExcelFixture> fixture_;

  bool running_ = false;
  bool frontmost_ = false;
  bool trusted_ = true;
  int prompts_ = 0;
  std::uint64_t nextId_ = 1;

  NodePtr app_;
  NodePtr menuBar_;
  std::vector<NodePtr> windows_;        ///< the fixture's windows, front to back
  std::vector<NodePtr> popups_;         ///< bottom to top
  std::vector<NodePtr> dialogs_;        ///< dialog windows and sheets, bottom to top
  std::vector<NodePtr> openMenus_;      ///< menu-bar menus on screen, outermost first
  std::weak_ptr<SimNode> focused_;
  std::weak_ptr<SimNode> mouseDownOn_;
  std::vector<WindowInfo> otherWindows_;
  WorkHandle tabSwitch_;
  std::vector<WorkHandle> filling_;       ///< groups of a commands area still to appear
  std::vector<WorkHandle> pendingPopups_; ///< dropdowns opened but not yet shown
  bool openedDropdown_ = false;           ///< the press being handled opened a ribbon dropdown
  std::vector<std::weak_ptr<WorkItem>> timers_;  ///< Excel's pending reactions, cancelled when it goes

  std::array<std::uint64_t, kAXCallKinds> counts_{};
  std::uint64_t windowListCalls_ = 0;
  double latency_ = 0;
  std::vector<Fault> faults_;
  std::vector<std::pair<std::weak_ptr<SimNode>, int>> vanishing_;
  std::optional<std::uint64_t> quitAfter_;

  struct KeyTipBadge {
    NodePtr node;                  ///< the application's static text
    std::weak_ptr<SimNode> target; ///< the tab or control it reaches
  };
  bool keyTipsShowing_ = false;
  std::weak_ptr<SimNode> keyTipsTab_;     ///< the tab whose commands' KeyTips show; none: the tabs'
  std::string keyTipsTyped_;              ///< letters typed towards a longer KeyTip
  std::vector<KeyTipBadge> keyTipBadges_; ///< in the application's children, first
  std::vector<std::string> keyTipsShown_; ///< the letters last announced
  bool keyTipsArmed_ = false;             ///< the KeyTips key is held with nothing else
  bool keyTipsIgnoreEscape_ = false;
  WorkHandle keyTipsPending_;             ///< KeyTips on their way (`nativeKeyTipsDelay`)

  std::vector<ExcelEvent> events_;
  std::function<void(const ExcelEvent&)> observer_;

  std::unique_ptr<SimAccessibility> accessibility_;
  std::unique_ptr<SimWindowList> windowList_;
  std::unique_ptr<SimInputPoster> inputPoster_;
};

}  // namespace corvane::platform::sim

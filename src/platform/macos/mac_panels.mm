#include "platform/macos/mac_panels.hpp"

#import <AppKit/AppKit.h>
#import <QuartzCore/QuartzCore.h>

#include <atomic>
#include <utility>

#include "platform/macos/cf_strings.hpp"
#include "platform/macos/main_thread.hpp"

NSString* const CVOwnPanelSubrole = @"CVCorvanePanel";

/// A floating panel; whether it may become the key window depends on its kind.
@interface CVPanelWindow : NSPanel
@property(nonatomic) BOOL mayBecomeKey;
@end

@implementation CVPanelWindow
- (BOOL)canBecomeKeyWindow {
  return self.mayBecomeKey;
}
- (BOOL)canBecomeMainWindow {
  return NO;
}
- (NSString*)accessibilitySubrole {
  return CVOwnPanelSubrole;
}
@end

/// Hosts the content view and takes the first click, so a button in a panel of an inactive
/// application works at once.
@interface CVFirstClickHostView : NSView
@end

@implementation CVFirstClickHostView
- (BOOL)acceptsFirstMouse:(NSEvent*)event {
  (void)event;
  return YES;
}
@end

/// Tells the core when the user closes a window or a key panel loses key status.
@interface CVPanelDelegate : NSObject <NSWindowDelegate>
@property(nonatomic) BOOL reportsResignKey;
@property(nonatomic, copy) void (^onClosed)(void);
@end

@implementation CVPanelDelegate
- (void)windowWillClose:(NSNotification*)notification {
  (void)notification;
  if (self.onClosed) self.onClosed();
}
- (void)windowDidResignKey:(NSNotification*)notification {
  (void)notification;
  if (self.reportsResignKey && self.onClosed) self.onClosed();
}
@end

namespace corvane::platform::macos {

namespace {

NSRect toNSRect(const Rect& r) { return NSMakeRect(r.x, r.y, r.width, r.height); }
Rect toRect(NSRect r) { return {r.origin.x, r.origin.y, r.size.width, r.size.height}; }

// Window levels and collection behaviours of the floating kinds.
constexpr NSWindowLevel kStatusLevel = 25;
constexpr NSWindowLevel kPopUpMenuLevel = 101;
constexpr NSWindowLevel kAboveMenusLevel = 102;
// All spaces, stationary, ignores cycling, full-screen auxiliary, can join all applications.
constexpr NSWindowCollectionBehavior kFloatingBehaviour = static_cast<NSWindowCollectionBehavior>(0x40151);
// All spaces, transient, ignores cycling, full-screen auxiliary, can join all applications.
constexpr NSWindowCollectionBehavior kKeyPanelBehaviour = static_cast<NSWindowCollectionBehavior>(0x40149);

/// A capsule mask with rounded ends for the learning hint, stretched across its width.
NSImage* capsuleMask() {
  NSImage* image = [NSImage imageWithSize:NSMakeSize(29, 28)
                                  flipped:NO
                           drawingHandler:^BOOL(NSRect rect) {
                             [[NSColor blackColor] setFill];
                             [[NSBezierPath bezierPathWithRoundedRect:rect xRadius:14 yRadius:14] fill];
                             return YES;
                           }];
  image.capInsets = NSEdgeInsetsMake(14, 14, 14, 14);
  image.resizingMode = NSImageResizingModeStretch;
  return image;
}

NSVisualEffectView* effectBackground(NSVisualEffectMaterial material, NSRect frame) {
  NSVisualEffectView* effect = [[NSVisualEffectView alloc] initWithFrame:frame];
  effect.material = material;
  effect.blendingMode = NSVisualEffectBlendingModeBehindWindow;
  effect.state = NSVisualEffectStateActive;
  effect.wantsLayer = YES;
  effect.layer.masksToBounds = YES;
  effect.autoresizingMask = NSViewWidthSizable | NSViewHeightSizable;
  return effect;
}

}  // namespace

struct MacPanels::State {
  PanelContentFactory factory;
  /// Whether one of our windows is key, kept from AppKit's notifications on the main thread so
  /// that the key tap's thread can read it without touching AppKit.
  std::atomic<bool> ownWindowIsKey{false};
  id becameKey = nil;
  id resignedKey = nil;
};

/// One panel or window. Main thread; the sink slot is shared with the content view, which may
/// outlive the panel by an event, so a late action finds an empty slot and goes nowhere.
class MacPanel final : public Panel {
 public:
  MacPanel(std::shared_ptr<MacPanels::State> state, PanelKind kind, Size initialSize)
      : state_(std::move(state)), kind_(kind), sink_(std::make_shared<PanelActionSink>()) {
    @autoreleasepool {
      build(initialSize);
    }
  }

  ~MacPanel() override {
    requireMainThread("Panel::~Panel");
    *sink_ = nullptr;
    delegate_.onClosed = nil;
    window_.delegate = nil;
    [window_ orderOut:nil];
  }

  MacPanel(const MacPanel&) = delete;
  MacPanel& operator=(const MacPanel&) = delete;

  void setContent(std::shared_ptr<const views::View> content) override {
    requireMainThread("Panel::setContent");
    if (!content) return;
    @autoreleasepool {
      if (content_ == nil || ![content_ showView:content]) {
        NSView<CVPanelContent>* view = state_->factory ? state_->factory(kind_, content, sinkForContent()) : nil;
        if (view == nil) return;
        [content_ removeFromSuperview];
        content_ = view;
        content_.frame = host_.bounds;
        content_.autoresizingMask = NSViewWidthSizable | NSViewHeightSizable;
        [host_ addSubview:content_];
        [content_ showView:content];
      }
      if (kind_ == PanelKind::window) fitWindowToContent();
    }
  }

  [[nodiscard]] Size fittingSize() override {
    requireMainThread("Panel::fittingSize");
    if (content_ == nil) return {};
    NSSize size = [content_ contentFittingSize];
    return {size.width, size.height};
  }

  void setFrame(const Rect& frame) override {
    requireMainThread("Panel::setFrame");
    NSRect rect = toNSRect(frame);
    // A titled window is placed by its content, so a fitting size fits below the title bar.
    if (kind_ == PanelKind::window) rect = [window_ frameRectForContentRect:rect];
    [window_ setFrame:rect display:YES];
  }

  [[nodiscard]] Rect frame() const override {
    requireMainThread("Panel::frame");
    NSRect rect = window_.frame;
    if (kind_ == PanelKind::window) rect = [window_ contentRectForFrameRect:rect];
    return toRect(rect);
  }

  void orderFront() override {
    requireMainThread("Panel::orderFront");
    [window_ orderFrontRegardless];
    [window_ invalidateShadow];
  }

  void makeKeyAndOrderFront() override {
    requireMainThread("Panel::makeKeyAndOrderFront");
    // An ordinary window of a menu-bar application only comes to the front with the application.
    // From macOS 14 activation is a request the system may turn down while another application
    // is in use, so the window is ordered to the front regardless as well.
    if (kind_ == PanelKind::window) {
      if (@available(macOS 14.0, *)) {
        [NSApp activate];
      } else {
        [NSApp activateIgnoringOtherApps:YES];
      }
    }
    [window_ makeKeyAndOrderFront:nil];
    if (kind_ == PanelKind::window) [window_ orderFrontRegardless];
  }

  void orderOut() override {
    requireMainThread("Panel::orderOut");
    [window_ orderOut:nil];
  }
  [[nodiscard]] bool isVisible() const override {
    requireMainThread("Panel::isVisible");
    return window_.visible;
  }
  [[nodiscard]] bool isKey() const override {
    requireMainThread("Panel::isKey");
    return window_.keyWindow;
  }
  void setIgnoresMouse(bool ignores) override {
    requireMainThread("Panel::setIgnoresMouse");
    window_.ignoresMouseEvents = ignores;
  }

  void animateAlpha(double alpha, double seconds, std::function<void()> done) override {
    requireMainThread("Panel::animateAlpha");
    auto finish = std::make_shared<std::function<void()>>(std::move(done));
    auto later = ^{
      dispatch_async(dispatch_get_main_queue(), ^{
        if (*finish) (*finish)();
      });
    };
    if (seconds <= 0) {
      window_.alphaValue = alpha;
      later();
      return;
    }
    NSWindow* window = window_;
    [NSAnimationContext
        runAnimationGroup:^(NSAnimationContext* context) {
          context.duration = seconds;
          window.animator.alphaValue = alpha;
        }
        completionHandler:later];
  }

  void setCornerRadius(double radius) override {
    requireMainThread("Panel::setCornerRadius");
    if (background_ == nil || kind_ == PanelKind::coachHint) return;
    background_.layer.cornerRadius = radius;
  }

  void setTitle(const std::string& title) override {
    requireMainThread("Panel::setTitle");
    window_.title = makeNSString(title);
  }

  void center() override {
    requireMainThread("Panel::center");
    [window_ center];
  }

  void setActionSink(std::function<void(const PanelAction&)> sink) override { *sink_ = std::move(sink); }

 private:
  /// Actions reach the core on a later turn of the main queue, never from inside AppKit's event
  /// handling, so the core may replace the content (and the button that was pressed) in answer.
  [[nodiscard]] PanelActionSink sinkForContent() const {
    std::weak_ptr<PanelActionSink> weak = sink_;
    return [weak](const PanelAction& action) {
      PanelAction copy = action;
      dispatch_async(dispatch_get_main_queue(), ^{
        auto slot = weak.lock();
        if (!slot || !*slot) return;
        auto call = *slot;  // a sink that replaces itself finishes its own call
        call(copy);
      });
    };
  }

  void build(Size initialSize) {
    NSRect contentRect = NSMakeRect(0, 0, initialSize.width, initialSize.height);
    if (kind_ == PanelKind::window) {
      window_ = [[NSWindow alloc] initWithContentRect:contentRect
                                            styleMask:NSWindowStyleMaskTitled | NSWindowStyleMaskClosable |
                                                      NSWindowStyleMaskMiniaturizable
                                              backing:NSBackingStoreBuffered
                                                defer:YES];
      window_.releasedWhenClosed = NO;
      host_ = [[CVFirstClickHostView alloc] initWithFrame:contentRect];
      window_.contentView = host_;
      installDelegate(false);
      return;
    }

    NSWindowStyleMask style = NSWindowStyleMaskNonactivatingPanel;
    if (kind_ == PanelKind::keyTipOverlay) style |= NSWindowStyleMaskBorderless;
    CVPanelWindow* panel = [[CVPanelWindow alloc] initWithContentRect:contentRect
                                                            styleMask:style
                                                              backing:NSBackingStoreBuffered
                                                                defer:YES];
    window_ = panel;
    panel.releasedWhenClosed = NO;
    panel.opaque = NO;
    panel.backgroundColor = [NSColor clearColor];
    panel.hidesOnDeactivate = NO;
    panel.animationBehavior = NSWindowAnimationBehaviorNone;
    panel.floatingPanel = YES;
    panel.becomesKeyOnlyIfNeeded = NO;
    host_ = [[CVFirstClickHostView alloc] initWithFrame:contentRect];
    host_.autoresizingMask = NSViewWidthSizable | NSViewHeightSizable;

    switch (kind_) {
      case PanelKind::hud:
        panel.level = kStatusLevel;
        panel.hasShadow = YES;
        panel.ignoresMouseEvents = YES;
        panel.collectionBehavior = kFloatingBehaviour;
        hostInBackground(NSVisualEffectMaterialMenu, 10);
        break;
      case PanelKind::keyTipOverlay:
        panel.level = kAboveMenusLevel;
        panel.hasShadow = NO;
        panel.ignoresMouseEvents = YES;
        panel.collectionBehavior = kFloatingBehaviour;
        host_.wantsLayer = YES;
        panel.contentView = host_;
        break;
      case PanelKind::coachHint:
        panel.level = kStatusLevel;
        panel.hasShadow = YES;
        panel.collectionBehavior = kFloatingBehaviour;
        hostInBackground(NSVisualEffectMaterialMenu, 0);
        background_.layer.masksToBounds = NO;
        background_.maskImage = capsuleMask();
        break;
      case PanelKind::palette:
        panel.level = kStatusLevel;
        panel.hasShadow = YES;
        panel.mayBecomeKey = YES;
        panel.collectionBehavior = kKeyPanelBehaviour;
        hostInBackground(NSVisualEffectMaterialPopover, 18);
        installDelegate(true);
        break;
      case PanelKind::quickPanel:
        panel.level = kPopUpMenuLevel;
        panel.hasShadow = YES;
        panel.mayBecomeKey = YES;
        panel.collectionBehavior = kKeyPanelBehaviour;
        hostInBackground(NSVisualEffectMaterialMenu, 10);
        installDelegate(true);
        break;
      case PanelKind::window:
        break;
    }
  }

  /// Floating panels are placed by the core from their fitting size; an ordinary window follows
  /// its content itself, keeping its top left corner where the user left it.
  void fitWindowToContent() {
    NSSize size = [content_ contentFittingSize];
    if (size.width <= 0 || size.height <= 0) return;
    NSRect content = [window_ contentRectForFrameRect:window_.frame];
    if (NSEqualSizes(content.size, size)) return;
    content.origin.y += content.size.height - size.height;
    content.size = size;
    [window_ setFrame:[window_ frameRectForContentRect:content] display:YES];
  }

  void hostInBackground(NSVisualEffectMaterial material, double radius) {
    background_ = effectBackground(material, host_.frame);
    background_.layer.cornerRadius = radius;
    host_.frame = background_.bounds;
    [background_ addSubview:host_];
    window_.contentView = background_;
  }

  void installDelegate(bool reportsResignKey) {
    delegate_ = [[CVPanelDelegate alloc] init];
    delegate_.reportsResignKey = reportsResignKey;
    std::weak_ptr<PanelActionSink> weak = sink_;
    delegate_.onClosed = ^{
      auto slot = weak.lock();
      if (!slot || !*slot) return;
      auto call = *slot;
      call(PanelAction{PanelAction::Kind::closed, {}, {}, false, false});
    };
    window_.delegate = delegate_;
  }

  std::shared_ptr<MacPanels::State> state_;
  PanelKind kind_;
  std::shared_ptr<PanelActionSink> sink_;
  NSWindow* window_ = nil;
  NSVisualEffectView* background_ = nil;
  NSView* host_ = nil;
  NSView<CVPanelContent>* content_ = nil;
  CVPanelDelegate* delegate_ = nil;
};

MacPanels::MacPanels(PanelContentFactory factory) : state_(std::make_shared<State>()) {
  state_->factory = std::move(factory);
  std::weak_ptr<State> weak = state_;
  auto follow = ^(NSNotification*) {
    if (auto state = weak.lock()) state->ownWindowIsKey = [NSApp keyWindow] != nil;
  };
  NSNotificationCenter* center = [NSNotificationCenter defaultCenter];
  NSOperationQueue* main = [NSOperationQueue mainQueue];
  state_->becameKey = [center addObserverForName:NSWindowDidBecomeKeyNotification object:nil queue:main usingBlock:follow];
  state_->resignedKey = [center addObserverForName:NSWindowDidResignKeyNotification object:nil queue:main usingBlock:follow];
}

MacPanels::~MacPanels() {
  [[NSNotificationCenter defaultCenter] removeObserver:state_->becameKey];
  [[NSNotificationCenter defaultCenter] removeObserver:state_->resignedKey];
}

std::unique_ptr<Panel> MacPanels::create(PanelKind kind, Size initialSize) {
  requireMainThread("Panels::create");
  return std::make_unique<MacPanel>(state_, kind, initialSize);
}

bool MacPanels::ownWindowIsKey() const { return state_->ownWindowIsKey; }

}  // namespace corvane::platform::macos

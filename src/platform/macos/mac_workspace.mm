#include "platform/macos/mac_workspace.hpp"

#include <dlfcn.h>

#import <AppKit/AppKit.h>

#include <utility>

#include "platform/macos/cf_strings.hpp"

#if __has_include(<ServiceManagement/ServiceManagement.h>)
#import <ServiceManagement/ServiceManagement.h>
#define CORVANE_HAS_SERVICE_MANAGEMENT 1
#else
#define CORVANE_HAS_SERVICE_MANAGEMENT 0
// The part of SMAppService (macOS 13) read here, reached at run time when the SDK lacks its header.
@protocol CVAppService <NSObject>
@property(readonly) NSInteger status;
@end
@protocol CVAppServiceClass <NSObject>
+ (id<CVAppService>)mainAppService;
@end
#endif

namespace corvane::platform::macos {

namespace {

RunningApp toRunningApp(NSRunningApplication* app) {
  return {app.processIdentifier, toStdString(app.bundleIdentifier), toStdString(app.localizedName)};
}

/// Removes its observers from their centres when destroyed.
class ObservationToken final : public WorkspaceToken {
 public:
  ObservationToken(NSArray* workspaceObservers, id distributedObserver)
      : workspaceObservers_(workspaceObservers), distributedObserver_(distributedObserver) {}
  ~ObservationToken() override {
    NSNotificationCenter* centre = [[NSWorkspace sharedWorkspace] notificationCenter];
    for (id observer in workspaceObservers_) [centre removeObserver:observer];
    if (distributedObserver_ != nil) [[NSDistributedNotificationCenter defaultCenter] removeObserver:distributedObserver_];
  }
  ObservationToken(const ObservationToken&) = delete;
  ObservationToken& operator=(const ObservationToken&) = delete;

 private:
  NSArray* workspaceObservers_;
  id distributedObserver_;
};

/// Ends the process activity when destroyed.
class ActivityToken final : public WorkspaceToken {
 public:
  explicit ActivityToken(id<NSObject> activity) : activity_(activity) {}
  ~ActivityToken() override { [[NSProcessInfo processInfo] endActivity:activity_]; }
  ActivityToken(const ActivityToken&) = delete;
  ActivityToken& operator=(const ActivityToken&) = delete;

 private:
  id<NSObject> activity_;
};

NSURL* fileURL(const std::string& path) { return [NSURL fileURLWithPath:makeNSString(path)]; }

/// The application bundle called `name` in the usual application folders.
NSURL* applicationNamed(const std::string& name) {
  NSString* bundle = [makeNSString(name) stringByAppendingPathExtension:@"app"];
  // A name that cannot take the extension (empty, or ending in a slash) names no application.
  if (bundle == nil) return nil;
  NSArray<NSString*>* folders = @[
    @"/System/Applications", @"/Applications", @"/System/Applications/Utilities", @"/Applications/Utilities",
    [NSHomeDirectory() stringByAppendingPathComponent:@"Applications"]
  ];
  NSFileManager* files = [NSFileManager defaultManager];
  for (NSString* folder in folders) {
    NSString* path = [folder stringByAppendingPathComponent:bundle];
    if ([files fileExistsAtPath:path]) return [NSURL fileURLWithPath:path];
  }
  return nil;
}

NSSharingService* emailService() { return [NSSharingService sharingServiceNamed:NSSharingServiceNameComposeEmail]; }

}  // namespace

std::vector<RunningApp> MacWorkspace::runningApplications() {
  @autoreleasepool {
    std::vector<RunningApp> apps;
    for (NSRunningApplication* app in [[NSWorkspace sharedWorkspace] runningApplications]) {
      if (app.terminated) continue;
      apps.push_back(toRunningApp(app));
    }
    return apps;
  }
}

std::optional<RunningApp> MacWorkspace::frontmostApplication() {
  @autoreleasepool {
    NSRunningApplication* app = [[NSWorkspace sharedWorkspace] frontmostApplication];
    if (app == nil) return std::nullopt;
    return toRunningApp(app);
  }
}

bool MacWorkspace::activate(std::int32_t pid) {
  @autoreleasepool {
    NSRunningApplication* app = [NSRunningApplication runningApplicationWithProcessIdentifier:pid];
    if (app == nil || app.terminated) return false;
    return [app activateWithOptions:NSApplicationActivateIgnoringOtherApps];
  }
}

std::unique_ptr<WorkspaceToken> MacWorkspace::observe(std::function<void(const WorkspaceEvent&)> onEvent) {
  @autoreleasepool {
    auto handler = std::make_shared<std::function<void(const WorkspaceEvent&)>>(std::move(onEvent));
    auto deliver = [handler](WorkspaceEventKind kind, NSNotification* note) {
      WorkspaceEvent event;
      event.kind = kind;
      event.name = workspaceEventName(kind);
      id app = note.userInfo[NSWorkspaceApplicationKey];
      if ([app isKindOfClass:[NSRunningApplication class]]) event.app = toRunningApp(app);
      auto call = *handler;  // a copy, so an observer that ends the observation finishes its call
      if (call) call(event);
    };

    const std::pair<NSNotificationName, WorkspaceEventKind> names[] = {
        {NSWorkspaceDidActivateApplicationNotification, WorkspaceEventKind::didActivateApplication},
        {NSWorkspaceDidLaunchApplicationNotification, WorkspaceEventKind::didLaunchApplication},
        {NSWorkspaceDidTerminateApplicationNotification, WorkspaceEventKind::didTerminateApplication},
        {NSWorkspaceDidWakeNotification, WorkspaceEventKind::didWake},
        {NSWorkspaceScreensDidWakeNotification, WorkspaceEventKind::screensDidWake},
        {NSWorkspaceSessionDidBecomeActiveNotification, WorkspaceEventKind::sessionDidBecomeActive},
    };
    NSNotificationCenter* centre = [[NSWorkspace sharedWorkspace] notificationCenter];
    NSMutableArray* observers = [NSMutableArray array];
    for (const auto& [name, kind] : names) {
      WorkspaceEventKind k = kind;
      [observers addObject:[centre addObserverForName:name
                                               object:nil
                                                queue:[NSOperationQueue mainQueue]
                                           usingBlock:^(NSNotification* note) {
                                             deliver(k, note);
                                           }]];
    }
    id unlocked = [[NSDistributedNotificationCenter defaultCenter]
        addObserverForName:makeNSString(workspaceEventName(WorkspaceEventKind::screenIsUnlocked))
                    object:nil
                     queue:[NSOperationQueue mainQueue]
                usingBlock:^(NSNotification* note) {
                  deliver(WorkspaceEventKind::screenIsUnlocked, note);
                }];
    return std::make_unique<ObservationToken>(observers, unlocked);
  }
}

bool MacWorkspace::openURL(const std::string& url) {
  @autoreleasepool {
    NSURL* target = [NSURL URLWithString:makeNSString(url)];
    if (target == nil) return false;
    return [[NSWorkspace sharedWorkspace] openURL:target];
  }
}

bool MacWorkspace::openFile(const std::string& path) {
  @autoreleasepool {
    return [[NSWorkspace sharedWorkspace] openURL:fileURL(path)];
  }
}

bool MacWorkspace::openFileWithApplication(const std::string& path, const std::string& application) {
  @autoreleasepool {
    NSURL* app = applicationNamed(application);
    if (app == nil) return false;
    NSWorkspaceOpenConfiguration* configuration = [NSWorkspaceOpenConfiguration configuration];
    configuration.activates = YES;
    [[NSWorkspace sharedWorkspace] openURLs:@[ fileURL(path) ]
                       withApplicationAtURL:app
                              configuration:configuration
                          completionHandler:nil];
    return true;
  }
}

void MacWorkspace::revealFile(const std::string& path) {
  @autoreleasepool {
    [[NSWorkspace sharedWorkspace] activateFileViewerSelectingURLs:@[ fileURL(path) ]];
  }
}

void MacWorkspace::beep() { NSBeep(); }

void MacWorkspace::hapticLevelChange() {
  [[NSHapticFeedbackManager defaultPerformer] performFeedbackPattern:NSHapticFeedbackPatternLevelChange
                                                     performanceTime:NSHapticFeedbackPerformanceTimeNow];
}

bool MacWorkspace::reduceMotion() { return [[NSWorkspace sharedWorkspace] accessibilityDisplayShouldReduceMotion]; }

bool MacWorkspace::canComposeEmail() {
  @autoreleasepool {
    NSSharingService* service = emailService();
    return service != nil && [service canPerformWithItems:@[ @"" ]];
  }
}

bool MacWorkspace::composeEmail(const EmailDraft& draft) {
  @autoreleasepool {
    NSSharingService* service = emailService();
    NSMutableArray* items = [NSMutableArray arrayWithObject:makeNSString(draft.body)];
    for (const auto& attachment : draft.attachments) [items addObject:fileURL(attachment)];
    if (service == nil || ![service canPerformWithItems:items]) return false;
    NSMutableArray<NSString*>* recipients = [NSMutableArray array];
    for (const auto& recipient : draft.recipients) [recipients addObject:makeNSString(recipient)];
    service.recipients = recipients;
    service.subject = makeNSString(draft.subject);
    [service performWithItems:items];
    return true;
  }
}

ActivationPolicy MacWorkspace::activationPolicy() {
  return NSApp.activationPolicy == NSApplicationActivationPolicyRegular ? ActivationPolicy::regular
                                                                         : ActivationPolicy::accessory;
}

void MacWorkspace::setActivationPolicy(ActivationPolicy policy) {
  [NSApp setActivationPolicy:policy == ActivationPolicy::regular ? NSApplicationActivationPolicyRegular
                                                                 : NSApplicationActivationPolicyAccessory];
}

bool MacWorkspace::launchAtLogin() {
  @autoreleasepool {
#if CORVANE_HAS_SERVICE_MANAGEMENT
    return SMAppService.mainAppService.status == SMAppServiceStatusEnabled;
#else
    // Nothing else loads ServiceManagement, so the class exists only once its framework is loaded.
    // Loaded by name: since macOS 11 the system's frameworks live in the shared cache, not at a
    // path on disk.
    static Class service = [] {
      (void)dlopen("/System/Library/Frameworks/ServiceManagement.framework/ServiceManagement", RTLD_LAZY | RTLD_LOCAL);
      return NSClassFromString(@"SMAppService");
    }();
    if (service == nil) return false;
    id<CVAppService> main = [(Class<CVAppServiceClass>)service mainAppService];
    constexpr NSInteger kEnabled = 1;  // SMAppServiceStatusEnabled
    return main != nil && main.status == kEnabled;
#endif
  }
}

std::unique_ptr<WorkspaceToken> MacWorkspace::beginActivity(const std::string& reason) {
  @autoreleasepool {
    id<NSObject> activity = [[NSProcessInfo processInfo]
        beginActivityWithOptions:NSActivityUserInitiatedAllowingIdleSystemSleep
                          reason:makeNSString(reason)];
    return std::make_unique<ActivityToken>(activity);
  }
}

}  // namespace corvane::platform::macos

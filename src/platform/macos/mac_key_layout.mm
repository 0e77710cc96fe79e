#include "platform/macos/mac_key_layout.hpp"

#include <Carbon/Carbon.h>
#import <Foundation/Foundation.h>

#include <iterator>

#include "platform/macos/cf_ref.hpp"
#include "platform/macos/cf_strings.hpp"

namespace corvane::platform::macos {

struct MacKeyLayout::Observer {
  id token = nil;
  /// Shared with the observer's block, so a new handler replaces the old without re-registering.
  std::shared_ptr<std::function<void()>> handler = std::make_shared<std::function<void()>>();
};

MacKeyLayout::MacKeyLayout() : observer_(std::make_unique<Observer>()) {}

MacKeyLayout::~MacKeyLayout() {
  if (observer_->token != nil) [[NSDistributedNotificationCenter defaultCenter] removeObserver:observer_->token];
}

std::optional<std::string> MacKeyLayout::character(std::uint16_t keyCode) {
  // On a non-Latin input source this is the Latin layout the system pairs with it.
  auto source = CFRef<TISInputSourceRef>::adopt(TISCopyCurrentASCIICapableKeyboardLayoutInputSource());
  if (!source) return std::nullopt;
  auto data = static_cast<CFDataRef>(TISGetInputSourceProperty(source.get(), kTISPropertyUnicodeKeyLayoutData));
  if (data == nullptr) return std::nullopt;
  const auto* layout = reinterpret_cast<const UCKeyboardLayout*>(CFDataGetBytePtr(data));
  UInt32 deadKeyState = 0;
  UniChar characters[8];
  UniCharCount length = 0;
  // No modifiers; a dead key gives its own character instead of waiting for the next key.
  OSStatus status = UCKeyTranslate(layout, keyCode, kUCKeyActionDown, 0, LMGetKbdType(),
                                   kUCKeyTranslateNoDeadKeysMask, &deadKeyState, std::size(characters), &length,
                                   characters);
  if (status != noErr) return std::nullopt;
  auto string = CFRef<CFStringRef>::adopt(
      CFStringCreateWithCharacters(kCFAllocatorDefault, characters, static_cast<CFIndex>(length)));
  if (!string) return std::nullopt;
  return toStdString(string.get());
}

void MacKeyLayout::setChangeHandler(std::function<void()> onChange) {
  *observer_->handler = std::move(onChange);
  if (observer_->token != nil) return;
  auto handler = observer_->handler;
  observer_->token = [[NSDistributedNotificationCenter defaultCenter]
      addObserverForName:(__bridge NSString*)kTISNotifySelectedKeyboardInputSourceChanged
                  object:nil
                   queue:[NSOperationQueue mainQueue]
              usingBlock:^(NSNotification*) {
                // A copy, so a handler that replaces itself finishes its own call.
                auto call = *handler;
                if (call) call();
              }];
}

}  // namespace corvane::platform::macos

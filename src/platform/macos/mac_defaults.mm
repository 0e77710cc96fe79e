#include "platform/macos/mac_defaults.hpp"

#import <Foundation/Foundation.h>

#include <type_traits>

#include "platform/macos/cf_strings.hpp"

namespace corvane::platform::macos {

struct MacDefaults::Store {
  NSUserDefaults* defaults = nil;
};

namespace {

/// Foundation stores Booleans and numbers both as NSNumber; only the CFBoolean singletons are
/// Booleans, so a stored 1 never reads as true nor true as 1.
bool isBoolean(id object) { return CFGetTypeID((__bridge CFTypeRef)object) == CFBooleanGetTypeID(); }

bool isInteger(NSNumber* number) { return !isBoolean(number) && !CFNumberIsFloatType((__bridge CFNumberRef)number); }

std::optional<DefaultsValue> fromArray(NSArray* array) {
  std::vector<std::string> strings;
  strings.reserve(array.count);
  for (id item in array) {
    if (![item isKindOfClass:[NSString class]]) return std::nullopt;
    strings.push_back(toStdString(static_cast<NSString*>(item)));
  }
  return strings;
}

std::optional<DefaultsValue> fromDictionary(NSDictionary* dictionary) {
  std::map<std::string, std::int64_t> counts;
  for (id key in dictionary) {
    id value = dictionary[key];
    if (![key isKindOfClass:[NSString class]] || ![value isKindOfClass:[NSNumber class]] || !isInteger(value)) {
      return std::nullopt;
    }
    counts[toStdString(static_cast<NSString*>(key))] = [static_cast<NSNumber*>(value) longLongValue];
  }
  return counts;
}

std::optional<DefaultsValue> fromObject(id object) {
  if (object == nil) return std::nullopt;
  if ([object isKindOfClass:[NSNumber class]]) {
    NSNumber* number = object;
    if (isBoolean(number)) return DefaultsValue{static_cast<bool>(number.boolValue)};
    if (isInteger(number)) return DefaultsValue{static_cast<std::int64_t>(number.longLongValue)};
    return DefaultsValue{number.doubleValue};
  }
  if ([object isKindOfClass:[NSString class]]) return DefaultsValue{toStdString(static_cast<NSString*>(object))};
  if ([object isKindOfClass:[NSArray class]]) return fromArray(object);
  if ([object isKindOfClass:[NSDictionary class]]) return fromDictionary(object);
  return std::nullopt;
}

id toObject(const DefaultsValue& value) {
  return std::visit(
      [](const auto& v) -> id {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) {
          return v ? @YES : @NO;
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          return [NSNumber numberWithLongLong:v];
        } else if constexpr (std::is_same_v<T, double>) {
          return [NSNumber numberWithDouble:v];
        } else if constexpr (std::is_same_v<T, std::string>) {
          return makeNSString(v);
        } else if constexpr (std::is_same_v<T, std::vector<std::string>>) {
          NSMutableArray* array = [NSMutableArray arrayWithCapacity:v.size()];
          for (const auto& s : v) [array addObject:makeNSString(s)];
          return array;
        } else {
          NSMutableDictionary* dictionary = [NSMutableDictionary dictionaryWithCapacity:v.size()];
          for (const auto& [key, count] : v) dictionary[makeNSString(key)] = [NSNumber numberWithLongLong:count];
          return dictionary;
        }
      },
      value);
}

}  // namespace

MacDefaults::MacDefaults() : store_(std::make_unique<Store>()) {
  store_->defaults = [NSUserDefaults standardUserDefaults];
}

MacDefaults::MacDefaults(const std::string& suiteName) : store_(std::make_unique<Store>()) {
  store_->defaults = [[NSUserDefaults alloc] initWithSuiteName:makeNSString(suiteName)];
  // Only the program's own bundle identifier and the global domain are refused as suite names.
  if (store_->defaults == nil) store_->defaults = [NSUserDefaults standardUserDefaults];
}

MacDefaults::~MacDefaults() = default;

std::optional<DefaultsValue> MacDefaults::raw(const std::string& key) const {
  @autoreleasepool {
    return fromObject([store_->defaults objectForKey:makeNSString(key)]);
  }
}

void MacDefaults::set(const std::string& key, DefaultsValue value) {
  @autoreleasepool {
    [store_->defaults setObject:toObject(value) forKey:makeNSString(key)];
  }
}

void MacDefaults::remove(const std::string& key) {
  @autoreleasepool {
    [store_->defaults removeObjectForKey:makeNSString(key)];
  }
}

std::unique_ptr<Defaults> MacDefaults::openSuite(const std::string& name) {
  @autoreleasepool {
    if ([store_->defaults persistentDomainForName:makeNSString(name)] == nil) return nullptr;
  }
  return std::make_unique<MacDefaults>(name);
}

}  // namespace corvane::platform::macos

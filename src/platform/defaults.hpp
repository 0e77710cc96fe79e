#pragma once
// A key-value settings store (the user defaults on a Mac, a JSON file on Linux).

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace corvane::platform {

using DefaultsValue = std::variant<bool, std::int64_t, double, std::string, std::vector<std::string>,
                                   std::map<std::string, std::int64_t>>;

/// Main thread, except where a caller says otherwise; implementations guard their own state so a
/// read from another queue is safe.
/// What a caller may rely on, on every backend: a value reads back as the kind it was stored as,
/// also in a store opened later (a Boolean never reads as a number, nor a number as a Boolean); an
/// empty string or list is a value; `set` replaces a value of any kind; a suite holding no value does
/// not open.
class Defaults {
 public:
  virtual ~Defaults() = default;
  /// The stored object, unchanged, or none.
  [[nodiscard]] virtual std::optional<DefaultsValue> raw(const std::string& key) const = 0;
  virtual void set(const std::string& key, DefaultsValue value) = 0;
  virtual void remove(const std::string& key) = 0;
  /// Another suite's store (the former product's), or null when that suite does not exist.
  [[nodiscard]] virtual std::unique_ptr<Defaults> openSuite(const std::string& name) = 0;

  [[nodiscard]] bool has(const std::string& key) const { return raw(key).has_value(); }
  /// A value of the wrong type reads as none.
  [[nodiscard]] std::optional<bool> getBool(const std::string& key) const { return get<bool>(key); }
  [[nodiscard]] std::optional<std::string> getString(const std::string& key) const { return get<std::string>(key); }
  [[nodiscard]] std::optional<std::vector<std::string>> getStringList(const std::string& key) const {
    return get<std::vector<std::string>>(key);
  }
  [[nodiscard]] std::optional<std::map<std::string, std::int64_t>> getIntDictionary(const std::string& key) const {
    return get<std::map<std::string, std::int64_t>>(key);
  }

 private:
  template <typename T>
  std::optional<T> get(const std::string& key) const {
    auto value = raw(key);
    if (!value) return std::nullopt;
    if (const T* v = std::get_if<T>(&*value)) return *v;
    return std::nullopt;
  }
};

}  // namespace corvane::platform

#pragma once
// An owning reference to a Core Foundation object (CFStringRef, AXUIElementRef, CGEventRef, ...).
// Every Create/Copy result is adopted at once and released when its CFRef goes. Not thread-safe on
// its own, like the reference it holds; copies retain.

#include <CoreFoundation/CoreFoundation.h>

#include <utility>

namespace corvane::platform::macos {

template <typename T>
class CFRef final {
 public:
  CFRef() = default;
  /// Takes over a reference the caller owns (the result of a Create or Copy call); null is fine.
  [[nodiscard]] static CFRef adopt(T ref) { return CFRef(ref); }
  /// Retains a reference the caller does not own (the result of a Get call); null is fine.
  [[nodiscard]] static CFRef retain(T ref) {
    if (ref != nullptr) CFRetain(ref);
    return CFRef(ref);
  }

  ~CFRef() { reset(); }
  CFRef(const CFRef& other) : ref_(other.ref_) {
    if (ref_ != nullptr) CFRetain(ref_);
  }
  CFRef& operator=(const CFRef& other) {
    if (this != &other) *this = CFRef(other);
    return *this;
  }
  CFRef(CFRef&& other) noexcept : ref_(std::exchange(other.ref_, nullptr)) {}
  CFRef& operator=(CFRef&& other) noexcept {
    if (this != &other) {
      reset();
      ref_ = std::exchange(other.ref_, nullptr);
    }
    return *this;
  }

  [[nodiscard]] T get() const { return ref_; }
  explicit operator bool() const { return ref_ != nullptr; }
  void reset() {
    if (ref_ != nullptr) CFRelease(ref_);
    ref_ = nullptr;
  }

 private:
  explicit CFRef(T ref) : ref_(ref) {}
  T ref_ = nullptr;
};

}  // namespace corvane::platform::macos

#pragma once
// An accessibility element as the core sees it: a retained AXUIElementRef whose identity is CFEqual
// and CFHash, because every Accessibility call hands out a new reference to the same element.

#include <ApplicationServices/ApplicationServices.h>

#include "platform/accessibility.hpp"
#include "platform/macos/cf_ref.hpp"

namespace corvane::platform::macos {

/// Immutable once made; any thread.
class AXElementHandle final : public ElementHandle {
 public:
  explicit AXElementHandle(CFRef<AXUIElementRef> element);

  [[nodiscard]] bool sameElement(const ElementHandle& other) const override;
  [[nodiscard]] std::size_t identityHash() const override { return hash_; }
  [[nodiscard]] AXUIElementRef get() const { return element_.get(); }

 private:
  CFRef<AXUIElementRef> element_;
  std::size_t hash_;
};

/// The core's element for a reference; a null reference gives the null element.
[[nodiscard]] Element makeElement(CFRef<AXUIElementRef> element);
/// The reference inside an element, or null for the null element or another backend's element.
[[nodiscard]] AXUIElementRef axElementOf(const Element& element);

}  // namespace corvane::platform::macos

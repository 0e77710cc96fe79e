#include "platform/macos/ax_element_handle.hpp"

namespace corvane::platform::macos {

AXElementHandle::AXElementHandle(CFRef<AXUIElementRef> element)
    : element_(std::move(element)), hash_(element_ ? static_cast<std::size_t>(CFHash(element_.get())) : 0) {}

bool AXElementHandle::sameElement(const ElementHandle& other) const {
  const auto* mac = dynamic_cast<const AXElementHandle*>(&other);
  if (mac == nullptr || !element_ || !mac->element_) return false;
  return CFEqual(element_.get(), mac->element_.get());
}

Element makeElement(CFRef<AXUIElementRef> element) {
  if (!element) return Element();
  return Element(std::make_shared<const AXElementHandle>(std::move(element)));
}

AXUIElementRef axElementOf(const Element& element) {
  const auto* mac = dynamic_cast<const AXElementHandle*>(element.handle());
  return mac != nullptr ? mac->get() : nullptr;
}

}  // namespace corvane::platform::macos

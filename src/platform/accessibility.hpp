#pragma once
// The desktop's accessibility interface, as value types. Elements are handles whose equality and
// hash are the element's identity: on a Mac every call returns a new reference, compared with
// CFEqual/CFHash, so a handle never compares by address.

#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/geometry.hpp"

namespace corvane::platform {

/// Accessibility result codes (AXError).
using AXError = std::int32_t;
namespace ax {
inline constexpr AXError kSuccess = 0;
inline constexpr AXError kFailure = -25200;
inline constexpr AXError kIllegalArgument = -25201;
inline constexpr AXError kInvalidUIElement = -25202;
inline constexpr AXError kCannotComplete = -25204;
inline constexpr AXError kAttributeUnsupported = -25205;
inline constexpr AXError kActionUnsupported = -25206;
inline constexpr AXError kNotImplemented = -25208;
inline constexpr AXError kAPIDisabled = -25211;
inline constexpr AXError kNoValue = -25212;

/// 0 and -25204 (cannot complete) both mean the action was done.
constexpr bool actionDone(AXError e) { return e == kSuccess || e == kCannotComplete; }
}  // namespace ax

/// Backend-specific identity of one element.
class ElementHandle {
 public:
  virtual ~ElementHandle() = default;
  [[nodiscard]] virtual bool sameElement(const ElementHandle& other) const = 0;
  [[nodiscard]] virtual std::size_t identityHash() const = 0;
};

class Element {
 public:
  Element() = default;
  explicit Element(std::shared_ptr<const ElementHandle> handle) : handle_(std::move(handle)) {}

  [[nodiscard]] bool isNull() const { return handle_ == nullptr; }
  explicit operator bool() const { return handle_ != nullptr; }
  [[nodiscard]] const ElementHandle* handle() const { return handle_.get(); }
  [[nodiscard]] std::size_t hash() const { return handle_ ? handle_->identityHash() : 0; }

  friend bool operator==(const Element& a, const Element& b) {
    if (!a.handle_ || !b.handle_) return a.handle_ == b.handle_;
    return a.handle_ == b.handle_ || a.handle_->sameElement(*b.handle_);
  }

 private:
  std::shared_ptr<const ElementHandle> handle_;
};

struct ElementHash {
  std::size_t operator()(const Element& e) const { return e.hash(); }
};

/// A text range in UTF-16 units (CFRange).
struct TextRange {
  std::int64_t location = 0;
  std::int64_t length = 0;
  friend bool operator==(const TextRange&, const TextRange&) = default;
};

/// An attribute value: what AXUIElementCopyAttributeValue can return, already converted.
using AXValue = std::variant<bool, std::int64_t, double, std::string, Point, Size, TextRange, Element,
                             std::vector<Element>>;

/// Typed access that treats a value of another type as absent.
template <typename T>
[[nodiscard]] std::optional<T> valueAs(const std::optional<AXValue>& v) {
  if (!v) return std::nullopt;
  if (const T* p = std::get_if<T>(&*v)) return *p;
  return std::nullopt;
}

/// Used from any queue (the actions queue, the coach queue, the main thread).
/// What a caller may rely on, on every backend:
/// - An attribute that holds an empty string (an untitled button's AXTitle) answers the empty
///   string: a value, distinct from no value (kNoValue). Code that wants a label treats the two alike.
/// - An attribute the element does not have answers kAttributeUnsupported.
/// - `copyMultipleAttributes` answers in the order asked; only the values that failed are absent.
class Accessibility {
 public:
  virtual ~Accessibility() = default;

  [[nodiscard]] virtual Element application(std::int32_t pid) = 0;
  /// The element's own process id, when it can be read.
  [[nodiscard]] virtual std::optional<std::int32_t> processId(const Element& element) = 0;
  /// A missing attribute, no value or any other failure is the error code.
  [[nodiscard]] virtual std::expected<AXValue, AXError> copyAttribute(const Element& element,
                                                                      std::string_view attribute) = 0;
  /// All values in one call, in the order asked; an error, a missing value or a value of the wrong
  /// kind is absent. The call itself may fail as a whole.
  [[nodiscard]] virtual std::expected<std::vector<std::optional<AXValue>>, AXError> copyMultipleAttributes(
      const Element& element, std::span<const std::string_view> attributes) = 0;
  [[nodiscard]] virtual std::expected<std::vector<std::string>, AXError> actionNames(const Element& element) = 0;
  [[nodiscard]] virtual AXError performAction(const Element& element, std::string_view action) = 0;
  /// Settable: "AXFocused" (bool), "AXSelectedTextRange" (TextRange), "AXPosition" (Point), "AXSize" (Size).
  [[nodiscard]] virtual AXError setAttribute(const Element& element, std::string_view attribute,
                                             const AXValue& value) = 0;
  /// The element at a point (accessibility coordinates) of the application's UI.
  [[nodiscard]] virtual std::expected<Element, AXError> elementAtPosition(const Element& application, Point point) = 0;
  /// Seconds before a call to this element gives up; 0 restores the system default.
  virtual AXError setMessagingTimeout(const Element& element, double seconds) = 0;
  /// Whether this process may use the interface; with `prompt` the system offers its dialog.
  [[nodiscard]] virtual bool isTrusted(bool prompt) = 0;

  /// One attribute, treating any failure as absent.
  [[nodiscard]] std::optional<AXValue> attribute(const Element& element, std::string_view name) {
    auto v = copyAttribute(element, name);
    if (!v) return std::nullopt;
    return std::move(*v);
  }
};

/// One on-screen window, front to back (CGWindowListCopyWindowInfo).
struct WindowInfo {
  std::int32_t ownerPid = 0;
  Rect bounds;  ///< accessibility coordinates
  std::int32_t layer = 0;
  friend bool operator==(const WindowInfo&, const WindowInfo&) = default;
};

class WindowList {
 public:
  virtual ~WindowList() = default;
  /// On-screen windows, front to back, desktop elements excluded.
  [[nodiscard]] virtual std::vector<WindowInfo> onScreenWindows() = 0;
};

/// Synthetic input. Every event is posted from a private source carrying kSyntheticEventTag.
class InputPoster {
 public:
  virtual ~InputPoster() = default;
  virtual void postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) = 0;
  enum class Mouse { leftDown, leftUp };
  virtual void postMouse(Mouse kind, Point location) = 0;
  /// The combined hardware modifier state (CGEventSourceFlagsState).
  [[nodiscard]] virtual std::uint64_t hardwareModifierFlags() = 0;
  [[nodiscard]] virtual std::optional<Point> pointerLocation() = 0;
  virtual void warpPointer(Point location) = 0;
};

}  // namespace corvane::platform

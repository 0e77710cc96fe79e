#pragma once
// A read-only JSON document in one flat array, filled through nlohmann's SAX parser: no allocation
// per value, strings in one shared buffer. The shortcuts-file decoder reads files through it; a
// 2,000-shortcut file decodes several times faster than through a DOM of maps.

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::model::json {

class Tree;

/// One value of a tree. Cheap to copy; valid while its tree lives.
class Value {
 public:
  enum class Type : std::uint8_t { null, boolean, integer, unsignedInteger, floating, string, array, object };

  /// An invalid value: what a missing member gives.
  Value() = default;

  [[nodiscard]] Type type() const;
  [[nodiscard]] bool isNull() const { return type() == Type::null; }
  [[nodiscard]] bool isBool() const { return type() == Type::boolean; }
  [[nodiscard]] bool isString() const { return type() == Type::string; }
  [[nodiscard]] bool isArray() const { return type() == Type::array; }
  [[nodiscard]] bool isObject() const { return type() == Type::object; }
  [[nodiscard]] bool isNumber() const;

  [[nodiscard]] bool asBool() const;
  [[nodiscard]] std::int64_t asInteger() const;
  [[nodiscard]] std::uint64_t asUnsigned() const;
  [[nodiscard]] double asDouble() const;
  [[nodiscard]] std::string_view asString() const;
  /// The member name of a value inside an object.
  [[nodiscard]] std::string_view key() const;

  [[nodiscard]] std::size_t size() const;
  /// Children in document order (array elements, object members).
  [[nodiscard]] std::vector<Value> children() const;
  /// The last member named `name` (as a DOM keeps the last duplicate), or an invalid value.
  [[nodiscard]] Value member(std::string_view name) const;
  [[nodiscard]] bool valid() const { return tree_ != nullptr; }

  /// First child and next sibling, for walking without a vector.
  [[nodiscard]] Value firstChild() const;
  [[nodiscard]] Value nextSibling() const;

 private:
  friend class Tree;
  Value(const Tree* tree, std::uint32_t index) : tree_(tree), index_(index) {}
  const Tree* tree_ = nullptr;
  std::uint32_t index_ = 0;
};

/// The JSON library's error message without the quotation of the text it last read ("; last read:
/// '…'"): the message goes into the log, which is sent with problem reports, and the text is the
/// user's file.
[[nodiscard]] std::string withoutQuotedText(std::string message);

struct ParseError {
  std::string message;  ///< "JSON syntax error at line L, column C: …"
};

class Tree final {
 public:
  [[nodiscard]] static std::expected<Tree, ParseError> parse(std::string_view text);
  [[nodiscard]] Value root() const { return Value(this, 0); }

  Tree(Tree&&) = default;
  Tree& operator=(Tree&&) = default;
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;

 private:
  friend class Value;
  friend struct Builder;
  Tree() = default;

  static constexpr std::uint32_t kNone = 0xFFFFFFFF;
  struct Node {
    Value::Type type = Value::Type::null;
    std::uint32_t keyOffset = 0;
    std::uint32_t keyLength = 0;
    std::uint32_t firstChild = kNone;
    std::uint32_t lastChild = kNone;
    std::uint32_t nextSibling = kNone;
    std::uint32_t count = 0;
    struct Chars {
      std::uint32_t offset;
      std::uint32_t length;
    };
    union Payload {
      bool b;
      std::int64_t i;
      std::uint64_t u;
      double d;
      Chars s;
    } v{};
  };
  std::vector<Node> nodes_;
  std::string chars_;
};

}  // namespace corvane::model::json

#include "model/json_tree.hpp"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <optional>

namespace corvane::model::json {
namespace {

// nlohmann words its errors "[json.exception.parse_error.101] parse error at line 1, column 2:
// syntax error while parsing value - unexpected …; expected …": keep position and expectation.
std::string syntaxErrorText(const std::string& raw, std::size_t byte) {
  std::string what = raw;
  std::string position;
  auto at = what.find(" at line ");
  auto colon = at == std::string::npos ? std::string::npos : what.find(": ", at);
  if (at != std::string::npos && colon != std::string::npos) {
    position = what.substr(at + 1, colon - at - 1);
    what = what.substr(colon + 2);
  } else if (auto bracket = what.find("] "); bracket != std::string::npos) {
    what = what.substr(bracket + 2);
    position = "byte " + std::to_string(byte);
  }
  what = withoutQuotedText(std::move(what));
  if (what.starts_with("syntax error while parsing ")) {
    if (auto dash = what.find(" - "); dash != std::string::npos) what = what.substr(dash + 3);
  }
  return "JSON syntax error " + (position.empty() ? std::string() : position + ": ") + what;
}

}  // namespace

std::string withoutQuotedText(std::string message) {
  auto quote = message.find("; last read: '");
  if (quote == std::string::npos) return message;
  // What follows the quotation ("; expected string literal") is kept; the quotation may hold quotes.
  auto rest = message.rfind("'; ");
  message.erase(quote, rest == std::string::npos || rest < quote + 14 ? std::string::npos : rest + 1 - quote);
  return message;
}

struct Builder : nlohmann::json_sax<nlohmann::json> {
  Tree& tree;
  std::vector<std::uint32_t> stack;
  std::string pendingKey;
  bool haveKey = false;
  std::string error;

  explicit Builder(Tree& t) : tree(t) {}

  std::uint32_t storeChars(std::string_view s) {
    auto offset = static_cast<std::uint32_t>(tree.chars_.size());
    tree.chars_.append(s);
    return offset;
  }

  Tree::Node& add(Value::Type type) {
    auto index = static_cast<std::uint32_t>(tree.nodes_.size());
    tree.nodes_.emplace_back();
    Tree::Node& node = tree.nodes_.back();
    node.type = type;
    if (haveKey) {
      node.keyOffset = storeChars(pendingKey);
      node.keyLength = static_cast<std::uint32_t>(pendingKey.size());
      haveKey = false;
    }
    if (!stack.empty()) {
      Tree::Node& parent = tree.nodes_[stack.back()];
      if (parent.lastChild == Tree::kNone) {
        parent.firstChild = index;
      } else {
        tree.nodes_[parent.lastChild].nextSibling = index;
      }
      parent.lastChild = index;
      ++parent.count;
    }
    return tree.nodes_.back();
  }

  bool null() override {
    add(Value::Type::null);
    return true;
  }
  bool boolean(bool val) override {
    add(Value::Type::boolean).v.b = val;
    return true;
  }
  bool number_integer(number_integer_t val) override {
    add(Value::Type::integer).v.i = val;
    return true;
  }
  bool number_unsigned(number_unsigned_t val) override {
    add(Value::Type::unsignedInteger).v.u = val;
    return true;
  }
  bool number_float(number_float_t val, const string_t&) override {
    add(Value::Type::floating).v.d = val;
    return true;
  }
  bool string(string_t& val) override {
    auto offset = storeChars(val);
    auto& node = add(Value::Type::string);
    node.v.s.offset = offset;
    node.v.s.length = static_cast<std::uint32_t>(val.size());
    return true;
  }
  bool binary(binary_t&) override {
    add(Value::Type::null);
    return true;
  }
  bool start_object(std::size_t) override {
    add(Value::Type::object);
    stack.push_back(static_cast<std::uint32_t>(tree.nodes_.size() - 1));
    return true;
  }
  bool key(string_t& val) override {
    pendingKey = val;
    haveKey = true;
    return true;
  }
  bool end_object() override {
    if (auto repeated = repeatedKey(stack.back())) {
      error = "the key \"" + std::string(*repeated) + "\" appears twice" + (stack.size() > 1 ? " in " + pathText() : "");
      return false;
    }
    stack.pop_back();
    return true;
  }

  // A repeated key would leave one of its values unread (and a later save would drop it), so a
  // document with one is refused whole.
  std::optional<std::string_view> repeatedKey(std::uint32_t object) const {
    const auto& node = tree.nodes_[object];
    if (node.count < 2) return std::nullopt;
    std::vector<std::string_view> keys;
    keys.reserve(node.count);
    for (auto i = node.firstChild; i != Tree::kNone; i = tree.nodes_[i].nextSibling) {
      keys.push_back(std::string_view(tree.chars_).substr(tree.nodes_[i].keyOffset, tree.nodes_[i].keyLength));
    }
    std::ranges::sort(keys);
    auto at = std::ranges::adjacent_find(keys);
    if (at == keys.end()) return std::nullopt;
    return *at;
  }

  /// The coding path of the innermost open container ("shortcuts.Index 3").
  std::string pathText() const {
    std::string path;
    for (std::size_t level = 1; level < stack.size(); ++level) {
      const auto& parent = tree.nodes_[stack[level - 1]];
      const auto& node = tree.nodes_[stack[level]];
      if (!path.empty()) path += ".";
      if (parent.type == Value::Type::array) {
        path += "Index " + std::to_string(parent.count - 1);
      } else {
        path += std::string_view(tree.chars_).substr(node.keyOffset, node.keyLength);
      }
    }
    return path;
  }
  bool start_array(std::size_t) override {
    add(Value::Type::array);
    stack.push_back(static_cast<std::uint32_t>(tree.nodes_.size() - 1));
    return true;
  }
  bool end_array() override {
    stack.pop_back();
    return true;
  }
  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& ex) override {
    error = syntaxErrorText(ex.what(), position);
    return false;
  }
};

std::expected<Tree, ParseError> Tree::parse(std::string_view text) {
  Tree tree;
  tree.nodes_.reserve(text.size() / 8 + 4);
  tree.chars_.reserve(text.size());
  Builder builder(tree);
  bool ok = false;
  try {
    ok = nlohmann::json::sax_parse(text.begin(), text.end(), &builder);
  } catch (const nlohmann::json::exception& e) {
    return std::unexpected(ParseError{syntaxErrorText(e.what(), 0)});
  }
  if (!ok || tree.nodes_.empty()) {
    return std::unexpected(ParseError{builder.error.empty() ? "JSON syntax error: no value" : builder.error});
  }
  return tree;
}

Value::Type Value::type() const { return tree_->nodes_[index_].type; }
bool Value::isNumber() const {
  auto t = type();
  return t == Type::integer || t == Type::unsignedInteger || t == Type::floating;
}
bool Value::asBool() const { return tree_->nodes_[index_].v.b; }
std::int64_t Value::asInteger() const { return tree_->nodes_[index_].v.i; }
std::uint64_t Value::asUnsigned() const { return tree_->nodes_[index_].v.u; }
double Value::asDouble() const {
  const auto& n = tree_->nodes_[index_];
  switch (n.type) {
    case Type::integer:
      return static_cast<double>(n.v.i);
    case Type::unsignedInteger:
      return static_cast<double>(n.v.u);
    case Type::floating:
      return n.v.d;
    case Type::null:
    case Type::boolean:
    case Type::string:
    case Type::array:
    case Type::object:
      return 0;
  }
  return 0;
}
std::string_view Value::asString() const {
  const auto& n = tree_->nodes_[index_];
  return std::string_view(tree_->chars_).substr(n.v.s.offset, n.v.s.length);
}
std::string_view Value::key() const {
  const auto& n = tree_->nodes_[index_];
  return std::string_view(tree_->chars_).substr(n.keyOffset, n.keyLength);
}
std::size_t Value::size() const { return tree_->nodes_[index_].count; }

Value Value::firstChild() const {
  auto i = tree_->nodes_[index_].firstChild;
  return i == Tree::kNone ? Value() : Value(tree_, i);
}
Value Value::nextSibling() const {
  auto i = tree_->nodes_[index_].nextSibling;
  return i == Tree::kNone ? Value() : Value(tree_, i);
}

std::vector<Value> Value::children() const {
  std::vector<Value> out;
  out.reserve(size());
  for (Value c = firstChild(); c.valid(); c = c.nextSibling()) out.push_back(c);
  return out;
}

Value Value::member(std::string_view name) const {
  Value found;
  for (Value c = firstChild(); c.valid(); c = c.nextSibling()) {
    if (c.key() == name) found = c;
  }
  return found;
}

}  // namespace corvane::model::json

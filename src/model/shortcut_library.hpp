#pragma once
// The loaded set of shortcuts: the built-in file layered with the user's file, macros resolved,
// indexed by a trie of key presses. Immutable once built, so any thread may read it; a reload builds
// a new library and swaps the shared pointer in every holder.

#include <cstddef>
#include <expected>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "model/grammar.hpp"
#include "model/shortcut.hpp"
#include "model/shortcut_file.hpp"

namespace corvane::model {

/// One source file: its display name ("built-in" or "your"), its file name for messages and a way
/// to read its bytes (an error carries a description of why it could not be read).
struct ShortcutSource {
  std::string displayName;
  std::string fileName;
  std::function<std::expected<std::string, std::string>()> read;

  /// A source whose bytes are already at hand (tests, tools).
  static ShortcutSource fromBytes(std::string displayName, std::string fileName, std::string bytes);
};

/// One row of the key list for a key path.
struct HUDOption {
  std::string key;  ///< the next key, or "⏎" for the row that runs the shortcut at the path
  std::string label;
  bool isGroup = false;
  friend bool operator==(const HUDOption&, const HUDOption&) = default;
};

class TrieNode final {
 public:
  using Children = std::map<std::string, std::unique_ptr<TrieNode>>;

  TrieNode() = default;
  /// Tears the subtree down without recursion, so a deep trie cannot overflow a small stack.
  ~TrieNode();
  TrieNode(const TrieNode&) = delete;
  TrieNode& operator=(const TrieNode&) = delete;

  [[nodiscard]] const TrieNode* child(const std::string& key) const;
  [[nodiscard]] const Children& children() const { return children_; }
  [[nodiscard]] bool hasChildren() const { return !children_.empty(); }
  /// The shortcut whose keys end exactly here, or null.
  [[nodiscard]] const Shortcut* shortcut() const { return shortcut_; }

 private:
  friend class ShortcutLibrary;
  Children children_;
  const Shortcut* shortcut_ = nullptr;
};

/// What a library refuses to build, so that a file of a few hundred bytes cannot exhaust the memory,
/// the time or the stack. Far above any real library; tests lower or lift them.
struct LibraryLimits {
  std::size_t maxKeys = kMaxKeySequenceLength;  ///< keys of one sequence
  std::size_t maxSteps = 4096;                  ///< steps of one shortcut, macros expanded, at every depth
  std::size_t maxTotalSteps = 100'000;          ///< the same for all shortcuts together
};

/// A badge the key-tip controller plans for one level.
struct PlannedTip {
  std::vector<std::string> keys;  ///< the full key path the badge leads to
  std::string text;               ///< the badge letters
  TipTarget target;
  bool opensMenu = false;  ///< the key leads to further keys
  friend bool operator==(const PlannedTip&, const PlannedTip&) = default;
};

/// Why keys cannot hold a shortcut of their own beside the others: the editor refuses such keys
/// and lint warns of a file that has them.
struct SequenceClash {
  enum class Kind {
    tooLong,      ///< more keys than the editor records
    prefixRuns,   ///< a shorter shortcut would end where these keys go on
    startsGroup,  ///< other shortcuts go on from these keys
  };
  Kind kind = Kind::tooLong;
  std::vector<std::string> prefix;  ///< prefixRuns: the keys of the shortcut that ends first
  std::string name;                 ///< prefixRuns: that shortcut's name; startsGroup: the group's
  friend bool operator==(const SequenceClash&, const SequenceClash&) = default;
};

class ShortcutLibrary final {
 public:
  /// Never fails: every problem becomes a warning. `user` is given only when the user's file exists.
  /// An entry beyond `limits` is skipped with a warning.
  [[nodiscard]] static std::shared_ptr<const ShortcutLibrary> build(const ShortcutSource& builtin,
                                                                    const std::optional<ShortcutSource>& user,
                                                                    const LibraryLimits& limits = {});

  ShortcutLibrary(const ShortcutLibrary&) = delete;
  ShortcutLibrary& operator=(const ShortcutLibrary&) = delete;

  [[nodiscard]] const std::vector<Shortcut>& shortcuts() const { return shortcuts_; }
  [[nodiscard]] const std::map<std::string, std::string>& groups() const { return groups_; }
  [[nodiscard]] const std::map<std::string, std::string>& tips() const { return tips_; }
  [[nodiscard]] const std::vector<std::string>& warnings() const { return warnings_; }
  /// Whether the user's file replaced the built-in shortcut at these keys ("H O I").
  [[nodiscard]] bool replacesBuiltin(const std::string& keyText) const { return replacedBuiltins_.contains(keyText); }
  /// The files that could not be read or decoded at all (their warnings say why).
  [[nodiscard]] const std::vector<std::string>& unreadableFiles() const { return unreadable_; }
  [[nodiscard]] const TrieNode& root() const { return root_; }

  [[nodiscard]] const TrieNode* node(std::span<const std::string> path) const;
  [[nodiscard]] const Shortcut* shortcut(std::span<const std::string> keys) const;
  [[nodiscard]] std::vector<HUDOption> options(std::span<const std::string> path) const;
  /// The group label of a key path: the "groups" entry, else the name of the shortcut at the path.
  [[nodiscard]] std::optional<std::string> groupName(std::span<const std::string> path) const;
  /// Whether `keys` may hold a shortcut of their own, the shortcut they hold now (if any) being
  /// replaced: none when they may.
  [[nodiscard]] std::optional<SequenceClash> clash(std::span<const std::string> keys) const;
  /// Where the badge of a key path goes; `inMenu` when the badge is for an item of an open menu.
  [[nodiscard]] std::optional<TipTarget> tipTarget(std::span<const std::string> path, bool inMenu) const;
  /// The badges of the level at `path`; one to three letters each.
  [[nodiscard]] std::vector<PlannedTip> plannedTips(std::span<const std::string> path, bool menuOpen) const;

 private:
  ShortcutLibrary() = default;
  void planChildren(const TrieNode& node, std::vector<std::string>& keyPath, const std::string& prefix, int depth,
                    bool rootLevel, bool menuOpen, std::vector<PlannedTip>& out) const;

  std::vector<Shortcut> shortcuts_;
  std::map<std::string, std::string> groups_;
  std::map<std::string, std::string> tips_;
  std::vector<std::string> warnings_;
  std::vector<std::string> unreadable_;
  std::set<std::string> replacedBuiltins_;
  TrieNode root_;
};

using LibraryPtr = std::shared_ptr<const ShortcutLibrary>;

}  // namespace corvane::model

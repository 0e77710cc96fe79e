#include "model/shortcut_library.hpp"

#include <utf8proc.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <type_traits>
#include <utility>

#include "model/grammar.hpp"
#include "model/step_warnings.hpp"
#include "model/text.hpp"

namespace corvane::model {
namespace {

constexpr int kMaxMacroDepth = 7;

using Macros = std::map<std::string, std::vector<Step>>;
template <typename T>
using Resolved = std::expected<T, std::string>;

// Resolves the macros of one shortcut, counting every step it makes (at every depth, the sequence a
// "use" becomes included). It stops at the first step beyond its allowance, so a macro that would
// expand to millions of steps costs no more than the allowance in time and memory. Owned steps (the
// entry's own) are moved through; borrowed ones (a macro's) are copied one at a time as they count.
class Expansion {
 public:
  Expansion(const Macros& macros, std::size_t allowance, std::string overflow)
      : macros_(macros), allowance_(allowance), left_(allowance), overflow_(std::move(overflow)) {}

  [[nodiscard]] std::size_t used() const { return allowance_ - left_; }

  // `Steps` is std::vector<Step> (owned, passed as an rvalue) or const std::vector<Step>&.
  template <typename Steps>
  Resolved<std::vector<Step>> all(Steps&& steps, int depth) {
    std::vector<Step> out;
    out.reserve(std::min(steps.size(), left_));
    for (auto& step : steps) {
      auto resolved = [&] {
        if constexpr (std::is_const_v<std::remove_reference_t<Steps>>) {
          return one(step, depth);
        } else {
          return one(std::move(step), depth);
        }
      }();
      if (!resolved) return std::unexpected(std::move(resolved.error()));
      out.push_back(std::move(*resolved));
    }
    return out;
  }

  template <typename S>
  Resolved<Step> one(S&& step, int depth) {
    using Children = std::conditional_t<std::is_const_v<std::remove_reference_t<S>>, const std::vector<Step>&,
                                        std::vector<Step>&&>;
    if (depth > kMaxMacroDepth) return std::unexpected(std::string("Macros nested too deeply"));
    if (left_ == 0) return std::unexpected(overflow_);
    --left_;
    if (const auto* use = std::get_if<UseStep>(&step.value)) {
      auto it = macros_.find(use->name);
      if (it == macros_.end()) return std::unexpected("Unknown macro \"" + use->name + "\"");
      auto steps = all(std::as_const(it->second), depth + 1);
      if (!steps) return std::unexpected(std::move(steps.error()));
      return Step{SequenceStep{std::move(*steps), false}};
    }
    if (auto* first = std::get_if<FirstOfStep>(&step.value)) {
      auto steps = all(static_cast<Children>(first->steps), depth);
      if (!steps) return std::unexpected(std::move(steps.error()));
      return Step{FirstOfStep{std::move(*steps)}};
    }
    if (auto* seq = std::get_if<SequenceStep>(&step.value)) {
      auto steps = all(static_cast<Children>(seq->steps), depth);
      if (!steps) return std::unexpected(std::move(steps.error()));
      return Step{SequenceStep{std::move(*steps), seq->optional}};
    }
    return Step(std::forward<S>(step));
  }

 private:
  const Macros& macros_;
  std::size_t allowance_;
  std::size_t left_;
  std::string overflow_;
};

std::string upperKeyText(const std::string& key) {
  // Map keys are key-path texts; matching is by their upper-cased form.
  return text::upper(key);
}

}  // namespace

ShortcutSource ShortcutSource::fromBytes(std::string displayName, std::string fileName, std::string bytes) {
  return ShortcutSource{std::move(displayName), std::move(fileName),
                        [b = std::move(bytes)]() -> std::expected<std::string, std::string> { return b; }};
}

TrieNode::~TrieNode() {
  // Each node taken off `pending` has handed its children over first, so its own destructor finds
  // none and nothing recurses.
  std::vector<std::unique_ptr<TrieNode>> pending;
  auto handOver = [&pending](TrieNode& node) {
    for (auto& [key, child] : node.children_) pending.push_back(std::move(child));
    node.children_.clear();
  };
  handOver(*this);
  while (!pending.empty()) {
    std::unique_ptr<TrieNode> node = std::move(pending.back());
    pending.pop_back();
    handOver(*node);
  }
}

const TrieNode* TrieNode::child(const std::string& key) const {
  auto it = children_.find(key);
  return it == children_.end() ? nullptr : it->second.get();
}

namespace {

/// A key no keyboard types: a control or format character (NUL, a zero-width space, a byte-order
/// mark), named by its code point; none when every key can be typed.
std::optional<std::string> untypeableKey(const std::vector<std::string>& keys) {
  for (const auto& key : keys) {
    const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(key.data());
    auto left = static_cast<utf8proc_ssize_t>(key.size());
    if (key.empty()) return std::string("an empty key");
    while (left > 0) {
      utf8proc_int32_t code = 0;
      auto used = utf8proc_iterate(bytes, left, &code);
      if (used <= 0) return std::string("bytes that aren't UTF-8");
      auto category = utf8proc_category(code);
      if (category == UTF8PROC_CATEGORY_CC || category == UTF8PROC_CATEGORY_CF || category == UTF8PROC_CATEGORY_CO ||
          category == UTF8PROC_CATEGORY_CN || category == UTF8PROC_CATEGORY_ZL || category == UTF8PROC_CATEGORY_ZP) {
        char name[16];
        std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(code));
        return std::string(name);
      }
      bytes += used;
      left -= used;
    }
  }
  return std::nullopt;
}

/// What lint says of a clash: why the editor refuses the keys, and what they do meanwhile.
std::string clashWarning(const SequenceClash& clash, const Shortcut& shortcut) {
  switch (clash.kind) {
    case SequenceClash::Kind::tooLong:
      return std::to_string(shortcut.keys.size()) + " keys: more than the " + std::to_string(kMaxOwnShortcutKeys) +
             " the editor records, so it can only be changed by hand";
    case SequenceClash::Kind::prefixRuns:
      return "⌥ " + keyPathText(clash.prefix) + " already runs “" + clash.name + "”, which now waits for Return; the editor refuses these keys";
    case SequenceClash::Kind::startsGroup:
      return "⌥ " + keyPathText(shortcut.keys) + " starts " + clash.name + ", so “" + shortcut.name +
             "” runs only with Return; the editor refuses these keys";
  }
  return {};
}

}  // namespace

std::shared_ptr<const ShortcutLibrary> ShortcutLibrary::build(const ShortcutSource& builtin,
                                                              const std::optional<ShortcutSource>& user,
                                                              const LibraryLimits& limits) {
  std::shared_ptr<ShortcutLibrary> lib(new ShortcutLibrary());
  struct Decoded {
    const ShortcutSource* source;
    ShortcutFile file;
  };
  std::vector<Decoded> files;
  std::vector<const ShortcutSource*> sources{&builtin};
  if (user) sources.push_back(&*user);
  for (const auto* source : sources) {
    auto bytes = source->read ? source->read() : std::expected<std::string, std::string>(std::unexpected("no reader"));
    if (!bytes) {
      lib->warnings_.push_back("Couldn't read " + source->displayName + " shortcuts file (" + source->fileName +
                               "): " + bytes.error());
      lib->unreadable_.push_back(source->fileName);
      continue;
    }
    auto file = decodeShortcutFile(*bytes);
    if (!file) {
      lib->warnings_.push_back("Couldn't read " + source->displayName + " shortcuts file (" + source->fileName +
                               "): " + describe(file.error()));
      lib->unreadable_.push_back(source->fileName);
      continue;
    }
    files.push_back({source, std::move(*file)});
  }

  // All maps of all files are merged before any entry, so an entry may use a macro another file defines.
  Macros macros;
  std::set<std::string> builtinMacros;
  for (const auto& [source, file] : files) {
    const bool builtinFile = source == &builtin;
    for (const auto& key : file.unknownKeys) {
      lib->warnings_.push_back("Ignored \"" + text::abbreviated(key, kQuotedKeysBytes) + "\" in " + source->displayName +
                               " shortcuts file (" + source->fileName +
                               "): only groups, tips, macros and shortcuts are read");
    }
    if (file.groups) {
      for (const auto& [k, v] : *file.groups) lib->groups_[upperKeyText(k)] = v;
    }
    if (file.tips) {
      for (const auto& [k, v] : *file.tips) lib->tips_[upperKeyText(k)] = v;
    }
    if (file.macros) {
      for (const auto& [k, v] : *file.macros) {
        // Silent before: redefining a built-in macro changes every built-in shortcut that uses it.
        if (!builtinFile && builtinMacros.contains(k)) {
          lib->warnings_.push_back("Your macro \"" + text::abbreviated(k, kQuotedKeysBytes) +
                                   "\" replaces the built-in one, and with it every built-in shortcut that uses it");
        }
        if (builtinFile) builtinMacros.insert(k);
        macros[k] = v;
      }
    }
  }

  std::map<std::string, Shortcut> byKeys;
  std::vector<std::string> order;
  std::size_t stepsLeft = limits.maxTotalSteps;
  const std::string tooManySteps = "Macros expand to more than " + std::to_string(limits.maxSteps) + " steps";
  const std::string tooManyInAll =
      "All shortcuts together expand to more than " + std::to_string(limits.maxTotalSteps) + " steps";
  std::set<std::string> fromBuiltin;
  std::set<std::string> userOwned;  // keys whose shortcut comes from the user's file
  for (auto& [source, file] : files) {
    if (!file.shortcuts) continue;
    const bool builtinFile = source == &builtin;
    auto skip = [&](const ShortcutEntry& entry, const std::string& description) {
      lib->warnings_.push_back("Skipped " + source->displayName + " shortcut \"" +
                               text::abbreviated(entry.keys, kQuotedKeysBytes) + "\": " + description);
    };
    std::map<std::string, std::string> writtenInThisFile;  // key text → the keys as written
    for (auto& entry : *file.shortcuts) {
      auto keys = parseKeySequence(entry.keys, limits.maxKeys);
      if (!keys) {
        skip(entry, keys.error().description);
        continue;
      }
      if (auto invisible = untypeableKey(*keys)) {
        skip(entry, "a key nobody can type (" + *invisible + ")");
        continue;
      }
      auto keyText = keyPathText(*keys);
      if (auto [earlier, fresh] = writtenInThisFile.try_emplace(keyText, entry.keys); !fresh && earlier->second != entry.keys) {
        lib->warnings_.push_back("\"" + text::abbreviated(earlier->second, kQuotedKeysBytes) + "\" and \"" +
                                 text::abbreviated(entry.keys, kQuotedKeysBytes) + "\" in " + source->displayName +
                                 " shortcuts file are the same keys (case doesn't matter): the later one is used");
        earlier->second = entry.keys;
      }
      if (builtinFile) {
        fromBuiltin.insert(keyText);
      } else if (fromBuiltin.contains(keyText)) {
        lib->replacedBuiltins_.insert(keyText);
      }
      if (entry.disabled.value_or(false)) {
        // The disabled key text's place in the order stays but yields nothing; a later definition
        // of the same keys is new and goes to the end.
        userOwned.erase(keyText);
        if (byKeys.erase(keyText) > 0) {
          for (auto& k : order) {
            if (k == keyText) k.clear();
          }
        }
        continue;
      }
      if (!entry.steps) {
        skip(entry, describe(entry.steps.error()));
        continue;
      }
      auto& steps = *entry.steps;
      if (!steps || steps->empty()) {
        skip(entry, "\"" + text::abbreviated(entry.keys, kQuotedKeysBytes) + "\" has nothing to do");
        continue;
      }
      const bool shortcutCapFirst = limits.maxSteps <= stepsLeft;
      Expansion expansion(macros, shortcutCapFirst ? limits.maxSteps : stepsLeft,
                          shortcutCapFirst ? tooManySteps : tooManyInAll);
      auto resolved = expansion.all(std::move(*steps), 0);
      if (!resolved) {
        skip(entry, resolved.error());
        continue;
      }
      stepsLeft -= expansion.used();
      for (const auto& warning : stepWarnings(*resolved)) {
        lib->warnings_.push_back("In " + source->displayName + " shortcut \"" +
                                 text::abbreviated(entry.keys, kQuotedKeysBytes) + "\", " + warning);
      }
      Shortcut shortcut{std::move(*keys), entry.name ? std::move(*entry.name) : keyText, std::move(*resolved),
                        std::move(entry.note), std::move(entry.absorb)};
      if (!byKeys.contains(keyText)) order.push_back(keyText);
      byKeys.insert_or_assign(keyText, std::move(shortcut));
      if (builtinFile) {
        userOwned.erase(keyText);
      } else {
        userOwned.insert(keyText);
      }
    }
  }

  lib->shortcuts_.reserve(order.size());
  for (const auto& keyText : order) {
    auto it = byKeys.find(keyText);
    if (it == byKeys.end()) continue;
    lib->shortcuts_.push_back(std::move(it->second));
  }
  for (const auto& shortcut : lib->shortcuts_) {
    TrieNode* node = &lib->root_;
    for (const auto& key : shortcut.keys) {
      auto& slot = node->children_[key];
      if (!slot) slot = std::make_unique<TrieNode>();
      node = slot.get();
    }
    node->shortcut_ = &shortcut;
  }
  // The user's own shortcuts are held to what the editor would take, so a hand-written file hears
  // of keys the editor refuses.
  for (const auto& shortcut : lib->shortcuts_) {
    auto keyText = keyPathText(shortcut.keys);
    if (!userOwned.contains(keyText) || !user) continue;
    if (auto found = lib->clash(shortcut.keys)) {
      lib->warnings_.push_back("In " + user->displayName + " shortcut \"" + text::abbreviated(keyText, kQuotedKeysBytes) +
                               "\", " + clashWarning(*found, shortcut));
    }
  }
  return lib;
}

const TrieNode* ShortcutLibrary::node(std::span<const std::string> path) const {
  const TrieNode* n = &root_;
  for (const auto& key : path) {
    n = n->child(key);
    if (n == nullptr) return nullptr;
  }
  return n;
}

const Shortcut* ShortcutLibrary::shortcut(std::span<const std::string> keys) const {
  const TrieNode* n = node(keys);
  return n == nullptr ? nullptr : n->shortcut();
}

namespace {

/// Whether `prefix`'s node would have nothing below it once the shortcut at `prefix` + `rest` is
/// taken away: the keys' own path is all there is below it.
bool endsBesides(const TrieNode& prefix, std::span<const std::string> rest) {
  const TrieNode* n = &prefix;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (i > 0 && n->shortcut() != nullptr) return false;  // another shortcut on the way
    if (!n->hasChildren()) return true;
    if (n->children().size() != 1) return false;
    n = n->child(rest[i]);
    if (n == nullptr) return false;  // its one child is another key
  }
  return !n->hasChildren();
}

}  // namespace

std::optional<SequenceClash> ShortcutLibrary::clash(std::span<const std::string> keys) const {
  using Kind = SequenceClash::Kind;
  if (keys.size() > kMaxOwnShortcutKeys) return SequenceClash{Kind::tooLong, {}, {}};
  for (std::size_t length = 1; length < keys.size(); ++length) {
    const auto* n = node(keys.first(length));
    if (n == nullptr) break;
    if (n->shortcut() != nullptr && endsBesides(*n, keys.subspan(length))) {
      return SequenceClash{Kind::prefixRuns, {keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(length)},
                           n->shortcut()->name};
    }
  }
  if (const auto* n = node(keys); n != nullptr && n->hasChildren()) {
    auto group = groups_.find(keyPathText({keys.begin(), keys.end()}));
    // The group's own name only: the shortcut at these keys is the one being replaced.
    return SequenceClash{Kind::startsGroup, {}, group != groups_.end() ? group->second : "other shortcuts"};
  }
  return std::nullopt;
}

std::optional<std::string> ShortcutLibrary::groupName(std::span<const std::string> path) const {
  auto it = groups_.find(keyPathText({path.begin(), path.end()}));
  if (it != groups_.end()) return it->second;
  if (const Shortcut* s = shortcut(path)) return s->name;
  return std::nullopt;
}

std::vector<HUDOption> ShortcutLibrary::options(std::span<const std::string> path) const {
  std::vector<HUDOption> out;
  const TrieNode* n = node(path);
  if (n == nullptr) return out;
  if (!path.empty() && n->shortcut() != nullptr) out.push_back({"⏎", n->shortcut()->name, false});
  std::vector<std::string> childPath(path.begin(), path.end());
  childPath.emplace_back();
  for (const auto& [key, child] : n->children()) {
    if (child->shortcut() != nullptr && !child->hasChildren()) {
      out.push_back({key, child->shortcut()->name, false});
      continue;
    }
    childPath.back() = key;
    out.push_back({key, groupName(childPath).value_or("More"), true});
  }
  return out;
}

std::optional<TipTarget> ShortcutLibrary::tipTarget(std::span<const std::string> path, bool inMenu) const {
  auto it = tips_.find(keyPathText({path.begin(), path.end()}));
  if (it != tips_.end()) return parseTipTarget(it->second);
  const Shortcut* s = shortcut(path);
  if (s == nullptr) return std::nullopt;
  for (const auto& step : flatten(s->steps)) {
    if (const auto* ribbon = step.as<RibbonStep>()) {
      bool hasItem = ribbon->item.has_value() && !ribbon->item->empty();
      if (!inMenu && !ribbon->item) return TipTarget{TipTarget::Kind::control, ribbon->labels, 0};
      if (inMenu && hasItem) return TipTarget{TipTarget::Kind::control, ribbon->item->back(), 0};
      continue;
    }
    if (const auto* qat = step.as<QatStep>()) return TipTarget{TipTarget::Kind::qat, {}, qat->number};
    if (const auto* title = step.as<TitlebarStep>()) return TipTarget{TipTarget::Kind::titlebar, title->labels, 0};
  }
  return std::nullopt;
}

std::vector<PlannedTip> ShortcutLibrary::plannedTips(std::span<const std::string> path, bool menuOpen) const {
  std::vector<PlannedTip> out;
  const TrieNode* n = node(path);
  if (n == nullptr) return out;
  std::vector<std::string> keyPath(path.begin(), path.end());
  planChildren(*n, keyPath, "", 0, path.empty(), menuOpen, out);
  return out;
}

void ShortcutLibrary::planChildren(const TrieNode& node, std::vector<std::string>& keyPath, const std::string& prefix,
                                   int depth, bool rootLevel, bool menuOpen, std::vector<PlannedTip>& out) const {
  constexpr int kMaxDepth = 2;
  for (const auto& [key, child] : node.children()) {
    keyPath.push_back(key);
    auto target = tipTarget(keyPath, menuOpen);
    bool usable = false;
    if (target) {
      switch (target->kind) {
        case TipTarget::Kind::qat:
        case TipTarget::Kind::tab:
        case TipTarget::Kind::titlebar:
          usable = rootLevel;
          break;
        case TipTarget::Kind::control:
        case TipTarget::Kind::corner:
          usable = !rootLevel;
          break;
      }
    }
    if (usable) {
      out.push_back(PlannedTip{keyPath, prefix + key, *target, child->hasChildren()});
    } else if (!rootLevel && child->hasChildren() && depth < kMaxDepth) {
      planChildren(*child, keyPath, prefix + key, depth + 1, rootLevel, menuOpen, out);
    }
    keyPath.pop_back();
  }
}

}  // namespace corvane::model

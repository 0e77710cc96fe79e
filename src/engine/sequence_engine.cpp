#include "engine/sequence_engine.hpp"

#include "model/text.hpp"

namespace corvane::engine {
namespace {

const model::TrieNode* nodeAt(const model::LibraryPtr& library, const std::vector<std::string>& path) {
  return library ? library->node(path) : nullptr;
}

bool rootHasChild(const model::LibraryPtr& library, const std::string& key) {
  return library && library->root().child(key) != nullptr;
}

}  // namespace

std::optional<EngineKey> absorbKey(const std::string& text) {
  auto lower = model::text::lower(text);
  if (lower == "return" || lower == "enter") return EngineKey::enter();
  if (lower == "escape" || lower == "esc") return EngineKey::escape();
  if (model::text::graphemeCount(text) == 1) return EngineKey::ofChar(model::text::upper(text));
  return std::nullopt;
}

SequenceEngine::SequenceEngine(model::LibraryPtr library) : library_(std::move(library)) {}

EngineEffects SequenceEngine::setLibrary(model::LibraryPtr library) {
  library_ = std::move(library);
  optionsCache_.clear();
  // A level the new shortcuts no longer have can take no key: the sequence ends there, and what
  // is typed next reaches Excel instead of being swallowed by a path that is gone.
  if (!path_ || path_->empty()) return {};
  const model::TrieNode* node = nodeAt(library_, *path_);
  if (node != nullptr && node->hasChildren()) return {};
  return endSequence();
}

const std::vector<model::HUDOption>& SequenceEngine::optionsAt(const std::vector<std::string>& path) {
  static const std::vector<model::HUDOption> kNone;
  const model::TrieNode* node = nodeAt(library_, path);
  if (node == nullptr) return kNone;
  auto it = optionsCache_.find(node);
  if (it == optionsCache_.end()) it = optionsCache_.emplace(node, library_->options(path)).first;
  return it->second;
}

EngineEffects SequenceEngine::reset() {
  optionCandidate_ = false;
  return endSequence();
}

EngineEffects SequenceEngine::endSequence() {
  if (!path_) return {};
  path_.reset();
  return {HideEffect{}};
}

EngineEffects SequenceEngine::showAt(std::vector<std::string> path) {
  auto options = optionsAt(path);
  path_ = path;
  return {ShowEffect{std::move(path), std::move(options)}};
}

EngineEffects SequenceEngine::flagsChanged(bool option, bool commandOrControl, bool allowed, double now) {
  bool wasDown = optionDown_;
  optionDown_ = option;
  if (!allowed || commandOrControl) return reset();
  if (option && !wasDown) {
    optionCandidate_ = true;
    optionDownAt_ = now;
    return {};
  }
  if (!option && wasDown && optionCandidate_) {
    optionCandidate_ = false;
    if (now - optionDownAt_ > tapWindow_) return {};  // a hold, not a tap
    if (!path_) {
      enteredAt_ = now;
      return showAt({});
    }
    bool nothingTyped = path_->empty();
    path_.reset();
    if (searchTrigger_ == model::SearchTrigger::doubleTapOption && nothingTyped &&
        now - enteredAt_ <= doubleTapWindow_) {
      return {HideEffect{}, OpenSearchEffect{}};
    }
    return {HideEffect{}};  // a second tap closes the key list
  }
  if (!option) optionCandidate_ = false;
  return {};
}

KeyDownResult SequenceEngine::keyDown(const EngineKey& key, bool option, bool commandOrControl, bool isRepeat,
                                      bool allowed, double now) {
  // A key typed while Option is down makes that press no tap.
  optionCandidate_ = false;
  if (!allowed) {
    absorb_.reset();
    return {false, endSequence()};
  }

  if (!path_) {
    if (option && key.kind == EngineKey::Kind::space && !commandOrControl && !isRepeat &&
        searchTrigger_ == model::SearchTrigger::optionSpace) {
      return {true, {OpenSearchEffect{}}};
    }
    if (absorb_) {
      // Used up by this press whatever happens.
      Absorb pending = std::move(*absorb_);
      absorb_.reset();
      if (key == pending.key && !option && !commandOrControl && now <= pending.until) return {true, {}};
    }
    if (option && holdToStart_ && !commandOrControl && !isRepeat && key.isChar() &&
        rootHasChild(library_, key.character)) {
      path_.emplace();
      return {true, advance(key.character, now)};
    }
    return {false, {}};
  }

  if (commandOrControl) return {false, endSequence()};  // the combination reaches Excel
  if (isRepeat) return {true, {}};

  switch (key.kind) {
    case EngineKey::Kind::escape:
    case EngineKey::Kind::backspace: {
      if (path_->empty()) return {true, endSequence()};
      auto shorter = *path_;
      shorter.pop_back();
      return {true, showAt(std::move(shorter))};
    }
    case EngineKey::Kind::enter: {
      const model::TrieNode* node = path_->empty() ? nullptr : nodeAt(library_, *path_);
      if (node != nullptr && node->shortcut() != nullptr) {
        model::Shortcut shortcut = *node->shortcut();
        path_.reset();
        // The pending absorb belonged to an earlier run; an Enter run absorbs nothing.
        absorb_.reset();
        return {true, {HideEffect{}, RunEffect{std::move(shortcut)}}};
      }
      return {true, endSequence()};
    }
    case EngineKey::Kind::space:
    case EngineKey::Kind::other:
      return {true, endSequence()};
    case EngineKey::Kind::char_:
      if (searchTrigger_ == model::SearchTrigger::optionSlash && path_->empty() && key.character == "/" &&
          !rootHasChild(library_, "/")) {
        path_.reset();
        return {true, {HideEffect{}, OpenSearchEffect{}}};
      }
      return {true, advance(key.character, now)};
  }
  return {true, {}};
}

EngineEffects SequenceEngine::advance(const std::string& character, double now) {
  std::vector<std::string> next = *path_;
  next.push_back(character);
  const model::TrieNode* node = nodeAt(library_, next);
  if (node == nullptr) return {InvalidKeyEffect{*path_, character}};
  if (node->shortcut() == nullptr || node->hasChildren()) return showAt(std::move(next));

  model::Shortcut shortcut = *node->shortcut();
  path_.reset();
  // Only the last run's absorb may swallow a key: a run without one clears what an earlier run set.
  absorb_.reset();
  if (shortcut.absorb) {
    if (auto absorbed = absorbKey(*shortcut.absorb)) absorb_ = Absorb{std::move(*absorbed), now + kAbsorbWindow};
  }
  return {HideEffect{}, RunEffect{std::move(shortcut)}};
}

}  // namespace corvane::engine
